#pragma once
// Answers of the distribution service as the authority sends them, built for tests and benchmarks.
#include <zlib.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "fiscal/TuimUtil.h"

namespace tuim::teste {

inline const char* const kNsNFe = "xmlns=\"http://www.portalfiscal.inf.br/nfe\"";

// Compressed with zlib itself: gzip framing (windowBits 31) or a zlib stream (15).
inline std::string Compactar(const std::string& dados, bool gzip = true) {
  z_stream zs{};
  if (deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, gzip ? 31 : 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string saida(deflateBound(&zs, static_cast<uLong>(dados.size())), '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(dados.data()));
  zs.avail_in = static_cast<uInt>(dados.size());
  zs.next_out = reinterpret_cast<Bytef*>(saida.data());
  zs.avail_out = static_cast<uInt>(saida.size());
  int r = deflate(&zs, Z_FINISH);
  saida.resize(zs.total_out);
  deflateEnd(&zs);
  if (r != Z_STREAM_END) throw std::runtime_error("deflate");
  return saida;
}

// A document as it travels inside docZip: UTF-8, compressed, Base64.
inline std::string InfZip(const std::string& documentoCp1252, bool gzip = true) {
  return CodificarBase64(Compactar(ParaUTF8(documentoCp1252), gzip));
}

inline std::string DocZip(const std::string& nsu, const std::string& schema, const std::string& infZip) {
  return "<docZip NSU=\"" + nsu + "\" schema=\"" + schema + "\">" + infZip + "</docZip>";
}

inline std::string ResNFe(const std::string& chave, const std::string& xNome, const std::string& cSit = "1") {
  return std::string("<resNFe ") + kNsNFe + " versao=\"1.01\"><chNFe>" + chave +
         "</chNFe><CNPJ>11222333000181</CNPJ><xNome>" + xNome +
         "</xNome><IE>131234567</IE><dhEmi>2024-01-10T09:15:00-04:00</dhEmi><tpNF>1</tpNF>"
         "<vNF>1520.35</vNF><digVal>q0d3lC2nLr9w4ZbNfK1s0tJQb6M=</digVal>"
         "<dhRecbto>2024-01-10T09:16:02-04:00</dhRecbto><nProt>151240000001234</nProt>"
         "<cSitNFe>" + cSit + "</cSitNFe></resNFe>";
}

inline std::string ResEvento(const std::string& chave) {
  return std::string("<resEvento ") + kNsNFe + " versao=\"1.01\"><cOrgao>51</cOrgao><CPF>12345678909</CPF><chNFe>" +
         chave +
         "</chNFe><dhEvento>2024-01-11T14:00:00-04:00</dhEvento><tpEvento>110111</tpEvento>"
         "<nSeqEvento>1</nSeqEvento><xEvento>Cancelamento</xEvento><dhRecbto>2024-01-11T14:00:05-04:00</dhRecbto>"
         "<nProt>151240000005678</nProt></resEvento>";
}

inline std::string ProcEventoNFe(const std::string& chave) {
  return std::string("<procEventoNFe ") + kNsNFe + " versao=\"1.00\"><evento " + kNsNFe +
         " versao=\"1.00\"><infEvento Id=\"ID110111" + chave +
         "01\"><cOrgao>51</cOrgao><tpAmb>1</tpAmb><CNPJ>11222333000181</CNPJ><chNFe>" + chave +
         "</chNFe><dhEvento>2024-01-11T14:00:00-04:00</dhEvento><tpEvento>110111</tpEvento>"
         "<nSeqEvento>1</nSeqEvento><verEvento>1.00</verEvento><detEvento versao=\"1.00\">"
         "<descEvento>Cancelamento</descEvento><nProt>151240000001234</nProt>"
         "<xJust>Erro na digitacao do valor &amp;amp; do cliente</xJust></detEvento></infEvento></evento>"
         "<retEvento versao=\"1.00\"><infEvento Id=\"ID151240000005678\"><tpAmb>1</tpAmb>"
         "<verAplic>SVRS202401</verAplic><cOrgao>51</cOrgao><cStat>135</cStat>"
         "<xMotivo>Evento registrado e vinculado a NF-e</xMotivo><chNFe>" + chave +
         "</chNFe><tpEvento>110111</tpEvento><xEvento>Cancelamento registrado</xEvento>"
         "<nSeqEvento>1</nSeqEvento><CNPJDest>99888777000166</CNPJDest>"
         "<dhRegEvento>2024-01-11T14:00:05-04:00</dhRegEvento><nProt>151240000005678</nProt></infEvento>"
         "</retEvento></procEventoNFe>";
}

// A processed NF-e cut to the groups the summary takes (issuer, identification, totals, protocol).
inline std::string NFeProc(const std::string& chave, const std::string& xNome) {
  return std::string("<nfeProc ") + kNsNFe + " versao=\"4.00\"><NFe " + kNsNFe + "><infNFe versao=\"4.00\" Id=\"NFe" +
         chave +
         "\"><ide><cUF>51</cUF><natOp>VENDA</natOp><mod>55</mod><dhEmi>2024-01-10T09:15:00-04:00</dhEmi>"
         "<tpNF>0</tpNF></ide><emit><CPF>12345678909</CPF><xNome>" + xNome +
         "</xNome><enderEmit><xLgr>Rua A</xLgr></enderEmit><IE>131234567</IE></emit>"
         "<dest><CNPJ>99888777000166</CNPJ><xNome>Destinatario</xNome><IE>139999999</IE></dest>"
         "<total><ICMSTot><vBC>0.00</vBC><vNF>99.90</vNF></ICMSTot></total></infNFe></NFe>"
         "<protNFe versao=\"4.00\"><infProt><tpAmb>1</tpAmb><verAplic>SVRS202401</verAplic><chNFe>" + chave +
         "</chNFe><dhRecbto>2024-01-10T09:16:02-04:00</dhRecbto><nProt>151240000001234</nProt>"
         "<digVal>q0d3lC2nLr9w4ZbNfK1s0tJQb6M=</digVal><cStat>101</cStat>"
         "<xMotivo>Cancelamento de NF-e homologado</xMotivo></infProt></protNFe></nfeProc>";
}

inline std::string RetDistDFeInt(const std::vector<std::string>& docZips, const std::string& cStat = "138",
                                 const std::string& ultNSU = "000000000000050") {
  std::string r = std::string("<retDistDFeInt ") + kNsNFe +
                  " versao=\"1.01\"><tpAmb>1</tpAmb><verAplic>1.4.0</verAplic><cStat>" + cStat +
                  "</cStat><xMotivo>Documento localizado</xMotivo><dhResp>2024-01-12T08:30:00-03:00</dhResp>"
                  "<ultNSU>" + ultNSU + "</ultNSU><maxNSU>000000000000099</maxNSU>";
  if (!docZips.empty()) {
    r += "<loteDistDFeInt>";
    for (const auto& d : docZips) r += d;
    r += "</loteDistDFeInt>";
  }
  return r + "</retDistDFeInt>";
}

// NSU n as the authority writes it: fifteen digits.
inline std::string NSU(int n) {
  std::string s = std::to_string(n);
  return std::string(15 - s.size(), '0') + s;
}

// A batch of `quantos` documents that cycles through the four kinds of content.
inline std::string LoteDistribuicao(int quantos, const std::string& chave) {
  std::vector<std::string> docs;
  for (int i = 1; i <= quantos; ++i) {
    switch (i % 4) {
      case 1: docs.push_back(DocZip(NSU(i), "resNFe_v1.01.xsd", InfZip(ResNFe(chave, "Empresa " + std::to_string(i))))); break;
      case 2: docs.push_back(DocZip(NSU(i), "resEvento_v1.01.xsd", InfZip(ResEvento(chave)))); break;
      case 3: docs.push_back(DocZip(NSU(i), "procNFe_v4.00.xsd", InfZip(NFeProc(chave, "Emitente " + std::to_string(i))))); break;
      default: docs.push_back(DocZip(NSU(i), "procEventoNFe_v1.00.xsd", InfZip(ProcEventoNFe(chave)))); break;
    }
  }
  return RetDistDFeInt(docs, "138", NSU(quantos));
}

}  // namespace tuim::teste
