#include "app/program_files.h"

#include <QCoreApplication>
#include <QDir>

#include "app/file_helpers.h"

namespace veltrane::app {

std::string ProgramFile(const std::string& name) {
  const std::string beside = QCoreApplication::applicationDirPath().toStdString() + name;
  if (FileExists(beside)) return beside;
  const std::string installed =
      QDir::cleanPath(QCoreApplication::applicationDirPath() + kInstalledFilesFolder).toStdString() +
      name;
  return FileExists(installed) ? installed : beside;
}

}  // namespace veltrane::app
