#include "hostdb/host_admin.h"

#include <system_error>
#include <utility>

#include "common/errors.h"
#include "common/ini_file.h"
#include "common/text_format.h"
#include "hostdb/host_checks.h"

namespace oewr::hostdb {

using detail::inQuotes;

const char* const kDefaultDatabaseName = "TERAVOX";

// ---------------------------------------------------------------- opening

HostAdmin::HostAdmin(const std::filesystem::path& iniFile, const std::string& alias, LockWaitHandler lockWait,
                     HostAccess access) {
  std::error_code ec;
  if (!std::filesystem::exists(iniFile, ec)) throw ModelError(iniFile.string() + ": no such ini file");
  IniFile ini = IniFile::load(iniFile);
  std::string dbName = trim(ini.value("Startup", "datab_name", ""));
  if (dbName.empty()) dbName = kDefaultDatabaseName;
  const std::filesystem::path base = iniFile.has_parent_path() ? iniFile.parent_path() : std::filesystem::path(".");
  std::filesystem::path datDir = trim(ini.value("Startup", "dat_dir", ""));
  if (datDir.empty()) datDir = base;
  if (datDir.is_relative()) datDir = base / datDir;
  ownedSession_ = HostSession::fromIni(iniFile, dbName, datDir.lexically_normal().string(), access);
  session_ = ownedSession_.get();
  if (lockWait) session_->setLockWaitHandler(std::move(lockWait));
  alias_ = trim(alias).empty() ? dbName : trim(alias);
  if (!session_->hasAlias(alias_)) {
    std::string known;
    for (const auto& n : session_->aliasNames()) known += (known.empty() ? "" : ", ") + n;
    throw ModelError(iniFile.string() + ": no database alias " + inQuotes(alias_) + " (aliases: " + known + ")");
  }
  requireDatabase();
}

HostAdmin::HostAdmin(HostSession& session, const std::string& alias) : session_(&session), alias_(trim(alias)) {
  requireDatabase();
}

HostAdmin::~HostAdmin() = default;

std::filesystem::path HostAdmin::databaseFile() const { return session_->databaseFile(alias_); }

void HostAdmin::requireDatabase() {
  const std::filesystem::path dir = session_->aliasPath(alias_);
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec))
    throw ModelError("The directory of database alias " + inQuotes(alias_) + " does not exist: " + dir.string());
  if (!session_->hasDatabase(alias_))
    throw ModelError("Database alias " + inQuotes(alias_) + " holds no host database: " + databaseFile().string() +
                     " does not exist (`oewr host create` makes one)");
  for (const char* t : {kDict1, kDict2, kDict3, kDict4, kRequestTable})
    if (!session_->tableExists(alias_, t))
      throw ModelError("The host database of alias " + inQuotes(alias_) + " has no table " + inQuotes(t));
}

}  // namespace oewr::hostdb
