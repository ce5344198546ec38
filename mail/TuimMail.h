#pragma once
#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "component/TuimDFeLinks.h"
#include "fiscal/TuimException.h"

namespace tuim {

enum TMessPriority : std::uint8_t { MP_unknown, MP_low, MP_normal, MP_high };

// Stages of one send, in the order they are reported; pmsSendReplyTo is never reported.
enum TMailStatus : std::uint8_t {
  pmsStartProcess,
  pmsConfigHeaders,
  pmsAddingMimeParts,
  pmsLoginSMTP,
  pmsStartSends,
  pmsSendTo,
  pmsSendCC,
  pmsSendBCC,
  pmsSendReplyTo,
  pmsSendData,
  pmsLogoutSMTP,
  pmsDone,
  pmsError
};

// Character sets a message can be held in or sent in.
enum TMimeChar : std::uint8_t { ISO_8859_1, ISO_8859_2, ISO_8859_15, CP850, CP1250, CP1252, UTF_8, KOI8_R };

// MIME name of the character set ("UTF-8", "windows-1252", ...).
std::string MimeCharParaTexto(TMimeChar c);
std::string MailStatusParaTexto(TMailStatus s);  // "pmsStartProcess" ...

// Text from one character set to another; a character the target lacks becomes '?'.
std::string ConverterCharset(const std::string& texto, TMimeChar de, TMimeChar para);

class ETuimMailException : public ETuimDFeException {
public:
  using ETuimDFeException::ETuimDFeException;
};

class TMailAttachment {
public:
  std::string NomeArquivo;  // file name shown to the receiver
  std::string Descricao;    // also the content identifier of an inline image
  std::string Conteudo;     // the bytes
  int Disposicao = 1;       // 0 attachment, 1 inline
};

// The header data that Limpar resets and Assign copies.
struct TMailHeader {
  std::vector<std::string> ToList;
  std::vector<std::string> CCList;
  std::vector<std::string> CustomHeaders;  // whole lines, "Name: value"
  std::string Organization;
  std::string XMailer;
  TMessPriority Priority = MP_unknown;
};

class TTuimMail;
using TTuimOnMailProcess = std::function<void(const TTuimMail& AMail, TMailStatus aStatus)>;
using TTuimOnMailException = std::function<void(const TTuimMail& AMail, const std::exception& E, bool& ThrowIt)>;

// Sends one e-mail message at a time over SMTP (implicit TLS, STARTTLS, authentication),
// optionally on a background thread.
class TTuimMail : public TTuimMailBase {
public:
  explicit TTuimMail(TTuimComponent* owner = nullptr);
  ~TTuimMail() override;

  const std::string& Host() const { return fHost; }
  void SetHost(const std::string& v) { fHost = v; }
  const std::string& Port() const { return fPort; }
  void SetPort(const std::string& v) { fPort = v; }
  const std::string& Username() const { return fUsername; }
  void SetUsername(const std::string& v) { fUsername = v; }
  std::string Password() const;
  void SetPassword(const std::string& v);  // held scrambled
  bool SetSSL() const { return fSetSSL; }
  void SetSetSSL(bool v) { fSetSSL = v; }
  bool SetTLS() const { return fSetTLS; }
  void SetSetTLS(bool v) { fSetTLS = v; }
  TMessPriority Priority() const { return fPriority; }
  void SetPriority(TMessPriority v) { fPriority = v; }
  bool ReadingConfirmation() const { return fReadingConfirmation; }
  void SetReadingConfirmation(bool v) { fReadingConfirmation = v; }
  bool DeliveryConfirmation() const { return fDeliveryConfirmation; }
  void SetDeliveryConfirmation(bool v) { fDeliveryConfirmation = v; }
  bool IsHTML() const { return fIsHTML; }
  void SetIsHTML(bool v) { fIsHTML = v; }
  bool UseThread() const { return fUseThread; }
  void SetUseThread(bool v) { fUseThread = v; }
  int TimeOut() const { return fTimeOut; }
  void SetTimeOut(int ms) { fTimeOut = ms; }
  // What a send waits for the server: TimeOut, or a finite default when it is 0.
  static constexpr int kTimeOutPadrao = 60000;
  int TimeOutEfetivo() const { return fTimeOut > 0 ? fTimeOut : kTimeOutPadrao; }
  std::uint8_t Attempts() const { return fAttempts; }
  void SetAttempts(std::uint8_t v) { fAttempts = v < 1 ? 1 : v; }  // below 1 is stored as 1
  const std::string& From() const { return fFrom; }
  void SetFrom(const std::string& v) { fFrom = v; }
  const std::string& FromName() const { return fFromName; }
  void SetFromName(const std::string& v) { fFromName = v; }
  const std::string& Subject() const { return fSubject; }
  void SetSubject(const std::string& v) override { fSubject = v; }
  TMimeChar DefaultCharset() const { return fDefaultCharset; }
  void SetDefaultCharset(TMimeChar v) { fDefaultCharset = v; }
  TMimeChar IDECharset() const { return fIDECharset; }
  void SetIDECharset(TMimeChar v) { fIDECharset = v; }

  // Server certificate checks (not in the original property set): on by default, against the
  // system's trusted authorities or CAFile when given.
  bool VerificarCertificado() const { return fVerificarCertificado; }
  void SetVerificarCertificado(bool v) { fVerificarCertificado = v; }
  const std::string& CAFile() const { return fCAFile; }
  void SetCAFile(const std::string& v) { fCAFile = v; }

  TNotifyEvent OnBeforeMailProcess;
  TTuimOnMailProcess OnMailProcess;
  TNotifyEvent OnAfterMailProcess;
  TTuimOnMailException OnMailException;
  // Log path: every send's outcome, "ERRO: " + message for a failure (background sends too).
  TTuimGravarLog OnGerarLog;

  // Message state.
  TMailHeader& Header() { return fHeader; }
  const TMailHeader& Header() const { return fHeader; }
  const std::vector<std::string>& To() const { return fHeader.ToList; }
  const std::vector<std::string>& CC() const { return fHeader.CCList; }
  std::vector<std::string>& BCC() { return fBCC; }
  const std::vector<std::string>& BCC() const { return fBCC; }
  std::vector<std::string>& ReplyTo() { return fReplyTo; }
  const std::vector<std::string>& ReplyTo() const { return fReplyTo; }
  std::vector<std::string>& Corpo() { return fCorpo; }
  const std::vector<std::string>& Corpo() const { return fCorpo; }
  std::vector<std::string>& CorpoAlternativo() { return fCorpoAlternativo; }
  const std::vector<std::string>& CorpoAlternativo() const { return fCorpoAlternativo; }
  void SetCorpo(const std::vector<std::string>& linhas) override { fCorpo = linhas; }
  void SetCorpoAlternativo(const std::vector<std::string>& linhas) override { fCorpoAlternativo = linhas; }
  const std::vector<TMailAttachment>& Anexos() const { return fAnexos; }
  const std::string& UltimoErro() const { return fUltimoErro; }
  // The message as last built for DATA (CR LF lines, not dot-stuffed).
  const std::string& MensagemCodificada() const { return fMensagemCodificada; }

  void AdicionarDestinatario(const std::string& endereco, const std::string& nome = "") override;
  void AdicionarCopia(const std::string& endereco, const std::string& nome = "") override;
  void AdicionarResponderPara(const std::string& endereco, const std::string& nome = "") override;
  void AnexarArquivo(const std::string& caminho, const std::string& descricao = "", int disposicao = 0) override;
  void AnexarStream(const std::string& conteudo, const std::string& nome, int disposicao = 0) override;
  // The whole stream from its start; a null stream fails with "Add Attachment: Access Violation.".
  void AnexarStream(std::istream* stream, const std::string& nome, int disposicao = 0);
  void LimparAnexos() override { fAnexos.clear(); }
  void Limpar() override;
  void Enviar() override;
  // Copies every setting, the handlers and the message.
  void Assign(const TTuimComponent* origem);

  // Builds the message for DATA as a send does (events included), without sending it.
  void MontarMensagem();

  // How background sends run their event handlers on the main thread: the function must run
  // the call there and return when it has run. Without one the handlers run on the worker.
  using TSincronizador = std::function<void(const std::function<void()>& chamada)>;
  static void DefinirSincronizador(TSincronizador s);
  // Waits until every background send has finished; false when timeoutMs (>= 0) ran out.
  static bool AguardarEnviosEmSegundoPlano(int timeoutMs = -1);
  static int EnviosEmSegundoPlano();
  // Background sends started by this component and still running; the destructor waits for them.
  int EnviosPendentes() const;

private:
  void EnviarSincrono();
  void EnviarEmSegundoPlano();
  void Falhar(const std::string& mensagem);
  void Reportar(TMailStatus s) const;
  void RegistrarLog(const std::string& linha) const;
  // The first field holding CR, LF or NUL ("From", "Subject", ...); empty when none does.
  std::string CampoComQuebra() const;
  void AdicionarLinhas(std::vector<std::string>& lista, const std::string& endereco, const std::string& nome);

  std::string fHost;
  std::string fPort = "25";
  std::string fUsername;
  std::string fPassword;  // scrambled with fChavePassword
  std::string fChavePassword;
  bool fSetSSL = false;
  bool fSetTLS = false;
  TMessPriority fPriority = MP_normal;
  bool fReadingConfirmation = false;
  bool fDeliveryConfirmation = false;
  bool fIsHTML = false;
  bool fUseThread = false;
  int fTimeOut = 0;
  std::uint8_t fAttempts = 3;
  std::string fFrom;
  std::string fFromName;
  std::string fSubject;
  TMimeChar fDefaultCharset = UTF_8;
  TMimeChar fIDECharset = CP1252;
  bool fVerificarCertificado = true;
  std::string fCAFile;

  TMailHeader fHeader;
  std::vector<std::string> fBCC;
  std::vector<std::string> fReplyTo;
  std::vector<std::string> fCorpo;
  std::vector<std::string> fCorpoAlternativo;
  std::vector<TMailAttachment> fAnexos;
  std::string fUltimoErro;
  std::string fMensagemCodificada;
  // Shared with this component's background sends, so that it can wait for them.
  struct TEnviosDoComponente;
  std::shared_ptr<TEnviosDoComponente> fEnvios;
};

}  // namespace tuim
