#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "security/TuimDFeSSL.h"
#include "security/TuimPKCS11.h"

namespace tuim {

// The certificate-selection dialog, offered by the host (a Qt dialog, a prompt on the command
// line): answers the index of the chosen record of `certificados`, or -1 when none was chosen.
using TSelecaoCertificado = std::function<int(const std::string& titulo, const std::string& prompt,
                                              const TListaCertificados& certificados)>;
// Process-wide; an empty function removes it (SelecionarCertificado then says "not supported").
void DefinirSelecaoCertificado(TSelecaoCertificado selecao);

// Crypto backend of the Windows certificate services, over our platform layer: the store is
// the certificates on the PKCS#11 tokens (keys there are tcA3), PKCS#12 data is imported into
// a temporary store (keys in software, tcA1). Precedence: DadosPFX, ArquivoPFX, NumeroSerie.
class TDFeWinCrypt : public TDFeSSLCryptClass {
public:
  explicit TDFeWinCrypt(TDFeSSL& dfeSSL);
  ~TDFeWinCrypt() override;

  std::string ClassName() const override { return "TDFeWinCrypt"; }

  const TContextoCertificado* ContextoCertificado() override;
  std::string DadosPFXCertificado() override;
  std::string CalcHash(std::istream& stream, TSSLDgst digest, bool assinatura) override;
  bool ValidarHash(std::istream& stream, TSSLDgst digest, const std::string& hash,
                   bool assinatura) override;
  void AbrirCertificado() override;
  void FecharCertificado() override;
  std::string SelecionarCertificado() override;
  void LerCertificadosStore() override;
  bool CarregarCertificadoPublico(const std::string& certificadoX509) override;

  // Serial as the Windows services give it: the integer's encoded content bytes (a leading
  // zero byte included), most significant first, two upper-case hexadecimal digits each.
  static std::string SerieDe(x509_st* cert);
  // Fills `dados` from the certificate; with `tipo` also TipoCertificado.
  static void LerDadosCertificado(x509_st* cert, TDadosCertificado& dados,
                                  std::optional<TTipoCertificado> tipo = std::nullopt);

  // Judges the token's answer to a PIN: true when set; a wrong or locked PIN raises, other codes
  // raise only with `levantarErros`.
  static bool JulgarStatusPIN(unsigned long codigo, bool levantarErros);
  // How many open certificates rely on the PIN set on `token` in this process (0: none).
  static int UsosPINToken(const std::string& token);
  // Identity of the token of the open certificate (empty for software keys).
  std::string TokenCertificado() const;

private:
  void AbrirStoreSistema();
  void ImportarPFX(const std::string& dados);
  bool DefinirPIN(const std::string& pin, bool levantarErros);
  void RegistrarUsoPIN();

  std::unique_ptr<plataforma::TStore> fStore;
  std::optional<plataforma::TCertificadoPlataforma> fCertificado;  // the certificate context
  std::string fCachePFX;
  std::string fTokenPIN;  // token whose PIN use this object counts
  plataforma::TChave fChaveContexto;
  TContextoCertificado fContexto;
  bool fTemContexto = false;
};

}  // namespace tuim
