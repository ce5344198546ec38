#pragma once
#include "security/TuimDFeSSL.h"
#include "transport/TuimDFeHttpWinHttp.h"

namespace tuim {

// Makes the facade create the HTTP backends of this layer for httpWinHttp, httpWinINet and
// httpOpenSSL. Called by the component (and by programs that use the facade alone); calling it
// again does no harm.
void RegistrarTransporte();

// The check every HTTP backend of this layer starts with (by default: verify against the system's
// authorities). A host that talks to servers of another hierarchy (ICP-Brasil) names its bundle
// here once instead of on every facade.
void DefinirVerificacaoServidorPadrao(const TVerificacaoServidor& v);
TVerificacaoServidor VerificacaoServidorPadrao();

// Sets how the facade's current HTTP backend checks server certificates (kept by the send
// thread's copies). False when the backend is not one of this layer.
bool DefinirVerificacaoServidor(TDFeSSL& ssl, const TVerificacaoServidor& v);
// The check of the facade's current HTTP backend; false (and `v` untouched) when the backend is
// not one of this layer.
bool LerVerificacaoServidor(TDFeSSL& ssl, TVerificacaoServidor& v);

// Whether the facade's current HTTP backend keeps its connection open between sends (reopened
// when the peer closed it); false when the backend is not one of this layer.
bool DefinirManterConexao(TDFeSSL& ssl, bool manter);

}  // namespace tuim
