// A program of a user of the installed package: a key's check digit and an NF-e validated.
#include <fstream>
#include <iostream>
#include <sstream>

#include "fiscal/fscAuxiliar.h"
#include "security/TuimDFeSSL.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  int dv = -1;
  tuim::DigitoChaveAcesso("5124011234567800019565001000000123112345678", dv);
  std::stringstream xml;
  xml << std::ifstream(argv[1]).rdbuf();
  tuim::TDFeSSL ssl;
  ssl.SetSSLXmlSignLib(tuim::xsLibXml2);
  std::string erro;
  bool valido = ssl.Validar(xml.str(), std::string(argv[2]) + "/PL_009_V4/nfe_v4.00.xsd", erro);
  std::cout << "DV=" << dv << " " << (valido ? "OK" : erro) << "\n";
  return dv == 8 && valido ? 0 : 1;
}
