#pragma once

namespace tuim {

// Makes the facade create the HTTP backends of this layer for httpWinHttp, httpWinINet and
// httpOpenSSL. Called by the component (and by programs that use the facade alone); calling it
// again does no harm.
void RegistrarTransporte();

}  // namespace tuim
