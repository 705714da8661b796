#include "ui/qt_prompter.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

#include "app/app_title.h"

namespace veltrane::ui {
namespace {

QString TitleOrAppTitle(const std::string& title) {
  return QString::fromStdString(title.empty() ? app::AppTitle() : title);
}

int ShowBox(QMessageBox::Icon icon, const QString& title, const std::string& text,
            QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon, title, DisplayText(text), buttons, QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  return box.exec();
}

}  // namespace

QString DisplayText(const std::string& text) {
  QString shown = QString::fromStdString(text);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

void QtPrompter::Message(const std::string& text, const std::string& title) {
  ShowBox(QMessageBox::NoIcon, TitleOrAppTitle(title), text, QMessageBox::Ok);
}

bool QtPrompter::AskYesNo(const std::string& text, const std::string& title) {
  return ShowBox(QMessageBox::NoIcon, TitleOrAppTitle(title), text,
                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::string QtPrompter::Input(const std::string& prompt, const std::string& title,
                              const std::string& default_text) {
  bool accepted = false;
  const QString text = QInputDialog::getText(
      QApplication::activeWindow(), TitleOrAppTitle(title), DisplayText(prompt), QLineEdit::Normal,
      QString::fromStdString(default_text), &accepted);
  return accepted ? text.toStdString() : std::string();
}

void QtPrompter::ErrorReport(const std::string& text) {
  ShowBox(QMessageBox::Warning, kErrorReportTitle, text, QMessageBox::Ok);
}

}  // namespace veltrane::ui
