// TLeitor over arbitrary text: groups by level and occurrence, fields of every kind, attributes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "fiscal/TuimException.h"
#include "xml/TuimLeitor.h"

using namespace tuim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider fdp(data, size);
  std::string tag1 = fdp.ConsumeRandomLengthString(12);
  std::string tag2 = fdp.ConsumeRandomLengthString(12);
  std::string campo = fdp.ConsumeRandomLengthString(12);
  std::string parada = fdp.ConsumeRandomLengthString(8);
  int ocorrencia = fdp.ConsumeIntegralInRange(-1, 4);
  int nivel = fdp.ConsumeIntegralInRange(-1, 12);

  TLeitor l;
  l.SetArquivo(fdp.ConsumeRemainingBytesAsString());
  l.ExtrairGrupo(1, tag1, "", ocorrencia);
  l.ExtrairGrupo(2, tag2, tag1, 1);
  l.ExtrairGrupo(nivel, campo, "", ocorrencia);
  if (l.Grupo().empty()) l.SetGrupo(l.Arquivo());

  for (int k = fcTexto; k <= fcDataHoraCompacta; ++k) {
    try {
      TValorCampo v = l.LerCampo(static_cast<TFormatoCampo>(k), campo, parada);
      (void)v.AsString();
      (void)v.AsInt64();
      (void)v.AsDouble();
      (void)v.AsCurrency();
    } catch (const ETuimDFeException&) {
      // unreadable kinds and malformed dates raise by design
    }
  }
  (void)l.LerCampoCNPJCPF(parada);
  (void)l.LerAtributo(campo, tag2).AsString();
  (void)l.LerAtributo(campo + "=").AsString();
  return 0;
}
