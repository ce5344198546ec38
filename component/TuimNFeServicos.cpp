// The component's side of the web-service catalogue: where its text comes from, the lookups
// with the schema check, and the NFC-e addresses.
#include <openssl/evp.h>

#include <vector>

#include "component/TuimCatalogo.h"
#include "component/TuimConfiguracoes.h"
#include "component/TuimNFe.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"

namespace tuim {

std::string TWebServicesConf::TextoServicosDoArquivo() {
  std::string arquivo = Root().Arquivos().IniServicos();
  std::string texto;
  if (arquivo.empty() || !ArquivoExiste(arquivo) || !LerArquivo(arquivo, texto)) return "";
  return texto;
}

std::string TWebServicesConf::TextoServicosDoRecurso() { return TextoServicosEmbutido(); }

void TWebServicesConf::CarregarParams() {
  std::string texto = TextoServicosDoArquivo();
  if (texto.empty()) texto = TextoServicosDoRecurso();
  fParams = DividirLinhas(texto);
}

void TTuimDFe::CarregarCatalogo(bool verificar) {
  if (verificar && fCatalogoCarregado) return;
  TWebServicesConf& ws = fConfiguracoes->WebServices();
  if (ws.Params().empty()) ws.CarregarParams();
  std::string texto;
  for (const auto& l : ws.Params()) texto += l + "\n";
  fCatalogo->Carregar(texto);
  fCatalogoCarregado = true;
}

std::string TTuimDFe::LerChaveVersionada(const std::string& secao, const std::string& servico, double& versao) {
  CarregarCatalogo(true);
  return fCatalogo->LerChaveVersionada(secao, servico, versao);
}

void TTuimDFe::LocalizarServico(const std::string& modelo, const std::string& uf, TfscTipoAmbiente ambiente,
                                const std::string& servico, double& versao, std::string& url, std::string& servicoNS,
                                std::string& soapAction) {
  CarregarCatalogo(true);
  TCatalogoServicos::TResultado r = fCatalogo->LocalizarServico(
      modelo, uf, ambiente == taProducao, servico, versao, fConfiguracoes->WebServices().RecursoServicos());
  url = r.URL;
  servicoNS = r.Servico;
  soapAction = r.SoapAction;
  double trabalho = r.Versao;
  std::string schema = NomeSchemaDoServico(servico);
  if (!schema.empty()) {
    // The schema is looked up for the version the catalogue found, not the one requested.
    double v = trabalho > 0 ? trabalho : versao;
    LocalizarSchema(schema, v);
    if (v > 0) trabalho = v;
  }
  if (trabalho > 0) versao = trabalho;
}

std::string TTuimDFe::LocalizarURL(const std::string& modelo, const std::string& uf, TfscTipoAmbiente ambiente,
                                   const std::string& servico, double versao) {
  std::string url, ns, acao;
  LocalizarServico(modelo, uf, ambiente, servico, versao, url, ns, acao);
  return url;
}

double TTuimDFe::LocalizarVersao(const std::string& modelo, const std::string& uf, TfscTipoAmbiente ambiente,
                                 const std::string& servico, double versao) {
  std::string url, ns, acao;
  LocalizarServico(modelo, uf, ambiente, servico, versao, url, ns, acao);
  return versao;
}

void TTuimNFe::LocalizarServicoLayout(TfscLayOut layout, double& versao, std::string& soapAction,
                                      std::string& servicoNS, std::string& url) {
  soapAction.clear();
  servicoNS.clear();
  url.clear();
  const TGeralConfNFe& g = Configuracoes().Geral();
  std::string uf = Configuracoes().WebServices().UF();
  if (g.FormaEmissao() == teSVCAN)
    uf = "SVC-AN";
  else if (g.FormaEmissao() == teSVCRS)
    uf = "SVC-RS";
  versao = VersaoDFParaNumero(g.VersaoDF());
  LocalizarServico(ModeloDFParaNome(g.ModeloDF()), uf, Configuracoes().WebServices().Ambiente(),
                   LayOutParaServico(layout), versao, url, servicoNS, soapAction);
}

std::string TTuimNFe::VersaoServicoLayout(TfscLayOut layout) {
  const TGeralConfNFe& g = Configuracoes().Geral();
  double v = LocalizarVersao(ModeloDFParaNome(g.ModeloDF()), Configuracoes().WebServices().UF(),
                             Configuracoes().WebServices().Ambiente(), LayOutParaServico(layout),
                             VersaoDFParaNumero(g.VersaoDF()));
  return FormatarVersaoCatalogo(v);
}

std::string TTuimNFe::URLConsultaNFCe(int cUF, TfscTipoAmbiente ambiente, double versaoDF) {
  bool ok = false;
  TfscVersaoQrCode q = VersaoQRCodeEfetiva(Configuracoes().Geral().VersaoQRCode(), NumeroParaVersaoDF(ok, versaoDF));
  return LocalizarURL("NFCe", CodigoParaUF(cUF), ambiente, "URL-ConsultaNFCe", VersaoQrCodeParaNumero(q));
}

std::string TTuimNFe::URLQRCode(int cUF, TfscTipoAmbiente ambiente, const std::string& chave,
                                const std::string& destinatario, TDateTime dhEmi, TCurrency vNF, TCurrency vICMS,
                                const std::string& digestValue, double versaoDF) {
  const TGeralConfNFe& g = Configuracoes().Geral();
  bool ok = false;
  TfscVersaoQrCode q = VersaoQRCodeEfetiva(g.VersaoQRCode(), NumeroParaVersaoDF(ok, versaoDF));
  std::string uf = CodigoParaUF(cUF);
  std::string base = LocalizarURL("NFCe", uf, ambiente, "URL-QRCode", VersaoQrCodeParaNumero(q));

  // An alphanumeric issuer CNPJ keeps its letters in the key.
  std::string ch;
  for (char c : chave)
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) ch += c;
  std::string dest = Trim(destinatario);

  ConfiguracaoFusoHorario().Assign(Configuracoes().WebServices().TimeZoneConf());
  std::string dataHex = TextoParaHex(DataHoraParaISO(dhEmi) + FusoHorario(uf, dhEmi));
  std::string digestHex = TextoParaHex(digestValue);
  if (cUF == 35 || cUF == 41 || cUF == 50) {
    dataHex = LowerCase(dataHex);
    digestHex = LowerCase(digestHex);
  }

  std::string token = g.CSC();
  if (token.empty() && ch.size() >= 14) token = ch.substr(6, 8) + "47" + ch.substr(2, 2);

  std::int64_t id = TextoNumerico(g.IdCSC()) ? TextoParaInteiroPadrao(g.IdCSC(), 0) : 0;
  std::string idToken = q < veqr200 ? InteiroComZerosEsquerda(id, 6) : std::to_string(id);
  std::string total = vNF.ToString(2), icms = vICMS.ToString(2);

  std::string params;
  if (q < veqr200) {
    params = "chNFe=" + ch + "&nVersao=100&tpAmb=" + TipoAmbienteParaTexto(ambiente);
    if (!dest.empty()) params += "&cDest=" + dest;
    params += "&dhEmi=" + dataHex + "&vNF=" + total + "&vICMS=" + icms + "&digVal=" + digestHex + "&cIdToken=";
  } else {
    params = ch + "|" + VersaoQrCodeParaTexto(q) + "|" + TipoAmbienteParaTexto(ambiente) + "|";
    if (ch.size() >= 35 && ch[34] == '9') {
      int a = 0, m = 0, d = 0;
      DecodeDate(dhEmi, a, m, d);
      params += InteiroComZerosEsquerda(d, 2) + "|" + total + "|" + digestHex + "|";
    }
  }

  std::string entrada = params + idToken + token;
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  if (EVP_Digest(entrada.data(), entrada.size(), md, &n, EVP_sha1(), nullptr) != 1)
    throw ETuimDFeException("Falha ao calcular o SHA-1 do QR Code");
  std::string hash = TextoParaHex(std::string(reinterpret_cast<const char*>(md), n));

  if (q < veqr200) return base + (base.find('?') != std::string::npos ? "&" : "?") + params + idToken +
                          "&cHashQRCode=" + hash;
  if (base.find("?p=") == std::string::npos) base += "?p=";
  return base + params + idToken + "|" + hash;
}

}  // namespace tuim
