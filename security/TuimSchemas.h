#pragma once
#include <string>

namespace tuim {

// The national schema package the program uses unless told otherwise.
inline constexpr const char* kPacoteSchemasPadrao = "PL_009_V4";

// The folder of schema package `pacote` that the program finds by itself, ending with the
// separator, or empty when there is none. Looked for in order: TUIM_SCHEMAS (the package
// folder itself, or a folder holding it), "Schemas" in the program folder, the installed data
// folder (beside the program, then the configured prefix), and the source tree when the program
// runs from its build folder.
std::string PastaSchemasPadrao(const std::string& pacote = kPacoteSchemasPadrao);

// The file name of the schema that validates `xml`, chosen by its root element and, for event
// messages, by the type of their first event; empty when the root is not a document of the
// national layout. `raiz` receives the root's local name (empty when the text does not parse).
std::string SchemaPorRaiz(const std::string& xml, std::string* raiz = nullptr);

}  // namespace tuim
