#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fiscal/TuimComponent.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimIni.h"
#include "fiscal/fscAuxiliar.h"
#include "fiscal/fscConversao.h"
#include "fiscal/fscConversaoNFe.h"
#include "fiscal/fscConversaoReforma.h"
#include "security/TuimDFeSSL.h"

namespace tuim {

class TTuimDFe;
class TConfiguracoes;

// Shortcut that names one combination of the three library choices.
enum TSSLLib : std::uint8_t { libNone, libOpenSSL, libCapicom, libCapicomDelphiSoap, libWinCrypt, libCustom };

enum TTagOrdenacaoPath : std::uint8_t { opNenhum, opCNPJ, opModelo, opData, opLiteral };
// "(nenhum)", "CNPJ", "Modelo", "Data", "Literal".
std::string TagOrdenacaoPathParaNome(TTagOrdenacaoPath v);

// Common part of the five nodes: owned by the root, which they reach back to.
class TConfiguracaoNo : public TTuimComponent {
public:
  TConfiguracaoNo(TConfiguracoes* root, const std::string& name);
  TConfiguracoes& Root() const { return *fRoot; }

protected:
  // The root's owner component, or nothing.
  TTuimDFe* Dono() const;
  // The owner's security facade, or nothing: forwarded values go there.
  TDFeSSL* SSL() const;
  // Records a changed value and forwards it to the facade through `set`.
  template <typename T, typename S>
  void Repassar(T& campo, const T& v, void (TDFeSSL::*set)(S)) {
    if (v == campo) return;
    campo = v;
    if (TDFeSSL* ssl = SSL()) (ssl->*set)(v);
  }

private:
  TConfiguracoes* fRoot;
};

class TGeralConf : public TConfiguracaoNo {
public:
  explicit TGeralConf(TConfiguracoes* root);

  TSSLLib SSLLib() const { return fSSLLib; }
  void SetSSLLib(TSSLLib v);  // sets the three choices below from the shortcut table
  TSSLCryptLib SSLCryptLib() const { return fSSLCryptLib; }
  void SetSSLCryptLib(TSSLCryptLib v);  // forwarded; recomputes SSLLib
  TSSLHttpLib SSLHttpLib() const { return fSSLHttpLib; }
  void SetSSLHttpLib(TSSLHttpLib v);  // forwarded; recomputes SSLLib
  TSSLXmlSignLib SSLXmlSignLib() const { return fSSLXmlSignLib; }
  void SetSSLXmlSignLib(TSSLXmlSignLib v);  // forwarded; recomputes SSLLib

  TfscTipoEmissao FormaEmissao() const { return fFormaEmissao; }
  void SetFormaEmissao(TfscTipoEmissao v) { fFormaEmissao = v; }
  int FormaEmissaoCodigo() const;
  bool Salvar() const { return fSalvar; }
  void SetSalvar(bool v) { fSalvar = v; }
  bool ExibirErroSchema() const { return fExibirErroSchema; }
  void SetExibirErroSchema(bool v) { fExibirErroSchema = v; }
  // The stored text, or the default template when it holds none of the five placeholders.
  std::string FormatoAlerta() const;
  void SetFormatoAlerta(const std::string& v) { fFormatoAlerta = v; }
  bool RetirarAcentos() const { return fRetirarAcentos; }
  void SetRetirarAcentos(bool v) { fRetirarAcentos = v; }
  bool RetirarEspacos() const { return fRetirarEspacos; }
  void SetRetirarEspacos(bool v) { fRetirarEspacos = v; }
  bool IdentarXML() const { return fIdentarXML; }
  void SetIdentarXML(bool v) { fIdentarXML = v; }
  bool ValidarDigest() const { return fValidarDigest; }
  void SetValidarDigest(bool v) { fValidarDigest = v; }

  // Sets SSLLib to the table row matching the three choices, libCustom when none does.
  void DeduzirSSLLib();

  virtual void CopiarDe(const TGeralConf& src);
  virtual void SalvarIni(TTuimIni& ini) const;
  virtual void CarregarIni(const TTuimIni& ini);

  static const char* const kFormatoAlertaPadrao;

private:
  TSSLLib fSSLLib = libNone;
  TSSLCryptLib fSSLCryptLib = cryNone;
  TSSLHttpLib fSSLHttpLib = httpNone;
  TSSLXmlSignLib fSSLXmlSignLib = xsNone;
  bool fDeduzindo = false;  // SSLLib is setting the three choices itself
  TfscTipoEmissao fFormaEmissao = teNormal;
  bool fSalvar = true;
  bool fExibirErroSchema = true;
  std::string fFormatoAlerta;
  bool fRetirarAcentos = true;
  bool fRetirarEspacos = true;
  bool fIdentarXML = false;
  bool fValidarDigest = true;
};

class TGeralConfNFe : public TGeralConf {
public:
  explicit TGeralConfNFe(TConfiguracoes* root);

  TfscModeloDF ModeloDF() const { return fModeloDF; }
  void SetModeloDF(TfscModeloDF v);  // also sets ModeloDFCodigo
  int ModeloDFCodigo() const { return fModeloDFCodigo; }
  TfscVersaoDF VersaoDF() const { return fVersaoDF; }
  void SetVersaoDF(TfscVersaoDF v) { fVersaoDF = v; }
  bool AtualizarXMLCancelado() const { return fAtualizarXMLCancelado; }
  void SetAtualizarXMLCancelado(bool v) { fAtualizarXMLCancelado = v; }
  const std::string& IdCSC() const { return fIdCSC; }
  void SetIdCSC(const std::string& v);  // stored as a six-digit zero-padded number
  const std::string& CSC() const { return fCSC; }
  void SetCSC(const std::string& v);  // trimmed
  TfscVersaoQrCode VersaoQRCode() const { return fVersaoQRCode; }
  void SetVersaoQRCode(TfscVersaoQrCode v) { fVersaoQRCode = v; }
  bool CamposFatObrigatorios() const { return fCamposFatObrigatorios; }
  void SetCamposFatObrigatorios(bool v) { fCamposFatObrigatorios = v; }
  TForcarGeracaoTag ForcarGerarTagRejeicao938() const { return fForcarGerarTagRejeicao938; }
  void SetForcarGerarTagRejeicao938(TForcarGeracaoTag v) { fForcarGerarTagRejeicao938 = v; }
  // The schema package of the documents (PL_009_V4 or PL_010e_NT2025.002_v1.01): validation and
  // the writer's limits follow it. INI key "PacoteSchemas", written only when not the default.
  TfscPacoteSchemas PacoteSchemas() const { return fPacoteSchemas; }
  void SetPacoteSchemas(TfscPacoteSchemas v) { fPacoteSchemas = v; }

  // The common values, and the NF-e ones when `src` is an NF-e node too.
  void CopiarDe(const TGeralConf& src) override;
  void SalvarIni(TTuimIni& ini) const override;
  void CarregarIni(const TTuimIni& ini) override;

private:
  TfscModeloDF fModeloDF = moNFe;
  int fModeloDFCodigo = 55;
  TfscVersaoDF fVersaoDF = ve400;
  bool fAtualizarXMLCancelado = false;
  std::string fIdCSC;
  std::string fCSC;
  // Version 3 for new configurations; states that still ask for version 2 set it.
  TfscVersaoQrCode fVersaoQRCode = veqr300;
  bool fCamposFatObrigatorios = true;
  TForcarGeracaoTag fForcarGerarTagRejeicao938 = fgtNunca;
  TfscPacoteSchemas fPacoteSchemas = psPL009V4;
};

class TDownloadConf {
public:
  const std::string& PathDownload() const { return fPathDownload; }
  void SetPathDownload(const std::string& v) { fPathDownload = v; }
  bool SepararPorNome() const { return fSepararPorNome; }
  void SetSepararPorNome(bool v) { fSepararPorNome = v; }
  void CopiarDe(const TDownloadConf& src) {
    fPathDownload = src.fPathDownload;
    fSepararPorNome = src.fSepararPorNome;
  }

private:
  std::string fPathDownload;
  bool fSepararPorNome = false;
};

struct TOrdenacaoPathItem {
  TTagOrdenacaoPath Item = opNenhum;
  std::string DisplayName() const { return TagOrdenacaoPathParaNome(Item); }
};

// The explicit order of folder levels; MontarPath fills it when it is empty.
class TOrdenacaoPath {
public:
  int Count() const { return static_cast<int>(fItems.size()); }
  bool Empty() const { return fItems.empty(); }
  TOrdenacaoPathItem& Items(int i) { return fItems.at(i); }
  const TOrdenacaoPathItem& Items(int i) const { return fItems.at(i); }
  TOrdenacaoPathItem& Add(TTagOrdenacaoPath item = opNenhum) {
    fItems.push_back({item});
    return fItems.back();
  }
  void Clear() { fItems.clear(); }
  std::vector<TTagOrdenacaoPath> Tags() const;

private:
  std::vector<TOrdenacaoPathItem> fItems;
};

class TArquivosConf : public TConfiguracaoNo {
public:
  explicit TArquivosConf(TConfiguracoes* root);

  // Empty stored values read as the program folder + "Docs/" or + "Schemas/" when the root has
  // an owner that is not being designed; both come back with a trailing separator.
  std::string PathSalvar();
  void SetPathSalvar(const std::string& v) { fPathSalvar = v; }
  std::string PathSchemas();
  void SetPathSchemas(const std::string& v) { fPathSchemas = v; }
  // Empty reads as the program folder + RecursoServicos + ".ini" under the same condition.
  std::string IniServicos();
  void SetIniServicos(const std::string& v) { fIniServicos = v; }
  bool Salvar() const { return fSalvar; }
  void SetSalvar(bool v) { fSalvar = v; }
  bool AdicionarLiteral() const { return fAdicionarLiteral; }
  void SetAdicionarLiteral(bool v) { fAdicionarLiteral = v; }
  bool SepararPorCNPJ() const { return fSepararPorCNPJ; }
  void SetSepararPorCNPJ(bool v) { fSepararPorCNPJ = v; }
  bool SepararPorModelo() const { return fSepararPorModelo; }
  void SetSepararPorModelo(bool v) { fSepararPorModelo = v; }
  TOrdenacaoPath& OrdenacaoPath() { return fOrdenacaoPath; }
  const TOrdenacaoPath& OrdenacaoPath() const { return fOrdenacaoPath; }
  bool SepararPorAno() const { return fSepararPorAno; }
  void SetSepararPorAno(bool v) { fSepararPorAno = v; }
  bool SepararPorMes() const { return fSepararPorMes; }
  void SetSepararPorMes(bool v);  // false also clears SepararPorDia
  bool SepararPorDia() const { return fSepararPorDia; }
  void SetSepararPorDia(bool v);  // true also sets SepararPorMes
  TDownloadConf& DownloadDFe() { return fDownloadDFe; }
  const TDownloadConf& DownloadDFe() const { return fDownloadDFe; }

  // Folder builders: each returns the folder (without a guaranteed trailing separator) and
  // creates it when missing; a folder that cannot be created raises ETuimDFeException.
  virtual std::string MontarPath(const std::string& base, const std::string& literal, const std::string& cnpj,
                                 TDateTime data, const std::string& modelo);
  std::string MontarPathDownload(const std::string& nome, const std::string& cnpj, TDateTime data);
  std::string MontarPathDownloadEvento(TfscTpEvento tipo, const std::string& nome, const std::string& cnpj,
                                       TDateTime data);

  virtual void CopiarDe(TArquivosConf& src);
  virtual void SalvarIni(TTuimIni& ini);
  virtual void CarregarIni(const TTuimIni& ini);

protected:
  // Appends one part, with a separator unless the path is still empty.
  static void AcrescentarParte(std::string& path, const std::string& part);
  static void CriarPasta(const std::string& path);
  std::string BaseDownload(const std::string& nome);

private:
  std::string LerPadrao(std::string& campo, const std::string& padrao, bool comBarra);

  std::string fPathSalvar;
  std::string fPathSchemas;
  std::string fIniServicos;
  bool fSalvar = true;
  bool fAdicionarLiteral = false;
  bool fSepararPorCNPJ = false;
  bool fSepararPorModelo = false;
  TOrdenacaoPath fOrdenacaoPath;
  bool fSepararPorAno = false;
  bool fSepararPorMes = false;
  bool fSepararPorDia = false;
  TDownloadConf fDownloadDFe;
};

class TArquivosConfNFe : public TArquivosConf {
public:
  explicit TArquivosConfNFe(TConfiguracoes* root);

  bool EmissaoPathNFe() const { return fEmissaoPathNFe; }
  void SetEmissaoPathNFe(bool v) { fEmissaoPathNFe = v; }
  bool SalvarEvento() const { return fSalvarEvento; }
  void SetSalvarEvento(bool v) { fSalvarEvento = v; }
  bool SalvarApenasNFeProcessadas() const { return fSalvarApenasNFeProcessadas; }
  void SetSalvarApenasNFeProcessadas(bool v) { fSalvarApenasNFeProcessadas = v; }
  bool NormatizarMunicipios() const { return fNormatizarMunicipios; }
  void SetNormatizarMunicipios(bool v) { fNormatizarMunicipios = v; }
  const std::string& PathNFe() const { return fPathNFe; }
  void SetPathNFe(const std::string& v) { fPathNFe = v; }
  const std::string& PathInu() const { return fPathInu; }
  void SetPathInu(const std::string& v) { fPathInu = v; }
  const std::string& PathEvento() const { return fPathEvento; }
  void SetPathEvento(const std::string& v) { fPathEvento = v; }
  const std::string& PathArquivoMunicipios() const { return fPathArquivoMunicipios; }
  void SetPathArquivoMunicipios(const std::string& v) { fPathArquivoMunicipios = v; }

  // Model code 55 "NFe", 65 "NFCe", 0 the owner's model ("NFe" without owner), others none.
  std::string MontarPathNFe(TDateTime data, const std::string& cnpj, int modelo = 0);
  std::string MontarPathInu(const std::string& cnpj);
  std::string MontarPathEvento(TfscTpEvento tipo, const std::string& cnpj, TDateTime data);

  // The NF-e folders and flags too: a copy that dropped them would save documents elsewhere.
  void CopiarDe(TArquivosConf& src) override;
  void SalvarIni(TTuimIni& ini) override;
  void CarregarIni(const TTuimIni& ini) override;

private:
  bool fEmissaoPathNFe = false;
  bool fSalvarEvento = false;
  bool fSalvarApenasNFeProcessadas = false;
  bool fNormatizarMunicipios = false;
  std::string fPathNFe;
  std::string fPathInu;
  std::string fPathEvento;
  std::string fPathArquivoMunicipios;
};

class TWebServicesConf : public TConfiguracaoNo {
public:
  explicit TWebServicesConf(TConfiguracoes* root);
  ~TWebServicesConf() override;

  bool Visualizar() const { return fVisualizar; }
  void SetVisualizar(bool v) { fVisualizar = v; }
  const std::string& UF() const { return fUF; }
  void SetUF(const std::string& uf);  // unknown text is ignored; also sets UFCodigo
  int UFCodigo() const { return fUFCodigo; }
  TfscTipoAmbiente Ambiente() const { return fAmbiente; }
  void SetAmbiente(TfscTipoAmbiente v) { fAmbiente = v; }
  int AmbienteCodigo() const;
  const std::string& ProxyHost() const { return fProxyHost; }
  void SetProxyHost(const std::string& v);  // forwarded when changed
  const std::string& ProxyPort() const { return fProxyPort; }
  void SetProxyPort(const std::string& v);  // forwarded when changed
  const std::string& ProxyUser() const { return fProxyUser; }
  void SetProxyUser(const std::string& v);  // forwarded when changed
  const std::string& ProxyPass() const { return fProxyPass; }
  void SetProxyPass(const std::string& v);  // forwarded when changed
  std::uint32_t AguardarConsultaRet() const { return fAguardarConsultaRet; }
  void SetAguardarConsultaRet(std::uint32_t v) { fAguardarConsultaRet = v; }
  int Tentativas() const { return fTentativas; }
  void SetTentativas(int v);  // 0 or less becomes 5
  std::uint32_t IntervaloTentativas() const { return fIntervaloTentativas; }
  void SetIntervaloTentativas(std::uint32_t v);  // below 1000 becomes 1000
  bool AjustaAguardaConsultaRet() const { return fAjustaAguardaConsultaRet; }
  void SetAjustaAguardaConsultaRet(bool v) { fAjustaAguardaConsultaRet = v; }
  // How many times OnTransmitError may ask for one send to be repeated (INI
  // "RetentativasTransmissao"); negative becomes 0.
  int RetentativasTransmissao() const { return fRetentativasTransmissao; }
  void SetRetentativasTransmissao(int v) { fRetentativasTransmissao = v < 0 ? 0 : v; }
  // Longest answer accepted by either HTTP backend, in bytes (INI "TamanhoMaximoResposta");
  // 0 becomes the default, 16 MiB.
  std::uint32_t TamanhoMaximoResposta() const { return fTamanhoMaximoResposta; }
  void SetTamanhoMaximoResposta(std::uint32_t v) { fTamanhoMaximoResposta = v == 0 ? kTamanhoMaximoRespostaPadrao : v; }
  static constexpr std::uint32_t kTamanhoMaximoRespostaPadrao = 16u * 1024u * 1024u;
  // PEM bundle of the authorities that sign the servers' certificates (ICP-Brasil roots,
  // which the system does not ship); empty: the transport's own setting (INI "ArquivoCA").
  const std::string& ArquivoCA() const { return fArquivoCA; }
  void SetArquivoCA(const std::string& v) { fArquivoCA = v; }
  bool Salvar() const { return fSalvar; }
  void SetSalvar(bool v) { fSalvar = v; }
  const std::vector<std::string>& Params() const { return fParams; }
  std::vector<std::string>& Params() { return fParams; }
  void SetParams(const std::vector<std::string>& lines) { fParams = lines; }
  int TimeOut() const { return fTimeOut; }
  void SetTimeOut(int v);  // forwarded when changed
  bool TimeOutPorThread() const { return fTimeOutPorThread; }
  void SetTimeOutPorThread(bool v);  // forwarded when changed
  // One connection kept open across the sends to the same address (reopened when the peer
  // closed it) instead of a new one per send.
  bool ManterConexao() const { return fManterConexao; }
  void SetManterConexao(bool v) { fManterConexao = v; }
  const std::string& QuebradeLinha() const { return fQuebradeLinha; }
  void SetQuebradeLinha(const std::string& v) { fQuebradeLinha = v; }
  TTimeZoneConf& TimeZoneConf() { return *fTimeZoneConf; }
  const TTimeZoneConf& TimeZoneConf() const { return *fTimeZoneConf; }
  void SetTimeZoneConf(const TTimeZoneConf& v);
  TSSLType SSLType() const { return fSSLType; }
  void SetSSLType(TSSLType v);  // forwarded when changed

  // Name of the catalogue: embedded resource and base name of the default external file.
  const std::string& RecursoServicos() const { return fRecursoServicos; }
  void SetRecursoServicos(const std::string& v) { fRecursoServicos = v; }

  // Catalogue text sources: the whole external file, the whole embedded text; CarregarParams
  // fills Params from the first that has text.
  virtual std::string TextoServicosDoArquivo();
  virtual std::string TextoServicosDoRecurso();
  void CarregarParams();

  virtual void CopiarDe(const TWebServicesConf& src);
  virtual void SalvarIni(TTuimIni& ini) const;
  virtual void CarregarIni(const TTuimIni& ini);

private:
  bool fVisualizar = false;
  std::string fUF = "SP";
  int fUFCodigo = 35;
  TfscTipoAmbiente fAmbiente = taHomologacao;
  std::string fProxyHost;
  std::string fProxyPort;
  std::string fProxyUser;
  std::string fProxyPass;
  std::uint32_t fAguardarConsultaRet = 0;
  int fTentativas = 5;
  std::uint32_t fIntervaloTentativas = 1000;
  bool fAjustaAguardaConsultaRet = false;
  int fRetentativasTransmissao = 3;
  std::uint32_t fTamanhoMaximoResposta = kTamanhoMaximoRespostaPadrao;
  std::string fArquivoCA;
  bool fSalvar = false;
  std::vector<std::string> fParams;
  int fTimeOut = 5000;
  bool fTimeOutPorThread = false;
  bool fManterConexao = false;
  std::string fQuebradeLinha = "|";
  std::unique_ptr<TTimeZoneConf> fTimeZoneConf;
  TSSLType fSSLType = LT_all;
  std::string fRecursoServicos = "TuimServicos";
};

// The certificate source: file, in-memory PKCS#12, store serial and password.
struct TOrigemCertificado {
  std::string ArquivoPFX;
  std::string DadosPFX;
  std::string NumeroSerie;
  std::string Senha;
};

class TCertificadosConf : public TConfiguracaoNo {
public:
  explicit TCertificadosConf(TConfiguracoes* root);

  const std::string& ArquivoPFX() const { return fArquivoPFX; }
  void SetArquivoPFX(const std::string& v);  // forwarded when changed
  const std::string& DadosPFX() const { return fDadosPFX; }
  void SetDadosPFX(const std::string& v);  // forwarded when changed
  const std::string& NumeroSerie() const { return fNumeroSerie; }
  void SetNumeroSerie(const std::string& v);  // blanks removed, upper case, trimmed; forwarded
  std::string Senha() const;  // unscrambled
  void SetSenha(const std::string& v);  // kept scrambled with a fresh key; forwarded in plain
  bool VerificarValidade() const { return fVerificarValidade; }
  void SetVerificarValidade(bool v) { fVerificarValidade = v; }

  TOrigemCertificado Origem() const;
  // Takes all four as one source, so the facade's rule that a file or a serial drops the
  // in-memory data cannot erase data given together with them; node and facade agree after.
  void SetOrigem(const TOrigemCertificado& o);

  virtual void CopiarDe(const TCertificadosConf& src);
  virtual void SalvarIni(TTuimIni& ini) const;
  virtual void CarregarIni(const TTuimIni& ini);

private:
  static std::string NormalizarSerie(const std::string& v);
  bool GuardarSenha(const std::string& v);  // true when the stored password changed
  void EncaminharOrigem();

  std::string fArquivoPFX;
  std::string fDadosPFX;
  std::string fNumeroSerie;
  std::string fSenha;       // scrambled
  std::string fChaveSenha;  // its key, "hhnnsszzz" of when it was set
  bool fVerificarValidade = true;
};

class TRespTecConf : public TConfiguracaoNo {
public:
  explicit TRespTecConf(TConfiguracoes* root);

  int IdCSRT() const { return fIdCSRT; }
  void SetIdCSRT(int v) { if (v != fIdCSRT) fIdCSRT = v; }
  const std::string& CSRT() const { return fCSRT; }
  void SetCSRT(const std::string& v) { if (v != fCSRT) fCSRT = v; }

  virtual void CopiarDe(const TRespTecConf& src);
  virtual void SalvarIni(TTuimIni& ini) const;
  virtual void CarregarIni(const TTuimIni& ini);

private:
  int fIdCSRT = 0;
  std::string fCSRT;
};

// Root of the configuration tree; owned by a TTuimDFe or by nothing.
class TConfiguracoes : public TTuimComponent {
public:
  // Raises "Owner de TConfiguracoes deve ser do tipo TTuimDFe" when the owner is another kind.
  explicit TConfiguracoes(TTuimComponent* owner = nullptr);
  ~TConfiguracoes() override;

  TTuimDFe* Dono() const { return fDono; }

  TGeralConf& Geral() const { return *fGeral; }
  TWebServicesConf& WebServices() const { return *fWebServices; }
  TCertificadosConf& Certificados() const { return *fCertificados; }
  TArquivosConf& Arquivos() const { return *fArquivos; }
  TRespTecConf& RespTec() const { return *fRespTec; }

  const std::string& SecaoIni() const { return fSecaoIni; }
  void SetSecaoIni(const std::string& v) { fSecaoIni = v; }
  const std::string& ChaveCriptIni() const { return fChaveCriptIni; }
  void SetChaveCriptIni(const std::string& v) { fChaveCriptIni = v; }

  void CopiarDe(const TConfiguracoes& src);
  void SalvarIni(TTuimIni& ini) const;
  void CarregarIni(const TTuimIni& ini);

protected:
  struct SemNos {};
  // For derived roots: they call CriarNos() in their own constructor so their factories run.
  TConfiguracoes(TTuimComponent* owner, SemNos);
  void CriarNos();

  virtual std::unique_ptr<TGeralConf> CriarGeral();
  virtual std::unique_ptr<TWebServicesConf> CriarWebServices();
  virtual std::unique_ptr<TCertificadosConf> CriarCertificados();
  virtual std::unique_ptr<TArquivosConf> CriarArquivos();
  virtual std::unique_ptr<TRespTecConf> CriarRespTec();

private:
  static TTuimDFe* ChecarDono(TTuimComponent* owner);

  TTuimDFe* fDono = nullptr;
  std::string fSecaoIni;
  std::string fChaveCriptIni;
  std::unique_ptr<TGeralConf> fGeral;
  std::unique_ptr<TWebServicesConf> fWebServices;
  std::unique_ptr<TCertificadosConf> fCertificados;
  std::unique_ptr<TArquivosConf> fArquivos;
  std::unique_ptr<TRespTecConf> fRespTec;
};

class TConfiguracoesNFe : public TConfiguracoes {
public:
  explicit TConfiguracoesNFe(TTuimComponent* owner = nullptr);

  TGeralConfNFe& Geral() const { return static_cast<TGeralConfNFe&>(TConfiguracoes::Geral()); }
  TArquivosConfNFe& Arquivos() const { return static_cast<TArquivosConfNFe&>(TConfiguracoes::Arquivos()); }

protected:
  std::unique_ptr<TGeralConf> CriarGeral() override;
  std::unique_ptr<TArquivosConf> CriarArquivos() override;
};

}  // namespace tuim
