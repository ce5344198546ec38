#pragma once
// Moved to testing/, shared with the benchmarks.
#include "testing/CertificadosTeste.h"
