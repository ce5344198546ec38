#pragma once
// Small helpers of the simulator: XML text, dates in Brasília time, Base64, gzip, access keys.
#include <cstdint>
#include <string>

namespace tuim::sim {

inline const char* const kNsNFe = "http://www.portalfiscal.inf.br/nfe";
inline const char* const kNsWsdl = "http://www.portalfiscal.inf.br/nfe/wsdl/";
inline const char* const kVerAplic = "TUIM-SIM-1.0";

std::string Escapar(const std::string& texto);
// Now (or `segundos` since the epoch) as "AAAA-MM-DDThh:mm:ss-03:00".
std::string DataHora(std::int64_t segundos = -1);
std::int64_t Agora();
std::string Base64(const std::string& dados);
bool DeBase64(const std::string& texto, std::string& dados);
std::string Gzip(const std::string& dados);
bool Descomprimir(const std::string& dados, std::string& saida);
std::string Sha1Hex(const std::string& dados);  // upper case
std::string Sha1Base64(const std::string& dados);
std::string Aleatorio(std::size_t n, const char* alfabeto);

// Modulus-11 check digit of the first 43 digits of an access key.
int DigitoChave(const std::string& chave43);
std::string SiglaUF(int codigo);  // empty when unknown
int CodigoUF(const std::string& sigla);  // 0 when unknown
std::string Zeros(long long v, int largura);

}  // namespace tuim::sim
