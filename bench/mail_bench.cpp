// Messages per second through the mail component to a loopback SMTP server, 100 KB attachment.
#include <benchmark/benchmark.h>

#include "mail/TuimMail.h"
#include "testing/ServidorSMTPTeste.h"

using namespace tuim;

namespace {

std::string Anexo() {
  std::string r(100 * 1024, '\0');
  for (std::size_t i = 0; i < r.size(); ++i) r[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
  return r;
}

void Preparar(TTuimMail& m, const teste::ServidorSMTP& s, const std::string& anexo) {
  m.SetHost("127.0.0.1");
  m.SetPort(s.PortaTexto());
  m.SetFrom("bench@tuim.test");
  m.AdicionarDestinatario("destino@tuim.test");
  m.SetSubject("Nota fiscal eletr\xF4nica");
  m.SetCorpoAlternativo({"Segue a nota fiscal em anexo."});
  m.AnexarStream(anexo, "danfe.pdf", 0);
}

void BM_EnviarComAnexo100KB(benchmark::State& state) {
  teste::ServidorSMTP s;
  const std::string anexo = Anexo();
  TTuimMail m;
  for (auto _ : state) {
    Preparar(m, s, anexo);
    m.Enviar();
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(anexo.size()));
}
BENCHMARK(BM_EnviarComAnexo100KB)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MontarMensagem100KB(benchmark::State& state) {
  const std::string anexo = Anexo();
  TTuimMail m;
  for (auto _ : state) {
    m.SetFrom("bench@tuim.test");
    m.AdicionarDestinatario("destino@tuim.test");
    m.AnexarStream(anexo, "danfe.pdf", 0);
    m.MontarMensagem();
    benchmark::DoNotOptimize(m.MensagemCodificada().size());
    m.Limpar();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MontarMensagem100KB)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
