#include "fiscal/TuimIni.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "fiscal/TuimUtil.h"
#include "fiscal/TuimException.h"

namespace tuim {

namespace {

// Windows-1252 letters fold like Latin-1: A-Z and the accented capitals 0xC0-0xDE (but 0xD7).
unsigned char Fold(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  return c;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string OneLine(const std::string& v) {
  std::string r = v;
  for (char& c : r)
    if (c == '\r' || c == '\n') c = ' ';
  return r;
}

template <typename T>
bool ParseInt(const std::string& text, T& out) {
  std::string t = Trim(text);
  const char* b = t.data();
  const char* e = b + t.size();
  if (b != e && *b == '+') ++b;
  if (b == e) return false;
  auto [p, ec] = std::from_chars(b, e, out);
  return ec == std::errc() && p == e;
}

}  // namespace

TTuimIni::TTuimIni(const std::string& fileName) : fFileName(fileName) {
  if (!fileName.empty()) LoadFromFile(fileName);
}

void TTuimIni::Clear() {
  fPreamble.clear();
  fSections.clear();
}

void TTuimIni::SetText(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  bool crlf = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        crlf = true;
        ++i;
      }
      start = i + 1;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  // A UTF-8 byte-order mark is not part of the first line.
  if (!lines.empty() && lines[0].compare(0, 3, "\xEF\xBB\xBF") == 0) lines[0].erase(0, 3);
  SetLines(lines);
  fLineBreak = crlf ? "\r\n" : "\n";
}

void TTuimIni::SetLines(const std::vector<std::string>& lines) {
  Clear();
  for (const std::string& rawLine : lines) {
    std::string t = Trim(rawLine);
    if (!t.empty() && t[0] == '[') {
      auto close = t.find(']');
      if (close != std::string::npos) {
        fSections.push_back({Trim(t.substr(1, close - 1)), rawLine, {}});
        continue;
      }
    }
    Line line;
    line.raw = rawLine;
    if (!t.empty() && t[0] != ';' && t[0] != '#') {
      line.kind = Line::lkKey;
      auto eq = t.find('=');
      if (eq == std::string::npos) {
        line.key = t;
      } else {
        line.key = Trim(t.substr(0, eq));
        line.value = Trim(t.substr(eq + 1));
        line.hasValue = true;
      }
    }
    if (fSections.empty())
      fPreamble.push_back(rawLine);
    else
      fSections.back().lines.push_back(std::move(line));
  }
}

std::vector<std::string> TTuimIni::Lines() const {
  std::vector<std::string> out(fPreamble);
  for (const Section& s : fSections) {
    out.push_back(s.header);
    for (const Line& l : s.lines) out.push_back(l.raw);
  }
  return out;
}

std::string TTuimIni::Text() const {
  std::string r;
  for (const std::string& l : Lines()) {
    r += l;
    r += fLineBreak;
  }
  return r;
}

bool TTuimIni::LoadFromFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return false;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;
  SetText(text);
  return true;
}

void TTuimIni::SaveToFile(const std::string& fileName) const {
  if (fileName.empty()) throw ETuimDFeException("Nome de arquivo INI não informado");
  std::error_code ec;
  std::filesystem::path p(fileName);
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path(), ec);
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  std::string text = Text();
  if (out) out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) throw ETuimDFeException("Erro ao gravar o arquivo INI: " + fileName);
}

const TTuimIni::Section* TTuimIni::FindSection(const std::string& name) const {
  for (const Section& s : fSections)
    if (SameName(s.name, name)) return &s;
  return nullptr;
}

TTuimIni::Section* TTuimIni::FindSection(const std::string& name) {
  return const_cast<Section*>(static_cast<const TTuimIni*>(this)->FindSection(name));
}

const TTuimIni::Line* TTuimIni::FindKey(const Section& s, const std::string& key) {
  for (const Line& l : s.lines)
    if (l.kind == Line::lkKey && SameName(l.key, key)) return &l;
  return nullptr;
}

TTuimIni::Line* TTuimIni::FindKey(Section& s, const std::string& key) {
  return const_cast<Line*>(FindKey(static_cast<const Section&>(s), key));
}

bool TTuimIni::SectionExists(const std::string& section) const {
  const Section* s = FindSection(section);
  if (!s) return false;
  for (const Line& l : s->lines)
    if (l.kind == Line::lkKey) return true;
  return false;
}

bool TTuimIni::ValueExists(const std::string& section, const std::string& key) const {
  const Section* s = FindSection(section);
  return s && FindKey(*s, key);
}

std::vector<std::string> TTuimIni::ReadSections() const {
  std::vector<std::string> r;
  for (const Section& s : fSections) {
    bool seen = false;
    for (const std::string& n : r) seen = seen || SameName(n, s.name);
    if (!seen) r.push_back(s.name);
  }
  return r;
}

std::vector<std::string> TTuimIni::ReadSection(const std::string& section) const {
  std::vector<std::string> r;
  if (const Section* s = FindSection(section))
    for (const Line& l : s->lines)
      if (l.kind == Line::lkKey) r.push_back(l.key);
  return r;
}

std::vector<std::pair<std::string, std::string>> TTuimIni::ReadSectionValues(const std::string& section) const {
  std::vector<std::pair<std::string, std::string>> r;
  if (const Section* s = FindSection(section))
    for (const Line& l : s->lines)
      if (l.kind == Line::lkKey) r.emplace_back(l.key, l.value);
  return r;
}

std::string TTuimIni::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  const Section* s = FindSection(section);
  const Line* l = s ? FindKey(*s, key) : nullptr;
  return l ? l->value : def;
}

int TTuimIni::ReadInteger(const std::string& section, const std::string& key, int def) const {
  int v = 0;
  return ParseInt(ReadString(section, key, ""), v) ? v : def;
}

std::int64_t TTuimIni::ReadInt64(const std::string& section, const std::string& key, std::int64_t def) const {
  std::int64_t v = 0;
  return ParseInt(ReadString(section, key, ""), v) ? v : def;
}

bool TTuimIni::ReadBool(const std::string& section, const std::string& key, bool def) const {
  std::string t = ReadString(section, key, "");
  std::int64_t v = 0;
  if (ParseInt(t, v)) return v != 0;
  if (SameName(t, "true")) return true;
  if (SameName(t, "false")) return false;
  return def;
}

void TTuimIni::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  std::string k = Trim(OneLine(key));
  std::string v = Trim(OneLine(value));
  Section* s = FindSection(section);
  if (!s) {
    // Keep a blank line between the last section and the new one, as hand-written files do.
    if (!fSections.empty()) {
      auto& last = fSections.back().lines;
      if (last.empty() || !Trim(last.back().raw).empty()) last.push_back(Line{});
    } else if (!fPreamble.empty() && !Trim(fPreamble.back()).empty()) {
      fPreamble.push_back("");
    }
    fSections.push_back({Trim(section), "[" + Trim(section) + "]", {}});
    s = &fSections.back();
  }
  if (Line* l = FindKey(*s, k)) {
    l->value = v;
    l->hasValue = true;
    l->raw = l->key + "=" + v;
    return;
  }
  Line line;
  line.kind = Line::lkKey;
  line.key = k;
  line.value = v;
  line.hasValue = true;
  line.raw = k + "=" + v;
  // New keys go after the section's last key, so trailing blanks and comments stay at its end.
  auto at = s->lines.end();
  for (auto it = s->lines.begin(); it != s->lines.end(); ++it)
    if (it->kind == Line::lkKey) at = it + 1;
  if (at == s->lines.end()) {
    at = s->lines.begin();
    while (at != s->lines.end() && !Trim(at->raw).empty()) ++at;  // after leading comments
  }
  s->lines.insert(at, std::move(line));
}

void TTuimIni::WriteInteger(const std::string& section, const std::string& key, std::int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void TTuimIni::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TTuimIni::DeleteKey(const std::string& section, const std::string& key) {
  Section* s = FindSection(section);
  if (!s) return;
  for (auto it = s->lines.begin(); it != s->lines.end(); ++it)
    if (it->kind == Line::lkKey && SameName(it->key, key)) {
      s->lines.erase(it);
      return;
    }
}

void TTuimIni::EraseSection(const std::string& section) {
  for (auto it = fSections.begin(); it != fSections.end(); ++it)
    if (SameName(it->name, section)) {
      fSections.erase(it);
      return;
    }
}

}  // namespace tuim
