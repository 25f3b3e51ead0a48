// Creating a host database under an alias: its dictionary and request
// tables, and the alias in the ini file.
#include <cctype>
#include <map>
#include <system_error>
#include <utility>

#include "common/errors.h"
#include "common/ini_file.h"
#include "common/text_format.h"
#include "hostdb/host_admin.h"
#include "hostdb/host_checks.h"

namespace oewr::hostdb {

using detail::inQuotes;
using detail::requireLength;
using detail::sameFields;

namespace {

void requireAliasName(const std::string& alias) {
  requireLength("The database alias", alias, 30);
  for (char c : alias)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'))
      throw ModelError("The database alias " + inQuotes(alias) + " may hold only letters, digits, '_', '-' and '.'");
}

}  // namespace

CreateResult HostAdmin::createDatabase(const std::filesystem::path& iniFile, const std::string& aliasText,
                                       const std::filesystem::path& directory, bool makeDefault) {
  const std::string alias = trim(aliasText);
  requireAliasName(alias);
  if (directory.empty()) throw ModelError("No directory given for database alias " + inQuotes(alias));
  std::error_code ec;
  if (std::filesystem::exists(iniFile, ec) && !std::filesystem::is_regular_file(iniFile, ec))
    throw ModelError(iniFile.string() + ": is not a file");
  const std::filesystem::path dir = std::filesystem::absolute(directory).lexically_normal();
  if (std::filesystem::exists(dir, ec) && !std::filesystem::is_directory(dir, ec))
    throw ModelError(dir.string() + ": is not a directory");

  IniFile ini = IniFile::load(iniFile);
  const std::filesystem::path base =
      std::filesystem::absolute(iniFile.has_parent_path() ? iniFile.parent_path() : std::filesystem::path("."));
  for (const auto& [name, value] : ini.section("Aliases")) {
    if (!equalsIgnoreCase(trim(name), alias)) continue;
    std::filesystem::path have(value);
    if (have.is_relative()) have = base / have;
    if (std::filesystem::weakly_canonical(have) != std::filesystem::weakly_canonical(dir))
      throw ModelError(iniFile.string() + ": alias " + inQuotes(alias) + " already names the directory " + value);
  }

  std::filesystem::create_directories(dir);
  CreateResult result;
  result.databaseFile = dir / kHostDatabaseFile;
  {
    HostSession session(std::map<std::string, std::string>{{alias, dir.string()}});
    HostTransaction tx(session);
    const std::vector<std::pair<const char*, TableDef>> tables = {
        {kDict1, dictTableDef(1)}, {kDict2, dictTableDef(2)},   {kDict3, dictTableDef(3)},
        {kDict4, dictTableDef(4)}, {kRequestTable, requestTableDef()}};
    for (const auto& [name, def] : tables) {
      if (session.tableExists(alias, name)) {
        if (!sameFields(session.tableDef(alias, name), def))
          throw ModelError("The table " + inQuotes(name) + " in " + result.databaseFile.string() +
                           " exists but does not have the fields of the host's table");
        result.keptTables.emplace_back(name);
      } else {
        session.createTable(alias, name, def);
        result.createdTables.emplace_back(name);
      }
    }
    tx.commit();
  }
  ini.set("Aliases", alias, dir.string());
  if (makeDefault || trim(ini.value("Startup", "datab_name", "")).empty()) ini.set("Startup", "datab_name", alias);
  if (makeDefault || trim(ini.value("Startup", "dat_dir", "")).empty()) ini.set("Startup", "dat_dir", dir.string());
  if (iniFile.has_parent_path()) std::filesystem::create_directories(iniFile.parent_path());
  ini.save(iniFile);
  return result;
}

}  // namespace oewr::hostdb
