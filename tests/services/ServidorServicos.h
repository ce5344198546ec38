#pragma once
// The services' tests against the loopback HTTPS server of testing/ServidorRespostas.h.
#include <string>

#include "component/TuimNFe.h"
#include "testing/ServidorRespostas.h"
#include "transport/TuimTransporte.h"

namespace tuim::teste {

// The shared server; from its first use on, the process's default server check trusts the test CA.
inline TServidorRespostas& ServidorServicos() {
  static TServidorRespostas& s = [] () -> TServidorRespostas& {
    TServidorRespostas& r = ServidorRespostas();
    TVerificacaoServidor v;
    v.ArquivoCA = Certificado("ca.pem");
    DefinirVerificacaoServidorPadrao(v);
    return r;
  }();
  return s;
}

// The component as the test company in MT homologation, OpenSSL throughout, files under `pasta`;
// what it saves is left to the test.
inline void ConfigurarComponente(TTuimNFe& nfe, const std::string& pasta) {
  auto& c = nfe.Configuracoes();
  c.Geral().SetSSLCryptLib(cryOpenSSL);
  c.Geral().SetSSLHttpLib(httpOpenSSL);
  c.Geral().SetSSLXmlSignLib(xsLibXml2);
  c.Geral().SetModeloDF(moNFe);
  c.Geral().SetVersaoDF(ve400);
  c.WebServices().SetUF("MT");
  c.WebServices().SetAmbiente(taHomologacao);
  c.WebServices().SetTimeOut(15000);
  c.Certificados().SetArquivoPFX(Certificado("empresa.pfx"));
  c.Certificados().SetSenha("1234");
  c.Arquivos().SetPathSalvar(pasta);
  c.Arquivos().SetPathSchemas(TUIM_SCHEMAS_DIR);
}

}  // namespace tuim::teste
