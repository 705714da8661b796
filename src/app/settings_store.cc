#include "app/settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <QSettings>
#include <QString>
#include <QStringList>

namespace veltrane::app {
namespace {

QString Key(const std::string& name) {
  return QString::fromLatin1(kSettingsSection) + '/' + QString::fromStdString(name);
}

// Creates an empty settings file with owner-only permissions (folder 0700,
// file 0600) when there is none yet. QSettings rewrites the file through a
// temporary copy that keeps the existing file's permissions, so they stay.
void CreatePrivateFile(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::exists(path, error)) return;
  const fs::path folder = fs::path(path).parent_path();
  if (!folder.empty() && !fs::exists(folder, error)) {
    fs::create_directories(folder, error);
    fs::permissions(folder, fs::perms::owner_all, error);
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd >= 0) ::close(fd);
}

}  // namespace

SettingsStore::SettingsStore()
    : file_path_(QSettings(QSettings::IniFormat, QSettings::UserScope, kSettingsOrganisation,
                           kSettingsApplication)
                     .fileName()
                     .toStdString()) {}

SettingsStore::SettingsStore(std::string file_path) : file_path_(std::move(file_path)) {}

std::string SettingsStore::Read(const std::string& name, const std::string& default_text) const {
  QSettings settings(QString::fromStdString(file_path_), QSettings::IniFormat);
  const QVariant value = settings.value(Key(name));
  if (!value.isValid()) return default_text;
  // An unquoted value with commas written by hand reads as a list.
  if (value.userType() == QMetaType::QStringList) return value.toStringList().join(", ").toStdString();
  return value.toString().toStdString();
}

void SettingsStore::Write(const std::string& name, const std::string& text) {
  CreatePrivateFile(file_path_);
  QSettings settings(QString::fromStdString(file_path_), QSettings::IniFormat);
  settings.setValue(Key(name), QString::fromStdString(text));
  settings.sync();
}

bool IsFreeTableOption(const std::string& stored_option) {
  return stored_option == kFreeTableModeOption;
}

}  // namespace veltrane::app
