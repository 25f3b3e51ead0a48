#pragma once
// Windows-style ini files as the host writes them: sections and keys in any
// case, CRLF or LF line ends, an optional UTF-8 byte-order mark, ';' and '#'
// comment lines. A missing file reads as empty.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace oewr {

class IniFile {
 public:
  IniFile() = default;
  static IniFile load(const std::filesystem::path& path);  // missing file: empty
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
