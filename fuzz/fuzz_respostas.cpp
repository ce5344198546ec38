// The answer readers over arbitrary text, and docZip contents of arbitrary bytes.
#include <cstdint>
#include <string>

#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "services/TuimRetDistDFeInt.h"
#include "services/TuimRetornosNFe.h"

using namespace tuim;

namespace {

template <class T>
void Ler(const std::string& texto) {
  T r;
  r.Leitor().SetArquivo(texto);
  (void)r.LerResposta();
}

void Distribuicao(const std::string& texto) {
  TRetDistDFeInt r;
  r.Leitor().SetArquivo(texto);
  try {
    (void)r.LerResposta();
  } catch (const ETuimDFeException&) {
    // corrupt contents reach the caller by design
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string texto(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 10) {
    case 0: Ler<TRetConsStatServ>(texto); break;
    case 1: Ler<TretEnvNFe>(texto); break;
    case 2: Ler<TRetConsReciDFe>(texto); break;
    case 3: Ler<TRetConsSitNFe>(texto); break;
    case 4: Ler<TRetConsCad>(texto); break;
    case 5: Ler<TRetInutNFe>(texto); break;
    case 6: Ler<TRetAdmCSCNFCe>(texto); break;
    case 7: Distribuicao(texto); break;
    case 8:
      // The bytes as the compressed data of one docZip.
      Distribuicao("<retDistDFeInt versao=\"1.01\"><cStat>138</cStat><loteDistDFeInt><docZip NSU=\"1\" "
                   "schema=\"resNFe_v1.01.xsd\">" + CodificarBase64(texto) + "</docZip></loteDistDFeInt></retDistDFeInt>");
      break;
    default:
      try {
        (void)DescompactarDocZip(texto);
      } catch (const ETuimDFeException&) {
      }
      break;
  }
  return 0;
}
