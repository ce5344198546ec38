#pragma once
// The signature model moved below the document model that holds it.
#include "xml/TuimSignature.h"
