#include "xml/TuimLayoutTXT.h"

#include "fiscal/TuimUtil.h"

namespace tuim {

extern const char TuimLayoutTXT110[];
extern const unsigned long TuimLayoutTXT110_size;
extern const char TuimLayoutTXT200[];
extern const unsigned long TuimLayoutTXT200_size;
extern const char TuimLayoutTXT310[];
extern const unsigned long TuimLayoutTXT310_size;
extern const char TuimLayoutTXT400[];
extern const unsigned long TuimLayoutTXT400_size;

std::string_view TabelaLayoutTXT(const std::string& versao) {
  if (versao == "1.10") return {TuimLayoutTXT110, TuimLayoutTXT110_size};
  if (versao == "2.00") return {TuimLayoutTXT200, TuimLayoutTXT200_size};
  if (versao == "3.10") return {TuimLayoutTXT310, TuimLayoutTXT310_size};
  if (versao == "4.00") return {TuimLayoutTXT400, TuimLayoutTXT400_size};
  return {};
}

std::vector<std::string> LayoutTXT(const std::string& versao) {
  std::vector<std::string> linhas;
  std::string texto;
  // The tables are plain ASCII but for the diaeresis, which becomes its single Windows-1252 byte.
  if (!DeUTF8Seguro(std::string(TabelaLayoutTXT(versao)), texto)) return linhas;
  std::size_t i = 0;
  while (i < texto.size()) {
    std::size_t fim = texto.find('\n', i);
    if (fim == std::string::npos) fim = texto.size();
    std::string linha = texto.substr(i, fim - i);
    if (!linha.empty() && linha.back() == '\r') linha.pop_back();
    for (char& c : linha)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!linha.empty()) linhas.push_back(std::move(linha));
    i = fim + 1;
  }
  return linhas;
}

}  // namespace tuim
