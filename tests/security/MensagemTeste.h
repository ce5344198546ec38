#pragma once
#include <functional>
#include <string>

#include "fiscal/TuimException.h"

// The message `f` raises, or "<nada>" when it raises nothing.
inline std::string MensagemDe(const std::function<void()>& f) {
  try {
    f();
  } catch (const tuim::ETuimDFeException& e) {
    return e.what();
  }
  return "<nada>";
}
