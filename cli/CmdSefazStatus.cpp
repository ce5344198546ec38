// `tuim sefaz status`: one service-status query through the web-service round trip.
#include <cstdlib>
#include <initializer_list>
#include <iostream>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "component/TuimCatalogo.h"
#include "component/TuimNFe.h"
#include "fiscal/TuimIni.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "fiscal/fscConversaoNFe.h"
#include "services/TuimMensagensNFe.h"
#include "services/TuimServicosEnvio.h"
#include "services/TuimServicosNFe.h"
#include "services/TuimWebServices.h"
#include "transport/TuimTransporte.h"

namespace tuim::cli {
namespace {

// The configuration every `tuim sefaz` service call shares; -1 when it is complete, else the
// exit code of the usage error already printed. --config loads an INI first, and then only the
// options given override it; without it the defaults below stand. --url names the address of
// `servico` in the section of `ufSecao` (the configured state when empty).
int Configurar(Args& a, TTuimNFe& nfe, const std::string& servico, const std::string& ufSecao = "") {
  const bool comIni = a.Has("config");
  auto& c = nfe.Configuracoes();
  if (comIni) {
    TTuimIni ini;
    if (!ini.LoadFromFile(a.Get("config"))) return UsageError("não foi possível ler " + a.Get("config"));
    try {
      c.CarregarIni(ini);
    } catch (const std::exception& e) {
      // A value the setters refuse, such as a malformed time-zone offset.
      std::cerr << "tuim: " << a.Get("config") << ": " << ParaUTF8(e.what()) << "\n";
      return kExitInvalid;
    }
  }
  // An option's value, or its default when there is no INI to take it from; empty: keep the INI's.
  auto opcao = [&](const char* nome, const char* padrao) { return a.Has(nome) || !comIni ? a.Get(nome, padrao) : ""; };
  const std::string modelo = opcao("modelo", "55"), ambiente = opcao("ambiente", "homologacao");
  const std::string uf = UpperCase(a.Get("uf")), versao = opcao("versao", "4.00"), lib = opcao("lib", "winhttp");
  if (!modelo.empty() && modelo != "55" && modelo != "65") return UsageError("--modelo deve ser 55 ou 65");
  if (!ambiente.empty() && ambiente != "producao" && ambiente != "homologacao")
    return UsageError("--ambiente deve ser producao ou homologacao");
  if (uf.empty() && !comIni) return UsageError("informe --uf");
  const TCertificadosConf& cert = c.Certificados();
  if (!a.Has("pfx") && (!comIni || (cert.ArquivoPFX().empty() && cert.DadosPFX().empty() && cert.NumeroSerie().empty())))
    return UsageError("informe --pfx com o certificado do emitente");
  if (!versao.empty()) {
    const std::string v = FormatarVersaoCatalogo(LerVersaoCatalogo(versao));
    if (v != "2.00" && v != "3.00" && v != "3.10" && v != "4.00") return UsageError("--versao inválida: " + versao);
  }
  TSSLHttpLib http = c.Geral().SSLHttpLib();
  if (lib == "winhttp" || (lib.empty() && http == httpNone))
    http = httpWinHttp;
  else if (lib == "wininet")
    http = httpWinINet;
  else if (lib == "openssl")
    http = httpOpenSSL;
  else if (!lib.empty())
    return UsageError("--lib deve ser winhttp, wininet ou openssl");
  long timeout = 0;
  if (a.Has("timeout")) {
    char* fim = nullptr;
    const std::string t = a.Get("timeout");
    timeout = std::strtol(t.c_str(), &fim, 10);
    if (t.empty() || *fim || timeout <= 0 || timeout > 2147483647L) return UsageError("--timeout inválido: " + t);
  }

  if (!uf.empty()) {
    c.WebServices().SetUF(uf);
    if (c.WebServices().UF() != uf) return UsageError("--uf inválida: " + a.Get("uf"));
  }
  if (!ambiente.empty()) c.WebServices().SetAmbiente(ambiente == "producao" ? taProducao : taHomologacao);
  if (!modelo.empty()) c.Geral().SetModeloDF(modelo == "55" ? moNFe : moNFCe);
  bool ok = false;
  if (!versao.empty()) c.Geral().SetVersaoDF(NumeroParaVersaoDF(ok, LerVersaoCatalogo(versao)));
  // A certificate file is read here; an INI may name a token instead, through its own library.
  if (a.Has("pfx") || c.Geral().SSLCryptLib() == cryNone) c.Geral().SetSSLCryptLib(cryOpenSSL);
  c.Geral().SetSSLHttpLib(http);
  if (!comIni || c.Geral().SSLXmlSignLib() == xsNone) c.Geral().SetSSLXmlSignLib(xsLibXml2);
  if (a.Has("pfx")) {
    c.Certificados().SetArquivoPFX(a.Get("pfx"));
    c.Certificados().SetSenha(DeUTF8(a.Get("senha")));
  }
  if (a.Has("timeout")) c.WebServices().SetTimeOut(static_cast<int>(timeout));
  if (a.Has("schemas")) c.Arquivos().SetPathSchemas(a.Get("schemas"));
  if (a.Has("catalogo")) c.Arquivos().SetIniServicos(a.Get("catalogo"));
  // Files only where asked for: by --salvar, or by the INI when one is given.
  if (a.Has("salvar") || !comIni) {
    c.Geral().SetSalvar(a.Has("salvar"));
    c.WebServices().SetSalvar(a.Has("salvar"));
    c.Arquivos().SetSalvar(a.Has("salvar"));
  }
  if (a.Has("salvar")) c.Arquivos().SetPathSalvar(a.Get("salvar"));
  if (a.Has("url")) {
    // A one-section catalogue naming the given address for this model, state and environment.
    const std::string versaoTexto = FormatarVersaoCatalogo(VersaoDFParaNumero(c.Geral().VersaoDF()));
    const std::string secao = nfe.NomeModeloDFe() + "_" + (ufSecao.empty() ? c.WebServices().UF() : ufSecao) + "_" +
                              (c.WebServices().Ambiente() == taProducao ? "P" : "H");
    c.WebServices().SetParams(
        {"[" + secao + "]", servico + "_" + versaoTexto + "=" + DeUTF8(a.Get("url"))});
    nfe.CarregarCatalogo(false);
  }
  // The INI's bundle of authorities stands unless --cacert names another.
  TVerificacaoServidor v;
  v.ArquivoCA = a.Get("cacert");
  DefinirVerificacaoServidor(nfe.SSL(), v);
  return -1;
}

const char* const kOpcoesSefaz =
    "                       (--uf UF --pfx ARQUIVO [--senha SENHA] | --config INI) [--modelo 55|65]\n"
    "                       [--ambiente producao|homologacao] [--url URL] [--versao 4.00|3.10]\n"
    "                       [--cacert ARQUIVO] [--lib winhttp|wininet|openssl] [--timeout MS]\n"
    "                       [--salvar PASTA] [--schemas PASTA] [--catalogo ARQUIVO] [--json]\n"
    "  --config INI   configuração do componente (seções \"DFe\", \"NFe\", \"Proxy\"); as opções dadas\n"
    "                 prevalecem sobre ela e as outras ficam como o arquivo diz\n";

// The options every `tuim sefaz` service command takes, followed by the command's own.
std::vector<std::string> OpcoesSefaz(std::initializer_list<const char*> proprias) {
  std::vector<std::string> r = {"modelo", "uf",     "ambiente", "url",      "pfx",  "senha",  "cacert", "lib",
                                "timeout", "versao", "salvar",  "schemas", "catalogo", "json", "config"};
  r.insert(r.end(), proprias.begin(), proprias.end());
  return r;
}

int Status(const std::vector<std::string>& words) {
  Args a(words, {"json"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown(OpcoesSefaz({})); !u.empty()) return UsageError("opção desconhecida: --" + u);
  TTuimNFe nfe;
  if (int rc = Configurar(a, nfe, "NfeStatusServico"); rc >= 0) return rc;
  TNFeStatusServico& s = nfe.WebServices().StatusServico();
  bool emOperacao = false;
  try {
    emOperacao = s.Executar();
  } catch (const std::exception& e) {
    return Falha(e.what());
  }
  if (a.Has("json")) {
    std::cout << "{\"cStat\": " << s.cStat() << ", \"xMotivo\": " << JsonString(ParaUTF8(s.xMotivo()))
              << ", \"verAplic\": " << JsonString(ParaUTF8(s.verAplic())) << ", \"URL\": " << JsonString(ParaUTF8(s.URL()))
              << ", \"Versao\": " << JsonString(s.VersaoDados()) << "}\n";
  } else {
    std::cout << "cStat=" << s.cStat() << "\nxMotivo=" << ParaUTF8(s.xMotivo()) << "\nverAplic=" << ParaUTF8(s.verAplic())
              << "\nURL=" << ParaUTF8(s.URL()) << "\nVersao=" << s.VersaoDados() << "\n";
  }
  return emOperacao ? kExitOk : kExitInvalid;
}

const SubCommandRegistrar kStatus(
    {"sefaz", "status", "consulta o status do serviço de uma autoridade fiscal",
     std::string("Uso: tuim sefaz status\n") + kOpcoesSefaz +
     "\nEnvia consStatServ pelo envelope SOAP 1.2 ao endereço do catálogo (ou a --url) com o certificado\n"
     "do emitente e mostra cStat=, xMotivo=, verAplic=, URL= e Versao=. Ambiente padrão: homologacao.\n"
     "--salvar grava o pedido e a resposta (com e sem envelope) na pasta. Saída 0 com cStat 107\n"
     "(serviço em operação), 1 com outro cStat ou com a mensagem do componente quando a chamada falha.\n",
     Status});


// Prints the answer's fields as KEY=value lines or one JSON object, values in UTF-8.
void Imprimir(bool json, const std::vector<std::pair<std::string, std::string>>& campos) {
  if (json) {
    std::cout << "{";
    for (std::size_t i = 0; i < campos.size(); ++i)
      std::cout << (i ? ", " : "") << JsonString(campos[i].first) << ": " << JsonString(ParaUTF8(campos[i].second));
    std::cout << "}\n";
  } else {
    for (const auto& [k, v] : campos) std::cout << k << "=" << ParaUTF8(v) << "\n";
  }
}

int Executar(TNFeWebService& s, bool& resultado) {
  try {
    resultado = s.Executar();
  } catch (const std::exception& e) {
    return Falha(e.what());
  }
  return -1;
}

int Consulta(const std::vector<std::string>& words) {
  Args a(words, {"json"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown(OpcoesSefaz({"chave"})); !u.empty()) return UsageError("opção desconhecida: --" + u);
  const std::string chave = a.Get("chave");
  if (chave.empty()) return UsageError("informe --chave");
  if (!ValidarChaveAcesso(chave)) return UsageError("--chave inválida: " + ParaUTF8(MotivoChaveInvalida(chave)));
  TTuimNFe nfe;
  // The key's state answers the query.
  if (int rc = Configurar(a, nfe, "NfeConsultaProtocolo", CodigoUFParaSigla(UFDaChave(chave))); rc >= 0) return rc;
  TNFeConsulta& s = nfe.WebServices().Consulta();
  s.SetNFeChave(chave);
  bool ok = false;
  if (int rc = Executar(s, ok); rc >= 0) return rc;
  Imprimir(a.Has("json"), {{"cStat", std::to_string(s.cStat())}, {"xMotivo", s.xMotivo()}, {"Protocolo", s.Protocolo()},
                           {"Mensagem", s.Mensagem()}, {"URL", s.URL()}, {"Versao", s.VersaoDados()},
                           {"Situacao", SituacaoConsultaParaTexto(s.Situacao())}});
  return ok ? kExitOk : kExitInvalid;
}

int Cadastro(const std::vector<std::string>& words) {
  Args a(words, {"json"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown(OpcoesSefaz({"ie", "cnpj", "cpf"})); !u.empty()) return UsageError("opção desconhecida: --" + u);
  if (!a.Has("ie") && !a.Has("cnpj") && !a.Has("cpf")) return UsageError("informe --ie, --cnpj ou --cpf");
  TTuimNFe nfe;
  if (int rc = Configurar(a, nfe, "NfeConsultaCadastro"); rc >= 0) return rc;
  TNFeConsultaCadastro& s = nfe.WebServices().ConsultaCadastro();
  s.IE = DeUTF8(a.Get("ie"));
  s.CNPJ = DeUTF8(a.Get("cnpj"));
  s.CPF = DeUTF8(a.Get("cpf"));
  bool ok = false;
  if (int rc = Executar(s, ok); rc >= 0) return rc;
  std::vector<std::pair<std::string, std::string>> campos = {{"cStat", std::to_string(s.cStat())}, {"xMotivo", s.xMotivo()}};
  TInfCadCollection& cad = s.RetConsCad().InfCad();
  for (int i = 0; i < cad.Count(); ++i)
    if (!cad[i].IE.empty() || !cad[i].xNome.empty()) {
      const std::string n = std::to_string(i + 1);
      campos.push_back({"IE" + n, cad[i].IE});
      campos.push_back({"xNome" + n, cad[i].xNome});
      campos.push_back({"cSit" + n, std::to_string(cad[i].cSit)});
    }
  Imprimir(a.Has("json"), campos);
  return ok ? kExitOk : kExitInvalid;
}

int Inteiro(const std::string& t, int& v) {
  char* fim = nullptr;
  long n = std::strtol(t.c_str(), &fim, 10);
  if (t.empty() || *fim || n < 0 || n > 999999999L) return 0;
  v = static_cast<int>(n);
  return 1;
}

int Inutilizar(const std::vector<std::string>& words) {
  Args a(words, {"json"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown(OpcoesSefaz({"cnpj", "serie", "ano", "inicial", "final", "justificativa"})); !u.empty())
    return UsageError("opção desconhecida: --" + u);
  int serie = 0, ano = 0, ini = 0, fim = 0;
  if (!Inteiro(a.Get("serie"), serie) || !Inteiro(a.Get("ano"), ano) || !Inteiro(a.Get("inicial"), ini) ||
      !Inteiro(a.Get("final"), fim))
    return UsageError("informe --serie, --ano, --inicial e --final como números");
  if (!a.Has("cnpj") || !a.Has("justificativa")) return UsageError("informe --cnpj e --justificativa");
  TTuimNFe nfe;
  if (int rc = Configurar(a, nfe, "NfeInutilizacao"); rc >= 0) return rc;
  TNFeInutilizacao& s = nfe.WebServices().Inutilizacao();
  s.CNPJ = DeUTF8(a.Get("cnpj"));
  s.Modelo = nfe.Configuracoes().Geral().ModeloDF() == moNFe ? 55 : 65;
  s.Serie = serie;
  s.Ano = ano;
  s.NumeroInicial = ini;
  s.NumeroFinal = fim;
  s.Justificativa = DeUTF8(a.Get("justificativa"));
  bool ok = false;
  if (int rc = Executar(s, ok); rc >= 0) return rc;
  Imprimir(a.Has("json"), {{"cStat", std::to_string(s.cStat())}, {"xMotivo", s.xMotivo()}, {"Protocolo", s.Protocolo()},
                           {"ID", s.ID()}, {"Arquivo", s.NomeArquivo()}});
  return ok ? kExitOk : kExitInvalid;
}

const SubCommandRegistrar kConsulta(
    {"sefaz", "consulta", "consulta o protocolo de uma chave de acesso",
     std::string("Uso: tuim sefaz consulta --chave CHAVE\n") + kOpcoesSefaz +
         "\nEnvia consSitNFe ao estado da chave e mostra cStat=, xMotivo=, Protocolo= (o do cancelamento\n"
         "quando houver), Mensagem=, URL=, Versao= e Situacao= (autorizada, cancelada, denegada,\n"
         "nao-encontrada ou rejeitada). Saída 0 com NF-e autorizada ou cancelada; uma denegada sai com 1.\n",
     Consulta});

const SubCommandRegistrar kCadastro(
    {"sefaz", "cadastro", "consulta o cadastro de contribuintes de uma UF",
     std::string("Uso: tuim sefaz cadastro (--ie IE | --cnpj CNPJ | --cpf CPF)\n") + kOpcoesSefaz +
         "\nEnvia ConsCad à UF de --uf e mostra cStat=, xMotivo= e, por inscrição encontrada, IEn=, xNomen=\n"
         "e cSitn=. Saída 0 com cStat 111 ou 112.\n",
     Cadastro});

const SubCommandRegistrar kInutilizar(
    {"sefaz", "inutilizar", "inutiliza uma faixa de numeração (pedido assinado)",
     std::string("Uso: tuim sefaz inutilizar --cnpj CNPJ --serie N --ano AA --inicial N --final N\n"
                 "                       --justificativa TEXTO\n") +
         kOpcoesSefaz +
         "\nAssina inutNFe com o certificado e envia. Mostra cStat=, xMotivo=, Protocolo=, ID= e Arquivo=\n"
         "(o procInutNFe gravado com --salvar). Saída 0 com cStat 102.\n",
     Inutilizar});

}  // namespace
}  // namespace tuim::cli

namespace tuim::cli {

// The configuration, options and their help text of `tuim sefaz status` for the other service
// commands.
int ConfigurarSefaz(Args& a, TTuimNFe& nfe, const std::string& servico, const std::string& ufSecao) {
  return Configurar(a, nfe, servico, ufSecao);
}
std::vector<std::string> OpcoesSefazComuns(std::initializer_list<const char*> proprias) { return OpcoesSefaz(proprias); }
const char* TextoOpcoesSefaz() { return kOpcoesSefaz; }

}  // namespace tuim::cli
