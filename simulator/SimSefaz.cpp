#include "simulator/SimSefaz.h"

#include <libxml/tree.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iostream>
#include <thread>

#include "fiscal/TuimUtil.h"
#include "simulator/SimUtil.h"

namespace tuim::sim {

const TChaveCatalogo kChavesCatalogo[] = {
    {"NfeStatusServico_4.00", "NFeStatusServico4"},     {"NfeAutorizacao_4.00", "NFeAutorizacao4"},
    {"NfeRetAutorizacao_4.00", "NFeRetAutorizacao4"},   {"NfeConsultaProtocolo_4.00", "NFeConsultaProtocolo4"},
    {"NfeInutilizacao_4.00", "NFeInutilizacao4"},       {"RecepcaoEvento_4.00", "NFeRecepcaoEvento4"},
    {"NfeConsultaCadastro_4.00", "CadConsultaCadastro4"}, {"NFeDistribuicaoDFe_1.01", "NFeDistribuicaoDFe"},
    {"AdministrarCSCNFCe_1.00", "CscNFCe"},             {"EventoEPEC_1.00", "NFeRecepcaoEvento4"},
};
const std::size_t kNumChavesCatalogo = sizeof kChavesCatalogo / sizeof kChavesCatalogo[0];

namespace {

const char* const kSoap12 = "http://www.w3.org/2003/05/soap-envelope";

struct TServico {
  const char* nome;
  const char* metodo;
  const char* resultado;  // element around the answer
  const char* resposta;   // element around the result, empty for none
};

const TServico kServicos[] = {
    {"NFeStatusServico4", "nfeStatusServicoNF", "nfeResultMsg", ""},
    {"NFeAutorizacao4", "nfeAutorizacaoLote", "nfeResultMsg", ""},
    {"NFeRetAutorizacao4", "nfeRetAutorizacaoLote", "nfeResultMsg", ""},
    {"NFeConsultaProtocolo4", "nfeConsultaNF", "nfeResultMsg", ""},
    {"NFeInutilizacao4", "nfeInutilizacaoNF", "nfeResultMsg", ""},
    {"NFeRecepcaoEvento4", "nfeRecepcaoEvento", "nfeResultMsg", ""},
    {"CadConsultaCadastro4", "consultaCadastro", "nfeResultMsg", ""},
    {"NFeDistribuicaoDFe", "nfeDistDFeInteresse", "nfeDistDFeInteresseResult", "nfeDistDFeInteresseResponse"},
    {"CscNFCe", "admCscNFCe", "nfeResultMsg", ""},
};

const TServico* AcharServico(const std::string& nome) {
  for (const auto& s : kServicos)
    if (nome == s.nome) return &s;
  return nullptr;
}

std::string Tag(const char* nome, const std::string& valor) {
  return std::string("<") + nome + ">" + Escapar(valor) + "</" + nome + ">";
}

std::string Envelope(const TServico& s, const std::string& ret) {
  std::string ns = std::string(kNsWsdl) + s.nome;
  std::string r = std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope xmlns:soap=\"") + kSoap12 +
                  "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                  "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap:Body>";
  if (*s.resposta)
    r += std::string("<") + s.resposta + " xmlns=\"" + ns + "\"><" + s.resultado + ">" + ret + "</" + s.resultado +
         "></" + s.resposta + ">";
  else
    r += std::string("<") + s.resultado + " xmlns=\"" + ns + "\">" + ret + "</" + s.resultado + ">";
  return r + "</soap:Body></soap:Envelope>";
}

TRespostaHttp Falta(const std::string& motivo, const char* codigo = "soap:Sender") {
  TRespostaHttp r;
  r.status = 500;
  r.corpo = std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope xmlns:soap=\"") + kSoap12 +
            "\"><soap:Body><soap:Fault><soap:Code><soap:Value>" + codigo +
            "</soap:Value></soap:Code><soap:Reason><soap:Text xml:lang=\"pt-BR\">" + Escapar(motivo) +
            "</soap:Text></soap:Reason></soap:Fault></soap:Body></soap:Envelope>";
  return r;
}

// Schema file of an event batch, by the type of its first event.
std::string SchemaEvento(const std::string& tp) {
  if (tp == "110111") return "envEventoCancNFe_v1.00.xsd";
  if (tp == "110110") return "envCCe_v1.00.xsd";
  if (tp == "110112") return "envEventoCancSubst_v1.00.xsd";
  if (tp == "110140") return "envEPEC_v1.00.xsd";
  if (tp == "210200" || tp == "210210" || tp == "210220" || tp == "210240") return "envConfRecebto_v1.00.xsd";
  return "envEvento_v1.00.xsd";
}

std::string DescricaoEvento(const std::string& tp) {
  if (tp == "110111") return "Cancelamento registrado";
  if (tp == "110110") return "Carta de Correção registrada";
  if (tp == "110112") return "Cancelamento por substituição registrado";
  if (tp == "110140") return "EPEC registrado";
  if (tp == "210200") return "Confirmação da Operação registrada";
  if (tp == "210210") return "Ciência da Operação registrada";
  if (tp == "210220") return "Desconhecimento da Operação registrado";
  if (tp == "210240") return "Operação não Realizada registrada";
  return "Evento registrado";
}

}  // namespace

std::string ServicoCanonico(const std::string& nome) {
  if (nome == "*") return "*";
  const std::string u = UpperCase(nome);
  for (const auto& s : kServicos)
    if (u == UpperCase(s.nome)) return s.nome;
  for (std::size_t i = 0; i < kNumChavesCatalogo; ++i) {
    std::string k = kChavesCatalogo[i].chave;
    if (u == UpperCase(k.substr(0, k.find('_')))) return kChavesCatalogo[i].servico;
  }
  return "";
}

struct TSefaz::TContexto {
  const TServico* servico = nullptr;
  std::string modelo;       // "NFe" or "NFCe"
  std::string autoridade;   // state, "SVRS", "AN"...
  std::string tpAmb;        // of the address: "1" production, "2" homologation
  std::string cnpjCliente;
  xmlDocPtr doc = nullptr;  // the message, as its own document
  xmlNodePtr raiz = nullptr;
  std::string cUF() const {
    if (int c = CodigoUF(autoridade)) return std::to_string(c);
    return autoridade == "AN" ? "91" : cUFPadrao;
  }
  std::string cUFPadrao;
};

TSefaz::TSefaz(const std::string& pasta, const std::string& pastaSchemas)
    : fPasta(pasta),
      fBanco(std::make_unique<TBanco>(pasta + "/sefaz.db")),
      fSchemas(pastaSchemas),
      fVerificador(pasta + "/ca.pem") {}

std::string TSefaz::NovoProtocolo(const std::string& cUF) {
  std::string ano = DataHora().substr(2, 2);
  return "1" + Zeros(std::atoi(cUF.c_str()), 2) + ano + Zeros(fBanco->Proximo("nprot"), 10);
}

void TSefaz::AdicionarNSU(const std::string& cnpj, const std::string& schema, const std::string& xml) {
  if (cnpj.empty()) return;
  fBanco->Executar("INSERT INTO nsu (cnpj, schema, xml) VALUES (?, ?, ?)", {cnpj, schema, xml});
}

TRespostaHttp TSefaz::Atender(const std::string& alvo, const std::string& corpo, const std::string& acao,
                              const std::string& cnpjCliente) {
  // /ws/MODEL/AUTHORITY/ENVIRONMENT/SERVICE
  std::vector<std::string> partes;
  for (std::size_t i = 1; i <= alvo.size();) {
    std::size_t f = alvo.find('/', i);
    if (f == std::string::npos) f = alvo.size();
    partes.push_back(alvo.substr(i, f - i));
    i = f + 1;
  }
  const TServico* sv = partes.size() == 5 && partes[0] == "ws" ? AcharServico(partes[4]) : nullptr;
  if (!sv || (partes[1] != "NFe" && partes[1] != "NFCe") || (partes[3] != "P" && partes[3] != "H")) {
    TRespostaHttp r;
    r.status = 404;
    return r;
  }
  TContexto c;
  c.servico = sv;
  c.modelo = partes[1];
  c.autoridade = partes[2];
  c.tpAmb = partes[3] == "P" ? "1" : "2";
  c.cnpjCliente = cnpjCliente;
  c.cUFPadrao = std::to_string(CodigoUF(fBanco->Config("uf", "SP")));

  // An armed fault for this service, or for every service.
  std::string falha;
  if (fBanco->Primeira("SELECT 1 FROM falhas WHERE restantes > 0 LIMIT 1")) {
    TBanco::TTransacao t(*fBanco);
    auto f = fBanco->Primeira(
        "SELECT n, tipo FROM falhas WHERE restantes > 0 AND (servico = ? OR servico = '*') ORDER BY n LIMIT 1",
        {sv->nome});
    if (f) {
      falha = (*f)[1];
      fBanco->Executar("UPDATE falhas SET restantes = restantes - 1 WHERE n = ?", {(*f)[0]});
      fBanco->Executar("DELETE FROM falhas WHERE restantes <= 0");
    }
    t.Confirmar();
  }
  if (falha == "http500") return Falta("Erro interno simulado", "soap:Receiver");
  if (falha == "vazio") return TRespostaHttp{};
  if (falha.rfind("atraso:", 0) == 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(falha.c_str() + 7)));

  TDocXml env = LerXml(corpo);
  xmlNodePtr raiz = env.doc ? xmlDocGetRootElement(env.doc) : nullptr;
  if (!raiz || Nome(raiz) != "Envelope" || !raiz->ns || std::strcmp((const char*)raiz->ns->href, kSoap12) != 0)
    return Falta("Envelope SOAP 1.2 ausente ou mal formado");
  const std::string ns = std::string(kNsWsdl) + sv->nome;
  const std::string acaoEsperada = ns + "/" + sv->metodo;
  bool zip = false;
  if (!acao.empty() && acao != acaoEsperada) {
    if (std::string(sv->nome) == "NFeAutorizacao4" && acao == acaoEsperada + "ZIP")
      zip = true;
    else
      return Falta("Ação SOAP desconhecida: " + acao);
  }
  xmlNodePtr body = nullptr;
  for (xmlNodePtr n = PrimeiroElemento(raiz); n; n = n->next)
    if (n->type == XML_ELEMENT_NODE && Nome(n) == "Body") body = n;
  xmlNodePtr dados = PrimeiroElemento(body);
  if (!dados || !dados->ns || ns != (const char*)dados->ns->href)
    return Falta("Elemento do corpo SOAP não pertence ao serviço " + std::string(sv->nome));
  // The distribution and one state's taxpayer query wrap nfeDadosMsg in the operation element.
  if (Nome(dados) == sv->metodo) dados = Filho(dados, "nfeDadosMsg");
  if (!dados) return Falta("nfeDadosMsg ausente");
  TDocXml msg;
  if (Nome(dados) == "nfeDadosMsgZip" && std::string(sv->nome) == "NFeAutorizacao4") {
    std::string bin, xml;
    if (!DeBase64(Texto(dados), bin) || !Descomprimir(bin, xml)) return Falta("nfeDadosMsgZip ilegível");
    msg = LerXml(xml);
    zip = true;
  } else if (Nome(dados) == "nfeDadosMsg" && !zip) {
    xmlNodePtr m = PrimeiroElemento(dados);
    if (!m) return Falta("nfeDadosMsg vazio");
    msg = CopiarComoDocumento(m);
  } else {
    return Falta("Elemento do corpo SOAP inesperado: " + Nome(dados));
  }
  if (!msg.doc) return Falta("Mensagem ilegível");
  c.doc = msg.doc;
  c.raiz = xmlDocGetRootElement(msg.doc);

  std::string ret;
  if (falha == "656") {
    ret = RetSimples(c, 656, "Rejeição: Consumo Indevido");
  } else if (falha.rfind("paralisado", 0) == 0) {
    bool semPrevisao = falha == "paralisado:109" && std::string(sv->nome) == "NFeStatusServico4";
    ret = RetSimples(c, semPrevisao ? 109 : 108,
                     semPrevisao ? "Serviço Paralisado sem Previsão" : "Serviço Paralisado Momentaneamente (curto prazo)");
  } else {
    try {
      const std::string n = sv->nome;
      if (n == "NFeStatusServico4") ret = Status(c);
      else if (n == "NFeAutorizacao4") ret = Autorizacao(c);
      else if (n == "NFeRetAutorizacao4") ret = RetAutorizacao(c);
      else if (n == "NFeConsultaProtocolo4") ret = ConsultaProtocolo(c);
      else if (n == "NFeInutilizacao4") ret = Inutilizacao(c);
      else if (n == "NFeRecepcaoEvento4") ret = Evento(c);
      else if (n == "CadConsultaCadastro4") ret = Cadastro(c);
      else if (n == "NFeDistribuicaoDFe") ret = Distribuicao(c);
      else ret = Csc(c);
    } catch (const std::exception& e) {
      std::cerr << "tuim-sefaz-sim: " << e.what() << "\n";
      return Falta(std::string("Erro interno: ") + e.what(), "soap:Receiver");
    }
  }
  TRespostaHttp r;
  r.corpo = Envelope(*sv, ret);
  r.cortar = falha == "corte";
  r.truncar = falha == "truncado";
  r.encerrar = falha == "encerrar";
  return r;
}

// The answer of a service that did not get to its own processing (schema, environment, fault).
std::string TSefaz::RetSimples(TContexto& c, int cStat, const std::string& xMotivo) {
  const std::string n = c.servico->nome, dh = DataHora();
  const std::string cs = Tag("cStat", std::to_string(cStat)) + Tag("xMotivo", xMotivo);
  const std::string amb = Tag("tpAmb", c.tpAmb) + Tag("verAplic", kVerAplic);
  const std::string nsv = std::string(" xmlns=\"") + kNsNFe + "\"";
  if (n == "NFeStatusServico4")
    return "<retConsStatServ versao=\"4.00\"" + nsv + ">" + amb + cs + Tag("cUF", c.cUF()) + Tag("dhRecbto", dh) +
           Tag("tMed", fBanco->Config("tmed", "1")) + "</retConsStatServ>";
  if (n == "NFeAutorizacao4")
    return "<retEnviNFe versao=\"4.00\"" + nsv + ">" + amb + cs + Tag("cUF", c.cUF()) + Tag("dhRecbto", dh) +
           "</retEnviNFe>";
  if (n == "NFeRetAutorizacao4") {
    std::string nRec = TextoDe(c.raiz, "nRec");
    if (nRec.size() != 15 || !TextoNumerico(nRec)) nRec = std::string(15, '0');
    return "<retConsReciNFe versao=\"4.00\"" + nsv + ">" + amb + Tag("nRec", nRec) + cs + Tag("cUF", c.cUF()) +
           Tag("dhRecbto", dh) + "</retConsReciNFe>";
  }
  if (n == "NFeConsultaProtocolo4") {
    std::string ch = TextoDe(c.raiz, "chNFe");
    if (ch.size() != 44 || !TextoNumerico(ch)) ch = std::string(44, '0');
    return "<retConsSitNFe versao=\"4.00\"" + nsv + ">" + amb + cs + Tag("cUF", c.cUF()) + Tag("dhRecbto", dh) +
           Tag("chNFe", ch) + "</retConsSitNFe>";
  }
  if (n == "NFeInutilizacao4")
    return "<retInutNFe versao=\"4.00\"" + nsv + "><infInut>" + amb + cs + Tag("cUF", c.cUF()) +
           Tag("dhRecbto", dh) + "</infInut></retInutNFe>";
  if (n == "NFeRecepcaoEvento4") {
    std::string lote = TextoDe(c.raiz, "idLote");
    if (!TextoNumerico(lote)) lote = "0";
    return "<retEnvEvento versao=\"1.00\"" + nsv + ">" + Tag("idLote", lote) + amb + Tag("cOrgao", c.cUF()) + cs +
           "</retEnvEvento>";
  }
  if (n == "CadConsultaCadastro4") {
    xmlNodePtr inf = Filho(c.raiz, "infCons");
    std::string id = "<CNPJ>00000000000000</CNPJ>";
    for (const char* k : {"IE", "CNPJ", "CPF"})
      if (xmlNodePtr x = Filho(inf, k)) {
        id = Tag(k, Texto(x));
        break;
      }
    std::string uf = TextoDe(inf, "UF");
    if (uf.size() != 2) uf = SiglaUF(std::atoi(c.cUF().c_str()));
    return "<retConsCad versao=\"2.00\"" + nsv + "><infCons>" + Tag("verAplic", kVerAplic) + cs + Tag("UF", uf) + id +
           Tag("dhCons", dh) + Tag("cUF", c.cUF()) + "</infCons></retConsCad>";
  }
  if (n == "NFeDistribuicaoDFe") {
    std::string ult = Zeros(std::atoll(TextoDe(c.raiz, "distNSU/ultNSU").c_str()), 15);
    return "<retDistDFeInt versao=\"1.01\"" + nsv + ">" + amb + cs + Tag("dhResp", dh) + Tag("ultNSU", ult) +
           Tag("maxNSU", ult) + "</retDistDFeInt>";
  }
  std::string indOp = TextoDe(c.raiz, "indOp");
  if (indOp.empty()) indOp = "1";
  return "<retAdmCscNFCe versao=\"1.00\"" + nsv + ">" + Tag("tpAmb", c.tpAmb) + Tag("indOp", indOp) + cs +
         "</retAdmCscNFCe>";
}

std::string TSefaz::Status(TContexto& c) {
  std::string erro;
  if (!fSchemas.Validar(c.doc, "consStatServ_v4.00.xsd", erro)) {
    std::cerr << "tuim-sefaz-sim: consStatServ: " << erro << "\n";
    return RetSimples(c, 215, "Rejeição: Falha no schema XML");
  }
  if (TextoDe(c.raiz, "tpAmb") != c.tpAmb)
    return RetSimples(c, 252, "Rejeição: Ambiente informado diverge do Ambiente de recebimento");
  if (CodigoUF(c.autoridade) && TextoDe(c.raiz, "cUF") != c.cUF())
    return RetSimples(c, 226, "Rejeição: Código da UF do Emitente diverge da UF autorizadora");
  // A shared authority answers for the state that asks.
  if (!CodigoUF(c.autoridade)) c.cUFPadrao = TextoDe(c.raiz, "cUF");
  return RetSimples(c, 107, "Serviço em Operação");
}

// One document of a batch: every check in the order the authorities apply them, then the
// protocol, stored with the document. Returns the protNFe text.
TSefaz::TNFeRecebida TSefaz::VerificarNFe(TContexto& c, xmlNodePtr nfeNo) {
  TDocXml nfeDoc = CopiarComoDocumento(nfeNo);
  xmlNodePtr nfe = xmlDocGetRootElement(nfeDoc.doc);
  xmlNodePtr inf = Filho(nfe, "infNFe");
  xmlNodePtr ide = Filho(inf, "ide");
  const std::string id = Atributo(inf, "Id");
  const std::string chave = id.size() > 3 ? id.substr(3) : id;
  const std::string cUF = TextoDe(ide, "cUF"), mod = TextoDe(ide, "mod"), serie = TextoDe(ide, "serie"),
                    nNF = TextoDe(ide, "nNF"), tpAmb = TextoDe(ide, "tpAmb"), dhEmi = TextoDe(ide, "dhEmi");
  xmlNodePtr emit = Filho(inf, "emit");
  const std::string cnpj = Filho(emit, "CNPJ") ? TextoDe(emit, "CNPJ") : TextoDe(emit, "CPF");
  xmlNodePtr dest = Filho(inf, "dest");
  const std::string destDoc = Filho(dest, "CNPJ") ? TextoDe(dest, "CNPJ") : TextoDe(dest, "CPF");

  int cStat = 0;
  std::string xMotivo, digVal;
  TAssinaturaVerificada a = fVerificador.Verificar(nfeDoc.doc, Filho(nfe, "Signature"));
  digVal = a.digestValue;
  auto rejeitar = [&](int cs, const std::string& m) {
    if (!cStat) {
      cStat = cs;
      xMotivo = m;
    }
  };
  if (a.cStat) rejeitar(a.cStat, a.motivo);
  if (!cStat && cnpj.substr(0, 8) != a.cnpj.substr(0, 8))
    rejeitar(213, "Rejeição: CNPJ-Base do Emitente difere do CNPJ-Base do Certificado Digital");
  if (tpAmb != c.tpAmb) rejeitar(252, "Rejeição: Ambiente informado diverge do Ambiente de recebimento");
  if (CodigoUF(c.autoridade) && cUF != c.cUF())
    rejeitar(226, "Rejeição: Código da UF do Emitente diverge da UF autorizadora");
  if (chave.size() != 44 || !TextoNumerico(chave) || DigitoChave(chave.substr(0, 43)) != chave[43] - '0')
    rejeitar(236, "Rejeição: Chave de Acesso com dígito verificador inválido");
  if (!cStat) {
    const std::string aamm = dhEmi.size() >= 7 ? dhEmi.substr(2, 2) + dhEmi.substr(5, 2) : "";
    const std::string esperada = Zeros(std::atoi(cUF.c_str()), 2) + aamm + Zeros(std::atoll(cnpj.c_str()), 14) +
                                 Zeros(std::atoi(mod.c_str()), 2) + Zeros(std::atoi(serie.c_str()), 3) +
                                 Zeros(std::atoll(nNF.c_str()), 9) + TextoDe(ide, "tpEmis") +
                                 Zeros(std::atoll(TextoDe(ide, "cNF").c_str()), 8) + TextoDe(ide, "cDV");
    if (esperada != chave)
      rejeitar(502,
               "Rejeição: Erro na Chave de Acesso - Campo Id não corresponde à concatenação dos campos correspondentes");
  }
  if (!cStat && mod == "65") {
    // The QR code's hash is the SHA-1 of its parameters followed by the issuer's CSC.
    std::string qr = TextoDe(nfe, "infNFeSupl/qrCode");
    std::string dados, hash, idCsc;
    if (auto p = qr.find("p="); p != std::string::npos) {
      std::string par = qr.substr(p + 2);
      auto u = par.rfind('|');
      if (u != std::string::npos) {
        dados = par.substr(0, u);
        hash = par.substr(u + 1);
        auto v = dados.rfind('|');
        idCsc = v == std::string::npos ? "" : dados.substr(v + 1);
      }
    } else if (auto h = qr.find("&cHashQRCode="); h != std::string::npos && qr.find('?') != std::string::npos) {
      dados = qr.substr(qr.find('?') + 1, h - qr.find('?') - 1);
      hash = qr.substr(h + 13);
      auto t = dados.find("cIdToken=");
      idCsc = t == std::string::npos ? "" : dados.substr(t + 9);
    }
    if (qr.empty()) {
      rejeitar(394, "Rejeição: Nota Fiscal sem a informação do QR-Code");
    } else {
      auto csc = fBanco->Primeira("SELECT codigo FROM csc WHERE cnpj = ? AND CAST(id AS INTEGER) = ? AND ativo = 1",
                                  {cnpj, std::to_string(std::atoll(idCsc.c_str()))});
      if (!csc || idCsc.empty())
        rejeitar(462, "Rejeição: Código Identificador do CSC no QR-Code não cadastrado na SEFAZ");
      else if (UpperCase(hash) != Sha1Hex(dados + (*csc)[0]))
        rejeitar(464, "Rejeição: Código de Hash no QR-Code difere do calculado");
    }
  }
  return TNFeRecebida{chave, cUF, mod, serie, nNF, tpAmb, dhEmi, cnpj, destDoc, cStat, xMotivo, digVal,
                      Serializar(nfe), TextoDe(emit, "xNome"), TextoDe(emit, "IE"), TextoDe(ide, "tpNF"),
                      TextoDe(inf, "total/ICMSTot/vNF")};
}

// The checks against what is on file, the protocol and the record; inside the caller's transaction.
std::string TSefaz::RegistrarNFe(TContexto& c, const TNFeRecebida& d, const std::string& nRec, const std::string& dh) {
  const std::string &chave = d.chave, &cUF = d.cUF, &mod = d.mod, &serie = d.serie, &nNF = d.nNF, &tpAmb = d.tpAmb,
                    &dhEmi = d.dhEmi, &cnpj = d.cnpj, &destDoc = d.destDoc;
  int cStat = d.cStat;
  std::string xMotivo = d.xMotivo, nProt, digVal = d.digVal;
  auto rejeitar = [&](int cs, const std::string& m) {
    if (!cStat) {
      cStat = cs;
      xMotivo = m;
    }
  };
  if (!cStat) {
    if (auto ant = fBanco->Primeira("SELECT nprot, dhrecbto, nrec FROM documentos WHERE chave = ?", {chave})) {
      rejeitar(204, "Rejeição: Duplicidade de NF-e [nRec:" + (*ant)[2] + "][nProt:" + (*ant)[0] + "][dhAut:" +
                        (*ant)[1] + "]");
      nProt = (*ant)[0];
    } else if (auto n = fBanco->Primeira(
                   "SELECT chave, nprot, dhrecbto FROM documentos WHERE cnpj = ? AND modelo = ? AND serie = ? AND "
                   "nnf = ? AND tpamb = ?",
                   {cnpj, mod, std::to_string(std::atoi(serie.c_str())), std::to_string(std::atoll(nNF.c_str())),
                    tpAmb})) {
      rejeitar(539, "Rejeição: Duplicidade de NF-e com diferença na Chave de Acesso [chNFe:" + (*n)[0] + "][nProt:" +
                        (*n)[1] + "][dhAut:" + (*n)[2] + "]");
      nProt = (*n)[1];
    }
  }
  std::string dhProt = dh;
  bool registrar = false;
  if (!cStat) {
    registrar = true;
    if (fBanco->Primeira("SELECT 1 FROM irregulares WHERE doc = ?", {cnpj})) {
      cStat = 301;
      xMotivo = "Uso Denegado: Irregularidade fiscal do emitente";
    } else if (!destDoc.empty() && fBanco->Primeira("SELECT 1 FROM irregulares WHERE doc = ?", {destDoc})) {
      cStat = 302;
      xMotivo = "Uso Denegado: Irregularidade fiscal do destinatário";
    } else {
      cStat = 100;
      xMotivo = "Autorizado o uso da NF-e";
    }
    nProt = NovoProtocolo(cUF);
  }
  if (cStat == 204 || cStat == 539) {
    // The earlier protocol's data, as the authorities send it back.
    auto ant = fBanco->Primeira("SELECT dhrecbto FROM documentos WHERE nprot = ?", {nProt});
    if (ant) dhProt = (*ant)[0];
  }
  std::string infProt = Tag("tpAmb", c.tpAmb) + Tag("verAplic", kVerAplic) +
                        Tag("chNFe", chave.size() == 44 && TextoNumerico(chave) ? chave : std::string(44, '0')) +
                        Tag("dhRecbto", dhProt) + (nProt.empty() ? "" : Tag("nProt", nProt)) +
                        (digVal.empty() ? "" : Tag("digVal", digVal)) + Tag("cStat", std::to_string(cStat)) +
                        Tag("xMotivo", xMotivo);
  std::string prot = "<protNFe versao=\"4.00\"><infProt" + (registrar ? " Id=\"ID" + nProt + "\"" : std::string()) +
                     ">" + infProt + "</infProt></protNFe>";
  if (registrar) {
    const std::string& nfeTexto = d.nfe;
    fBanco->Executar(
        "INSERT INTO documentos (chave, cnpj, modelo, serie, nnf, tpamb, cuf, cstat, xmotivo, nprot, dhrecbto, "
        "digval, nrec, dest, nfe, prot) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {chave, cnpj, mod, std::to_string(std::atoi(serie.c_str())), std::to_string(std::atoll(nNF.c_str())), tpAmb,
         cUF, std::to_string(cStat), xMotivo, nProt, dh, digVal, nRec, destDoc, nfeTexto, prot});
    if (destDoc.size() == 14 && cStat == 100) {
      const std::string& vNF = d.vNF;
      std::string res = std::string("<resNFe versao=\"1.01\" xmlns=\"") + kNsNFe + "\">" + Tag("chNFe", chave) +
                        Tag(cnpj.size() == 14 ? "CNPJ" : "CPF", cnpj) + Tag("xNome", d.xNome) +
                        Tag("IE", d.IE) + Tag("dhEmi", dhEmi) + Tag("tpNF", d.tpNF) +
                        Tag("vNF", vNF) + Tag("digVal", digVal) + Tag("dhRecbto", dh) + Tag("nProt", nProt) +
                        Tag("cSitNFe", "1") + "</resNFe>";
      AdicionarNSU(destDoc, "resNFe_v1.01.xsd", res);
    }
  }
  return prot;
}

std::string TSefaz::Autorizacao(TContexto& c) {
  std::string erro;
  if (!fSchemas.Validar(c.doc, "enviNFe_v4.00.xsd", erro)) {
    std::cerr << "tuim-sefaz-sim: enviNFe: " << erro << "\n";
    return RetSimples(c, 225, "Rejeição: Falha no Schema XML do lote de NFe");
  }
  auto nfes = Filhos(c.raiz, "NFe");
  const bool sinc = TextoDe(c.raiz, "indSinc") == "1";
  if (sinc && nfes.size() > 1)
    return RetSimples(c, 452, "Rejeição: Solicitada resposta síncrona para Lote com mais de uma NF-e (indSinc=1)");
  const std::string dh = DataHora();
  const std::string head = std::string("<retEnviNFe versao=\"4.00\" xmlns=\"") + kNsNFe + "\">" +
                           Tag("tpAmb", c.tpAmb) + Tag("verAplic", kVerAplic);
  // Signatures and fields are checked outside the database lock; only the record is serialised.
  std::vector<TNFeRecebida> recebidas;
  for (xmlNodePtr n : nfes) recebidas.push_back(VerificarNFe(c, n));
  TBanco::TTransacao t(*fBanco);
  std::string nRec = Zeros(std::atoi(c.cUF().c_str()), 2) + "1" + Zeros(fBanco->Proximo("nrec"), 12);
  std::string prots;
  for (const auto& r : recebidas) prots += RegistrarNFe(c, r, nRec, dh);
  std::string r;
  if (sinc) {
    r = head + Tag("cStat", "104") + Tag("xMotivo", "Lote processado") + Tag("cUF", c.cUF()) + Tag("dhRecbto", dh) +
        prots + "</retEnviNFe>";
  } else {
    const std::string consultas = fBanco->Config("consultas105", "0");
    fBanco->Executar("INSERT INTO recibos (nrec, tpamb, cuf, dhrecbto, consultas, protocolos) VALUES (?, ?, ?, ?, ?, ?)",
                     {nRec, c.tpAmb, c.cUF(), dh, consultas, prots});
    r = head + Tag("cStat", "103") + Tag("xMotivo", "Lote recebido com sucesso") + Tag("cUF", c.cUF()) +
        Tag("dhRecbto", dh) + "<infRec>" + Tag("nRec", nRec) + Tag("tMed", fBanco->Config("tmed", "1")) +
        "</infRec></retEnviNFe>";
  }
  t.Confirmar();
  return r;
}

std::string TSefaz::RetAutorizacao(TContexto& c) {
  std::string erro;
  if (!fSchemas.Validar(c.doc, "consReciNFe_v4.00.xsd", erro))
    return RetSimples(c, 215, "Rejeição: Falha no schema XML");
  if (TextoDe(c.raiz, "tpAmb") != c.tpAmb)
    return RetSimples(c, 252, "Rejeição: Ambiente informado diverge do Ambiente de recebimento");
  const std::string nRec = TextoDe(c.raiz, "nRec");
  TBanco::TTransacao t(*fBanco);
  auto r = fBanco->Primeira("SELECT consultas, protocolos, dhrecbto FROM recibos WHERE nrec = ?", {nRec});
  if (!r) return RetSimples(c, 106, "Lote não localizado");
  std::string ret;
  const std::string head = std::string("<retConsReciNFe versao=\"4.00\" xmlns=\"") + kNsNFe + "\">" +
                           Tag("tpAmb", c.tpAmb) + Tag("verAplic", kVerAplic) + Tag("nRec", nRec);
  if (std::atoi((*r)[0].c_str()) > 0) {
    fBanco->Executar("UPDATE recibos SET consultas = consultas - 1 WHERE nrec = ?", {nRec});
    ret = head + Tag("cStat", "105") + Tag("xMotivo", "Lote em processamento") + Tag("cUF", c.cUF()) +
          Tag("dhRecbto", (*r)[2]) + "</retConsReciNFe>";
  } else {
    ret = head + Tag("cStat", "104") + Tag("xMotivo", "Lote processado") + Tag("cUF", c.cUF()) +
          Tag("dhRecbto", (*r)[2]) + (*r)[1] + "</retConsReciNFe>";
  }
  t.Confirmar();
  return ret;
}

std::string TSefaz::ConsultaProtocolo(TContexto& c) {
  std::string erro;
  if (!fSchemas.Validar(c.doc, "consSitNFe_v4.00.xsd", erro))
    return RetSimples(c, 215, "Rejeição: Falha no schema XML");
  if (TextoDe(c.raiz, "tpAmb") != c.tpAmb)
    return RetSimples(c, 252, "Rejeição: Ambiente informado diverge do Ambiente de recebimento");
  const std::string chave = TextoDe(c.raiz, "chNFe");
  auto d = fBanco->Primeira("SELECT cstat, prot FROM documentos WHERE chave = ? AND tpamb = ?", {chave, c.tpAmb});
  if (!d) return RetSimples(c, 217, "Rejeição: NF-e não consta na base de dados da SEFAZ");
  int cs = std::atoi((*d)[0].c_str());
  std::string xMotivo = "Autorizado o uso da NF-e";
  if (cs == 101) xMotivo = "Cancelamento de NF-e homologado";
  if (cs == 301 || cs == 302) {
    cs = 110;
    xMotivo = "Uso Denegado";
  }
  std::string eventos;
  for (const auto& e : fBanco->Consultar(
           "SELECT evento, ret FROM eventos WHERE chave = ? AND cstat IN (135, 136) ORDER BY dhreg, id", {chave}))
    eventos += "<procEventoNFe versao=\"1.00\">" + e[0] + e[1] + "</procEventoNFe>";
  return std::string("<retConsSitNFe versao=\"4.00\" xmlns=\"") + kNsNFe + "\">" + Tag("tpAmb", c.tpAmb) +
         Tag("verAplic", kVerAplic) + Tag("cStat", std::to_string(cs)) + Tag("xMotivo", xMotivo) +
         Tag("cUF", chave.substr(0, 2)) + Tag("dhRecbto", DataHora()) + Tag("chNFe", chave) + (*d)[1] + eventos +
         "</retConsSitNFe>";
}

std::string TSefaz::Inutilizacao(TContexto& c) {
  std::string erro;
  if (!fSchemas.Validar(c.doc, "inutNFe_v4.00.xsd", erro)) {
    std::cerr << "tuim-sefaz-sim: inutNFe: " << erro << "\n";
    return RetSimples(c, 215, "Rejeição: Falha no schema XML");
  }
  xmlNodePtr inf = Filho(c.raiz, "infInut");
  const std::string cnpj = TextoDe(inf, "CNPJ"), mod = TextoDe(inf, "mod"), serie = TextoDe(inf, "serie"),
                    ano = TextoDe(inf, "ano"), ini = TextoDe(inf, "nNFIni"), fim = TextoDe(inf, "nNFFin"),
                    cUF = TextoDe(inf, "cUF"), id = Atributo(inf, "Id");
  int cStat = 0;
  std::string xMotivo, nProt;
  auto rejeitar = [&](int cs, const std::string& m) {
    if (!cStat) {
      cStat = cs;
      xMotivo = m;
    }
  };
  TAssinaturaVerificada a = fVerificador.Verificar(c.doc, Filho(c.raiz, "Signature"));
  if (a.cStat) rejeitar(a.cStat, a.motivo);
  if (!cStat && cnpj.substr(0, 8) != a.cnpj.substr(0, 8))
    rejeitar(213, "Rejeição: CNPJ-Base do Emitente difere do CNPJ-Base do Certificado Digital");
  if (TextoDe(inf, "tpAmb") != c.tpAmb)
    rejeitar(252, "Rejeição: Ambiente informado diverge do Ambiente de recebimento");
  if (CodigoUF(c.autoridade) && cUF != c.cUF())
    rejeitar(226, "Rejeição: Código da UF do Emitente diverge da UF autorizadora");
  const std::string s = std::to_string(std::atoi(serie.c_str())), i = std::to_string(std::atoll(ini.c_str())),
                    f = std::to_string(std::atoll(fim.c_str()));
  TBanco::TTransacao t(*fBanco);
  if (!cStat && fBanco->Primeira("SELECT 1 FROM inutilizacoes WHERE cnpj = ? AND modelo = ? AND serie = ? AND ini = ? "
                                 "AND fim = ? AND tpamb = ?",
                                 {cnpj, mod, s, i, f, c.tpAmb}))
    rejeitar(563, "Rejeição: Já existe pedido de Inutilização com a mesma faixa de inutilização");
  if (!cStat && fBanco->Primeira("SELECT 1 FROM inutilizacoes WHERE cnpj = ? AND modelo = ? AND serie = ? AND "
                                 "tpamb = ? AND ini <= ? AND fim >= ?",
                                 {cnpj, mod, s, c.tpAmb, f, i}))
    rejeitar(256, "Rejeição: Uma NF-e da faixa já está inutilizada na Base de dados da SEFAZ");
  if (!cStat && fBanco->Primeira("SELECT 1 FROM documentos WHERE cnpj = ? AND modelo = ? AND serie = ? AND tpamb = ? "
                                 "AND nnf BETWEEN ? AND ?",
                                 {cnpj, mod, s, c.tpAmb, i, f}))
    rejeitar(241, "Rejeição: Um número da faixa já foi utilizado");
  const std::string dh = DataHora();
  if (!cStat) {
    cStat = 102;
    xMotivo = "Inutilização de número homologado";
    nProt = NovoProtocolo(cUF);
    fBanco->Executar("INSERT INTO inutilizacoes (id, cnpj, modelo, serie, ano, ini, fim, tpamb, nprot, dhrecbto) "
                     "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                     {id, cnpj, mod, s, ano, i, f, c.tpAmb, nProt, dh});
  }
  t.Confirmar();
  return std::string("<retInutNFe versao=\"4.00\" xmlns=\"") + kNsNFe + "\"><infInut" +
         (nProt.empty() ? std::string() : " Id=\"ID" + nProt + "\"") + ">" + Tag("tpAmb", c.tpAmb) +
         Tag("verAplic", kVerAplic) + Tag("cStat", std::to_string(cStat)) + Tag("xMotivo", xMotivo) +
         Tag("cUF", cUF) + Tag("ano", ano) + Tag("CNPJ", cnpj) + Tag("mod", mod) + Tag("serie", serie) +
         Tag("nNFIni", ini) + Tag("nNFFin", fim) + Tag("dhRecbto", dh) + (nProt.empty() ? "" : Tag("nProt", nProt)) +
         "</infInut></retInutNFe>";
}

std::string TSefaz::Evento(TContexto& c) {
  auto eventos = Filhos(c.raiz, "evento");
  std::string erro;
  if (!fSchemas.Validar(c.doc, "envEvento_v1.00.xsd", erro)) {
    std::cerr << "tuim-sefaz-sim: envEvento: " << erro << "\n";
    return RetSimples(c, 215, "Rejeição: Falha no schema XML");
  }
  // Schemas and signatures outside the database lock; the records one request at a time.
  struct TVerificado {
    TDocXml doc;
    int cStat = 0;
    std::string xMotivo;
  };
  std::vector<TVerificado> verificados;
  for (xmlNodePtr evNo : eventos) {
    TVerificado v;
    v.doc = CopiarComoDocumento(evNo);
    xmlNodePtr ev = xmlDocGetRootElement(v.doc.doc);
    xmlNodePtr inf = Filho(ev, "infEvento");
    const std::string tp = TextoDe(inf, "tpEvento");
    const std::string autor = Filho(inf, "CNPJ") ? TextoDe(inf, "CNPJ") : TextoDe(inf, "CPF");
    // Each event's details against the schema of its type: a batch may mix types.
    TDocXml sozinho = LerXml(std::string("<envEvento versao=\"1.00\" xmlns=\"") + kNsNFe +
                             "\"><idLote>1</idLote>" + Serializar(ev) + "</envEvento>");
    // No schema of the NFC-e EPEC ships with the packages: its own fields (the values outside
    // dest) are checked here over the generic event schema.
    const std::string chave = TextoDe(inf, "chNFe");
    const bool epecNFCe = tp == "110140" && chave.size() == 44 && chave.substr(20, 2) == "65";
    bool camposEpec = true;
    if (epecNFCe)
      for (const char* campo : {"cOrgaoAutor", "tpAutor", "verAplic", "dhEmi", "tpNF", "IE", "vNF", "vICMS"})
        camposEpec = camposEpec && Filho(Filho(inf, "detEvento"), campo);
    TAssinaturaVerificada a;
    if (!sozinho.doc || !camposEpec ||
        !fSchemas.Validar(sozinho.doc, epecNFCe ? "envEvento_v1.00.xsd" : SchemaEvento(tp), erro)) {
      std::cerr << "tuim-sefaz-sim: evento " << tp << ": " << erro << "\n";
      v.cStat = 215;
      v.xMotivo = "Rejeição: Falha no schema XML";
    } else if (a = fVerificador.Verificar(v.doc.doc, Filho(ev, "Signature")); a.cStat) {
      v.cStat = a.cStat;
      v.xMotivo = a.motivo;
    } else if (autor.substr(0, 8) != a.cnpj.substr(0, 8)) {
      v.cStat = 213;
      v.xMotivo = "Rejeição: CNPJ-Base do Autor difere do CNPJ-Base do Certificado Digital";
    }
    verificados.push_back(std::move(v));
  }
  const std::string dh = DataHora();
  std::string rets;
  TBanco::TTransacao t(*fBanco);
  for (auto& v : verificados) {
    xmlNodePtr ev = xmlDocGetRootElement(v.doc.doc);
    xmlNodePtr inf = Filho(ev, "infEvento");
    const std::string id = Atributo(inf, "Id"), chave = TextoDe(inf, "chNFe"), tp = TextoDe(inf, "tpEvento"),
                      seq = TextoDe(inf, "nSeqEvento"), cOrgao = TextoDe(inf, "cOrgao");
    const std::string autor = Filho(inf, "CNPJ") ? TextoDe(inf, "CNPJ") : TextoDe(inf, "CPF");
    int cStat = v.cStat;
    std::string xMotivo = v.xMotivo;
    auto rejeitar = [&](int cs, const std::string& m) {
      if (!cStat) {
        cStat = cs;
        xMotivo = m;
      }
    };
    if (TextoDe(inf, "tpAmb") != c.tpAmb)
      rejeitar(252, "Rejeição: Ambiente informado diverge do Ambiente de recebimento");
    if (fBanco->Primeira("SELECT 1 FROM eventos WHERE id = ?", {id})) rejeitar(573, "Rejeição: Duplicidade de Evento");
    auto doc = fBanco->Primeira("SELECT cstat, nprot, dest, cnpj, nfe, prot FROM documentos WHERE chave = ?", {chave});
    const bool manifestacao = tp == "210200" || tp == "210210" || tp == "210220" || tp == "210240";
    int docStat = doc ? std::atoi((*doc)[0].c_str()) : 0;
    if (tp == "110111" || tp == "110112") {
      if (!doc)
        rejeitar(494, "Rejeição: Chave de Acesso inexistente");
      else if (docStat == 101)
        rejeitar(420, "Rejeição: Cancelamento para NF-e já cancelada");
      else if (docStat != 100)
        rejeitar(218, "Rejeição: NF-e denegada não pode ser cancelada");
      else if (TextoDe(inf, "detEvento/nProt") != (*doc)[1])
        rejeitar(222, "Rejeição: Protocolo de Autorização de Uso difere do cadastrado");
    } else if (tp == "110110") {
      if (!doc)
        rejeitar(494, "Rejeição: Chave de Acesso inexistente");
      else if (docStat == 101)
        rejeitar(218, "Rejeição: NF-e já está cancelada na base de dados da SEFAZ");
      else if (std::atoi(seq.c_str()) > 20)
        rejeitar(594, "Rejeição: O número de sequência do evento informado é maior que o permitido");
    } else if (!manifestacao && tp != "110140" && !doc) {
      rejeitar(494, "Rejeição: Chave de Acesso inexistente");
    } else if (manifestacao && doc && autor != (*doc)[2]) {
      // Only the document's recipient acknowledges it.
      rejeitar(575, "Rejeição: O autor do evento diverge do destinatário da NF-e");
    }
    // EPEC of NFC-e has its own address in one state; everything else of this kind is national.
    const bool epecEstadual = tp == "110140" && c.modelo == "NFCe";
    if ((manifestacao || (tp == "110140" && !epecEstadual)) && c.autoridade != "AN")
      rejeitar(489, "Rejeição: Evento deve ser enviado ao Ambiente Nacional");
    std::string nProt, cnpjDest;
    if (!cStat) {
      cStat = doc ? 135 : 136;
      xMotivo = doc ? "Evento registrado e vinculado a NF-e" : "Evento registrado, mas não vinculado a NF-e";
      nProt = NovoProtocolo(c.autoridade == "AN" ? "91" : chave.substr(0, 2));
      if (doc && !manifestacao) cnpjDest = (*doc)[2];
    }
    std::string infRet = Tag("tpAmb", c.tpAmb) + Tag("verAplic", kVerAplic) +
                         Tag("cOrgao", cOrgao.empty() ? c.cUF() : cOrgao) + Tag("cStat", std::to_string(cStat)) +
                         Tag("xMotivo", xMotivo) + Tag("chNFe", chave) + Tag("tpEvento", tp) +
                         Tag("xEvento", DescricaoEvento(tp)) + Tag("nSeqEvento", seq) +
                         (cnpjDest.empty() ? "" : Tag(cnpjDest.size() == 14 ? "CNPJDest" : "CPFDest", cnpjDest)) +
                         Tag("dhRegEvento", dh) + (nProt.empty() ? "" : Tag("nProt", nProt));
    std::string ret = std::string("<retEvento versao=\"1.00\"><infEvento") +
                      (nProt.empty() ? "" : " Id=\"ID" + nProt + "\"") + ">" + infRet + "</infEvento></retEvento>";
    rets += ret;
    if (cStat == 135 || cStat == 136) {
      fBanco->Executar("INSERT INTO eventos (id, chave, tpevento, nseq, autor, cstat, nprot, dhreg, evento, ret) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                       {id, chave, tp, seq, autor, std::to_string(cStat), nProt, dh, Serializar(ev), ret});
      if (cStat == 135 && (tp == "110111" || tp == "110112"))
        fBanco->Executar("UPDATE documentos SET cstat = 101, xmotivo = ? WHERE chave = ?",
                         {"Cancelamento de NF-e homologado", chave});
      // Who has an interest in the document gets the event's summary; a recipient that
      // acknowledges it gets the whole processed document.
      if (doc) {
        std::string res = std::string("<resEvento versao=\"1.01\" xmlns=\"") + kNsNFe + "\">" +
                          Tag("cOrgao", cOrgao) + Tag(autor.size() == 14 ? "CNPJ" : "CPF", autor) +
                          Tag("chNFe", chave) + Tag("dhEvento", TextoDe(inf, "dhEvento")) + Tag("tpEvento", tp) +
                          Tag("nSeqEvento", seq) + Tag("xEvento", DescricaoEvento(tp)) + Tag("dhRecbto", dh) +
                          Tag("nProt", nProt) + "</resEvento>";
        const std::string interessado = autor == (*doc)[3] ? (*doc)[2] : (*doc)[3];
        if (interessado.size() == 14) AdicionarNSU(interessado, "resEvento_v1.01.xsd", res);
        if (manifestacao && (tp == "210200" || tp == "210210") && autor == (*doc)[2])
          AdicionarNSU(autor, "procNFe_v4.00.xsd",
                       std::string("<nfeProc versao=\"4.00\" xmlns=\"") + kNsNFe + "\">" + (*doc)[4] + (*doc)[5] +
                           "</nfeProc>");
      }
    }
  }
  t.Confirmar();
  std::string lote = TextoDe(c.raiz, "idLote");
  return std::string("<retEnvEvento versao=\"1.00\" xmlns=\"") + kNsNFe + "\">" + Tag("idLote", lote) +
         Tag("tpAmb", c.tpAmb) + Tag("verAplic", kVerAplic) + Tag("cOrgao", c.cUF()) + Tag("cStat", "128") +
         Tag("xMotivo", "Lote de Evento Processado") + rets + "</retEnvEvento>";
}

std::string TSefaz::Cadastro(TContexto& c) {
  std::string erro;
  if (!fSchemas.Validar(c.doc, "consCad_v2.00.xsd", erro)) return RetSimples(c, 215, "Rejeição: Falha no schema XML");
  xmlNodePtr inf = Filho(c.raiz, "infCons");
  const std::string uf = TextoDe(inf, "UF");
  std::vector<TLinha> r;
  std::string id;
  if (xmlNodePtr ie = Filho(inf, "IE")) {
    r = fBanco->Consultar("SELECT cnpj, ie, uf, nome, situacao FROM contribuintes WHERE ie = ? AND uf = ?",
                          {Texto(ie), uf});
    id = Tag("IE", Texto(ie));
  } else if (xmlNodePtr cn = Filho(inf, "CNPJ")) {
    r = fBanco->Consultar("SELECT cnpj, ie, uf, nome, situacao FROM contribuintes WHERE cnpj = ? AND uf = ?",
                          {Zeros(std::atoll(Texto(cn).c_str()), 14), uf});
    id = Tag("CNPJ", Texto(cn));
  } else {
    id = Tag("CPF", TextoDe(inf, "CPF"));
  }
  if (r.empty()) return RetSimples(c, 259, "Rejeição: CNPJ da consulta não cadastrado como contribuinte na UF");
  std::string cad;
  for (const auto& l : r)
    cad += "<infCad>" + Tag("IE", l[1]) + Tag("CNPJ", l[0]) + Tag("UF", l[2]) + Tag("cSit", l[4]) +
           Tag("indCredNFe", "1") + Tag("indCredCTe", "4") + Tag("xNome", l[3]) + "</infCad>";
  const bool uma = r.size() == 1;
  return std::string("<retConsCad versao=\"2.00\" xmlns=\"") + kNsNFe + "\"><infCons>" + Tag("verAplic", kVerAplic) +
         Tag("cStat", uma ? "111" : "112") +
         Tag("xMotivo", uma ? "Consulta cadastro com uma ocorrência" : "Consulta cadastro com mais de uma ocorrência") +
         Tag("UF", uf) + id + Tag("dhCons", DataHora()) + Tag("cUF", std::to_string(CodigoUF(uf))) + cad +
         "</infCons></retConsCad>";
}

std::string TSefaz::Distribuicao(TContexto& c) {
  std::string erro;
  if (!fSchemas.Validar(c.doc, "distDFeInt_v1.01.xsd", erro)) {
    std::cerr << "tuim-sefaz-sim: distDFeInt: " << erro << "\n";
    return RetSimples(c, 215, "Rejeição: Falha no schema XML");
  }
  if (TextoDe(c.raiz, "tpAmb") != c.tpAmb)
    return RetSimples(c, 252, "Rejeição: Ambiente informado diverge do Ambiente de recebimento");
  const std::string cnpj = Filho(c.raiz, "CNPJ") ? TextoDe(c.raiz, "CNPJ") : TextoDe(c.raiz, "CPF");
  TBanco::TTransacao t(*fBanco);
  auto mx = fBanco->Primeira("SELECT COALESCE(MAX(nsu), 0) FROM nsu WHERE cnpj = ?", {cnpj});
  const long long maxNSU = std::atoll((*mx)[0].c_str());
  std::vector<TLinha> docs;
  long long ult = 0;
  if (xmlNodePtr d = Filho(c.raiz, "distNSU")) {
    ult = std::atoll(TextoDe(d, "ultNSU").c_str());
    if (ult >= maxNSU) {
      // Nothing new: asking again within the hour of the last "nothing" is undue use.
      auto q = fBanco->Primeira("SELECT quando FROM distribuicao WHERE cnpj = ?", {cnpj});
      if (q && Agora() - std::atoll((*q)[0].c_str()) < 3600) return RetSimples(c, 656, "Rejeição: Consumo Indevido");
      fBanco->Executar("INSERT INTO distribuicao (cnpj, quando) VALUES (?, ?) ON CONFLICT(cnpj) DO UPDATE SET "
                       "quando = excluded.quando",
                       {cnpj, std::to_string(Agora())});
    } else {
      docs = fBanco->Consultar("SELECT nsu, schema, xml FROM nsu WHERE cnpj = ? AND nsu > ? ORDER BY nsu LIMIT ?",
                               {cnpj, std::to_string(ult), fBanco->Config("pagina-nsu", "50")});
    }
  } else if (xmlNodePtr d = Filho(c.raiz, "consNSU")) {
    docs = fBanco->Consultar("SELECT nsu, schema, xml FROM nsu WHERE cnpj = ? AND nsu = ?",
                             {cnpj, std::to_string(std::atoll(TextoDe(d, "NSU").c_str()))});
  } else if (xmlNodePtr d = Filho(c.raiz, "consChNFe")) {
    docs = fBanco->Consultar("SELECT nsu, schema, xml FROM nsu WHERE cnpj = ? AND xml LIKE ? ORDER BY nsu",
                             {cnpj, "%<chNFe>" + TextoDe(d, "chNFe") + "</chNFe>%"});
  }
  t.Confirmar();
  std::string lote;
  for (const auto& d : docs) {
    lote += "<docZip NSU=\"" + Zeros(std::atoll(d[0].c_str()), 15) + "\" schema=\"" + d[1] + "\">" +
            Base64(Gzip(d[2])) + "</docZip>";
    ult = std::max(ult, std::atoll(d[0].c_str()));
  }
  const bool achou = !docs.empty();
  return std::string("<retDistDFeInt versao=\"1.01\" xmlns=\"") + kNsNFe + "\">" + Tag("tpAmb", c.tpAmb) +
         Tag("verAplic", kVerAplic) + Tag("cStat", achou ? "138" : "137") +
         Tag("xMotivo", achou ? "Documento localizado" : "Nenhum documento localizado") + Tag("dhResp", DataHora()) +
         Tag("ultNSU", Zeros(ult, 15)) + Tag("maxNSU", Zeros(maxNSU, 15)) +
         (achou ? "<loteDistDFeInt>" + lote + "</loteDistDFeInt>" : "") + "</retDistDFeInt>";
}

std::string TSefaz::Csc(TContexto& c) {
  // No schema of this message ships with the project: the fields are checked here.
  const std::string indOp = TextoDe(c.raiz, "indOp"), raiz = TextoDe(c.raiz, "raizCNPJ");
  if (Nome(c.raiz) != "admCscNFCe" || (indOp != "1" && indOp != "2" && indOp != "3") || raiz.size() != 8 ||
      !TextoNumerico(raiz))
    return RetSimples(c, 215, "Rejeição: Falha no schema XML");
  if (TextoDe(c.raiz, "tpAmb") != c.tpAmb)
    return RetSimples(c, 252, "Rejeição: Ambiente informado diverge do Ambiente de recebimento");
  TBanco::TTransacao t(*fBanco);
  auto ativos = fBanco->Consultar(
      "SELECT cnpj, id, codigo FROM csc WHERE substr(cnpj, 1, 8) = ? AND ativo = 1 ORDER BY id", {raiz});
  int cStat;
  std::string xMotivo, dados;
  if (indOp == "1") {
    cStat = ativos.empty() ? 153 : 150;
    xMotivo = ativos.empty() ? "Rejeição: Não existe CSC ativo para o contribuinte" : "Consulta realizada com sucesso";
    for (const auto& a : ativos) dados += "<dadosCsc>" + Tag("idCsc", a[1]) + Tag("codigoCsc", a[2]) + "</dadosCsc>";
  } else if (indOp == "2") {
    auto todos = fBanco->Consultar("SELECT cnpj FROM contribuintes WHERE substr(cnpj, 1, 8) = ? LIMIT 1", {raiz});
    const std::string cnpj = todos.empty() ? (ativos.empty() ? "" : ativos[0][0]) : todos[0][0];
    auto mx = fBanco->Primeira("SELECT COALESCE(MAX(CAST(id AS INTEGER)), 0) FROM csc WHERE substr(cnpj, 1, 8) = ?",
                               {raiz});
    const std::string id = Zeros(std::atoll((*mx)[0].c_str()) + 1, 6);
    const std::string codigo = Aleatorio(36, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    if (cnpj.empty()) {
      cStat = 154;
      xMotivo = "Rejeição: Contribuinte não credenciado para emissão de NFC-e";
    } else {
      fBanco->Executar("INSERT INTO csc (cnpj, id, codigo, ativo) VALUES (?, ?, ?, 1)", {cnpj, id, codigo});
      cStat = 151;
      xMotivo = "Solicitação de novo CSC efetuada com sucesso";
      dados = "<dadosCsc>" + Tag("idCsc", id) + Tag("codigoCsc", codigo) + "</dadosCsc>";
    }
  } else {
    const std::string id = TextoDe(c.raiz, "dadosCsc/idCsc"), codigo = TextoDe(c.raiz, "dadosCsc/codigoCsc");
    bool achou = false;
    for (const auto& a : ativos)
      if (std::atoll(a[1].c_str()) == std::atoll(id.c_str()) && a[2] == codigo) achou = true;
    if (achou) {
      fBanco->Executar("UPDATE csc SET ativo = 0 WHERE substr(cnpj, 1, 8) = ? AND CAST(id AS INTEGER) = ?",
                       {raiz, std::to_string(std::atoll(id.c_str()))});
      cStat = 152;
      xMotivo = "Revogação de CSC efetuada com sucesso";
      dados = "<dadosCsc>" + Tag("idCsc", id) + Tag("codigoCsc", codigo) + "</dadosCsc>";
    } else {
      cStat = 154;
      xMotivo = "Rejeição: CSC informado não existe ou não está ativo";
    }
  }
  t.Confirmar();
  return std::string("<retAdmCscNFCe versao=\"1.00\" xmlns=\"") + kNsNFe + "\">" + Tag("tpAmb", c.tpAmb) +
         Tag("indOp", indOp) + Tag("cStat", std::to_string(cStat)) + Tag("xMotivo", xMotivo) + dados +
         "</retAdmCscNFCe>";
}

}  // namespace tuim::sim
