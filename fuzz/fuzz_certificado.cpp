// Certificate data from arbitrary DER (the alternative-name other names above all) and the
// holder/authority derivations from arbitrary names: nothing reads outside its input.
#include <openssl/x509.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "security/TuimDFeOpenSSL.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const unsigned char* p = data;
  if (X509* cert = d2i_X509(nullptr, &p, static_cast<long>(size))) {
    tuim::TDadosCertificado d;
    tuim::TDFeOpenSSL::LerDadosCertificado(cert, d);
    if (d.CNPJTitular().size() > 14) std::abort();
    X509_free(cert);
  }
  const std::string texto(reinterpret_cast<const char*>(data), size);
  tuim::TDadosCertificado d;
  d.SetSubjectName(texto);
  d.SetIssuerName(texto);
  if (d.Titular().size() > texto.size() || d.Autoridade().size() > texto.size()) std::abort();
  return 0;
}
