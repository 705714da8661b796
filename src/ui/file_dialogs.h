#ifndef VELTRANE_UI_FILE_DIALOGS_H_
#define VELTRANE_UI_FILE_DIALOGS_H_

#include <string>

class QWidget;

namespace veltrane::ui {

inline constexpr char kDbcDialogTitle[] = "Select Foxpro Database";
inline constexpr char kDbcDialogFilter[] = "Microsoft Database (*.dbc)";
inline constexpr char kDbcExtension[] = "dbc";
inline constexpr char kFolderPickerTitle[] = "Please select folder:";

// The connection window's file and folder choosers, modal over `owner`.
// Each returns the chosen path, or the empty text when the user cancels.
// Tests answer them with their own implementation.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // An open dialog for a ".dbc" file: an existing one, or the name of a
  // new one typed in (".dbc" added when it has no extension).
  virtual std::string OpenDbcFile(QWidget* owner) = 0;
  // A folder chooser showing `title`, starting at `start_folder` (the
  // chooser's own start when empty); only existing folders can be accepted.
  virtual std::string BrowseForFolder(QWidget* owner, const std::string& title,
                                      const std::string& start_folder) = 0;
};

// The choosers as Qt file dialogs.
class QtFileDialogs : public FileDialogs {
 public:
  std::string OpenDbcFile(QWidget* owner) override;
  std::string BrowseForFolder(QWidget* owner, const std::string& title,
                              const std::string& start_folder) override;
};

}  // namespace veltrane::ui

#endif  // VELTRANE_UI_FILE_DIALOGS_H_
