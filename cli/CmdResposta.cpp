// `tuim resposta ler`: reads a web-service answer saved to a file and prints what it holds.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "services/TuimRetDistDFeInt.h"
#include "services/TuimRetornosNFe.h"

namespace tuim::cli {
namespace {

// One printed property: a value, or a group of named properties, or a list of groups.
struct No {
  enum Tipo { kTexto, kNumero, kGrupo, kLista } tipo = kTexto;
  std::string nome;
  std::string valor;  // UTF-8
  std::vector<No> filhos;

  No& Texto(const std::string& n, const std::string& cp1252) {
    filhos.push_back({kTexto, n, ParaUTF8(cp1252), {}});
    return *this;
  }
  No& Numero(const std::string& n, long long v) {
    filhos.push_back({kNumero, n, std::to_string(v), {}});
    return *this;
  }
  No& Valor(const std::string& n, TCurrency v) {
    filhos.push_back({kNumero, n, v.ToString(2), {}});
    return *this;
  }
  // ISO date-time without offset; empty for the zero date.
  No& Data(const std::string& n, TDateTime v) { return Texto(n, v == 0 ? std::string() : DataHoraParaISO(v)); }
  No& Ambiente(TfscTipoAmbiente v) { return Texto("tpAmb", TipoAmbienteParaTexto(v)); }
  No& Grupo(const std::string& n) {
    filhos.push_back({kGrupo, n, {}, {}});
    return filhos.back();
  }
  No& Lista(const std::string& n) {
    filhos.push_back({kLista, n, {}, {}});
    return filhos.back();
  }
  No& Item() {
    filhos.push_back({kGrupo, {}, {}, {}});
    return filhos.back();
  }
};

void Linhas(const No& no, const std::string& prefixo, std::ostream& o) {
  for (std::size_t i = 0; i < no.filhos.size(); ++i) {
    const No& f = no.filhos[i];
    const std::string nome =
        no.tipo == No::kLista ? prefixo + "[" + std::to_string(i + 1) + "]" : (prefixo.empty() ? "" : prefixo + ".") + f.nome;
    if (f.tipo == No::kTexto || f.tipo == No::kNumero)
      o << nome << "=" << f.valor << "\n";
    else
      Linhas(f, nome, o);
  }
}

void Json(const No& no, std::ostream& o) {
  switch (no.tipo) {
    case No::kTexto: o << JsonString(no.valor); return;
    case No::kNumero: o << no.valor; return;
    case No::kLista:
      o << "[";
      for (std::size_t i = 0; i < no.filhos.size(); ++i) {
        if (i) o << ",";
        Json(no.filhos[i], o);
      }
      o << "]";
      return;
    case No::kGrupo:
      o << "{";
      for (std::size_t i = 0; i < no.filhos.size(); ++i) {
        if (i) o << ",";
        o << JsonString(no.filhos[i].nome) << ":";
        Json(no.filhos[i], o);
      }
      o << "}";
      return;
  }
}

// Names of TSchemaDFe in the order of its values, as the distribution service writes them.
const char* const kSchemas[] = {"resNFe",     "resEvento",     "procNFe",       "procEventoNFe", "resCTe",
                                "procCTe",    "procCTeOS",     "procEventoCTe", "resMDFe",       "procMDFe",
                                "procEventoMDFe", "resBPe",    "procBPe",       "procEventoBPe"};

std::string NomeSchema(TSchemaDFe s) {
  return static_cast<std::size_t>(s) < std::size(kSchemas) ? kSchemas[s] : "";
}

void Status(TRetConsStatServ& r, No& n) {
  n.Texto("versao", r.versao).Ambiente(r.tpAmb).Texto("verAplic", r.verAplic).Numero("cStat", r.cStat);
  n.Texto("xMotivo", r.xMotivo).Numero("cUF", r.cUF).Data("dhRecbto", r.dhRecbto).Numero("tMed", r.tMed);
  n.Data("dhRetorno", r.dhRetorno).Texto("xObs", r.xObs);
}

void Envio(TretEnvNFe& r, No& n) {
  n.Texto("versao", r.versao).Ambiente(r.tpAmb).Texto("verAplic", r.verAplic).Numero("cStat", r.cStat);
  n.Texto("xMotivo", r.xMotivo).Numero("cUF", r.cUF);
  n.Grupo("infRec").Texto("nRec", r.infRec().nRec).Data("dhRecbto", r.infRec().dhRecbto).Numero("tMed", r.infRec().tMed);
}

// A protocol's messages: the first pair, and the ones after it (PL_010e) only when it has them.
void Mensagens(No& n, int cMsg, const std::string& xMsg, const TMsgCollection& adicionais) {
  n.Numero("cMsg", cMsg).Texto("xMsg", xMsg);
  if (adicionais.Empty()) return;
  No& l = n.Lista("MsgAdicionais");
  for (const TMsgCollectionItem& m : adicionais) l.Item().Numero("cMsg", m.cMsg).Texto("xMsg", m.xMsg);
}

void Recibo(TRetConsReciDFe& r, No& n) {
  n.Texto("versao", r.versao).Ambiente(r.tpAmb).Texto("verAplic", r.verAplic).Texto("nRec", r.nRec);
  n.Numero("cStat", r.cStat).Texto("xMotivo", r.xMotivo).Numero("cUF", r.cUF).Numero("cMsg", r.cMsg);
  n.Texto("xMsg", r.xMsg);
  No& l = n.Lista("ProtDFe");
  for (int i = 0; i < r.ProtDFe().Count(); ++i) {
    const TProtDFeCollectionItem& p = r.ProtDFe()[i];
    No& item = l.Item();
    item.Texto("Id", p.Id).Ambiente(p.tpAmb).Texto("verAplic", p.verAplic).Texto("chDFe", p.chDFe)
        .Data("dhRecbto", p.dhRecbto).Texto("nProt", p.nProt).Texto("digVal", p.digVal).Numero("cStat", p.cStat)
        .Texto("xMotivo", p.xMotivo);
    Mensagens(item, p.cMsg, p.xMsg, p.MsgAdicionais);
  }
}

void Situacao(TRetConsSitNFe& r, No& n) {
  n.Texto("versao", r.versao).Ambiente(r.tpAmb).Texto("verAplic", r.verAplic).Texto("nRec", r.nRec);
  n.Numero("cStat", r.cStat).Texto("xMotivo", r.xMotivo).Numero("cUF", r.cUF).Data("dhRecbto", r.dhRecbto);
  n.Texto("chNFe", r.chNFe);
  const TProcNFe& p = r.protNFe();
  No& prot = n.Grupo("protNFe");
  prot.Ambiente(p.tpAmb).Texto("verAplic", p.verAplic).Texto("chNFe", p.chNFe)
      .Data("dhRecbto", p.dhRecbto).Texto("nProt", p.nProt).Texto("digVal", p.digVal).Numero("cStat", p.cStat)
      .Texto("xMotivo", p.xMotivo);
  Mensagens(prot, p.cMsg, p.xMsg, p.MsgAdicionais);
  const TRetCancNFe& c = r.retCancNFe();
  n.Grupo("retCancNFe").Ambiente(c.tpAmb).Texto("verAplic", c.verAplic).Numero("cStat", c.cStat)
      .Texto("xMotivo", c.xMotivo).Numero("cUF", c.cUF).Texto("chNFe", c.chNFe).Data("dhRecbto", c.dhRecbto)
      .Texto("nProt", c.nProt);
  No& l = n.Lista("procEventoNFe");
  for (int i = 0; i < r.procEventoNFe().Count(); ++i) {
    TRetEventoNFe& e = r.procEventoNFe()[i].RetEventoNFe();
    No& it = l.Item();
    it.Texto("Id", e.InfEvento().Id()).Texto("tpEvento", TpEventoParaTexto(e.InfEvento().tpEvento()));
    it.Numero("nSeqEvento", e.InfEvento().nSeqEvento()).Data("dhEvento", e.InfEvento().dhEvento());
    No& rl = it.Lista("retEvento");
    for (int j = 0; j < e.retEvento().Count(); ++j) {
      const TRetInfEvento& ri = e.retEvento()[j];
      rl.Item().Texto("Id", ri.Id).Numero("cStat", ri.cStat).Texto("xMotivo", ri.xMotivo)
          .Data("dhRegEvento", ri.dhRegEvento).Texto("nProt", ri.nProt);
    }
  }
}

void Cadastro(TRetConsCad& r, No& n) {
  n.Texto("versao", r.versao).Texto("CNPJ", r.CNPJ).Texto("CPF", r.CPF).Texto("verAplic", r.verAplic);
  n.Numero("cStat", r.cStat).Texto("xMotivo", r.xMotivo).Texto("UF", r.UF).Texto("IE", r.IE);
  n.Data("dhCons", r.dhCons).Numero("cUF", r.cUF);
  No& l = n.Lista("InfCad");
  for (int i = 0; i < r.InfCad().Count(); ++i) {
    const TInfCadCollectionItem& c = r.InfCad()[i];
    l.Item().Texto("IE", c.IE).Texto("CNPJ", c.CNPJ).Texto("CPF", c.CPF).Texto("UF", c.UF).Numero("cSit", c.cSit)
        .Numero("indCredNFe", c.indCredNFe).Numero("indCredCTe", c.indCredCTe).Texto("xNome", c.xNome)
        .Texto("xFant", c.xFant).Texto("xRegApur", c.xRegApur).Numero("CNAE", c.CNAE).Data("dIniAtiv", c.dIniAtiv)
        .Data("dUltSit", c.dUltSit).Data("dBaixa", c.dBaixa).Texto("IEUnica", c.IEUnica).Texto("IEAtual", c.IEAtual)
        .Texto("xLgr", c.xLgr).Texto("nro", c.nro).Texto("xCpl", c.xCpl).Texto("xBairro", c.xBairro)
        .Numero("cMun", c.cMun).Texto("xMun", c.xMun).Numero("CEP", c.CEP);
  }
}

void Inutilizacao(TRetInutNFe& r, No& n) {
  n.Texto("Id", r.Id).Texto("versao", r.versao).Ambiente(r.tpAmb).Texto("verAplic", r.verAplic);
  n.Numero("cStat", r.cStat).Texto("xMotivo", r.xMotivo).Numero("cUF", r.cUF).Numero("ano", r.ano);
  n.Texto("CNPJ", r.CNPJ).Numero("modelo", r.modelo).Numero("serie", r.serie).Numero("nNFIni", r.nNFIni);
  n.Numero("nNFFin", r.nNFFin).Data("dhRecbto", r.dhRecbto).Texto("nProt", r.nProt).Texto("xJust", r.xJust);
}

void Csc(TRetAdmCSCNFCe& r, No& n) {
  n.Texto("versao", r.versao).Ambiente(r.tpAmb).Texto("indOp", IndOpParaTexto(r.indOp));
  n.Numero("cStat", r.cStat).Texto("xMotivo", r.xMotivo);
  No& l = n.Lista("dadosCsc");
  for (int i = 0; i < r.dadosCsc().Count(); ++i)
    l.Item().Numero("idCsc", r.dadosCsc()[i].idCsc).Texto("codigoCsc", r.dadosCsc()[i].codigoCsc);
}

// File name of an extracted document: the NSU's digits (or its position) and the schema's name,
// so that nothing in the answer can steer the path.
std::string NomeExtraido(const TdocZipCollectionItem& d, int posicao) {
  std::string nsu = SomenteNumeros(d.NSU);
  if (nsu.empty()) nsu = std::to_string(posicao);
  return nsu + "-" + NomeSchema(d.schema) + ".xml";
}

// False (with the file named in `erro`) when a document cannot be written.
bool Distribuicao(TRetDistDFeInt& r, No& n, const std::string& pasta, std::string& erro) {
  n.Texto("versao", r.versao).Ambiente(r.tpAmb).Texto("verAplic", r.verAplic).Numero("cStat", r.cStat);
  n.Texto("xMotivo", r.xMotivo).Data("dhResp", r.dhResp).Texto("ultNSU", r.ultNSU).Texto("maxNSU", r.maxNSU);
  No& l = n.Lista("docZip");
  for (int i = 0; i < r.docZip().Count(); ++i) {
    const TdocZipCollectionItem& d = r.docZip()[i];
    No& it = l.Item();
    it.Texto("NSU", d.NSU).Texto("schema", NomeSchema(d.schema));
    if (!pasta.empty() && !d.XML.empty()) {
      const std::string arq = (std::filesystem::path(pasta) / NomeExtraido(d, i + 1)).string();
      std::ofstream o(arq, std::ios::binary | std::ios::trunc);
      if (!(o << ParaUTF8(d.XML)) || !o.flush()) {
        erro = arq;
        return false;
      }
      it.filhos.push_back({No::kTexto, "Arquivo", arq, {}});
    }
    const TresDFe& s = d.resDFe();
    it.Grupo("resDFe").Texto("chDFe", s.chDFe).Texto("CNPJCPF", s.CNPJCPF).Texto("xNome", s.xNome).Texto("IE", s.IE)
        .Data("dhEmi", s.dhEmi).Texto("tpNF", TpNFParaTexto(s.tpNF)).Valor("vNF", s.vNF).Texto("digVal", s.digVal)
        .Data("dhRecbto", s.dhRecbto).Texto("nProt", s.nProt).Texto("cSitNFe", CSitNFeParaTexto(s.cSitNFe));
    const TresEvento& e = d.resEvento();
    it.Grupo("resEvento").Numero("cOrgao", e.cOrgao).Texto("CNPJCPF", e.CNPJCPF).Texto("chDFe", e.chDFe)
        .Data("dhEvento", e.dhEvento).Texto("tpEvento", TpEventoParaTexto(e.tpEvento)).Numero("nSeqEvento", e.nSeqEvento)
        .Texto("xEvento", e.xEvento).Data("dhRecbto", e.dhRecbto).Texto("nProt", e.nProt);
    const TprocEvento& p = d.procEvento();
    No& pe = it.Grupo("procEvento");
    pe.Texto("Id", p.Id).Numero("cOrgao", p.cOrgao).Ambiente(p.tpAmb).Texto("CNPJ", p.CNPJ).Texto("chDFe", p.chDFe)
        .Data("dhEvento", p.dhEvento).Texto("tpEvento", TpEventoParaTexto(p.tpEvento)).Numero("nSeqEvento", p.nSeqEvento)
        .Texto("verEvento", p.verEvento);
    const TprocEvento_DetEvento& de = p.detEvento();
    No& dn = pe.Grupo("detEvento");
    dn.Texto("versao", de.versao).Texto("nProt", de.nProt).Texto("xJust", de.xJust).Texto("xCorrecao", de.xCorrecao)
        .Texto("descEvento", de.descEvento);
    dn.Grupo("CTe").Texto("chCTe", de.CTe().chCTe).Texto("modal", ModalParaTexto(de.CTe().modal))
        .Data("dhEmi", de.CTe().dhEmi).Texto("nProt", de.CTe().nProt).Data("dhRecbto", de.CTe().dhRecbto);
    dn.Grupo("emit").Texto("CNPJ", de.emit().CNPJ).Texto("IE", de.emit().IE).Texto("xNome", de.emit().xNome);
    const TprocEvento_RetInfEvento& ri = p.RetinfEvento();
    pe.Grupo("RetinfEvento").Texto("Id", ri.Id).Ambiente(ri.tpAmb).Texto("verAplic", ri.verAplic)
        .Numero("cOrgao", ri.cOrgao).Numero("cStat", ri.cStat).Texto("xMotivo", ri.xMotivo).Texto("chDFe", ri.chDFe)
        .Texto("tpEvento", TpEventoParaTexto(ri.tpEvento)).Texto("xEvento", ri.xEvento)
        .Numero("nSeqEvento", ri.nSeqEvento).Texto("CNPJDest", ri.CNPJDest).Data("dhRegEvento", ri.dhRegEvento)
        .Texto("nProt", ri.nProt);
  }
  return true;
}

template <class T, class F>
bool Ler(const std::string& texto, No& n, F imprimir) {
  T r;
  r.Leitor().SetArquivo(texto);
  if (!r.LerResposta()) return false;
  imprimir(r, n);
  return true;
}

const char* const kTipos = "status, envio, recibo, situacao, cadastro, inutilizacao, distribuicao, csc";

int LerResposta(const std::vector<std::string>& words) {
  Args a(words, {"json"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"json", "extrair"}); !u.empty()) return UsageError("opção desconhecida: --" + u);
  if (a.Positional().size() != 2) return UsageError("informe TIPO e ARQUIVO (veja tuim resposta ler --help)");
  const std::string& tipo = a.Positional()[0];
  const std::string& arquivo = a.Positional()[1];
  const std::string pasta = a.Get("extrair");
  if (a.Has("extrair") && tipo != "distribuicao") return UsageError("--extrair vale só para distribuicao");
  if (a.Has("extrair") && pasta.empty()) return UsageError("--extrair pede uma PASTA");

  std::ifstream f(arquivo, std::ios::binary);
  std::ostringstream ss;
  if (!f || !(ss << f.rdbuf())) return UsageError("não foi possível ler " + arquivo);
  // Answers are saved in UTF-8; the readers work on Windows-1252.
  const std::string texto = DeUTF8(ss.str());

  No raiz;
  raiz.tipo = No::kGrupo;
  bool ok = false;
  try {
    if (tipo == "status") ok = Ler<TRetConsStatServ>(texto, raiz, Status);
    else if (tipo == "envio") ok = Ler<TretEnvNFe>(texto, raiz, Envio);
    else if (tipo == "recibo") ok = Ler<TRetConsReciDFe>(texto, raiz, Recibo);
    else if (tipo == "situacao") ok = Ler<TRetConsSitNFe>(texto, raiz, Situacao);
    else if (tipo == "cadastro") ok = Ler<TRetConsCad>(texto, raiz, Cadastro);
    else if (tipo == "inutilizacao") ok = Ler<TRetInutNFe>(texto, raiz, Inutilizacao);
    else if (tipo == "csc") ok = Ler<TRetAdmCSCNFCe>(texto, raiz, Csc);
    else if (tipo == "distribuicao") {
      TRetDistDFeInt r;
      r.Leitor().SetArquivo(texto);
      ok = r.LerResposta();
      if (ok && !pasta.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(pasta, ec);
        if (!std::filesystem::is_directory(pasta)) return UsageError("não foi possível criar a pasta " + pasta);
      }
      std::string erro;
      if (ok && !Distribuicao(r, raiz, pasta, erro)) return UsageError("não foi possível gravar " + erro);
    } else {
      return UsageError("TIPO deve ser um de: " + std::string(kTipos));
    }
  } catch (const ETuimDFeException& e) {
    return Falha(e.what());
  }
  if (!ok) {
    std::cerr << "tuim: " << arquivo << " não é uma resposta de " << tipo << " legível\n";
    return kExitInvalid;
  }
  if (a.Has("json")) {
    Json(raiz, std::cout);
    std::cout << "\n";
  } else {
    Linhas(raiz, "", std::cout);
  }
  return kExitOk;
}

const CommandRegistrar kResposta({"resposta", "lê respostas dos serviços da NF-e salvas em arquivo",
                                  "Uso: tuim resposta ler TIPO ARQUIVO [--json] [--extrair PASTA]\n",
                                  [](const std::vector<std::string>& w) { return RunSubCommand("resposta", w); }});

const SubCommandRegistrar kLer(
    {"resposta", "ler", "mostra os campos de uma resposta (status, envio, recibo, situacao, ...)",
     "Uso: tuim resposta ler TIPO ARQUIVO [--json] [--extrair PASTA]\n"
     "TIPO: status (retConsStatServ), envio (retEnviNFe), recibo (retConsReciNFe), situacao (retConsSitNFe),\n"
     "      cadastro (retConsCad), inutilizacao (retInutNFe), distribuicao (retDistDFeInt), csc (retAdmCscNFCe).\n"
     "Mostra uma linha campo=valor por propriedade (listas como Lista[1].campo), ou um objeto JSON com --json.\n"
     "Datas sem fuso (AAAA-MM-DDThh:mm:ss), vazias quando ausentes.\n"
     "--extrair PASTA (só distribuicao): grava cada documento descompactado em PASTA/NSU-schema.xml (UTF-8).\n"
     "Saída 1 quando o arquivo não traz essa resposta ou um docZip está corrompido.\n",
     LerResposta});

}  // namespace
}  // namespace tuim::cli
