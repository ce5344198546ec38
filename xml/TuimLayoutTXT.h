#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace tuim {

// The record templates of the pipe-separated text layout read by the free issuing programs,
// one table per layout version ("1.10", "2.00", "3.10", "4.00"). Each line is a selector (the
// writer's group id in angle brackets), the record name and one placeholder per field: the
// field's element name followed by the diaeresis.

// The table of a version as it is kept (UTF-8, before upper-casing); empty for any other version.
std::string_view TabelaLayoutTXT(const std::string& versao);
// The lines to load into the generator: upper-cased, Windows-1252; empty for any other version
// ("3.00" included), which leaves TXT mode off.
std::vector<std::string> LayoutTXT(const std::string& versao);

}  // namespace tuim
