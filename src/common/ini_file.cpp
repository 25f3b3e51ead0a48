#include "common/ini_file.h"

#include <fstream>
#include <sstream>

#include "common/atomic_file.h"
#include "common/errors.h"
#include "common/text_input.h"
#include "common/text_format.h"

namespace oewr {

IniFile IniFile::load(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec) && !ec) return {};
  try {
    return parse(readTextFile(path));
  } catch (const ModelError& e) {
    throw ModelError(std::string("The ini file ") + e.what());
  }
}

IniFile IniFile::parse(const std::string& raw) {
  IniFile ini;
  std::string text = raw;
  if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  std::istringstream in(text);
  std::string line;
  Section* current = nullptr;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string t = trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#') continue;
    if (t.front() == '[') {
      std::size_t close = t.find(']');
      std::string name = trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      current = ini.find(name);
      if (!current) {
        ini.sections_.push_back({name, {}});
        current = &ini.sections_.back();
      }
      continue;
    }
    std::size_t eq = t.find('=');
    if (eq == std::string::npos || !current) continue;
    std::string key = trim(t.substr(0, eq));
    std::string val = trim(t.substr(eq + 1));
    bool replaced = false;
    for (auto& [k, v] : current->entries)
      if (equalsIgnoreCase(k, key)) { v = val; replaced = true; }
    if (!replaced) current->entries.emplace_back(key, val);
  }
  return ini;
}

IniFile::Section* IniFile::find(const std::string& name) {
  for (auto& s : sections_)
    if (equalsIgnoreCase(s.name, name)) return &s;
  return nullptr;
}

const IniFile::Section* IniFile::find(const std::string& name) const {
  for (const auto& s : sections_)
    if (equalsIgnoreCase(s.name, name)) return &s;
  return nullptr;
}

std::optional<std::string> IniFile::value(const std::string& section, const std::string& key) const {
  const Section* s = find(section);
  if (!s) return std::nullopt;
  for (const auto& [k, v] : s->entries)
    if (equalsIgnoreCase(k, key)) return v;
  return std::nullopt;
}

std::string IniFile::value(const std::string& section, const std::string& key, const std::string& fallback) const {
  auto v = value(section, key);
  return v ? *v : fallback;
}

std::vector<std::pair<std::string, std::string>> IniFile::section(const std::string& name) const {
  const Section* s = find(name);
  return s ? s->entries : std::vector<std::pair<std::string, std::string>>{};
}

void IniFile::set(const std::string& section, const std::string& key, const std::string& value) {
  Section* s = find(section);
  if (!s) {
    sections_.push_back({section, {}});
    s = &sections_.back();
  }
  for (auto& [k, v] : s->entries)
    if (equalsIgnoreCase(k, key)) { v = value; return; }
  s->entries.emplace_back(key, value);
}

std::string IniFile::text() const {
  std::string out;
  for (const auto& s : sections_) {
    out += "[" + s.name + "]\r\n";
    for (const auto& [k, v] : s.entries) out += k + "=" + v + "\r\n";
    out += "\r\n";
  }
  return out;
}

void IniFile::save(const std::filesystem::path& path) const {
  replaceFile(path, text(), [&](FileWriteFailure, const std::error_code&) {
    return ModelError("Cannot write the ini file " + path.string());
  });
}

}  // namespace oewr
