#ifndef VELTRANE_APP_SETTINGS_STORE_H_
#define VELTRANE_APP_SETTINGS_STORE_H_

#include <string>

namespace veltrane::app {

// Where the remembered values live: the INI file
// <user configuration folder>/Marvoll/Veltrane.ini, section [Veltrane].
inline constexpr char kSettingsOrganisation[] = "Marvoll";
inline constexpr char kSettingsApplication[] = "Veltrane";
inline constexpr char kSettingsSection[] = "Veltrane";

// The names of the remembered values and their defaults on read.
inline constexpr char kServerSetting[] = "Server";
inline constexpr char kPortSetting[] = "Port";
inline constexpr char kUserSetting[] = "User";
inline constexpr char kPasswordSetting[] = "Password";
inline constexpr char kDatabaseSetting[] = "Database";
inline constexpr char kDbcFileSetting[] = "DBCFile";
inline constexpr char kFreeTableFolderSetting[] = "FreeTableFolder";
inline constexpr char kFoxproOptionSetting[] = "FoxproOption";
// The code page of FoxPro tables without a mark, and of tables sent to
// FoxPro: "866", or "866!" to take it also for marked tables. Read by both
// programs; no window writes it.
inline constexpr char kFoxProCodePageSetting[] = "FoxProCodePage";

inline constexpr char kDefaultServer[] = "localhost";
inline constexpr char kDefaultPort[] = "5432";

// FoxproOption texts: "1" database container, "2" free-table folder.
inline constexpr char kContainerModeOption[] = "1";
inline constexpr char kFreeTableModeOption[] = "2";

// The per-user store of the connection window's values. Every value is plain
// text; a value never written is absent, and an empty value is present.
// Each call opens the file, so there is nothing to save or close; writes
// reach the file before Write returns.
class SettingsStore {
 public:
  // The store in the user's configuration folder (honours XDG_CONFIG_HOME).
  SettingsStore();
  // A store kept in the given INI file instead (for tests and tools).
  explicit SettingsStore(std::string file_path);

  // The stored text of `name`, or `default_text` when it is absent.
  std::string Read(const std::string& name, const std::string& default_text = "") const;

  // Stores `text` under `name`, replacing what was there; the empty text
  // stays present as an empty value. A newly created file is readable and
  // writable by its owner only (the password is kept in plain text).
  void Write(const std::string& name, const std::string& text);

  const std::string& file_path() const { return file_path_; }

 private:
  std::string file_path_;
};

// True when a stored FoxproOption selects free-table mode: exactly "2".
// Anything else (absent, empty, "1", " 2", "02") means database container mode.
bool IsFreeTableOption(const std::string& stored_option);

}  // namespace veltrane::app

#endif  // VELTRANE_APP_SETTINGS_STORE_H_
