#pragma once
#include <cstddef>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <vector>

namespace tuim {

// Ordered list that owns its items. Items live on the heap, so a reference returned by New()
// stays valid while later items are added. Copies are deep: every item is copied.
template <class T>
class TColecao {
public:
  TColecao() = default;
  TColecao(const TColecao& o) { CopiarDe(o); }
  TColecao& operator=(const TColecao& o) {
    if (this != &o) {
      TColecao copia(o);  // copy first, so a throwing item copy leaves this list as it was
      fItens.swap(copia.fItens);
    }
    return *this;
  }
  TColecao(TColecao&&) noexcept = default;
  TColecao& operator=(TColecao&&) noexcept = default;
  ~TColecao() = default;

  // Appends a new item with its own sub-objects and returns it.
  T& New() { return Add(std::make_unique<T>()); }
  // Appends an item made elsewhere and takes it over; a null pointer appends a new item.
  T& Add(std::unique_ptr<T> item) {
    if (!item) item = std::make_unique<T>();
    fItens.push_back(std::move(item));
    return *fItens.back();
  }
  // Appends a copy of `item`.
  T& Add(const T& item) { return Add(std::make_unique<T>(item)); }
  // A new item at `index` (0 to Count()); raises std::out_of_range outside it.
  T& Insert(int index) {
    if (index < 0 || index > Count()) throw std::out_of_range("TColecao::Insert");
    auto it = fItens.insert(fItens.begin() + index, std::make_unique<T>());
    return **it;
  }

  int Count() const { return static_cast<int>(fItens.size()); }
  bool Empty() const { return fItens.empty(); }
  // Indexed access raises std::out_of_range outside 0 to Count() - 1.
  T& operator[](int i) { return *fItens.at(Indice(i)); }
  const T& operator[](int i) const { return *fItens.at(Indice(i)); }
  T& Items(int i) { return (*this)[i]; }
  const T& Items(int i) const { return (*this)[i]; }

  // Frees the item at `i`; raises std::out_of_range outside the list.
  void Delete(int i) {
    fItens.at(Indice(i));
    fItens.erase(fItens.begin() + i);
  }
  void Clear() { fItens.clear(); }

  // Iteration yields the items themselves, not their owning pointers.
  template <class Base, class Ref>
  class Iterador {
  public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = std::remove_reference_t<Ref>*;
    using reference = Ref;
    Iterador() = default;
    explicit Iterador(Base it) : fIt(it) {}
    Ref operator*() const { return **fIt; }
    pointer operator->() const { return fIt->get(); }
    Iterador& operator++() { ++fIt; return *this; }
    Iterador operator++(int) { Iterador t = *this; ++fIt; return t; }
    Iterador& operator--() { --fIt; return *this; }
    Iterador operator--(int) { Iterador t = *this; --fIt; return t; }
    Iterador& operator+=(difference_type n) { fIt += n; return *this; }
    Iterador& operator-=(difference_type n) { fIt -= n; return *this; }
    friend Iterador operator+(Iterador a, difference_type n) { return a += n; }
    friend Iterador operator+(difference_type n, Iterador a) { return a += n; }
    friend Iterador operator-(Iterador a, difference_type n) { return a -= n; }
    friend difference_type operator-(const Iterador& a, const Iterador& b) { return a.fIt - b.fIt; }
    Ref operator[](difference_type n) const { return *fIt[n]; }
    friend bool operator==(const Iterador& a, const Iterador& b) { return a.fIt == b.fIt; }
    friend auto operator<=>(const Iterador& a, const Iterador& b) { return a.fIt <=> b.fIt; }

  private:
    Base fIt{};
  };
  using iterator = Iterador<typename std::vector<std::unique_ptr<T>>::iterator, T&>;
  using const_iterator = Iterador<typename std::vector<std::unique_ptr<T>>::const_iterator, const T&>;
  iterator begin() { return iterator(fItens.begin()); }
  iterator end() { return iterator(fItens.end()); }
  const_iterator begin() const { return const_iterator(fItens.begin()); }
  const_iterator end() const { return const_iterator(fItens.end()); }

private:
  static std::size_t Indice(int i) {
    // A negative index must not wrap round to a huge one that happens to pass at().
    return i < 0 ? static_cast<std::size_t>(-1) : static_cast<std::size_t>(i);
  }
  void CopiarDe(const TColecao& o) {
    fItens.reserve(o.fItens.size());
    for (const auto& p : o.fItens) fItens.push_back(std::make_unique<T>(*p));
  }

  std::vector<std::unique_ptr<T>> fItens;
};

}  // namespace tuim
