#pragma once
#include <type_traits>

namespace tuim {

// How a property is passed: numbers and enumerations by value, anything else by reference.
template <class T>
using TValorPropriedade = std::conditional_t<std::is_scalar_v<T>, T, const T&>;

}  // namespace tuim

// The models keep many properties that only store what they are given: each is one line, the
// getter Nome() and the setter SetNome(v) over the field fNome the class declares. A property
// whose setter does more is written out by hand.
#define TUIM_PROPRIEDADE(Tipo, Nome)                                   \
  ::tuim::TValorPropriedade<Tipo> Nome() const { return f##Nome; }    \
  void Set##Nome(::tuim::TValorPropriedade<Tipo> v) { f##Nome = v; }

// A sub-object the class owns in the field fNome, reached by reference.
#define TUIM_GRUPO(Tipo, Nome)                     \
  Tipo& Nome() { return f##Nome; }                 \
  const Tipo& Nome() const { return f##Nome; }
