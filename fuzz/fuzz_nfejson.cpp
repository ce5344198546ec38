// NFeDeJSON over arbitrary text: a document it accepts is written as XML and as JSON, and
// that JSON must read back.
#include <cstdint>
#include <string>

#include "fiscal/TuimException.h"
#include "xml/TuimNFeJson.h"
#include "xml/TuimNFeW.h"

using namespace tuim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TNFe nfe;
  try {
    NFeDeJSON(nfe, std::string(reinterpret_cast<const char*>(data), size));
  } catch (const ETuimDFeException&) {
    return 0;  // strict reading raises by design
  }
  TNFeW w(&nfe);
  w.EscreverNFe();
  TNFe denovo;
  try {
    NFeDeJSON(denovo, NFeParaJSON(nfe));
  } catch (const ETuimDFeException&) {
    __builtin_trap();  // the JSON writer made a form its own reader refuses
  }
  return 0;
}
