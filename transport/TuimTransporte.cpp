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
