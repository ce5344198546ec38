#include "security/TuimPKCS11.h"

#include <libp11.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "security/TuimDFeOpenSSL.h"
#include "security/TuimPKCS12.h"

#ifndef TUIM_P11_KIT_PROXY
#define TUIM_P11_KIT_PROXY "p11-kit-proxy.so"
#endif

namespace tuim::plataforma {

namespace {

std::recursive_mutex& Bloqueio() {
  static std::recursive_mutex m;
  return m;
}

// The module is loaded once and its slots enumerated once: releasing or re-enumerating slots
// closes their sessions, which would log every facade out of its token.
struct TModulo {
  PKCS11_CTX* ctx = nullptr;
  PKCS11_SLOT* slots = nullptr;
  unsigned int nslots = 0;
  bool carregado = false;
  std::string erro;
};

TModulo& Modulo() {
  // Never unloaded: the module's own exit handlers end its sessions.
  static TModulo* m = new TModulo;
  return *m;
}

bool CarregarModulo(std::string& erro) {
  TModulo& m = Modulo();
  if (m.carregado) return true;
  if (m.ctx == nullptr) {
    std::string caminho = CaminhoModulo();
    m.ctx = PKCS11_CTX_new();
    if (!m.ctx || PKCS11_CTX_load(m.ctx, caminho.c_str()) != 0) {
      unsigned long e = ERR_peek_last_error();
      ERR_clear_error();
      m.erro = "Erro ao carregar o módulo PKCS#11 " + caminho + ". Erro: " + CodigoHexa(e);
      if (m.ctx) PKCS11_CTX_free(m.ctx);
      m.ctx = nullptr;
      erro = m.erro;
      return false;
    }
  }
  if (PKCS11_enumerate_slots(m.ctx, &m.slots, &m.nslots) != 0) {
    unsigned long e = ERR_peek_last_error();
    ERR_clear_error();
    erro = "Erro ao enumerar os slots PKCS#11. Erro: " + CodigoHexa(e);
    m.slots = nullptr;
    m.nslots = 0;
    return false;
  }
  m.carregado = true;
  return true;
}

std::string Texto(const char* s) { return s ? std::string(s) : std::string(); }

std::string IdentidadeToken(const PKCS11_TOKEN* t) {
  return Texto(t->manufacturer) + "/" + Texto(t->model) + "/" + Texto(t->serialnr) + "/" + Texto(t->label);
}

PKCS11_SLOT* SlotDoToken(const std::string& token) {
  std::string erro;
  if (!CarregarModulo(erro)) return nullptr;
  TModulo& m = Modulo();
  for (unsigned int i = 0; i < m.nslots; ++i) {
    PKCS11_SLOT* s = &m.slots[i];
    if (s->token && s->token->initialized && IdentidadeToken(s->token) == token) return s;
  }
  return nullptr;
}

std::string IdDe(const unsigned char* id, std::size_t n) {
  return id && n ? std::string(reinterpret_cast<const char*>(id), n) : std::string();
}

// The CKR code that libp11 put in the error queue, or `padrao` when it put none.
unsigned long CodigoCKR(unsigned long padrao) {
  unsigned long r = padrao;
  int lib = ERR_get_CKR_code();
  for (unsigned long e; (e = ERR_get_error()) != 0;)
    if (static_cast<int>(ERR_GET_LIB(e)) == lib) r = ERR_GET_REASON(e);
  return r;
}

PKCS11_KEY* ChaveDoId(PKCS11_TOKEN* t, const std::string& id, bool publica) {
  PKCS11_KEY* chaves = nullptr;
  unsigned int n = 0;
  int r = publica ? PKCS11_enumerate_public_keys(t, &chaves, &n) : PKCS11_enumerate_keys(t, &chaves, &n);
  if (r != 0) {
    ERR_clear_error();
    return nullptr;
  }
  for (unsigned int i = 0; i < n; ++i)
    if (IdDe(chaves[i].id, chaves[i].id_len) == id) return &chaves[i];
  return nullptr;
}

bool TokenLogado(PKCS11_SLOT* s) {
  int logado = 0;
  if (PKCS11_is_logged_in(s, 0, &logado) != 0) {
    ERR_clear_error();
    return false;
  }
  return logado != 0;
}

}  // namespace

void X509Free::operator()(x509_st* x) const { X509_free(x); }
void PKeyFree::operator()(evp_pkey_st* k) const { EVP_PKEY_free(k); }

TX509 CompartilharX509(x509_st* x) {
  if (!x) return nullptr;
  X509_up_ref(x);
  return TX509(x, X509Free());
}

std::string CodigoHexa(unsigned long codigo) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%08lX", codigo & 0xFFFFFFFFUL);
  return buf;
}

std::string CaminhoModulo() {
  const char* env = std::getenv("TUIM_PKCS11_MODULE");
  if (env && *env) return env;
  return TUIM_P11_KIT_PROXY;
}

unsigned long UltimoErroOpenSSL() {
  unsigned long e = ERR_peek_last_error();
  ERR_clear_error();
  return e;
}

TBloqueioToken::TBloqueioToken() { Bloqueio().lock(); }
TBloqueioToken::~TBloqueioToken() { Bloqueio().unlock(); }

bool AbrirStoreTokens(TStore& store, std::string& erro) {
  std::lock_guard<std::recursive_mutex> g(Bloqueio());
  store.Certificados.clear();
  store.Temporaria = false;
  if (!CarregarModulo(erro)) return false;
  TModulo& m = Modulo();
  for (unsigned int i = 0; i < m.nslots; ++i) {
    PKCS11_SLOT* s = &m.slots[i];
    PKCS11_TOKEN* t = s->token;
    if (!t || !t->initialized) continue;
    PKCS11_CERT* certs = nullptr;
    unsigned int ncerts = 0;
    if (PKCS11_enumerate_certs(t, &certs, &ncerts) != 0) {
      ERR_clear_error();
      continue;
    }
    // Keys may stay hidden until login; such a token lists every certificate it holds.
    bool ocultas = t->loginRequired && !TokenLogado(s);
    for (unsigned int j = 0; j < ncerts; ++j) {
      if (!certs[j].x509) continue;
      std::string id = IdDe(certs[j].id, certs[j].id_len);
      bool visivel = ChaveDoId(t, id, false) || ChaveDoId(t, id, true);
      if (!visivel && !ocultas) continue;
      TCertificadoPlataforma c;
      c.Certificado = CompartilharX509(certs[j].x509);
      c.Token = IdentidadeToken(t);
      c.RotuloToken = Texto(t->label);
      c.Id = id;
      c.ChaveVisivel = visivel;
      store.Certificados.push_back(std::move(c));
    }
  }
  ERR_clear_error();
  return true;
}

TResultadoPFX ImportarPFX(const std::string& dados, const std::string& senha, TStore& store,
                          unsigned long& codigoErro) {
  CarregarProvedoresOpenSSL();
  store.Certificados.clear();
  store.Temporaria = true;
  codigoErro = 0;
  TConteudoPKCS12 pfx;
  unsigned long erro = 0;
  switch (LerPKCS12(dados, senha, pfx, erro)) {
    case rpkOk: break;
    case rpkInvalido: return rpInvalido;
    case rpkSenhaErrada: return rpSenhaErrada;
    case rpkFalha:
      codigoErro = erro;
      return rpFalhaImportacao;
  }
  std::shared_ptr<evp_pkey_st> k(pfx.Chave.release(), PKeyFree());
  if (pfx.Certificado) {
    TCertificadoPlataforma c;
    // libcrypto pairs key and certificate by their local key id or public key.
    if (k && X509_check_private_key(pfx.Certificado.get(), k.get()) == 1) c.ChaveSoftware = k;
    c.Certificado = TX509(pfx.Certificado.release(), X509Free());
    store.Certificados.push_back(std::move(c));
  }
  for (TX509PKCS12& x : pfx.Cadeia) {
    TCertificadoPlataforma c;
    c.Certificado = TX509(x.release(), X509Free());
    store.Certificados.push_back(std::move(c));
  }
  ERR_clear_error();
  return rpOk;
}

TEstadoChave EstadoChave(const TCertificadoPlataforma& c) {
  if (c.Token.empty()) return c.ChaveSoftware ? ecSoftware : ecAusente;
  std::lock_guard<std::recursive_mutex> g(Bloqueio());
  PKCS11_SLOT* s = SlotDoToken(c.Token);
  if (!s) return ecAusente;
  if (ChaveDoId(s->token, c.Id, false) || ChaveDoId(s->token, c.Id, true)) return ecToken;
  if (s->token->loginRequired && !TokenLogado(s)) return ecOculta;
  return ecAusente;
}

TChave ChavePrivada(const TCertificadoPlataforma& c, unsigned long& codigo) {
  codigo = ckrOk;
  if (c.Token.empty()) {
    if (!c.ChaveSoftware) {
      codigo = ckrKeyHandleInvalid;
      return nullptr;
    }
    EVP_PKEY_up_ref(c.ChaveSoftware.get());
    return TChave(c.ChaveSoftware.get());
  }
  std::lock_guard<std::recursive_mutex> g(Bloqueio());
  PKCS11_SLOT* s = SlotDoToken(c.Token);
  if (!s) {
    codigo = ckrTokenNotPresent;
    return nullptr;
  }
  PKCS11_KEY* k = ChaveDoId(s->token, c.Id, false);
  if (!k) {
    codigo = (s->token->loginRequired && !TokenLogado(s)) ? ckrUserNotLoggedIn : ckrKeyHandleInvalid;
    return nullptr;
  }
  EVP_PKEY* pk = PKCS11_get_private_key(k);
  if (!pk) {
    codigo = CodigoCKR(ckrGeneralError);
    return nullptr;
  }
  return TChave(pk);
}

unsigned long Login(const std::string& token, const std::string& pin) {
  std::lock_guard<std::recursive_mutex> g(Bloqueio());
  PKCS11_SLOT* s = SlotDoToken(token);
  if (!s) return ckrTokenNotPresent;
  if (TokenLogado(s)) return ckrOk;
  ERR_clear_error();
  if (PKCS11_login(s, 0, pin.c_str()) == 0) return ckrOk;
  unsigned long r = CodigoCKR(ckrGeneralError);
  return r == ckrUserAlreadyLoggedIn ? ckrOk : r;
}

unsigned long Logout(const std::string& token) {
  std::lock_guard<std::recursive_mutex> g(Bloqueio());
  PKCS11_SLOT* s = SlotDoToken(token);
  if (!s) return ckrTokenNotPresent;
  if (!TokenLogado(s)) return ckrOk;
  ERR_clear_error();
  if (PKCS11_logout(s) == 0) return ckrOk;
  return CodigoCKR(ckrGeneralError);
}

bool Logado(const std::string& token) {
  std::lock_guard<std::recursive_mutex> g(Bloqueio());
  PKCS11_SLOT* s = SlotDoToken(token);
  return s && TokenLogado(s);
}

}  // namespace tuim::plataforma
