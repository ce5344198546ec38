#pragma once
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tuim {

// The web-service catalogue: INI text of sections named model_authority_environment whose keys give
// endpoint addresses per service and layout version, with "Usar" redirections between sections.
class TCatalogoServicos {
public:
  // Rebuilds the sections from the text (the previous content is dropped).
  void Carregar(const std::string& texto);
  void Limpar();

  // A section counts only when it holds at least one line.
  bool SecaoPresente(const std::string& secao) const;
  // Empty when the section or the key is absent; names match without regard to case.
  std::string LerValor(const std::string& secao, const std::string& chave) const;
  // Key names of the section in order (empty when absent).
  std::vector<std::string> Chaves(const std::string& secao) const;
  std::vector<std::string> Secoes() const;

  // Value of the best versioned key of `servico` not above `versao`; `versao` becomes the version
  // found (0 when none, then the unversioned key is read). An absent section leaves `versao` as is.
  std::string LerChaveVersionada(const std::string& secao, const std::string& servico, double& versao) const;

  struct TResultado {
    std::string URL;
    std::string Servico;     // service namespace, from the section named by "WSDL"
    std::string SoapAction;  // from the section named by "SoapAction"
    double Versao = 0;       // working version after the last reads (0 when no versioned key)
    std::vector<std::string> Visitadas;  // sections left through "Usar", in order
  };
  // Follows "Usar" until an address is found. Raises ETuimDFeException with the catalogue's
  // messages (empty model or authority, circular redirection, missing section, missing service);
  // `nomeRecurso` is the catalogue name those messages quote.
  TResultado LocalizarServico(const std::string& modelo, const std::string& uf, bool producao,
                              const std::string& servico, double versao,
                              const std::string& nomeRecurso) const;

private:
  struct Secao {
    std::string nome;
    std::vector<std::pair<std::string, std::string>> linhas;  // key (as written), value
    std::unordered_map<std::string, std::size_t> indice;    // upper-case key -> first line
  };
  const Secao* Localizar(const std::string& secao) const;

  std::vector<Secao> fSecoes;
  std::unordered_map<std::string, std::size_t> fIndice;  // upper-case name -> first section
};

// Version text of the catalogue: point and two decimals, whatever the locale ("4.00").
std::string FormatarVersaoCatalogo(double versao);
// Number of a version text with a point or a comma; 0 when it is not a number.
double LerVersaoCatalogo(const std::string& texto);

// The catalogue compiled into the program.
std::string TextoServicosEmbutido();

}  // namespace tuim
