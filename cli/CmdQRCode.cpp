// `tuim qrcode`: the text that the QR code of an NFC-e encodes.
#include <iostream>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "component/TuimNFe.h"
#include "fiscal/TuimCurrency.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "fiscal/fscConversao.h"
#include "fiscal/fscConversaoNFe.h"

namespace tuim::cli {
namespace {

// "YYYY-MM-DDThh:mm:ss" (or a blank for the T); false for anything else or an impossible date.
bool LerDataHora(const std::string& s, TDateTime& out) {
  if (s.size() != 19 || s[4] != '-' || s[7] != '-' || (s[10] != 'T' && s[10] != ' ') || s[13] != ':' ||
      s[16] != ':')
    return false;
  auto num = [&](std::size_t p, std::size_t n, int& v) {
    v = 0;
    for (std::size_t i = p; i < p + n; ++i) {
      if (s[i] < '0' || s[i] > '9') return false;
      v = v * 10 + (s[i] - '0');
    }
    return true;
  };
  int y, mo, d, h, mi, se;
  if (!num(0, 4, y) || !num(5, 2, mo) || !num(8, 2, d) || !num(11, 2, h) || !num(14, 2, mi) || !num(17, 2, se))
    return false;
  return TryEncodeDateTime(y, mo, d, h, mi, se, 0, out);
}

int QRCode(const std::vector<std::string>& w) {
  Args a(w, {"estrangeiro"});
  if (!a.ok()) return UsageError(a.error());
  const std::vector<std::string> known = {"chave",  "uf",        "ambiente", "destinatario", "emissao",
                                          "total",  "icms",      "digest",   "versao",       "id-csc",
                                          "csc",    "versao-qrcode", "fuso",  "catalogo",
                                          "pfx",    "senha",     "estrangeiro"};
  if (auto u = a.Unknown(known); !u.empty()) return UsageError("opção desconhecida: --" + u);
  if (!a.Positional().empty()) return UsageError("argumento inesperado: " + a.Positional()[0]);

  // An alphanumeric issuer CNPJ keeps its capital letters in the key.
  std::string chave;
  for (char c : a.Get("chave"))
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) chave += c;
  if (chave.size() != 44) return UsageError("--chave precisa de uma chave de acesso de 44 caracteres");

  int cUF = 0;
  std::string uf = a.Get("uf", chave.substr(0, 2));
  if (TextoNumerico(uf))
    cUF = static_cast<int>(TextoParaInteiroPadrao(uf, 0));
  else
    cUF = SiglaParaCodigoUF(uf);
  if (CodigoParaUF(cUF).empty()) return UsageError("--uf desconhecida: " + uf);

  std::string amb = a.Get("ambiente", "homologacao");
  TfscTipoAmbiente ambiente;
  if (amb == "producao" || amb == "1")
    ambiente = taProducao;
  else if (amb == "homologacao" || amb == "2")
    ambiente = taHomologacao;
  else
    return UsageError("--ambiente deve ser producao ou homologacao");

  TDateTime emissao = 0;
  if (!LerDataHora(a.Get("emissao"), emissao))
    return UsageError("--emissao precisa de uma data-hora AAAA-MM-DDThh:mm:ss");

  TCurrency total, icms;
  if (!TCurrency::TryParse(a.Get("total", "0"), total)) return UsageError("--total não é um valor");
  if (!TCurrency::TryParse(a.Get("icms", "0"), icms)) return UsageError("--icms não é um valor");

  double versao = LerVersaoCatalogo(a.Get("versao", "4.00"));
  if (versao <= 0) return UsageError("--versao inválida: " + a.Get("versao"));

  TfscVersaoQrCode vqr = veqr000;
  if (a.Has("versao-qrcode")) {
    bool ok = false;
    vqr = TextoParaVersaoQrCode(ok, a.Get("versao-qrcode"));
    if (!ok) return UsageError("--versao-qrcode deve ser 0, 1, 2 ou 3");
  }

  TTuimNFe nfe;
  auto& c = nfe.Configuracoes();
  c.Geral().SetModeloDF(moNFCe);
  c.Geral().SetVersaoQRCode(vqr);
  c.Geral().SetIdCSC(a.Get("id-csc"));
  c.Geral().SetCSC(DeUTF8(a.Get("csc")));
  if (a.Has("catalogo")) c.Arquivos().SetIniServicos(a.Get("catalogo"));
  // The offline text of version 3 is signed with the issuer's certificate.
  if (a.Has("pfx")) {
    c.Geral().SetSSLLib(libOpenSSL);
    c.Certificados().SetArquivoPFX(a.Get("pfx"));
    c.Certificados().SetSenha(DeUTF8(a.Get("senha")));
  }
  // The offset written into the QR code: the state's own unless one is given.
  std::string fuso = a.Get("fuso");
  TTimeZoneConf& tz = c.WebServices().TimeZoneConf();
  try {
    if (fuso.empty()) {
      tz.SetModoDeteccao(tzFSC);
    } else {
      tz.SetModoDeteccao(tzManual);
      tz.SetTimeZoneStr(fuso);
    }
  } catch (const ETuimDFeException& e) {
    return UsageError("--fuso: " + ParaUTF8(e.what()));
  }
  ConfiguracaoFusoHorario().Assign(tz);

  try {
    std::string url;
    if (vqr == veqr300) {
      if (chave[34] == '9' && !a.Has("pfx"))
        return UsageError("o QR code 3 em contingência off-line é assinado: informe --pfx ARQUIVO --senha S");
      url = nfe.URLQRCodeV3(cUF, ambiente, chave, emissao, total, DeUTF8(a.Get("destinatario")), a.Has("estrangeiro"));
    } else {
      url = nfe.URLQRCode(cUF, ambiente, chave, DeUTF8(a.Get("destinatario")), emissao, total, icms,
                          DeUTF8(a.Get("digest")), versao);
    }
    std::cout << ParaUTF8(url) << "\n";
  } catch (const ETuimDFeException& e) {
    // The component's messages are Windows-1252; the terminal gets UTF-8.
    return Falha(e.what());
  }
  return kExitOk;
}

const CommandRegistrar kQRCode(
    {"qrcode", "texto do QR code de uma NFC-e",
     "Uso: tuim qrcode --chave CHAVE --emissao AAAA-MM-DDThh:mm:ss [opções]\n\n"
     "Mostra o endereço com parâmetros que o QR code da NFC-e codifica (URLQRCode), com o\n"
     "endereço do catálogo de serviços para a UF e o ambiente.\n"
     "  --chave CHAVE          chave de acesso (44 caracteres; CNPJ alfanumérico aceito)\n"
     "  --uf UF                sigla ou código IBGE da UF (padrão: os dois primeiros dígitos da chave)\n"
     "  --ambiente AMB         producao ou homologacao (padrão homologacao)\n"
     "  --destinatario DOC     CPF/CNPJ do destinatário (versões 1 e 3 do QR code)\n"
     "  --estrangeiro          destinatário estrangeiro (versão 3: tipo 3, sem documento)\n"
     "  --emissao DATAHORA     data-hora de emissão\n"
     "  --total VALOR          valor total da nota (ex.: 10.50)\n"
     "  --icms VALOR           valor do ICMS\n"
     "  --digest VALOR         DigestValue da assinatura\n"
     "  --versao V             versão do leiaute (padrão 4.00)\n"
     "  --id-csc N             identificador do CSC\n"
     "  --csc TOKEN            o CSC; sem ele é usado o token substituto\n"
     "  --versao-qrcode 0|1|2|3  versão do QR code (0: a efetiva do leiaute, 2 no 4.00)\n"
     "  --pfx ARQUIVO          certificado A1 do emitente, que assina o QR code 3 off-line\n"
     "  --senha S              senha do certificado\n"
     "  --fuso -03:00          fuso horário da data (padrão: o da UF)\n"
     "  --catalogo ARQUIVO     catálogo de serviços externo no lugar do embutido\n"
     "Código de saída: 0 sucesso, 1 erro do catálogo, 2 erro de uso.\n",
     QRCode});

}  // namespace
}  // namespace tuim::cli
