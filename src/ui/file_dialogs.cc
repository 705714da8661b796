#include "ui/file_dialogs.h"

#include <QFileDialog>

namespace veltrane::ui {

std::string QtFileDialogs::OpenDbcFile(QWidget* owner) {
  QFileDialog dialog(owner, kDbcDialogTitle);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // Any file: a name that is not there yet is offered as a new container.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(kDbcDialogFilter);
  dialog.setDefaultSuffix(kDbcExtension);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst().toStdString();
}

std::string QtFileDialogs::BrowseForFolder(QWidget* owner, const std::string& title,
                                           const std::string& start_folder) {
  return QFileDialog::getExistingDirectory(owner, QString::fromStdString(title),
                                           QString::fromStdString(start_folder),
                                           QFileDialog::ShowDirsOnly)
      .toStdString();
}

}  // namespace veltrane::ui
