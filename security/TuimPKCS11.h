#pragma once
#include <memory>
#include <string>
#include <vector>

// What the Windows-crypto backend expects of the platform, on Linux: a certificate store made
// of the PKCS#11 tokens (through p11-kit's proxy, or the module named by TUIM_PKCS11_MODULE),
// temporary in-memory stores imported from PKCS#12 data, and private keys of either kind as
// libcrypto key objects. Token access is process-wide and serialised by one lock.
struct x509_st;
struct evp_pkey_st;

namespace tuim::plataforma {

// Return values of the PKCS#11 standard that the backend tells apart.
constexpr unsigned long ckrOk = 0x000;
constexpr unsigned long ckrGeneralError = 0x005;
constexpr unsigned long ckrArgumentsBad = 0x007;
constexpr unsigned long ckrKeyHandleInvalid = 0x060;
constexpr unsigned long ckrPinIncorrect = 0x0A0;
constexpr unsigned long ckrPinLocked = 0x0A4;
constexpr unsigned long ckrTokenNotPresent = 0x0E0;
constexpr unsigned long ckrUserAlreadyLoggedIn = 0x100;
constexpr unsigned long ckrUserNotLoggedIn = 0x101;

// Eight upper-case hexadecimal digits, as error codes appear in messages.
std::string CodigoHexa(unsigned long codigo);

// The module that gives the token store: TUIM_PKCS11_MODULE when set, else p11-kit's proxy.
std::string CaminhoModulo();

struct X509Free { void operator()(x509_st* x) const; };
struct PKeyFree { void operator()(evp_pkey_st* k) const; };
using TX509 = std::shared_ptr<x509_st>;
using TChave = std::unique_ptr<evp_pkey_st, PKeyFree>;

TX509 CompartilharX509(x509_st* x);  // takes a new reference

// How the private key of a certificate can be reached.
enum TEstadoChave : unsigned char {
  ecAusente,   // no key for this certificate
  ecSoftware,  // a key in memory (from PKCS#12)
  ecToken,     // a key object on a token
  ecOculta,    // the token hides its keys until login: presumed there
};

// One certificate of a store.
struct TCertificadoPlataforma {
  TX509 Certificado;
  // Software key (from PKCS#12); shared because copies of the entry may outlive the store.
  std::shared_ptr<evp_pkey_st> ChaveSoftware;
  // Token certificates: identity of the token and the CKA_ID that pairs certificate and key.
  std::string Token;
  std::string RotuloToken;
  std::string Id;
  bool ChaveVisivel = false;  // a private or public key object with the same id is visible
};

// A set of certificates: the tokens' store, or the temporary store of a PKCS#12 import.
class TStore {
public:
  std::vector<TCertificadoPlataforma> Certificados;
  bool Temporaria = false;
};

// The tokens' certificates that have a key (or whose token hides its keys until login).
// False when the module cannot be loaded; `erro` then says why.
bool AbrirStoreTokens(TStore& store, std::string& erro);

// PKCS#12 import into a temporary store. Results in the order the backend checks them.
enum TResultadoPFX : unsigned char { rpOk, rpInvalido, rpSenhaErrada, rpFalhaImportacao };
TResultadoPFX ImportarPFX(const std::string& dados, const std::string& senha, TStore& store,
                          unsigned long& codigoErro);

// Where the certificate's key is now (looks at the token again for token certificates).
TEstadoChave EstadoChave(const TCertificadoPlataforma& c);

// The private key; null with the reason in `codigo` (a CKR code for tokens).
TChave ChavePrivada(const TCertificadoPlataforma& c, unsigned long& codigo);

// Token login with the user PIN; the CKR code of the attempt (ckrOk when already logged in).
unsigned long Login(const std::string& token, const std::string& pin);
unsigned long Logout(const std::string& token);
bool Logado(const std::string& token);

// Holds the tokens' lock (recursive): operations through a token key must not overlap.
class TBloqueioToken {
public:
  TBloqueioToken();
  ~TBloqueioToken();
  TBloqueioToken(const TBloqueioToken&) = delete;
  TBloqueioToken& operator=(const TBloqueioToken&) = delete;
};

// libcrypto's last error code (and clears the queue).
unsigned long UltimoErroOpenSSL();

}  // namespace tuim::plataforma
