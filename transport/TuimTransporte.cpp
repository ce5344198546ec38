#include "transport/TuimTransporte.h"

#include <memory>
#include <mutex>

#include "transport/TuimDFeHttpOpenSSL.h"
#include "transport/TuimDFeHttpWinHttp.h"

namespace tuim {

void RegistrarTransporte() {
  auto windows = [](TDFeSSL& s) -> std::unique_ptr<TDFeSSLHttpClass> { return std::make_unique<TDFeHttpWinHttp>(s); };
  RegistrarClasseHttp(httpWinHttp, windows);
  RegistrarClasseHttp(httpWinINet, windows);
  RegistrarClasseHttp(httpOpenSSL,
                      [](TDFeSSL& s) -> std::unique_ptr<TDFeSSLHttpClass> { return std::make_unique<TDFeHttpOpenSSL>(s); });
}

}  // namespace tuim

namespace tuim {

namespace {
std::mutex& MutexPadrao() {
  static std::mutex m;
  return m;
}
TVerificacaoServidor& Padrao() {
  static TVerificacaoServidor v;
  return v;
}
}  // namespace

void DefinirVerificacaoServidorPadrao(const TVerificacaoServidor& v) {
  std::lock_guard<std::mutex> g(MutexPadrao());
  Padrao() = v;
}

TVerificacaoServidor VerificacaoServidorPadrao() {
  std::lock_guard<std::mutex> g(MutexPadrao());
  return Padrao();
}

bool DefinirVerificacaoServidor(TDFeSSL& ssl, const TVerificacaoServidor& v) {
  TDFeSSLHttpClass& h = ssl.SSLHttpClass();
  if (auto* w = dynamic_cast<TDFeHttpWinHttp*>(&h)) {
    w->SetVerificacaoServidor(v);
    return true;
  }
  if (auto* o = dynamic_cast<TDFeHttpOpenSSL*>(&h)) {
    o->SetVerificacaoServidor(v);
    return true;
  }
  return false;
}

bool LerVerificacaoServidor(TDFeSSL& ssl, TVerificacaoServidor& v) {
  TDFeSSLHttpClass& h = ssl.SSLHttpClass();
  if (auto* w = dynamic_cast<TDFeHttpWinHttp*>(&h)) {
    v = w->VerificacaoServidor();
    return true;
  }
  if (auto* o = dynamic_cast<TDFeHttpOpenSSL*>(&h)) {
    v = o->VerificacaoServidor();
    return true;
  }
  return false;
}

bool DefinirManterConexao(TDFeSSL& ssl, bool manter) {
  TDFeSSLHttpClass& h = ssl.SSLHttpClass();
  if (auto* w = dynamic_cast<TDFeHttpWinHttp*>(&h)) {
    if (w->ManterConexao() != manter) w->SetManterConexao(manter);
    return true;
  }
  if (auto* o = dynamic_cast<TDFeHttpOpenSSL*>(&h)) {
    if (o->ManterConexao() != manter) o->SetManterConexao(manter);
    return true;
  }
  return false;
}

}  // namespace tuim
