#include "component/TuimConfiguracoes.h"
#include "security/TuimSchemas.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "component/TuimNFe.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"

namespace tuim {

namespace {

// The four ways of naming the three library choices at once; libCustom changes nothing.
struct TLinhaSSLLib {
  TSSLLib lib;
  TSSLCryptLib crypt;
  TSSLHttpLib http;
  TSSLXmlSignLib xmlSign;
};
constexpr std::array<TLinhaSSLLib, 5> kTabelaSSLLib{{
    {libNone, cryNone, httpNone, xsNone},
    {libOpenSSL, cryOpenSSL, httpOpenSSL, xsLibXml2},
    {libCapicom, cryCapicom, httpWinINet, xsMsXmlCapicom},
    {libCapicomDelphiSoap, cryCapicom, httpIndy, xsMsXmlCapicom},
    {libWinCrypt, cryWinCrypt, httpWinHttp, xsLibXml2},
}};

// Integer of a code text; a value without a code is a conversion error, as for any bad number.
int CodigoNumerico(const std::string& code) {
  std::int64_t v = 0;
  if (!TextoNumerico(code)) throw ETuimConversaoException("'" + code + "' não é um valor inteiro válido");
  for (char c : code) v = v * 10 + (c - '0');
  return static_cast<int>(v);
}

// Alphanumeric CNPJs keep their upper-case letters wherever a CNPJ is reduced to its characters.
std::string CaracteresCNPJ(const std::string& s) {
  std::string r;
  for (char c : s)
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) r += c;
  return r;
}

std::string ChaveHorario() {
  int h = 0, n = 0, s = 0, z = 0;
  DecodeTime(Now(), h, n, s, z);
  return InteiroComZerosEsquerda(h, 2) + InteiroComZerosEsquerda(n, 2) + InteiroComZerosEsquerda(s, 2) +
         InteiroComZerosEsquerda(z, 3);
}

// Every byte round-trips, zero included: binary data is scrambled without exceptions.
std::string XorSimples(const std::string& s, const std::string& chave) {
  if (chave.empty()) return s;
  std::string r = s;
  for (std::size_t i = 0; i < r.size(); ++i) r[i] = static_cast<char>(r[i] ^ chave[i % chave.size()]);
  return r;
}

template <typename E>
E LerEnum(const TTuimIni& ini, const std::string& secao, const std::string& chave, E atual, int maximo) {
  int v = ini.ReadInteger(secao, chave, static_cast<int>(atual));
  if (v < 0 || v > maximo) return atual;  // an ordinal outside the enumeration is not applied
  return static_cast<E>(v);
}

bool TerminaComBarra(const std::string& p) { return !p.empty() && (p.back() == '/' || p.back() == '\\'); }

}  // namespace

std::string TagOrdenacaoPathParaNome(TTagOrdenacaoPath v) {
  switch (v) {
    case opNenhum: return "(nenhum)";
    case opCNPJ: return "CNPJ";
    case opModelo: return "Modelo";
    case opData: return "Data";
    case opLiteral: return "Literal";
  }
  return "";
}

std::vector<TTagOrdenacaoPath> TOrdenacaoPath::Tags() const {
  std::vector<TTagOrdenacaoPath> r;
  for (const auto& i : fItems) r.push_back(i.Item);
  return r;
}

// ---- Nodes ----------------------------------------------------------------------------------

TConfiguracaoNo::TConfiguracaoNo(TConfiguracoes* root, const std::string& name) : TTuimComponent(root), fRoot(root) {
  SetName(name);
}

TTuimDFe* TConfiguracaoNo::Dono() const { return fRoot ? fRoot->Dono() : nullptr; }

TDFeSSL* TConfiguracaoNo::SSL() const {
  TTuimDFe* d = Dono();
  return d ? &d->SSL() : nullptr;
}

// ---- Geral ----------------------------------------------------------------------------------

const char* const TGeralConf::kFormatoAlertaPadrao = "TAG:%TAGNIVEL% ID:%ID%/%TAG%(%DESCRICAO%) - %MSG%.";

TGeralConf::TGeralConf(TConfiguracoes* root) : TConfiguracaoNo(root, "GeralConf"), fFormatoAlerta(kFormatoAlertaPadrao) {}

void TGeralConf::SetSSLLib(TSSLLib v) {
  fDeduzindo = true;
  try {
    for (const auto& l : kTabelaSSLLib) {
      if (l.lib != v) continue;
      SetSSLCryptLib(l.crypt);
      SetSSLHttpLib(l.http);
      SetSSLXmlSignLib(l.xmlSign);
    }
  } catch (...) {
    fDeduzindo = false;
    DeduzirSSLLib();
    throw;
  }
  fDeduzindo = false;
  fSSLLib = v;
}

// The facade is asked first: a choice it refuses is not recorded here either.
void TGeralConf::SetSSLCryptLib(TSSLCryptLib v) {
  if (TDFeSSL* ssl = SSL()) ssl->SetSSLCryptLib(v);
  fSSLCryptLib = v;
  if (!fDeduzindo) DeduzirSSLLib();
}

void TGeralConf::SetSSLHttpLib(TSSLHttpLib v) {
  if (TDFeSSL* ssl = SSL()) ssl->SetSSLHttpLib(v);
  fSSLHttpLib = v;
  if (!fDeduzindo) DeduzirSSLLib();
}

void TGeralConf::SetSSLXmlSignLib(TSSLXmlSignLib v) {
  if (TDFeSSL* ssl = SSL()) ssl->SetSSLXmlSignLib(v);
  fSSLXmlSignLib = v;
  if (!fDeduzindo) DeduzirSSLLib();
}

void TGeralConf::DeduzirSSLLib() {
  for (const auto& l : kTabelaSSLLib) {
    if (l.crypt == fSSLCryptLib && l.http == fSSLHttpLib && l.xmlSign == fSSLXmlSignLib) {
      fSSLLib = l.lib;
      return;
    }
  }
  fSSLLib = libCustom;
}

int TGeralConf::FormaEmissaoCodigo() const { return CodigoNumerico(TipoEmissaoParaTexto(fFormaEmissao)); }

std::string TGeralConf::FormatoAlerta() const {
  static const char* const kMarcas[] = {"%TAGNIVEL%", "%TAG%", "%ID%", "%MSG%", "%DESCRICAO%"};
  for (const char* m : kMarcas)
    if (fFormatoAlerta.find(m) != std::string::npos) return fFormatoAlerta;
  return kFormatoAlertaPadrao;
}

void TGeralConf::CopiarDe(const TGeralConf& src) {
  SetSSLLib(src.SSLLib());
  SetSSLCryptLib(src.SSLCryptLib());
  SetSSLHttpLib(src.SSLHttpLib());
  SetSSLXmlSignLib(src.SSLXmlSignLib());
  SetFormaEmissao(src.FormaEmissao());
  SetSalvar(src.Salvar());
  SetExibirErroSchema(src.ExibirErroSchema());
  SetFormatoAlerta(src.FormatoAlerta());
  SetRetirarAcentos(src.RetirarAcentos());
  SetRetirarEspacos(src.RetirarEspacos());
  SetIdentarXML(src.IdentarXML());
  SetValidarDigest(src.ValidarDigest());
}

void TGeralConf::SalvarIni(TTuimIni& ini) const {
  ini.WriteInteger("DFe", "SSLCryptLib", fSSLCryptLib);
  ini.WriteInteger("DFe", "SSLHttpLib", fSSLHttpLib);
  ini.WriteInteger("DFe", "SSLXmlSignLib", fSSLXmlSignLib);
  const std::string& s = Root().SecaoIni();
  if (s.empty()) return;
  ini.WriteInteger(s, "FormaEmissao", fFormaEmissao);
  ini.WriteBool(s, "SalvarGer", fSalvar);
  ini.WriteBool(s, "ExibirErroSchema", fExibirErroSchema);
  ini.WriteString(s, "FormatoAlerta", FormatoAlerta());
  ini.WriteBool(s, "RetirarAcentos", fRetirarAcentos);
  ini.WriteBool(s, "RetirarEspacos", fRetirarEspacos);
  ini.WriteBool(s, "IdentarXML", fIdentarXML);
  ini.WriteBool(s, "ValidarDigest", fValidarDigest);
}

void TGeralConf::CarregarIni(const TTuimIni& ini) {
  SetSSLCryptLib(LerEnum(ini, "DFe", "SSLCryptLib", fSSLCryptLib, cryWinCrypt));
  SetSSLHttpLib(LerEnum(ini, "DFe", "SSLHttpLib", fSSLHttpLib, httpIndy));
  SetSSLXmlSignLib(LerEnum(ini, "DFe", "SSLXmlSignLib", fSSLXmlSignLib, xsLibXml2));
  const std::string& s = Root().SecaoIni();
  if (s.empty()) return;
  SetFormaEmissao(LerEnum(ini, s, "FormaEmissao", fFormaEmissao, teOffLine));
  SetSalvar(ini.ReadBool(s, "SalvarGer", fSalvar));
  SetExibirErroSchema(ini.ReadBool(s, "ExibirErroSchema", fExibirErroSchema));
  SetFormatoAlerta(ini.ReadString(s, "FormatoAlerta", FormatoAlerta()));
  SetRetirarAcentos(ini.ReadBool(s, "RetirarAcentos", fRetirarAcentos));
  SetRetirarEspacos(ini.ReadBool(s, "RetirarEspacos", fRetirarEspacos));
  SetIdentarXML(ini.ReadBool(s, "IdentarXML", fIdentarXML));
  SetValidarDigest(ini.ReadBool(s, "ValidarDigest", fValidarDigest));
}

TGeralConfNFe::TGeralConfNFe(TConfiguracoes* root) : TGeralConf(root) {}

void TGeralConfNFe::SetModeloDF(TfscModeloDF v) {
  fModeloDF = v;
  fModeloDFCodigo = CodigoNumerico(ModeloDFParaTexto(v));
}

void TGeralConfNFe::SetIdCSC(const std::string& v) {
  std::string t = Trim(v);
  std::int64_t n = 0;
  if (TextoNumerico(t) && t.size() <= 18) n = TextoParaInteiroPadrao(t, 0);
  std::string d = std::to_string(n);
  fIdCSC = d.size() < 6 ? std::string(6 - d.size(), '0') + d : d;
}

void TGeralConfNFe::SetCSC(const std::string& v) { fCSC = Trim(v); }

void TGeralConfNFe::CopiarDe(const TGeralConf& src) {
  TGeralConf::CopiarDe(src);
  const auto* nfe = dynamic_cast<const TGeralConfNFe*>(&src);
  if (!nfe) return;
  SetModeloDF(nfe->ModeloDF());
  SetVersaoDF(nfe->VersaoDF());
  SetAtualizarXMLCancelado(nfe->AtualizarXMLCancelado());
  // The stored texts: the setters would pad or trim them again.
  fIdCSC = nfe->fIdCSC;
  fCSC = nfe->fCSC;
  SetVersaoQRCode(nfe->VersaoQRCode());
  SetCamposFatObrigatorios(nfe->CamposFatObrigatorios());
  SetForcarGerarTagRejeicao938(nfe->ForcarGerarTagRejeicao938());
  SetPacoteSchemas(nfe->PacoteSchemas());
}

void TGeralConfNFe::SalvarIni(TTuimIni& ini) const {
  TGeralConf::SalvarIni(ini);
  const std::string& s = Root().SecaoIni();
  ini.WriteString(s, "IdCSC", fIdCSC);
  ini.WriteString(s, "CSC", fCSC);
  ini.WriteInteger(s, "ModeloDF", fModeloDF);
  ini.WriteInteger(s, "VersaoDF", fVersaoDF);
  ini.WriteBool(s, "AtualizarXMLCancelado", fAtualizarXMLCancelado);
  ini.WriteInteger(s, "VersaoQRCode", fVersaoQRCode);
  ini.WriteBool(s, "CamposFatObrigatorios", fCamposFatObrigatorios);
  ini.WriteInteger(s, "TagNT2018005", fForcarGerarTagRejeicao938);
  // Files of the old package stay as they were.
  if (fPacoteSchemas != psPL009V4) ini.WriteString(s, "PacoteSchemas", PacoteSchemasParaTexto(fPacoteSchemas));
}

void TGeralConfNFe::CarregarIni(const TTuimIni& ini) {
  TGeralConf::CarregarIni(ini);
  const std::string& s = Root().SecaoIni();
  // An unset identifier stays unset instead of becoming "000000".
  if (std::string id = ini.ReadString(s, "IdCSC", fIdCSC); id != fIdCSC) SetIdCSC(id);
  SetCSC(ini.ReadString(s, "CSC", fCSC));
  SetModeloDF(LerEnum(ini, s, "ModeloDF", fModeloDF, moNFCe));
  SetVersaoDF(LerEnum(ini, s, "VersaoDF", fVersaoDF, ve400));
  SetAtualizarXMLCancelado(ini.ReadBool(s, "AtualizarXMLCancelado", fAtualizarXMLCancelado));
  SetVersaoQRCode(LerEnum(ini, s, "VersaoQRCode", fVersaoQRCode, veqr300));
  SetCamposFatObrigatorios(ini.ReadBool(s, "CamposFatObrigatorios", fCamposFatObrigatorios));
  SetForcarGerarTagRejeicao938(LerEnum(ini, s, "TagNT2018005", fForcarGerarTagRejeicao938, fgtSempre));
  // An unknown package name keeps the current one.
  bool ok = false;
  TfscPacoteSchemas p = TextoParaPacoteSchemas(ok, Trim(ini.ReadString(s, "PacoteSchemas", "")));
  if (ok) SetPacoteSchemas(p);
}

// ---- Arquivos -------------------------------------------------------------------------------

TArquivosConf::TArquivosConf(TConfiguracoes* root) : TConfiguracaoNo(root, "ArquivosConf") {}

std::string TArquivosConf::LerPadrao(std::string& campo, const std::string& padrao, bool comBarra) {
  TTuimDFe* d = Dono();
  if (campo.empty() && d && !d->Designing()) campo = padrao;
  if (comBarra) campo = CaminhoComBarra(campo);
  return campo;
}

std::string TArquivosConf::PathSalvar() {
  return LerPadrao(fPathSalvar, PastaAplicacao() + "Docs" + PathDelim, true);
}

std::string TArquivosConf::PathSchemas() {
  if (!fPathSchemas.empty()) return LerPadrao(fPathSchemas, "", true);
  std::string achada = PastaSchemasPadrao();
  return LerPadrao(fPathSchemas, achada.empty() ? PastaAplicacao() + "Schemas" + PathDelim : achada, true);
}

std::string TArquivosConf::IniServicos() {
  return LerPadrao(fIniServicos, PastaAplicacao() + Root().WebServices().RecursoServicos() + ".ini", false);
}

void TArquivosConf::SetSepararPorMes(bool v) {
  fSepararPorMes = v;
  if (!v) fSepararPorDia = false;
}

void TArquivosConf::SetSepararPorDia(bool v) {
  fSepararPorDia = v;
  if (v) fSepararPorMes = true;
}

void TArquivosConf::AcrescentarParte(std::string& path, const std::string& part) {
  // Joining, not concatenating: an empty path stays relative instead of starting at the root.
  if (path.empty()) {
    path = part;
    return;
  }
  if (!TerminaComBarra(path)) path += PathDelim;
  path += part;
}

void TArquivosConf::CriarPasta(const std::string& path) {
  if (path.empty()) return;
  std::error_code ec;
  std::filesystem::path p(path);
  if (std::filesystem::is_directory(p, ec)) return;
  std::filesystem::create_directories(p, ec);
  if (ec || !std::filesystem::is_directory(p))
    throw ETuimDFeException("Não foi possível criar a pasta " + path + ": " + (ec ? ec.message() : "não é uma pasta"));
}

std::string TArquivosConf::MontarPath(const std::string& base, const std::string& literal, const std::string& cnpj,
                                      TDateTime data, const std::string& modelo) {
  std::string path = base.empty() ? PathSalvar() : base;

  if (fOrdenacaoPath.Empty()) {
    if (fSepararPorCNPJ) fOrdenacaoPath.Add(opCNPJ);
    if (fSepararPorModelo) fOrdenacaoPath.Add(opModelo);
    if (fSepararPorAno || fSepararPorMes || fSepararPorDia) fOrdenacaoPath.Add(opData);
    if (fAdicionarLiteral) fOrdenacaoPath.Add(opLiteral);
  }

  for (int i = 0; i < fOrdenacaoPath.Count(); ++i) {
    switch (fOrdenacaoPath.Items(i).Item) {
      case opCNPJ: {
        std::string doc = CaracteresCNPJ(cnpj);
        if (doc.empty())
          if (TDFeSSL* ssl = SSL()) doc = CaracteresCNPJ(ssl->CNPJCertificado());
        if (!doc.empty()) AcrescentarParte(path, doc);
        break;
      }
      case opModelo: {
        std::string m = modelo;
        if (m.empty())
          if (TTuimDFe* d = Dono()) m = d->NomeModeloDFe();
        if (m.empty()) {
          if (!path.empty() && !TerminaComBarra(path)) path += PathDelim;
        } else {
          AcrescentarParte(path, m);
        }
        break;
      }
      case opData: {
        TDateTime dt = data == 0 ? Now() : data;
        int ano = 0, mes = 0, dia = 0;
        DecodeDate(dt, ano, mes, dia);
        std::string a = InteiroComZerosEsquerda(ano, 4), m = InteiroComZerosEsquerda(mes, 2),
                    d = InteiroComZerosEsquerda(dia, 2);
        if (fSepararPorAno) AcrescentarParte(path, a);
        if (fSepararPorMes) {
          AcrescentarParte(path, fSepararPorAno ? m : a + m);
          if (fSepararPorDia) AcrescentarParte(path, d);
        }
        break;
      }
      case opLiteral:
        if (!literal.empty() && !TerminaCom(path, literal)) AcrescentarParte(path, literal);
        break;
      case opNenhum:
        break;
    }
  }

  CriarPasta(path);
  return path;
}

std::string TArquivosConf::BaseDownload(const std::string& nome) {
  if (fDownloadDFe.PathDownload().empty()) fDownloadDFe.SetPathDownload(PathSalvar());
  std::string base = fDownloadDFe.PathDownload();
  if (fDownloadDFe.SepararPorNome() && !nome.empty()) AcrescentarParte(base, SomenteAlfaNumericos(nome));
  return base;
}

std::string TArquivosConf::MontarPathDownload(const std::string& nome, const std::string& cnpj, TDateTime data) {
  return MontarPath(BaseDownload(nome), "Down", cnpj, data, "");
}

std::string TArquivosConf::MontarPathDownloadEvento(TfscTpEvento tipo, const std::string& nome,
                                                    const std::string& cnpj, TDateTime data) {
  std::string p = MontarPath(BaseDownload(nome), "Evento", cnpj, data, "");
  if (fAdicionarLiteral) AcrescentarParte(p, TpEventoParaDescricao(tipo));
  CriarPasta(p);
  return p;
}

void TArquivosConf::CopiarDe(TArquivosConf& src) {
  SetPathSalvar(src.PathSalvar());
  SetPathSchemas(src.PathSchemas());
  SetIniServicos(src.IniServicos());
  SetSalvar(src.Salvar());
  SetAdicionarLiteral(src.AdicionarLiteral());
  SetSepararPorCNPJ(src.SepararPorCNPJ());
  SetSepararPorModelo(src.SepararPorModelo());
  SetSepararPorAno(src.SepararPorAno());
  SetSepararPorMes(src.SepararPorMes());
  SetSepararPorDia(src.SepararPorDia());
  fDownloadDFe.CopiarDe(src.DownloadDFe());
  fOrdenacaoPath.Clear();
  for (int i = 0; i < src.OrdenacaoPath().Count(); ++i) fOrdenacaoPath.Add(src.OrdenacaoPath().Items(i).Item);
}

void TArquivosConfNFe::CopiarDe(TArquivosConf& src) {
  TArquivosConf::CopiarDe(src);
  const auto* nfe = dynamic_cast<const TArquivosConfNFe*>(&src);
  if (!nfe) return;
  fEmissaoPathNFe = nfe->fEmissaoPathNFe;
  fSalvarEvento = nfe->fSalvarEvento;
  fSalvarApenasNFeProcessadas = nfe->fSalvarApenasNFeProcessadas;
  fNormatizarMunicipios = nfe->fNormatizarMunicipios;
  fPathNFe = nfe->fPathNFe;
  fPathInu = nfe->fPathInu;
  fPathEvento = nfe->fPathEvento;
  fPathArquivoMunicipios = nfe->fPathArquivoMunicipios;
}

void TArquivosConf::SalvarIni(TTuimIni& ini) {
  const std::string& s = Root().SecaoIni();
  if (s.empty()) return;
  ini.WriteString(s, "PathSalvar", PathSalvar());
  ini.WriteString(s, "PathSchemas", PathSchemas());
  ini.WriteString(s, "IniServicos", IniServicos());
  ini.WriteBool(s, "SalvarArq", fSalvar);
  ini.WriteBool(s, "AdicionarLiteral", fAdicionarLiteral);
  ini.WriteBool(s, "SepararPorCNPJ", fSepararPorCNPJ);
  ini.WriteBool(s, "SepararPorModelo", fSepararPorModelo);
  ini.WriteBool(s, "SepararPorAno", fSepararPorAno);
  ini.WriteBool(s, "SepararPorMes", fSepararPorMes);
  ini.WriteBool(s, "SepararPorDia", fSepararPorDia);
  ini.WriteString(s, "Download.PathDownload", fDownloadDFe.PathDownload());
  ini.WriteBool(s, "Download.SepararPorNome", fDownloadDFe.SepararPorNome());
}

void TArquivosConf::CarregarIni(const TTuimIni& ini) {
  const std::string& s = Root().SecaoIni();
  if (s.empty()) return;
  SetPathSalvar(ini.ReadString(s, "PathSalvar", PathSalvar()));
  SetPathSchemas(ini.ReadString(s, "PathSchemas", PathSchemas()));
  SetIniServicos(ini.ReadString(s, "IniServicos", IniServicos()));
  SetSalvar(ini.ReadBool(s, "SalvarArq", fSalvar));
  SetAdicionarLiteral(ini.ReadBool(s, "AdicionarLiteral", fAdicionarLiteral));
  SetSepararPorCNPJ(ini.ReadBool(s, "SepararPorCNPJ", fSepararPorCNPJ));
  SetSepararPorModelo(ini.ReadBool(s, "SepararPorModelo", fSepararPorModelo));
  SetSepararPorAno(ini.ReadBool(s, "SepararPorAno", fSepararPorAno));
  SetSepararPorMes(ini.ReadBool(s, "SepararPorMes", fSepararPorMes));
  SetSepararPorDia(ini.ReadBool(s, "SepararPorDia", fSepararPorDia));
  fDownloadDFe.SetPathDownload(ini.ReadString(s, "Download.PathDownload", fDownloadDFe.PathDownload()));
  fDownloadDFe.SetSepararPorNome(ini.ReadBool(s, "Download.SepararPorNome", fDownloadDFe.SepararPorNome()));
}

TArquivosConfNFe::TArquivosConfNFe(TConfiguracoes* root) : TArquivosConf(root) {}

std::string TArquivosConfNFe::MontarPathNFe(TDateTime data, const std::string& cnpj, int modelo) {
  std::string nome;
  if (modelo == 55) {
    nome = "NFe";
  } else if (modelo == 65) {
    nome = "NFCe";
  } else if (modelo == 0) {
    TTuimDFe* d = Dono();
    nome = d ? d->NomeModeloDFe() : "NFe";
  }
  return MontarPath(fPathNFe, nome, cnpj, data, nome);
}

std::string TArquivosConfNFe::MontarPathInu(const std::string& cnpj) { return MontarPath(fPathInu, "Inu", cnpj, 0, ""); }

std::string TArquivosConfNFe::MontarPathEvento(TfscTpEvento tipo, const std::string& cnpj, TDateTime data) {
  std::string p = MontarPath(fPathEvento, "Evento", cnpj, data, "");
  if (AdicionarLiteral()) AcrescentarParte(p, TpEventoParaDescricao(tipo));
  CriarPasta(p);
  return p;
}

void TArquivosConfNFe::SalvarIni(TTuimIni& ini) {
  TArquivosConf::SalvarIni(ini);
  const std::string& s = Root().SecaoIni();
  ini.WriteBool(s, "SalvarEvento", fSalvarEvento);
  ini.WriteBool(s, "SalvarApenasNFeProcessadas", fSalvarApenasNFeProcessadas);
  ini.WriteBool(s, "EmissaoPathNFe", fEmissaoPathNFe);
  ini.WriteBool(s, "NormatizarMunicipios", fNormatizarMunicipios);
  ini.WriteString(s, "PathNFe", fPathNFe);
  ini.WriteString(s, "PathInu", fPathInu);
  ini.WriteString(s, "PathEvento", fPathEvento);
  ini.WriteString(s, "PathArquivoMunicipios", fPathArquivoMunicipios);
}

void TArquivosConfNFe::CarregarIni(const TTuimIni& ini) {
  TArquivosConf::CarregarIni(ini);
  const std::string& s = Root().SecaoIni();
  SetSalvarEvento(ini.ReadBool(s, "SalvarEvento", fSalvarEvento));
  SetSalvarApenasNFeProcessadas(ini.ReadBool(s, "SalvarApenasNFeProcessadas", fSalvarApenasNFeProcessadas));
  SetEmissaoPathNFe(ini.ReadBool(s, "EmissaoPathNFe", fEmissaoPathNFe));
  SetNormatizarMunicipios(ini.ReadBool(s, "NormatizarMunicipios", fNormatizarMunicipios));
  SetPathNFe(ini.ReadString(s, "PathNFe", fPathNFe));
  SetPathInu(ini.ReadString(s, "PathInu", fPathInu));
  SetPathEvento(ini.ReadString(s, "PathEvento", fPathEvento));
  SetPathArquivoMunicipios(ini.ReadString(s, "PathArquivoMunicipios", fPathArquivoMunicipios));
}

// ---- WebServices ----------------------------------------------------------------------------

TWebServicesConf::TWebServicesConf(TConfiguracoes* root)
    : TConfiguracaoNo(root, "WebServicesConf"), fTimeZoneConf(std::make_unique<TTimeZoneConf>()) {}

TWebServicesConf::~TWebServicesConf() = default;

void TWebServicesConf::SetUF(const std::string& uf) {
  for (const auto& row : TabelaUF) {
    if (uf == row.Sigla) {
      fUF = uf;
      fUFCodigo = row.Codigo;
      return;
    }
  }
}

int TWebServicesConf::AmbienteCodigo() const { return CodigoNumerico(TipoAmbienteParaTexto(fAmbiente)); }

void TWebServicesConf::SetProxyHost(const std::string& v) { Repassar(fProxyHost, v, &TDFeSSL::SetProxyHost); }

void TWebServicesConf::SetProxyPort(const std::string& v) { Repassar(fProxyPort, v, &TDFeSSL::SetProxyPort); }

void TWebServicesConf::SetProxyUser(const std::string& v) { Repassar(fProxyUser, v, &TDFeSSL::SetProxyUser); }

void TWebServicesConf::SetProxyPass(const std::string& v) { Repassar(fProxyPass, v, &TDFeSSL::SetProxyPass); }

void TWebServicesConf::SetTentativas(int v) { fTentativas = v <= 0 ? 5 : v; }

void TWebServicesConf::SetIntervaloTentativas(std::uint32_t v) { fIntervaloTentativas = v < 1000 ? 1000 : v; }

void TWebServicesConf::SetTimeOut(int v) { Repassar(fTimeOut, v, &TDFeSSL::SetTimeOut); }

void TWebServicesConf::SetTimeOutPorThread(bool v) { Repassar(fTimeOutPorThread, v, &TDFeSSL::SetTimeOutPorThread); }

void TWebServicesConf::SetTimeZoneConf(const TTimeZoneConf& v) { fTimeZoneConf->Assign(v); }

void TWebServicesConf::SetSSLType(TSSLType v) { Repassar(fSSLType, v, &TDFeSSL::SetSSLType); }

void TWebServicesConf::CopiarDe(const TWebServicesConf& src) {
  SetRecursoServicos(src.RecursoServicos());
  SetVisualizar(src.Visualizar());
  SetUF(src.UF());
  SetAmbiente(src.Ambiente());
  SetProxyHost(src.ProxyHost());
  SetProxyPort(src.ProxyPort());
  SetProxyUser(src.ProxyUser());
  SetProxyPass(src.ProxyPass());
  SetAguardarConsultaRet(src.AguardarConsultaRet());
  SetTentativas(src.Tentativas());
  SetIntervaloTentativas(src.IntervaloTentativas());
  SetAjustaAguardaConsultaRet(src.AjustaAguardaConsultaRet());
  SetRetentativasTransmissao(src.RetentativasTransmissao());
  SetTamanhoMaximoResposta(src.TamanhoMaximoResposta());
  SetArquivoCA(src.ArquivoCA());
  SetSalvar(src.Salvar());
  SetQuebradeLinha(src.QuebradeLinha());
  SetSSLType(src.SSLType());
  SetTimeOut(src.TimeOut());
  SetTimeOutPorThread(src.TimeOutPorThread());
  SetManterConexao(src.ManterConexao());
  SetParams(src.Params());
  SetTimeZoneConf(src.TimeZoneConf());
}

void TWebServicesConf::SalvarIni(TTuimIni& ini) const {
  ini.WriteString("DFe", "UF", fUF);
  ini.WriteInteger("DFe", "TimeZone.Modo", fTimeZoneConf->ModoDeteccao());
  ini.WriteString("DFe", "TimeZone.Str", fTimeZoneConf->TimeZoneStr());

  ini.WriteString("Proxy", "Servidor", fProxyHost);
  ini.WriteString("Proxy", "Porta", fProxyPort);
  ini.WriteString("Proxy", "Usuario", fProxyUser);
  std::string chave = Root().ChaveCriptIni();
  if (Trim(chave).empty()) chave = fProxyHost;
  ini.WriteString("Proxy", "Senha", CodificarBase64(EmbaralharXor(fProxyPass, chave)));

  const std::string& s = Root().SecaoIni();
  if (s.empty()) return;
  ini.WriteInteger(s, "Ambiente", fAmbiente);
  ini.WriteBool(s, "SalvarWS", fSalvar);
  ini.WriteInteger(s, "Timeout", fTimeOut);
  ini.WriteBool(s, "TimeoutPorThread", fTimeOutPorThread);
  ini.WriteBool(s, "ManterConexao", fManterConexao);
  ini.WriteBool(s, "Visualizar", fVisualizar);
  ini.WriteBool(s, "AjustaAguardaConsultaRet", fAjustaAguardaConsultaRet);
  ini.WriteInteger(s, "AguardarConsultaRet", fAguardarConsultaRet);
  ini.WriteInteger(s, "IntervaloTentativas", fIntervaloTentativas);
  ini.WriteInteger(s, "Tentativas", fTentativas);
  ini.WriteInteger(s, "RetentativasTransmissao", fRetentativasTransmissao);
  ini.WriteInteger(s, "TamanhoMaximoResposta", static_cast<int>(fTamanhoMaximoResposta));
  ini.WriteString(s, "ArquivoCA", fArquivoCA);
  ini.WriteInteger(s, "SSLType", fSSLType);
  ini.WriteString(s, "QuebradeLinha", fQuebradeLinha);
}

void TWebServicesConf::CarregarIni(const TTuimIni& ini) {
  SetUF(ini.ReadString("DFe", "UF", fUF));
  fTimeZoneConf->SetModoDeteccao(LerEnum(ini, "DFe", "TimeZone.Modo", fTimeZoneConf->ModoDeteccao(), tzManual));
  fTimeZoneConf->SetTimeZoneStr(ini.ReadString("DFe", "TimeZone.Str", fTimeZoneConf->TimeZoneStr()));

  SetProxyHost(ini.ReadString("Proxy", "Servidor", fProxyHost));
  SetProxyPort(ini.ReadString("Proxy", "Porta", fProxyPort));
  SetProxyUser(ini.ReadString("Proxy", "Usuario", fProxyUser));
  // An absent secret leaves the current one alone; decoding a default would destroy it.
  if (ini.ValueExists("Proxy", "Senha")) {
    std::string chave = Root().ChaveCriptIni();
    if (Trim(chave).empty()) chave = fProxyHost;
    std::string bytes;
    if (DecodificarBase64(ini.ReadString("Proxy", "Senha", ""), bytes)) SetProxyPass(EmbaralharXor(bytes, chave));
  }

  const std::string& s = Root().SecaoIni();
  if (s.empty()) return;
  SetAmbiente(LerEnum(ini, s, "Ambiente", fAmbiente, taHomologacao));
  SetSalvar(ini.ReadBool(s, "SalvarWS", fSalvar));
  SetTimeOut(ini.ReadInteger(s, "Timeout", fTimeOut));
  SetTimeOutPorThread(ini.ReadBool(s, "TimeoutPorThread", fTimeOutPorThread));
  SetManterConexao(ini.ReadBool(s, "ManterConexao", fManterConexao));
  SetVisualizar(ini.ReadBool(s, "Visualizar", fVisualizar));
  SetAjustaAguardaConsultaRet(ini.ReadBool(s, "AjustaAguardaConsultaRet", fAjustaAguardaConsultaRet));
  SetAguardarConsultaRet(static_cast<std::uint32_t>(ini.ReadInt64(s, "AguardarConsultaRet", fAguardarConsultaRet)));
  SetIntervaloTentativas(static_cast<std::uint32_t>(ini.ReadInt64(s, "IntervaloTentativas", fIntervaloTentativas)));
  SetTentativas(ini.ReadInteger(s, "Tentativas", fTentativas));
  SetRetentativasTransmissao(ini.ReadInteger(s, "RetentativasTransmissao", fRetentativasTransmissao));
  SetTamanhoMaximoResposta(
      static_cast<std::uint32_t>(ini.ReadInteger(s, "TamanhoMaximoResposta", static_cast<int>(fTamanhoMaximoResposta))));
  SetArquivoCA(ini.ReadString(s, "ArquivoCA", fArquivoCA));
  SetSSLType(LerEnum(ini, s, "SSLType", fSSLType, LT_SSHv2));
  SetQuebradeLinha(ini.ReadString(s, "QuebradeLinha", fQuebradeLinha));
}

// ---- Certificados ---------------------------------------------------------------------------

TCertificadosConf::TCertificadosConf(TConfiguracoes* root) : TConfiguracaoNo(root, "CertificadosConf") {}

std::string TCertificadosConf::NormalizarSerie(const std::string& v) {
  std::string r;
  for (char c : v)
    if (static_cast<unsigned char>(c) > ' ') r += c;
  return Trim(AnsiUpperCase(r));
}

// The facade drops its in-memory PKCS#12 when the file or the serial changes; the node
// follows the same rule so both always name the same certificate.
void TCertificadosConf::SetArquivoPFX(const std::string& v) {
  if (v == fArquivoPFX) return;
  fArquivoPFX = v;
  fDadosPFX.clear();
  if (TDFeSSL* ssl = SSL()) ssl->SetArquivoPFX(v);
}

void TCertificadosConf::SetDadosPFX(const std::string& v) { Repassar(fDadosPFX, v, &TDFeSSL::SetDadosPFX); }

void TCertificadosConf::SetNumeroSerie(const std::string& v) {
  std::string n = NormalizarSerie(v);
  if (n == fNumeroSerie) return;
  fNumeroSerie = n;
  fDadosPFX.clear();
  if (TDFeSSL* ssl = SSL()) ssl->SetNumeroSerie(n);
}

std::string TCertificadosConf::Senha() const { return EmbaralharXor(fSenha, fChaveSenha); }

bool TCertificadosConf::GuardarSenha(const std::string& v) {
  if (!fChaveSenha.empty() && EmbaralharXor(v, fChaveSenha) == fSenha) return false;
  fChaveSenha = ChaveHorario();
  fSenha = EmbaralharXor(v, fChaveSenha);
  return true;
}

void TCertificadosConf::SetSenha(const std::string& v) {
  if (!GuardarSenha(v)) return;
  if (TDFeSSL* ssl = SSL()) ssl->SetSenha(v);
}

TOrigemCertificado TCertificadosConf::Origem() const { return {fArquivoPFX, fDadosPFX, fNumeroSerie, Senha()}; }

void TCertificadosConf::SetOrigem(const TOrigemCertificado& o) {
  fArquivoPFX = o.ArquivoPFX;
  fDadosPFX = o.DadosPFX;
  fNumeroSerie = NormalizarSerie(o.NumeroSerie);
  GuardarSenha(o.Senha);
  EncaminharOrigem();
}

void TCertificadosConf::EncaminharOrigem() {
  TDFeSSL* ssl = SSL();
  if (!ssl) return;
  // File and serial first: each may drop the facade's in-memory data, which comes after them.
  ssl->SetArquivoPFX(fArquivoPFX);
  ssl->SetNumeroSerie(fNumeroSerie);
  ssl->SetDadosPFX(fDadosPFX);
  ssl->SetSenha(Senha());
}

void TCertificadosConf::CopiarDe(const TCertificadosConf& src) {
  SetOrigem(src.Origem());
  SetVerificarValidade(src.VerificarValidade());
}

void TCertificadosConf::SalvarIni(TTuimIni& ini) const {
  const std::string& chave = Root().ChaveCriptIni();
  ini.WriteString("DFe", "ArquivoPFX", fArquivoPFX);
  ini.WriteString("DFe", "DadosPFX", CodificarBase64(XorSimples(fDadosPFX, chave)));
  ini.WriteString("DFe", "Senha", CodificarBase64(EmbaralharXor(Senha(), chave)));
  ini.WriteString("DFe", "NumeroSerie", fNumeroSerie);
  ini.WriteBool("DFe", "VerificarValidade", fVerificarValidade);
}

void TCertificadosConf::CarregarIni(const TTuimIni& ini) {
  const std::string& chave = Root().ChaveCriptIni();
  TOrigemCertificado o = Origem();
  o.ArquivoPFX = ini.ReadString("DFe", "ArquivoPFX", o.ArquivoPFX);
  std::string bytes;
  if (ini.ValueExists("DFe", "DadosPFX") && DecodificarBase64(ini.ReadString("DFe", "DadosPFX", ""), bytes))
    o.DadosPFX = XorSimples(bytes, chave);
  if (ini.ValueExists("DFe", "Senha") && DecodificarBase64(ini.ReadString("DFe", "Senha", ""), bytes))
    o.Senha = EmbaralharXor(bytes, chave);
  o.NumeroSerie = ini.ReadString("DFe", "NumeroSerie", o.NumeroSerie);
  SetOrigem(o);
  SetVerificarValidade(ini.ReadBool("DFe", "VerificarValidade", fVerificarValidade));
}

// ---- RespTec --------------------------------------------------------------------------------

TRespTecConf::TRespTecConf(TConfiguracoes* root) : TConfiguracaoNo(root, "RespTecConf") {}

void TRespTecConf::CopiarDe(const TRespTecConf& src) {
  SetIdCSRT(src.IdCSRT());
  SetCSRT(src.CSRT());
}

void TRespTecConf::SalvarIni(TTuimIni& ini) const {
  const std::string& s = Root().SecaoIni();
  if (s.empty()) return;
  ini.WriteInteger(s, "IdCSRT", fIdCSRT);
  ini.WriteString(s, "CSRT", fCSRT);
}

void TRespTecConf::CarregarIni(const TTuimIni& ini) {
  const std::string& s = Root().SecaoIni();
  if (s.empty()) return;
  SetIdCSRT(ini.ReadInteger(s, "IdCSRT", fIdCSRT));
  SetCSRT(ini.ReadString(s, "CSRT", fCSRT));
}

// ---- Root -----------------------------------------------------------------------------------

TTuimDFe* TConfiguracoes::ChecarDono(TTuimComponent* owner) {
  if (!owner) return nullptr;
  auto* d = dynamic_cast<TTuimDFe*>(owner);
  if (!d) throw ETuimDFeException("Owner de TConfiguracoes deve ser do tipo TTuimDFe");
  return d;
}

TConfiguracoes::TConfiguracoes(TTuimComponent* owner, SemNos)
    : TTuimComponent((ChecarDono(owner), owner)), fDono(ChecarDono(owner)) {}

TConfiguracoes::TConfiguracoes(TTuimComponent* owner) : TConfiguracoes(owner, SemNos{}) { CriarNos(); }

void TConfiguracoes::CriarNos() {
  fGeral = CriarGeral();
  fWebServices = CriarWebServices();
  fCertificados = CriarCertificados();
  fArquivos = CriarArquivos();
  fRespTec = CriarRespTec();
}

TConfiguracoes::~TConfiguracoes() {
  fGeral.reset();
  fWebServices.reset();
  fCertificados.reset();
  fArquivos.reset();
  fRespTec.reset();
}

std::unique_ptr<TGeralConf> TConfiguracoes::CriarGeral() { return std::make_unique<TGeralConf>(this); }
std::unique_ptr<TWebServicesConf> TConfiguracoes::CriarWebServices() { return std::make_unique<TWebServicesConf>(this); }
std::unique_ptr<TCertificadosConf> TConfiguracoes::CriarCertificados() {
  return std::make_unique<TCertificadosConf>(this);
}
std::unique_ptr<TArquivosConf> TConfiguracoes::CriarArquivos() { return std::make_unique<TArquivosConf>(this); }
std::unique_ptr<TRespTecConf> TConfiguracoes::CriarRespTec() { return std::make_unique<TRespTecConf>(this); }

void TConfiguracoes::CopiarDe(const TConfiguracoes& src) {
  fGeral->CopiarDe(*src.fGeral);
  fWebServices->CopiarDe(*src.fWebServices);
  fCertificados->CopiarDe(*src.fCertificados);
  fArquivos->CopiarDe(*src.fArquivos);
  fRespTec->CopiarDe(*src.fRespTec);
}

void TConfiguracoes::SalvarIni(TTuimIni& ini) const {
  fGeral->SalvarIni(ini);
  fWebServices->SalvarIni(ini);
  fCertificados->SalvarIni(ini);
  fArquivos->SalvarIni(ini);
  fRespTec->SalvarIni(ini);
}

void TConfiguracoes::CarregarIni(const TTuimIni& ini) {
  fGeral->CarregarIni(ini);
  fWebServices->CarregarIni(ini);
  fCertificados->CarregarIni(ini);
  fArquivos->CarregarIni(ini);
  fRespTec->CarregarIni(ini);
}

TConfiguracoesNFe::TConfiguracoesNFe(TTuimComponent* owner) : TConfiguracoes(owner, SemNos{}) {
  CriarNos();
  SetSecaoIni("NFe");
  WebServices().SetRecursoServicos("TuimNFeServicos");
}

std::unique_ptr<TGeralConf> TConfiguracoesNFe::CriarGeral() { return std::make_unique<TGeralConfNFe>(this); }
std::unique_ptr<TArquivosConf> TConfiguracoesNFe::CriarArquivos() { return std::make_unique<TArquivosConfNFe>(this); }

}  // namespace tuim
