#include "fiscal/fscAuxiliar.h"

namespace tuim {

bool DigitoChaveAcesso(const std::string& key, int& digit) {
  static constexpr char kWeights[] = "4329876543298765432987654329876543298765432";
  digit = 0;
  int values[43];
  int n = 0;      // characters kept so far, counting those past the 43rd
  for (unsigned char c : key) {
    bool keep = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z' && n >= 6 && n <= 17);
    if (!keep) continue;
    if (n < 43) values[n] = c - '0';
    ++n;
  }
  if (n < 43) return false;
  int sum = 0;
  for (int i = 0; i < 43; ++i) sum += values[i] * (kWeights[i] - '0');
  int r = sum % 11;
  digit = (r == 0 || r == 1) ? 0 : 11 - r;
  return n == 43;
}

}  // namespace tuim
