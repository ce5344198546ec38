#pragma once
#include <stdexcept>
#include <string>

namespace tuim {

// Every failure the system raises derives from this one; the text is Windows-1252.
class ETuimDFeException : public std::runtime_error {
public:
  explicit ETuimDFeException(const std::string& msg) : std::runtime_error(msg) {}
  // Used by the component's error path, which passes the text through unchanged.
  struct Unchanged {};
  ETuimDFeException(Unchanged, const std::string& msg) : std::runtime_error(msg) {}
  std::string Message() const { return what(); }
};

class ETuimNFeException : public ETuimDFeException {
public:
  using ETuimDFeException::ETuimDFeException;
};

}  // namespace tuim
