#include "cli/connection_values.h"

#include <filesystem>

#include "app/code_page_setting.h"

namespace veltrane::cli {
namespace {

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return path;
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

}  // namespace

db::ConnectionSettings ConnectionValues(const Options& options, const app::SettingsStore& store,
                                        const char* environment_password) {
  db::ConnectionSettings s;
  s.server = options.server.value_or(store.Read(app::kServerSetting, app::kDefaultServer));
  s.port = options.port.value_or(store.Read(app::kPortSetting, app::kDefaultPort));
  s.user = options.user.value_or(store.Read(app::kUserSetting));
  s.password = environment_password ? environment_password : store.Read(app::kPasswordSetting);
  s.database = options.database.value_or(store.Read(app::kDatabaseSetting));
  s.container_mode = !app::IsFreeTableOption(store.Read(app::kFoxproOptionSetting));
  s.dbc_file = store.Read(app::kDbcFileSetting);
  s.free_table_folder = store.Read(app::kFreeTableFolderSetting);
  if (options.code_page) {
    s.foxpro_code_page = *options.code_page;
  } else {
    app::ReadCodePage(store, s);
  }
  if (options.dbc_file) {
    s.container_mode = true;
    s.dbc_file = AbsolutePath(*options.dbc_file);
  }
  if (options.free_table_folder) {
    s.container_mode = false;
    s.free_table_folder = AbsolutePath(*options.free_table_folder);
  }
  return s;
}

}  // namespace veltrane::cli
