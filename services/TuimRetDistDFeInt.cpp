#include "services/TuimRetDistDFeInt.h"

#include <zlib.h>

#include <climits>
#include <exception>

#include "fiscal/TuimChaveAcesso.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"

namespace tuim {
namespace {

const char* const kFalhaDescompactar = "Falha ao descompactar o docZip: ";

// Entities left over in a text already read (an issuer that escaped them twice).
std::string Decodificado(TLeitor& l, const std::string& tag) {
  return TratarEntidades(l.LerTexto(tag), true, false);
}
TCurrency Valor(TLeitor& l, const std::string& tag) { return l.LerCampo(fcDecimal2, tag).AsCurrency(); }

// The group's own fields, without those of a child group that repeats their names.
void LimitarAntesDe(TLeitor& l, const std::string& filho) {
  const std::size_t p = l.Grupo().find("<" + filho);
  if (p != std::string::npos) l.SetGrupo(l.Grupo().substr(0, p));
}

std::string ComDeclaracao(const std::string& grupo) { return InserirDeclaracaoXml(grupo); }

// The detail of a processed event: its protocol and texts, and the CT-e and issuer it names.
void LerDetalheEvento(TLeitor& l, TprocEvento_DetEvento& d) {
  bool ok = false;
  d.versao = l.LerAtributo("versao", "detEvento").AsString();
  // The CT-e and the issuer carry a protocol and names of their own.
  LimitarAntesDe(l, "CTe");
  LimitarAntesDe(l, "emit");
  d.nProt = l.LerTexto("nProt");
  d.xJust = Decodificado(l, "xJust");
  d.xCorrecao = Decodificado(l, "xCorrecao");
  d.descEvento = Decodificado(l, "descEvento");
  if (!l.ExtrairGrupo(3, "CTe").empty()) {
    TDetEventoCTe& c = d.CTe();
    c.chCTe = l.LerTexto("chCTe");
    c.modal = TextoParaModal(ok, l.LerTexto("modal"));
    c.dhEmi = l.LerDataHora("dhEmi");
    c.nProt = l.LerTexto("nProt");
    c.dhRecbto = l.LerDataHora("dhRecbto");
  }
  if (!l.ExtrairGrupo(3, "emit").empty()) {
    TDetEventoEmit& m = d.emit();
    m.CNPJ = l.LerTexto("CNPJ");
    m.IE = l.LerTexto("IE");
    m.xNome = Decodificado(l, "xNome");
  }
}

}  // namespace

std::string DescompactarDocZip(const std::string& dados) {
  const auto* b = reinterpret_cast<const unsigned char*>(dados.data());
  const bool gzip = dados.size() >= 3 && (b[0] & 0x1F) == 0x1F && (b[1] & 0x8B) == 0x8B && (b[2] & 0x08) == 0x08;
  if (dados.size() > UINT_MAX) throw ETuimDFeException(std::string(kFalhaDescompactar) + "dados grandes demais");

  z_stream zs{};
  if (inflateInit2(&zs, gzip ? MAX_WBITS + 16 : MAX_WBITS) != Z_OK)
    throw ETuimDFeException(std::string(kFalhaDescompactar) + "zlib não iniciou");
  zs.next_in = const_cast<Bytef*>(b);
  zs.avail_in = static_cast<uInt>(dados.size());

  std::string saida;
  char bloco[64 * 1024];
  int r = Z_OK;
  std::string erro;
  while (true) {
    zs.next_out = reinterpret_cast<Bytef*>(bloco);
    zs.avail_out = sizeof bloco;
    r = inflate(&zs, Z_NO_FLUSH);
    const std::size_t n = sizeof bloco - zs.avail_out;
    if (r != Z_OK && r != Z_STREAM_END && r != Z_BUF_ERROR) {
      erro = zs.msg ? zs.msg : "dados corrompidos";
      break;
    }
    if (saida.size() + n > kTamanhoMaximoDocZip) {
      erro = "o documento excede " + std::to_string(kTamanhoMaximoDocZip) + " bytes";
      break;
    }
    saida.append(bloco, n);
    if (r == Z_STREAM_END) break;
    // No progress possible: the input ended before the stream did.
    if (r == Z_BUF_ERROR || (n == 0 && zs.avail_in == 0)) {
      erro = "dados incompletos";
      break;
    }
  }
  inflateEnd(&zs);
  if (!erro.empty()) throw ETuimDFeException(kFalhaDescompactar + erro);
  return saida;
}

TRetDistDFeInt::TRetDistDFeInt(const std::string& sufixo)
    : fLeitor(std::make_unique<TLeitor>()), fSufixo(sufixo) {}
TRetDistDFeInt::~TRetDistDFeInt() = default;

bool TRetDistDFeInt::LerResposta() {
  try {
    return Ler();
  } catch (const ETuimDFeException&) {
    throw;
  } catch (const std::exception& e) {
    throw ETuimDFeException(e.what());
  }
}

bool TRetDistDFeInt::Ler() {
  TLeitor& l = *fLeitor;
  fdocZip.Clear();
  XML = l.Arquivo();
  if (l.ExtrairGrupo(1, "retDistDFeInt").empty()) return false;
  versao = l.LerAtributo("versao", "retDistDFeInt").AsString();
  LimitarAntesDe(l, "loteDistDFeInt");
  LerCabecalho(l, "");
  dhResp = l.LerDataHora("dhResp");
  ultNSU = l.LerTexto("ultNSU");
  maxNSU = l.LerTexto("maxNSU");
  for (int i = 1;; ++i) {
    if (l.ExtrairGrupo(2, "docZip", "", i).empty()) break;
    LerDocZip(fdocZip.New());
  }
  return true;
}

void TRetDistDFeInt::LerDocZip(TdocZipCollectionItem& item) {
  TLeitor& l = *fLeitor;
  const std::string g = l.Grupo();
  const std::size_t inicio = g.find('>');
  const std::size_t fim = g.find("</docZip");
  item.InfZip = (inicio != std::string::npos && fim != std::string::npos && fim > inicio)
                    ? g.substr(inicio + 1, fim - inicio - 1)
                    : std::string();
  // Attributes from the opening tag only: Base64 padding can end in "NSU=" too.
  l.SetGrupo(g.substr(0, inicio == std::string::npos ? g.size() : inicio + 1));
  item.NSU = l.LerAtributo("NSU").AsString();
  item.schema = TextoParaSchemaDFe(l.LerAtributo("schema").AsString());

  std::string bytes;
  if (!DecodificarBase64(item.InfZip, bytes))
    throw ETuimDFeException("Conteúdo Base64 inválido no docZip de NSU " + item.NSU);
  // The documents travel in UTF-8; inside the system they are Windows-1252.
  LerDocumento(item, DeUTF8(DescompactarDocZip(bytes)));
}

void TRetDistDFeInt::LerDocumento(TdocZipCollectionItem& item, const std::string& documento) {
  TLeitor l;
  l.SetArquivo(documento);
  LerResumo(l, item);
  LerResumoEvento(l, item);
  LerDocumentoProcessado(l, item);
  LerEventoProcessado(l, item);
}

// Summary of a document.
void TRetDistDFeInt::LerResumo(TLeitor& l, TdocZipCollectionItem& item) {
  bool ok = false;
  const std::string ch = "ch" + fSufixo;
  if (std::string g = l.ExtrairGrupo(1, "res" + fSufixo); !g.empty()) {
    item.XML = ComDeclaracao(g);
    TresDFe& r = item.resDFe();
    r.chDFe = l.LerTexto(ch);
    r.CNPJCPF = l.LerCampoCNPJCPF();
    r.xNome = Decodificado(l, "xNome");
    r.IE = l.LerTexto("IE");
    r.dhEmi = l.LerDataHora("dhEmi");
    r.tpNF = TextoParaTpNF(ok, l.LerTexto("tpNF"));
    r.vNF = Valor(l, "vNF");
    r.digVal = l.LerTexto("digVal");
    r.dhRecbto = l.LerDataHora("dhRecbto");
    r.nProt = l.LerTexto("nProt");
    r.cSitNFe = TextoParaCSitNFe(ok, l.LerTexto("cSitNFe"));
  }
}

// Summary of an event.
void TRetDistDFeInt::LerResumoEvento(TLeitor& l, TdocZipCollectionItem& item) {
  bool ok = false;
  const std::string ch = "ch" + fSufixo;
  if (std::string g = l.ExtrairGrupo(1, "resEvento"); !g.empty()) {
    item.XML = ComDeclaracao(g);
    TresEvento& r = item.resEvento();
    r.cOrgao = l.LerInteiro("cOrgao");
    r.CNPJCPF = l.LerCampoCNPJCPF();
    r.chDFe = l.LerTexto(ch);
    r.dhEvento = l.LerDataHora("dhEvento");
    r.tpEvento = TextoParaTpEventoDFe(ok, l.LerTexto("tpEvento"), fSufixo);
    r.nSeqEvento = l.LerInteiro("nSeqEvento");
    r.xEvento = Decodificado(l, "xEvento");
    r.dhRecbto = l.LerDataHora("dhRecbto");
    r.nProt = l.LerTexto("nProt");
  }
}

// Full document.
void TRetDistDFeInt::LerDocumentoProcessado(TLeitor& l, TdocZipCollectionItem& item) {
  bool ok = false;
  const std::string tipo = LowerCase(fSufixo);
  std::string proc = l.ExtrairGrupo(1, tipo + "Proc");
  if (proc.empty()) proc = l.ExtrairGrupo(1, tipo + "OSProc");
  if (!proc.empty()) {
    item.XML = ComDeclaracao(proc);
    TresDFe& r = item.resDFe();
    const std::string id = "Id=\"" + fSufixo;
    const std::size_t p = proc.find(id);
    r.chDFe = p == std::string::npos ? std::string() : proc.substr(p + id.size(), TamanhoChaveAcesso);

    // Issuer, identification and totals belong to the document's information group.
    const std::string inf = fSufixo == "CTe" ? "infCte" : "inf" + fSufixo;
    if (l.ExtrairGrupo(2, inf).empty()) l.SetNiveis(2, proc);
    if (!l.ExtrairGrupo(3, "emit").empty()) {
      r.CNPJCPF = l.LerCampoCNPJCPF();
      r.xNome = Decodificado(l, "xNome");
      r.IE = l.LerTexto("IE");
    }
    if (!l.ExtrairGrupo(3, "ide").empty()) {
      r.dhEmi = l.LerDataHora("dhEmi");
      if (r.dhEmi == 0) r.dhEmi = l.LerCampo(fcData, "dEmi").AsDateTime();
      r.tpNF = TextoParaTpNF(ok, l.LerTexto("tpNF"));
    }
    r.vNF = TCurrency();
    if (!l.ExtrairGrupo(3, "total").empty()) r.vNF = Valor(l, "vNF");
    if (r.vNF == TCurrency() && !l.ExtrairGrupo(3, "vPrest").empty()) r.vNF = Valor(l, "vTPrest");

    if (!l.ExtrairGrupo(2, "infProt").empty()) {
      r.digVal = l.LerTexto("digVal");
      r.dhRecbto = l.LerDataHora("dhRecbto");
      r.nProt = l.LerTexto("nProt");
      switch (l.LerInteiro("cStat")) {
        case 100: r.cSitNFe = cSitNFe1; break;  // authorised
        case 110: r.cSitNFe = cSitNFe2; break;  // denied
        case 101: r.cSitNFe = cSitNFe3; break;  // cancelled
        case 132: r.cSitNFe = cSitNFe4; break;
        default: break;
      }
    }
  }
}

// Processed event.
void TRetDistDFeInt::LerEventoProcessado(TLeitor& l, TdocZipCollectionItem& item) {
  bool ok = false;
  const std::string ch = "ch" + fSufixo;
  if (std::string g = l.ExtrairGrupo(1, "procEvento" + fSufixo); !g.empty()) {
    item.XML = ComDeclaracao(g);
    TprocEvento& e = item.procEvento();
    e.Id = l.LerAtributo("Id", "infEvento").AsString();
    // The event's own head: its detail and its registration repeat several of these names.
    LimitarAntesDe(l, "detEvento");
    e.cOrgao = l.LerInteiro("cOrgao");
    e.tpAmb = l.LerAmbiente();
    e.CNPJ = l.LerTexto("CNPJ");
    e.chDFe = l.LerTexto(ch);
    e.dhEvento = l.LerDataHora("dhEvento");
    e.tpEvento = TextoParaTpEventoDFe(ok, l.LerTexto("tpEvento"), fSufixo);
    e.nSeqEvento = l.LerInteiro("nSeqEvento");
    e.verEvento = l.LerTexto("verEvento");

    if (!l.ExtrairGrupo(2, "detEvento").empty()) LerDetalheEvento(l, e.detEvento());

    std::string ret = l.ExtrairGrupo(2, "retEvento");
    if (ret.empty()) ret = l.ExtrairGrupo(2, "retEvento" + fSufixo);
    if (!ret.empty()) {
      TprocEvento_RetInfEvento& r = e.RetinfEvento();
      r.Id = l.LerAtributo("Id", "infEvento").AsString();
      r.LerCabecalho(l, "");
      r.cOrgao = l.LerInteiro("cOrgao");
      r.xMotivo = Decodificado(l, "xMotivo");
      r.chDFe = l.LerTexto(ch);
      r.tpEvento = TextoParaTpEventoDFe(ok, l.LerTexto("tpEvento"), fSufixo);
      r.xEvento = Decodificado(l, "xEvento");
      r.nSeqEvento = l.LerInteiro("nSeqEvento");
      r.CNPJDest = l.LerTexto("CNPJDest");
      r.dhRegEvento = l.LerDataHora("dhRegEvento");
      r.nProt = l.LerTexto("nProt");
    }
  }
}

}  // namespace tuim
