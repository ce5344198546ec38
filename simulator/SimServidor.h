#pragma once
// HTTPS on loopback (TLS 1.2 and 1.3 only, client certificate of the test CA required), one
// thread per connection, requests handed to the simulated authority.
#include <functional>
#include <string>

#include "simulator/SimSefaz.h"

namespace tuim::sim {

// Serves until SIGTERM or SIGINT; `aoEscutar` gets the port before the first accept. Returns
// after every request in progress has answered.
void Servir(TSefaz& sefaz, const std::string& pasta, const std::string& endereco, unsigned short porta,
            const std::function<void(unsigned short)>& aoEscutar);

}  // namespace tuim::sim
