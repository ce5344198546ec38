// DecodificarEntidadesXML over arbitrary text: never reads outside, never grows the text,
// and its result is trimmed.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fiscal/fscAuxiliar.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string texto(reinterpret_cast<const char*>(data), size);
  const std::string r = tuim::DecodificarEntidadesXML(texto);
  if (r.size() > texto.size()) std::abort();
  if (!r.empty() && (static_cast<unsigned char>(r.front()) <= ' ' || static_cast<unsigned char>(r.back()) <= ' '))
    std::abort();
  return 0;
}
