#pragma once
// The simulator's own test authority: a CA, the server certificate for loopback and one
// ICP-Brasil-shaped client certificate per CNPJ, made with the OpenSSL library.
#include <string>
#include <vector>

struct x509_st;

namespace tuim::sim {

// Writes ca.pem, ca.key, servidor.pem, servidor.key and CNPJ.pfx (password `senha`) into `pasta`.
// Raises std::runtime_error on failure.
void GerarCertificados(const std::string& pasta, const std::vector<std::string>& cnpjs, const std::string& senha);

// The CNPJ of an ICP-Brasil certificate: its other name 2.16.76.1.3.3, else the digits after
// the last ':' of the common name. Empty when neither is there.
std::string CNPJDoCertificado(const x509_st* cert);
// Same, from the Base64 DER text of an X509Certificate element.
std::string CNPJDoCertificadoBase64(const std::string& base64);

}  // namespace tuim::sim
