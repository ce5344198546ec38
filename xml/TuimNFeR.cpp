#include "xml/TuimNFeR.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>

#include <cstring>
#include <memory>
#include <type_traits>

#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "xml/TuimNFeCampos.h"
#include "xml/TuimProcNFe.h"

namespace tuim {

namespace {

const char* const kNamespaceDSig = "http://www.w3.org/2000/09/xmldsig#";

[[noreturn]] void Erro(const std::string& caminho, const std::string& motivo) {
  throw ETuimDFeException("XML da NF-e: " + caminho + ": " + motivo);
}

std::string Nome(const xmlNode* n) { return reinterpret_cast<const char*>(n->name); }

bool Elemento(const xmlNode* n) { return n->type == XML_ELEMENT_NODE; }

bool Branco(const std::string& s) {
  for (char c : s)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  return true;
}

bool IguaisSemCaixa(const std::string& a, const char* b) {
  std::size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// The UTF-8 text of a value element (text and CDATA), checked for size; Windows-1252 out.
std::string TextoUTF8(const xmlNode* no, const std::string& caminho) {
  std::string t;
  for (const xmlNode* c = no->children; c; c = c->next) {
    if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
      if (c->content) t += reinterpret_cast<const char*>(c->content);
    } else if (c->type == XML_ELEMENT_NODE) {
      Erro(caminho, "elemento <" + DeUTF8(Nome(c)) + "> onde se esperava um valor");
    } else if (c->type == XML_ENTITY_REF_NODE) {
      Erro(caminho, "referência a entidade não permitida");
    }
    if (t.size() > TNFeR::kTamanhoMaximoTexto) Erro(caminho, "texto maior que o permitido");
  }
  return t;
}

std::string TextoAtributo(const xmlAttr* a, const std::string& caminho) {
  std::string t;
  for (const xmlNode* c = a->children; c; c = c->next)
    if (c->content) t += reinterpret_cast<const char*>(c->content);
  if (t.size() > TNFeR::kTamanhoMaximoTexto) Erro(caminho, "texto maior que o permitido");
  return t;
}

class TLeituraXML;

// ---- Per-group rules: the XML differs from the model here and there -----------------------

// Values a group takes when it is present in the XML, where an absent optional element must
// stay absent when the document is written again.
template <class T> void Preparar(T&) {}
void Preparar(TenderEmit& o) { o.xPais.clear(); }
void Preparar(TenderDest& o) { o.xPais.clear(); }
void Preparar(TProd& o) { o.indEscala = indEscalaVazio; }
// An item of goods may have no ICMS group (PL_010 packages): its CST is then left empty, and
// an ICMS group, or an ISSQN one, gives it back its value of a new document.
void Preparar(TImposto& o) { o.ICMS.CST = cstIcmsVazio; }
void Preparar(TICMS& o) {
  o.modBC = modBCVazio;
  o.CST = cstIcms00;
}
void Preparar(TpagCollectionItem& o) { o.indPag = indPagVazio; }
void Preparar(TISSQNtot& o) { o.cRegTrib = cRegTrib0; }

// Element names that differ from the property they fill.
template <class T> const char* Propriedade(T&, const std::string&) { return nullptr; }
const char* Propriedade(TIde&, const std::string& n) {
  if (n == "mod") return "modelo";
  if (n == "dhEmi") return "dEmi";
  if (n == "dhSaiEnt") return "dSaiEnt";
  return nullptr;
}
const char* Propriedade(TRefNF&, const std::string& n) { return n == "mod" ? "modelo" : nullptr; }
const char* Propriedade(TRefNFP&, const std::string& n) { return n == "mod" ? "modelo" : nullptr; }
const char* Propriedade(TRefECF&, const std::string& n) { return n == "mod" ? "modelo" : nullptr; }
const char* Propriedade(TveicProd&, const std::string& n) {
  if (n == "CM3") return "cilin";
  if (n == "CMKG") return "CMT";
  return nullptr;
}

// Wrapper elements whose children belong to the group itself.
template <class T> bool Transparente(T&, const std::string&) { return false; }
bool Transparente(TIPI&, const std::string& n) { return n == "IPITrib" || n == "IPINT"; }
bool Transparente(TPIS&, const std::string& n) { return n.size() > 3 && n.compare(0, 3, "PIS") == 0; }
bool Transparente(TCOFINS&, const std::string& n) { return n.size() > 6 && n.compare(0, 6, "COFINS") == 0; }
bool Transparente(TDetCollectionItem&, const std::string& n) { return n == "impostoDevol" || n == "IPI"; }
bool Transparente(TpagCollectionItem&, const std::string& n) { return n == "card"; }
bool Transparente(TdetExportCollectionItem&, const std::string& n) { return n == "exportInd"; }

// ---- The reading itself --------------------------------------------------------------------

class TLeituraXML {
public:
  explicit TLeituraXML(std::vector<std::string>& avisos) : fAvisos(avisos) {}

  void Aviso(const std::string& texto) { fAvisos.push_back(texto); }

  template <class T>
  void LerGrupo(const xmlNode* e, T& o, const std::string& caminho) {
    Preparar(o);
    LerAtributos(e, o, caminho);
    LerFilhos(e, o, caminho);
  }

  template <class T>
  void LerAtributos(const xmlNode* e, T& o, const std::string& caminho) {
    for (const xmlAttr* a = e->properties; a; a = a->next) {
      const std::string n = DeUTF8(reinterpret_cast<const char*>(a->name));
      const std::string c = caminho + "/@" + n;
      const std::string valor = TextoAtributo(a, c);
      if (!AtributoEspecial(o, n, valor, c) && !Preencher(o, n, nullptr, &valor, c))
        Aviso("Atributo desconhecido: " + c);
    }
  }

  template <class T>
  void LerFilhos(const xmlNode* e, T& o, const std::string& caminho) {
    for (const xmlNode* c = e->children; c; c = c->next) {
      if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
        if (c->content && !Branco(reinterpret_cast<const char*>(c->content)))
          Erro(caminho, "texto fora de elemento");
        continue;
      }
      if (c->type == XML_ENTITY_REF_NODE) Erro(caminho, "referência a entidade não permitida");
      if (!Elemento(c)) continue;  // comments and processing instructions
      const std::string n = DeUTF8(Nome(c));
      const std::string cc = caminho + "/" + n;
      if (Especial(o, c, n, cc)) continue;
      if (Transparente(o, n)) {
        LerAtributos(c, o, cc);
        LerFilhos(c, o, cc);
        continue;
      }
      if (!Preencher(o, n, c, nullptr, cc)) Aviso("Elemento desconhecido: " + cc);
    }
  }

  // Finds the property named by an element or attribute and reads the value into it.
  template <class T>
  bool Preencher(T& o, const std::string& n, const xmlNode* no, const std::string* atributo,
                 const std::string& caminho);

  // ---- Groups read by hand ---------------------------------------------------------------

  template <class T>
  bool Especial(T&, const xmlNode*, const std::string&, const std::string&) {
    return false;
  }
  bool Especial(TNFe& o, const xmlNode* e, const std::string& n, const std::string& caminho);
  bool Especial(TICMS& o, const xmlNode* e, const std::string& n, const std::string& caminho);
  bool Especial(TinfRespTec& o, const xmlNode* e, const std::string& n, const std::string& caminho);
  // The protocol's messages are cMsg/xMsg pairs in document order; PL_010e takes five.
  bool Especial(TProcNFe& o, const xmlNode* e, const std::string& n, const std::string& caminho);
  bool Especial(TImposto& o, const xmlNode*, const std::string& n, const std::string&) {
    if (n == "ISSQN") o.ICMS.CST = cstIcms00;
    return false;
  }

  template <class T>
  bool AtributoEspecial(T&, const std::string&, const std::string&, const std::string&) {
    return false;
  }
  bool AtributoEspecial(TDetCollectionItem& o, const std::string& n, const std::string& valor,
                        const std::string& caminho) {
    if (n != "nItem") return false;
    if (!TextoParaInteiroNFe(valor, o.Prod.nItem)) Erro(caminho, "número inteiro inválido \"" + valor + "\"");
    return true;
  }

private:
  std::vector<std::string>& fAvisos;
};

// One property sought by name among the fields of a group, filled from an element or an
// attribute value.
class TBuscaXML {
public:
  TBuscaXML(TLeituraXML& leitura, const std::string& nome, bool semCaixa, const xmlNode* no,
            const std::string* atributo, const std::string& caminho)
      : fLeitura(leitura), fNome(nome), fSemCaixa(semCaixa), fNo(no), fAtributo(atributo), fCaminho(caminho) {}

  bool Achou() const { return fAchou; }

  void Campo(const char* n, std::string& v) {
    if (Eh(n)) v = DeUTF8(Valor());
  }
  void Campo(const char* n, int& v) {
    if (!Eh(n)) return;
    const std::string t = Valor();
    // The writer leaves a required value it has none for as an empty element.
    if (t.empty())
      v = 0;
    else if (!TextoParaInteiroNFe(t, v))
      Erro(fCaminho, "número inteiro inválido \"" + DeUTF8(t) + "\"");
  }
  void Campo(const char* n, TCurrency& v) {
    if (!Eh(n)) return;
    const std::string t = Valor();
    if (t.empty())
      v = TCurrency();
    else if (!TextoParaValorNFe(t, v))
      Erro(fCaminho, "valor decimal inválido \"" + DeUTF8(t) + "\"");
  }
  template <class E>
    requires std::is_enum_v<E>
  void Campo(const char* n, E& v) {
    if (!Eh(n)) return;
    const std::string t = DeUTF8(Valor());
    bool ok = false;
    E lido = TCodigosNFe<E>::Valor(ok, t);
    if (!ok || TCodigosNFe<E>::Texto(lido) != t) Erro(fCaminho, "código desconhecido \"" + t + "\"");
    v = lido;
  }
  void Real(const char* n, double& v) {
    if (!Eh(n)) return;
    const std::string t = Valor();
    if (t.empty())
      v = 0;
    else if (!TextoParaRealNFe(t, v))
      Erro(fCaminho, "valor decimal inválido \"" + DeUTF8(t) + "\"");
  }
  void Data(const char* n, TDateTime& v) { LerData(n, v, tdData); }
  void DataHora(const char* n, TDateTime& v) { LerData(n, v, tdDataHora); }
  void Hora(const char* n, TDateTime& v) { LerData(n, v, tdHora); }
  template <class T>
  void Grupo(const char* n, T& g) {
    if (!Eh(n)) return;
    if (!fNo) Erro(fCaminho, "atributo onde se esperava um grupo");
    fLeitura.LerGrupo(fNo, g, fCaminho);
  }
  template <class T>
  void Lista(const char* n, TColecao<T>& l) {
    if (!Eh(n)) return;
    if (!fNo) Erro(fCaminho, "atributo onde se esperava um grupo");
    T& item = l.New();
    const std::string caminho = fCaminho + "[" + std::to_string(l.Count()) + "]";
    // A repeated value element (NVE) fills the item's field of the same name.
    bool grupo = fNo->properties != nullptr;
    for (const xmlNode* c = fNo->children; c && !grupo; c = c->next) grupo = Elemento(c);
    if (grupo) {
      fLeitura.LerGrupo(fNo, item, caminho);
    } else if (!fLeitura.Preencher(item, fNome, fNo, nullptr, caminho)) {
      fLeitura.LerGrupo(fNo, item, caminho);
    }
  }

private:
  bool Eh(const char* n) {
    if (fAchou) return false;
    if (fSemCaixa ? !IguaisSemCaixa(fNome, n) : fNome != n) return false;
    fAchou = true;
    return true;
  }
  std::string Valor() const { return fAtributo ? *fAtributo : TextoUTF8(fNo, fCaminho); }
  void LerData(const char* n, TDateTime& v, TTipoDataNFe tipo) {
    if (!Eh(n)) return;
    const std::string t = Valor();
    if (t.empty())
      v = 0;
    else if (!TextoParaDataNFe(t, tipo, v))
      Erro(fCaminho, "data inválida \"" + DeUTF8(t) + "\"");
  }

  TLeituraXML& fLeitura;
  const std::string& fNome;
  bool fSemCaixa;
  const xmlNode* fNo;
  const std::string* fAtributo;
  const std::string& fCaminho;
  bool fAchou = false;
};

template <class T>
bool TLeituraXML::Preencher(T& o, const std::string& n, const xmlNode* no, const std::string* atributo,
                            const std::string& caminho) {
  auto buscar = [&](const std::string& nome, bool semCaixa) {
    TBuscaXML b(*this, nome, semCaixa, no, atributo, caminho);
    Campos(b, o);
    return b.Achou();
  };
  if (const char* p = Propriedade(o, n)) return buscar(p, false);
  if (buscar(n, false)) return true;
  // The document of a party is one property whichever of CNPJ and CPF the XML holds.
  if ((n == "CNPJ" || n == "CPF") && buscar("CNPJCPF", false)) return true;
  // Group elements are written in lower case ("enderEmit") where the model capitalises.
  return buscar(n, true);
}

bool TLeituraXML::Especial(TNFe& o, const xmlNode* e, const std::string& n, const std::string& caminho) {
  if (n != "pag") return false;
  // From layout 4.00 one pag holds every payment, even none; before it each pag is one.
  bool detPag = o.infNFe.versao >= 4;
  for (const xmlNode* c = e->children; c && !detPag; c = c->next) detPag = Elemento(c) && Nome(c) == "detPag";
  if (!detPag) {
    // Before layout 4.00 each payment is a pag of its own.
    LerGrupo(e, o.pag.New(), caminho + "[" + std::to_string(o.pag.Count()) + "]");
    return true;
  }
  for (const xmlAttr* a = e->properties; a; a = a->next)
    Aviso("Atributo desconhecido: " + caminho + "/@" + DeUTF8(reinterpret_cast<const char*>(a->name)));
  for (const xmlNode* c = e->children; c; c = c->next) {
    if (!Elemento(c)) continue;
    const std::string nc = DeUTF8(Nome(c));
    const std::string cc = caminho + "/" + nc;
    if (nc == "detPag") {
      LerGrupo(c, o.pag.New(), cc + "[" + std::to_string(o.pag.Count()) + "]");
    } else if (nc == "vTroco") {
      const std::string t = TextoUTF8(c, cc);
      if (!TextoParaValorNFe(t, o.pag.vTroco)) Erro(cc, "valor decimal inválido \"" + DeUTF8(t) + "\"");
    } else {
      Aviso("Elemento desconhecido: " + cc);
    }
  }
  return true;
}

bool TLeituraXML::Especial(TICMS& o, const xmlNode* e, const std::string& n, const std::string& caminho) {
  if (n.compare(0, 4, "ICMS") != 0) return false;
  LerAtributos(e, o, caminho);
  LerFilhos(e, o, caminho);
  // Situation codes that repeat are told apart by the group that holds them.
  bool destino = false;
  for (const xmlNode* c = e->children; c; c = c->next) destino = destino || (Elemento(c) && Nome(c) == "vBCSTDest");
  if (n == "ICMSPart") {
    if (o.CST == cstIcms10) o.CST = cstIcmsPart10;
    if (o.CST == cstIcms20) o.CST = cstIcmsPart20;
    if (o.CST == cstIcms90) o.CST = cstIcmsPart90;
  } else if (n == "ICMSST") {
    if (o.CST == cstIcms41) o.CST = cstIcmsST41;
    if (o.CST == cstIcms60) o.CST = cstIcmsST60;
  } else if (n == "ICMS60" && destino && o.CST == cstIcms60) {
    o.CST = cstIcmsST60;  // from layout 4.00 the ST 60 group is written as ICMS60
  } else if (n == "ICMS" && o.CST == cstIcms90) {
    o.CST = cstIcms90b;
  }
  return true;
}

bool TLeituraXML::Especial(TinfRespTec&, const xmlNode*, const std::string& n, const std::string& caminho) {
  if (n != "idCSRT" && n != "hashCSRT") return false;
  // The hash is made again by the writer from the secret of the configuration.
  Aviso("Elemento não mantido (refeito com o CSRT da configuração): " + caminho);
  return true;
}

bool TLeituraXML::Especial(TProcNFe& o, const xmlNode* e, const std::string& n, const std::string& caminho) {
  if (n != "cMsg" && n != "xMsg") return false;
  TMsgCollectionItem m;
  Preencher(m, n, e, nullptr, caminho);
  const bool mantida = n == "cMsg" ? o.LerCMsg(m.cMsg, TProcNFe::kMaxMensagens)
                                   : o.LerXMsg(m.xMsg, TProcNFe::kMaxMensagens);
  if (!mantida)
    Aviso("Elemento não mantido (mais de " + std::to_string(TProcNFe::kMaxMensagens) +
          " mensagens no protocolo): " + caminho);
  return true;
}

// Signers break their Base64 values into lines, and the DigestValue is signed with its breaks:
// the text is kept as it came, and the writer gives it back the same.
std::string Base64(const xmlNode* no, const std::string& caminho) { return DeUTF8(TextoUTF8(no, caminho)); }

void LerAssinatura(const xmlNode* e, TSignature& s) {
  for (const xmlNode* c = e->children; c; c = c->next) {
    if (!Elemento(c)) continue;
    const std::string n = Nome(c);
    if (n == "DigestValue")
      s.SetDigestValue(Base64(c, "/Signature/" + n));
    else if (n == "SignatureValue")
      s.SetSignatureValue(Base64(c, "/Signature/" + n));
    else if (n == "X509Certificate")
      s.SetX509Certificate(Base64(c, "/Signature/" + n));
    else
      LerAssinatura(c, s);
  }
}

bool DoNamespace(const xmlNode* e, const char* ns) {
  return e->ns && e->ns->href && std::strcmp(reinterpret_cast<const char*>(e->ns->href), ns) == 0;
}

void LerNFe(TLeituraXML& l, const xmlNode* e, TNFe& nfe, const std::string& caminho) {
  bool temInf = false;
  for (const xmlNode* c = e->children; c; c = c->next) {
    if (c->type == XML_TEXT_NODE && c->content && !Branco(reinterpret_cast<const char*>(c->content)))
      Erro(caminho, "texto fora de elemento");
    if (!Elemento(c)) continue;
    const std::string n = DeUTF8(Nome(c));
    const std::string cc = caminho + "/" + n;
    if (n == "infNFe") {
      temInf = true;
      for (const xmlAttr* a = c->properties; a; a = a->next) {
        const std::string an = DeUTF8(reinterpret_cast<const char*>(a->name));
        const std::string ca = cc + "/@" + an;
        const std::string valor = TextoAtributo(a, ca);
        if (an == "versao") {
          if (!TextoParaRealNFe(valor, nfe.infNFe.versao)) Erro(ca, "versão inválida \"" + DeUTF8(valor) + "\"");
        } else if (an == "Id") {
          nfe.infNFe.ID = DeUTF8(valor);
        } else {
          l.Aviso("Atributo desconhecido: " + ca);
        }
      }
      l.LerFilhos(c, nfe, cc);
    } else if (n == "infNFeSupl") {
      l.LerGrupo(c, nfe.infNFeSupl, cc);
    } else if (n == "Signature" && DoNamespace(c, kNamespaceDSig)) {
      LerAssinatura(c, nfe.signature);
    } else {
      l.Aviso("Elemento desconhecido: " + cc);
    }
  }
  if (!temInf) Erro(caminho, "sem o grupo infNFe");
}

void LerProt(TLeituraXML& l, const xmlNode* e, TProcNFe& p, const std::string& caminho) {
  for (const xmlAttr* a = e->properties; a; a = a->next) {
    const std::string an = DeUTF8(reinterpret_cast<const char*>(a->name));
    if (an == "versao")
      p.Versao = DeUTF8(TextoAtributo(a, caminho + "/@versao"));
    else
      l.Aviso("Atributo desconhecido: " + caminho + "/@" + an);
  }
  for (const xmlNode* c = e->children; c; c = c->next) {
    if (!Elemento(c)) continue;
    const std::string n = DeUTF8(Nome(c));
    const std::string cc = caminho + "/" + n;
    if (n != "infProt") {
      l.Aviso("Elemento desconhecido: " + cc);
      continue;
    }
    for (const xmlAttr* a = c->properties; a; a = a->next) {
      const std::string an = DeUTF8(reinterpret_cast<const char*>(a->name));
      if (an == "Id")
        p.Id = DeUTF8(TextoAtributo(a, cc + "/@Id"));
      else
        l.Aviso("Atributo desconhecido: " + cc + "/@" + an);
    }
    l.LerFilhos(c, p, cc);
  }
}

// A DOCTYPE stops the parse before any declaration in it is looked at.
void AoDoctype(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  *static_cast<bool*>(ctxt->_private) = true;
  xmlStopParser(ctxt);
}

struct TLiberaDoc {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};

std::unique_ptr<xmlDoc, TLiberaDoc> Analisar(const std::string& xml) {
  if (xml.size() > TNFeR::kTamanhoMaximoXML) Erro("/", "documento maior que o permitido");
  xmlInitParser();
  xmlParserCtxtPtr ctxt = xmlCreateMemoryParserCtxt(xml.data(), static_cast<int>(xml.size()));
  if (!ctxt) Erro("/", "XML vazio");
  bool doctype = false;
  ctxt->_private = &doctype;
  ctxt->sax->internalSubset = &AoDoctype;
  xmlCtxtUseOptions(ctxt, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  xmlParseDocument(ctxt);
  std::unique_ptr<xmlDoc, TLiberaDoc> doc(ctxt->myDoc);
  const bool bemFormado = ctxt->wellFormed != 0;
  std::string motivo;
  if (const xmlError* err = xmlCtxtGetLastError(ctxt); err && err->message) {
    motivo = Trim(DeUTF8(err->message));
    motivo += " (linha " + std::to_string(err->line) + ")";
  }
  xmlFreeParserCtxt(ctxt);
  if (doctype) Erro("/", "DOCTYPE não permitido");
  if (!bemFormado || !doc) Erro("/", "XML mal formado: " + motivo);
  if (doc->intSubset || doc->extSubset) Erro("/", "DOCTYPE não permitido");
  return doc;
}

// The root element, checked to be NFe or nfeProc of the national namespace.
const xmlNode* Raiz(xmlDoc* doc) {
  const xmlNode* raiz = xmlDocGetRootElement(doc);
  if (!raiz) Erro("/", "sem elemento raiz");
  const std::string nome = DeUTF8(Nome(raiz));
  if ((nome != "NFe" && nome != "nfeProc") || !DoNamespace(raiz, kNamespaceNFe))
    Erro("/" + nome, "raiz inesperada: esperado NFe ou nfeProc do namespace " + std::string(kNamespaceNFe));
  return raiz;
}

std::string Atributo(const xmlNode* e, const char* nome) {
  for (const xmlAttr* a = e->properties; a; a = a->next)
    if (std::strcmp(reinterpret_cast<const char*>(a->name), nome) == 0) return DeUTF8(TextoAtributo(a, nome));
  return {};
}

const xmlNode* Filho(const xmlNode* e, const char* nome) {
  for (const xmlNode* c = e->children; c; c = c->next)
    if (Elemento(c) && Nome(c) == nome) return c;
  return nullptr;
}

}  // namespace

void TNFeR::IdentificarDocumento(const std::string& xml, std::string& raiz, std::string& versao) {
  auto doc = Analisar(xml);
  const xmlNode* r = Raiz(doc.get());
  raiz = DeUTF8(Nome(r));
  if (raiz == "nfeProc") {
    versao = Atributo(r, "versao");
  } else {
    const xmlNode* inf = Filho(r, "infNFe");
    versao = inf ? Atributo(inf, "versao") : std::string();
  }
  if (versao.empty()) Erro("/" + raiz, "sem o atributo versao");
}

TNFeR::TNFeR(TNFe* nfe) : fNFe(nfe) {}

void TNFeR::LerXML(const std::string& xml) {
  if (!fNFe) throw ETuimDFeException("XML da NF-e: nenhum documento para preencher");
  std::vector<std::string> avisos;
  auto doc = Analisar(xml);
  const xmlNode* raiz = Raiz(doc.get());
  const std::string nome = DeUTF8(Nome(raiz));

  TNFe nfe;
  TLeituraXML l(avisos);
  if (nome == "NFe") {
    LerNFe(l, raiz, nfe, "/NFe");
  } else {
    bool temNFe = false;
    for (const xmlAttr* a = raiz->properties; a; a = a->next)
      if (std::strcmp(reinterpret_cast<const char*>(a->name), "versao") != 0)
        l.Aviso("Atributo desconhecido: /nfeProc/@" + DeUTF8(reinterpret_cast<const char*>(a->name)));
    for (const xmlNode* c = raiz->children; c; c = c->next) {
      if (!Elemento(c)) continue;
      const std::string n = DeUTF8(Nome(c));
      if (n == "NFe" && !temNFe) {
        temNFe = true;
        LerNFe(l, c, nfe, "/nfeProc/NFe");
      } else if (n == "protNFe") {
        LerProt(l, c, nfe.procNFe, "/nfeProc/protNFe");
      } else {
        l.Aviso("Elemento desconhecido: /nfeProc/" + n);
      }
    }
    if (!temNFe) Erro("/nfeProc", "sem o elemento NFe");
  }
  *fNFe = std::move(nfe);
  fAvisos = std::move(avisos);
}

}  // namespace tuim
