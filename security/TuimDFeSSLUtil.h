#pragma once
#include <istream>
#include <string>
#include <type_traits>

// Small text helpers of the security layer that the shared utilities do not have
// (internal to security/ and its tests).
namespace tuim::ssl {

// Digits and letters, letters upper-cased: an alphanumeric CNPJ keeps them.
std::string SomenteAlfaNumericosMaiusculos(const std::string& s);

// Size of the stream; the read position is put back at its start.
std::streamoff TamanhoStream(std::istream& s);

// Feeds the whole stream, from its start, in blocks of 32768 bytes. `alimentar` may answer
// false to stop; the result is false then.
template <typename F>
bool LerStreamEmBlocos(std::istream& s, F&& alimentar) {
  std::streamoff total = TamanhoStream(s), lidos = 0;
  std::string bloco(32768, '\0');
  bool ok = true;
  while (ok && lidos < total) {
    s.read(bloco.data(), static_cast<std::streamsize>(bloco.size()));
    std::streamsize n = s.gcount();
    if (n <= 0) break;
    const auto* p = reinterpret_cast<const unsigned char*>(bloco.data());
    if constexpr (std::is_same_v<decltype(alimentar(p, std::size_t{})), bool>)
      ok = alimentar(p, static_cast<std::size_t>(n));
    else
      alimentar(p, static_cast<std::size_t>(n));
    lidos += n;
  }
  s.clear();
  return ok;
}

}  // namespace tuim::ssl
