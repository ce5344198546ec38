// TNFeR over arbitrary bytes: a document it accepts is written again by TNFeW and read once
// more, and its JSON form must read back.
#include <cstdint>
#include <string>

#include "fiscal/TuimException.h"
#include "xml/TuimNFeJson.h"
#include "xml/TuimNFeR.h"
#include "xml/TuimNFeW.h"

using namespace tuim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TNFe nfe;
  TNFeR r(&nfe);
  try {
    r.LerXML(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const ETuimDFeException&) {
    return 0;  // refused input raises by design
  }
  std::string json = NFeParaJSON(nfe);
  TNFe doJson;
  try {
    NFeDeJSON(doJson, json);
  } catch (const ETuimDFeException&) {
    __builtin_trap();  // the JSON writer made a form its own reader refuses
  }
  TNFeW w(&nfe);
  w.EscreverNFe();
  TNFe denovo;
  TNFeR r2(&denovo);
  try {
    r2.LerXML(w.Gerador().ArquivoFormatoXML());
  } catch (const ETuimDFeException&) {
  }
  return 0;
}
