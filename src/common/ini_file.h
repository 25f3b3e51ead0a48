#pragma once
// Windows-style ini files as the host writes them: sections and keys in any
// case, CRLF or LF line ends, UTF-8 (with or without its byte-order mark) or
// UTF-16 with its byte-order mark, ';' and '#' comment lines. A missing file
// reads as empty; a file that is there but cannot be read is an error, so
// that its settings are never taken for none.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace oewr {

class IniFile {
 public:
  IniFile() = default;
  // Missing file: empty. Throws ModelError "The ini file <path>: ..." for a
  // file that cannot be read.
  static IniFile load(const std::filesystem::path& path);
  static IniFile parse(const std::string& text);

  std::optional<std::string> value(const std::string& section, const std::string& key) const;
  std::string value(const std::string& section, const std::string& key, const std::string& fallback) const;
  // Keys of a section with their values, in file order, keys as written.
  std::vector<std::pair<std::string, std::string>> section(const std::string& section) const;

  void set(const std::string& section, const std::string& key, const std::string& value);
  std::string text() const;  // CRLF line ends, as Windows programs write them
  void save(const std::filesystem::path& path) const;

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;
  };
  Section* find(const std::string& name);
  const Section* find(const std::string& name) const;
  std::vector<Section> sections_;
};

}  // namespace oewr
