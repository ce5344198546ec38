#pragma once
#include <string>

#include "security/TuimDFeSSL.h"

namespace tuim {

// Loads libcrypto's "legacy" and "default" providers once per process: most certificate files in
// use are RC2-40/3DES PKCS#12, which OpenSSL 3 refuses with the default provider alone.
void CarregarProvedoresOpenSSL();

// Crypto backend on OpenSSL's libcrypto: certificate and key from PKCS#12 data (file or
// memory), digests and RSA PKCS#1 v1.5 signatures. It has no certificate store.
class TDFeOpenSSL : public TDFeSSLCryptClass {
public:
  explicit TDFeOpenSSL(TDFeSSL& dfeSSL);
  ~TDFeOpenSSL() override;

  std::string ClassName() const override { return "TDFeOpenSSL"; }

  const TContextoCertificado* ContextoCertificado() override;
  std::string CalcHash(std::istream& stream, TSSLDgst digest, bool assinatura) override;
  bool ValidarHash(std::istream& stream, TSSLDgst digest, const std::string& hash, bool assinatura) override;
  void AbrirCertificado() override;
  void FecharCertificado() override;
  bool CarregarCertificadoPublico(const std::string& certificadoX509) override;

  // libcrypto's name of each digest ("sha1", "sha256"...).
  static std::string NomeDigest(TSSLDgst digest);

  // Fills `dados` from a DER or loaded certificate (the record is cleared first).
  static void LerDadosCertificado(x509_st* cert, TDadosCertificado& dados);
  // CNPJ (2.16.76.1.3.3) or, failing that, CPF (2.16.76.1.3.1) from the ICP-Brasil other names
  // of the subject-alternative-name extension; empty when there is none.
  static std::string CNPJDasExtensoes(x509_st* cert);

private:
  bool LerPFX(const std::string& dados, bool& semChave);
  void LiberarChaves();

  evp_pkey_st* fChave = nullptr;
  x509_st* fCertificado = nullptr;
  std::vector<x509_st*> fCadeia;
  TContextoCertificado fContexto;
  bool fTemContexto = false;
  // The last certificate a signature brought, kept across closes: documents checked one after
  // another mostly come from the same issuer, and decoding its key is most of a load.
  std::string fDerPublico;
  x509_st* fPublico = nullptr;
  TDadosCertificado fDadosPublico;
};

}  // namespace tuim
