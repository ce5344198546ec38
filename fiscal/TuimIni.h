#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tuim {

// In-memory INI text: ordered sections, ordered keys, comments and blank lines kept, so that a
// file read and written back changes only the values that were written. Text is Windows-1252
// bytes, handled as opaque bytes.
//
// Grammar on reading:
// - each line is trimmed; a line beginning with "[" that holds a "]" opens a section whose name
//   is the text up to the first "]", trimmed ("[NFe_MT_P] ;updated" opens "NFe_MT_P");
// - a line beginning with ";" or "#", and a blank line, is kept as it is and is not a key;
// - any other line is a key: split at the first "=", name and value trimmed; a line without
//   "=" is a name without value;
// - lines before the first section are kept but belong to no section;
// - section and key names match without regard to case; the first of a name wins.
class TTuimIni {
public:
  TTuimIni() = default;
  // Bound to `fileName`; its content is read now when the file exists.
  explicit TTuimIni(const std::string& fileName);

  const std::string& FileName() const { return fFileName; }
  void SetFileName(const std::string& fileName) { fFileName = fileName; }

  // Whole text. SetText replaces everything; Text writes every line followed by LineBreak().
  void SetText(const std::string& text);
  std::string Text() const;
  void SetLines(const std::vector<std::string>& lines);
  std::vector<std::string> Lines() const;
  void Clear();

  // "\r\n" when the text read used it, "\n" otherwise; used by Text and the file writers.
  const std::string& LineBreak() const { return fLineBreak; }
  void SetLineBreak(const std::string& lineBreak) { fLineBreak = lineBreak; }

  // LoadFromFile answers false (content unchanged) when the file cannot be read.
  bool LoadFromFile(const std::string& fileName);
  // Raise ETuimDFeException when the file cannot be written; missing folders are created.
  void SaveToFile(const std::string& fileName) const;
  void UpdateFile() const { SaveToFile(fFileName); }

  // Present and holding at least one key.
  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  std::vector<std::string> ReadSections() const;
  // Key names of the section, in order.
  std::vector<std::string> ReadSection(const std::string& section) const;
  // (name, value) pairs of the section, in order, duplicates included.
  std::vector<std::pair<std::string, std::string>> ReadSectionValues(const std::string& section) const;

  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // Decimal with an optional sign; anything else (or an absent key) gives `def`.
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  std::int64_t ReadInt64(const std::string& section, const std::string& key, std::int64_t def) const;
  // A number (0 false, other true) or "true"/"false"; anything else gives `def`.
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  // Replaces the value of the first key of that name, keeping its place; otherwise appends the
  // key to the section, creating the section at the end. A line break inside the value would
  // start a new line of the file, so each CR or LF is written as a space.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, std::int64_t value);
  void WriteBool(const std::string& section, const std::string& key, bool value);  // "1" / "0"

  void DeleteKey(const std::string& section, const std::string& key);
  void EraseSection(const std::string& section);

private:
  struct Line {
    enum Kind : std::uint8_t { lkOther, lkKey } kind = lkOther;
    std::string raw;  // the text as read (comments, blanks) or as it will be written
    std::string key;
    std::string value;
    bool hasValue = false;  // "name=..." as opposed to a bare "name"
  };
  struct Section {
    std::string name;
    std::string header;  // the header line as read, comment included
    std::vector<Line> lines;
  };

  const Section* FindSection(const std::string& name) const;
  Section* FindSection(const std::string& name);
  static const Line* FindKey(const Section& s, const std::string& key);
  static Line* FindKey(Section& s, const std::string& key);

  std::string fFileName;
  std::string fLineBreak = "\n";
  std::vector<std::string> fPreamble;
  std::vector<Section> fSections;
};

}  // namespace tuim
