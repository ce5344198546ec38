#include "transport/TuimTransporte.h"

#include <memory>

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

}  // namespace tuim
