#include "security/TuimDFeSSLUtil.h"

namespace tuim::ssl {

std::string SomenteAlfaNumericosMaiusculos(const std::string& s) {
  std::string r;
  for (char c : s) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))
      r += c;
    else if (c >= 'a' && c <= 'z')
      r += static_cast<char>(c - 'a' + 'A');
  }
  return r;
}

std::streamoff TamanhoStream(std::istream& s) {
  s.clear();
  s.seekg(0, std::ios::end);
  std::streamoff n = s.tellg();
  s.clear();
  s.seekg(0, std::ios::beg);
  return n < 0 ? 0 : n;
}

}  // namespace tuim::ssl
