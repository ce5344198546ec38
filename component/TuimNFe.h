#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "component/TuimCatalogo.h"
#include "component/TuimConfiguracoes.h"
#include "component/TuimDFeLinks.h"
#include "fiscal/TuimComponent.h"
#include "fiscal/TuimCurrency.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimIni.h"
#include "fiscal/fscConversao.h"
#include "fiscal/fscConversaoNFe.h"
#include "security/TuimDFeSSL.h"

namespace tuim {

class TNotasFiscais;
class TEventoNFe;
class TinutNFe;
class TTuimNFe;
class TWebServices;

// The component owns its services, which live in the layer above it and build on it: that
// layer makes them and frees them, so no header of it is read here.
struct TLiberarWebServices {
  void operator()(TWebServices* servicos) const;
};
using TWebServicesDono = std::unique_ptr<TWebServices, TLiberarWebServices>;
TWebServicesDono NovoWebServices(TTuimNFe& owner);

// Holds the event list of correction letters.
class TCartaCorrecao {
public:
  TCartaCorrecao();
  ~TCartaCorrecao();
  TCartaCorrecao(const TCartaCorrecao&) = delete;
  TCartaCorrecao& operator=(const TCartaCorrecao&) = delete;
  TEventoNFe& CCe() { return *fCCe; }

private:
  std::unique_ptr<TEventoNFe> fCCe;
};

using TTuimDFeOnTransmit = std::function<void(const std::string& Dados, const std::string& URL,
                                              const std::string& SoapAction, const std::string& MimeType,
                                              std::string& Resposta, int& HTTPResultCode, int& InternalErrorCode)>;
using TTuimDFeOnTransmitError =
    std::function<void(int HttpError, int InternalError, const std::string& URL, const std::string& DadosEnviados,
                       const std::string& SoapAction, bool& Retentar, bool& Tratado)>;

enum TSituacaoNFe : std::uint8_t {
  snParado = 0,
  snStatusServico = 1,
  snRecepcao = 2,
  snRetRecepcao = 3,
  snConsulta = 4,
  snInutilizacao = 6,
  snRecibo = 7,
  snCadastro = 8,
  snEmail = 9,
  snEvento = 11,
  snAdmCSC = 14,
  snDistribuicaoDFe = 15,
  snEnvioWebService = 16,
};

// Base of the fiscal-document components: configuration, security facade, catalogue, schema
// lookup, file writing and the single error path.
class TTuimDFe : public TTuimComponent {
public:
  ~TTuimDFe() override;

  TConfiguracoes& Configuracoes() const { return *fConfiguracoes; }
  TDFeSSL& SSL() const { return *fSSL; }

  TTuimMailBase* MAIL() const { return fMAIL; }
  void SetMAIL(TTuimMailBase* v);
  TTuimIntegradorBase* Integrador() const { return fIntegrador; }
  void SetIntegrador(TTuimIntegradorBase* v);

  // Design mode: the folder getters of the configuration leave empty values empty.
  bool Designing() const { return fDesigning; }
  void SetDesigning(bool v) { fDesigning = v; }

  TTuimDFeOnTransmit OnTransmit;
  TTuimDFeOnTransmitError OnTransmitError;
  TNotifyEvent OnStatusChange;
  TTuimGravarLog OnGerarLog;
  // Kept by the facade, which calls it before each signature.
  TDFeSSLAntesDeAssinar OnAntesDeAssinar() const;
  void SetOnAntesDeAssinar(TDFeSSLAntesDeAssinar v);

  // Writes content as UTF-8 with an XML declaration into folder + name. A name is taken as
  // coming from outside (a key, an answer): it must be a bare name without "..", and goes into
  // `pasta`, else PathSalvar. Only a caller that built the whole path passes caminhoCompleto,
  // and then the folder comes from the name. The file is replaced atomically: a failed write
  // leaves the old one as it was. Failures go through TratarErro("Erro ao salvar.", ...); a
  // handled failure answers false.
  bool GravarArquivo(const std::string& nomeArquivo, const std::string& conteudo, bool conteudoUTF8,
                     const std::string& pasta = "", bool caminhoCompleto = false);

  // The line goes to OnGerarLog when it is not empty; `tratado` is what the handler says.
  void RegistrarLog(const std::string& linha, bool& tratado);
  // Offers "ERRO: " + message (+ CR LF + the error's message) to the log and raises
  // ETuimDFeException with that text unless the handler set Tratado.
  void TratarErro(const std::string& mensagem, const std::exception* erro = nullptr);

  // Finds the XSD of `schema` for `versao` (exact, else the highest below it) in PathSchemas;
  // `versao` becomes the version found (0 when none). Raises when the folder has no XSD at all.
  virtual std::string LocalizarSchema(const std::string& schema, double& versao);
  virtual std::string VersaoDoNomeSchema(const std::string& nomeArquivo) const;
  virtual std::string FormatarVersao(double versao) const;
  virtual double LerVersao(const std::string& texto) const;
  virtual std::string NomeSchemaDoServico(const std::string& servico) const { return ""; }
  virtual std::string NomeModeloDFe() const { return ""; }
  virtual std::string NameSpaceURI() const { return ""; }

  // Web-service catalogue.
  virtual void CarregarCatalogo(bool verificar = true);
  std::string LerChaveVersionada(const std::string& secao, const std::string& servico, double& versao);
  void LocalizarServico(const std::string& modelo, const std::string& uf, TfscTipoAmbiente ambiente,
                        const std::string& servico, double& versao, std::string& url, std::string& servicoNS,
                        std::string& soapAction);
  virtual std::string LocalizarURL(const std::string& modelo, const std::string& uf, TfscTipoAmbiente ambiente,
                                   const std::string& servico, double versao);
  virtual double LocalizarVersao(const std::string& modelo, const std::string& uf, TfscTipoAmbiente ambiente,
                                 const std::string& servico, double versao);
  TCatalogoServicos& Catalogo() const { return *fCatalogo; }
  bool CatalogoCarregado() const { return fCatalogoCarregado; }

  // Sends through the linked mail component; raises "Componente TuimMail n\xE3o associado" without one.
  // `documento` (may be null) is attached as `nomeDocumento`.
  virtual void EnviarPorEmail(const std::string& para, const std::string& assunto,
                              const std::vector<std::string>& mensagem, const std::vector<std::string>& cc,
                              const std::vector<std::string>& anexos, const std::string* documento,
                              const std::string& nomeDocumento, const std::vector<std::string>& replyTo);

  static constexpr const char* kSeparadorVersao = "_v";

protected:
  explicit TTuimDFe(TTuimComponent* owner);
  // Called by the most derived constructor, so CriarConfiguracoes reaches its override.
  void Inicializar();
  virtual std::unique_ptr<TConfiguracoes> CriarConfiguracoes();
  void Notification(TTuimComponent* component, TOperation operation) override;

  std::unique_ptr<TConfiguracoes> fConfiguracoes;

private:
  std::unique_ptr<TDFeSSL> fSSL;
  std::vector<std::string> fSchemas;  // XSD names of fPastaSchemas, sorted
  std::string fPastaSchemas;
  std::unique_ptr<TCatalogoServicos> fCatalogo;
  bool fCatalogoCarregado = false;
  TTuimMailBase* fMAIL = nullptr;
  TTuimIntegradorBase* fIntegrador = nullptr;
  bool fDesigning = false;
};

class TTuimNFe : public TTuimDFe {
public:
  explicit TTuimNFe(TTuimComponent* owner = nullptr);
  ~TTuimNFe() override;

  TConfiguracoesNFe& Configuracoes() const { return static_cast<TConfiguracoesNFe&>(*fConfiguracoes); }

  TTuimDANFeBase* DANFE() const { return fDANFE; }
  void SetDANFE(TTuimDANFeBase* v);  // keeps the report's back-reference in step

  TNotasFiscais& NotasFiscais() const { return *fNotasFiscais; }
  TCartaCorrecao& CartaCorrecao() const { return *fCartaCorrecao; }
  TEventoNFe& EventoNFe() const { return *fEventoNFe; }
  TinutNFe& InutNFe() const { return *fInutNFe; }
  TWebServices& WebServices() const { return *fWebServices; }

  TSituacaoNFe Status() const { return fStatus; }
  // Stores a new value and fires OnStatusChange; the current value fires nothing.
  void AlterarStatus(TSituacaoNFe v);

  static bool StatusConfirmado(int cStat);
  static bool StatusProcessado(int cStat);
  static bool StatusCancelado(int cStat);
  static bool UsaAutorizacao(TfscVersaoDF versao, TfscModeloDF modelo, int cUF);
  // Layouts up to 3.10 have no QR version; 4.00 uses the configured one, version 2 when unset.
  static TfscVersaoQrCode VersaoQRCodeEfetiva(TfscVersaoQrCode qr, TfscVersaoDF versao);

  std::string NomeSchemaDoServico(const std::string& servico) const override;
  std::string NomeModeloDFe() const override;
  std::string NameSpaceURI() const override;

  std::string CaminhoSchemaLayout(TfscLayOut layout, double versao);
  // nfe_v4.00.xsd of the configured schema package: in PathSchemas' subfolder named after the
  // package when there is one, else in PathSchemas itself.
  std::string CaminhoSchemaNFe();
  // Checks a written NF-e against the configured package. A document holding reform groups is
  // refused for PL_009_V4 with a message naming the group, before any schema is read.
  bool ValidarNFe(const std::string& xml, std::string& mensagemErro);
  std::string CaminhoSchemaEvento(TSchemaNFe schema, double versao);

  void EnviarPorEmail(const std::string& para, const std::string& assunto, const std::vector<std::string>& mensagem,
                      const std::vector<std::string>& cc, const std::vector<std::string>& anexos,
                      const std::string* documento, const std::string& nomeDocumento,
                      const std::vector<std::string>& replyTo) override;

  // NFC-e addresses and QR-code text.
  std::string URLConsultaNFCe(int cUF, TfscTipoAmbiente ambiente, double versaoDF);
  std::string URLQRCode(int cUF, TfscTipoAmbiente ambiente, const std::string& chave, const std::string& destinatario,
                        TDateTime dhEmi, TCurrency vNF, TCurrency vICMS, const std::string& digestValue,
                        double versaoDF);
  // QR code version 3. Online (emission type other than 9 in the key): key|3|tpAmb, no token, no
  // hash. Offline: key|3|tpAmb|day|vNF|tp_idDest|cDest|signature, the signature being the
  // Base64 RSA-SHA1 of the first seven parameters (joined by "|") with the configured
  // certificate. tp_idDest is 1 for a CNPJ, 2 for a CPF (written as 14 digits, the length the
  // schema takes), 3 for a foreign buyer, whose cDest stays empty; both empty without a buyer.
  std::string URLQRCodeV3(int cUF, TfscTipoAmbiente ambiente, const std::string& chave, TDateTime dhEmi,
                          TCurrency vNF, const std::string& documentoDestinatario, bool destinatarioEstrangeiro);
  // The first seven parameters of the offline text, without a trailing "|".
  static std::string ParametrosQRCodeV3(const std::string& chave, TfscTipoAmbiente ambiente, TDateTime dhEmi,
                                        TCurrency vNF, const std::string& documentoDestinatario,
                                        bool destinatarioEstrangeiro);

  // Catalogue lookups for a layout with the configured model, state, environment and version.
  void LocalizarServicoLayout(TfscLayOut layout, double& versao, std::string& soapAction, std::string& servicoNS,
                              std::string& url);
  std::string VersaoServicoLayout(TfscLayOut layout);

protected:
  std::unique_ptr<TConfiguracoes> CriarConfiguracoes() override;
  void Notification(TTuimComponent* component, TOperation operation) override;

private:
  TTuimDANFeBase* fDANFE = nullptr;
  TSituacaoNFe fStatus = snParado;
  std::unique_ptr<TNotasFiscais> fNotasFiscais;
  std::unique_ptr<TCartaCorrecao> fCartaCorrecao;
  std::unique_ptr<TEventoNFe> fEventoNFe;
  std::unique_ptr<TinutNFe> fInutNFe;
  TWebServicesDono fWebServices;
};

}  // namespace tuim
