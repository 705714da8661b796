#ifndef VELTRANE_UI_THEMED_PROGRESS_BAR_H_
#define VELTRANE_UI_THEMED_PROGRESS_BAR_H_

#include <QProgressBar>

#include "app/window_hooks.h"

namespace veltrane::ui {

// The caption the progress bar shows at rest.
inline constexpr char kProgressBarCaption[] = "Progress Bar";

// The tables window's progress bar: 0 to 100, starting at 0 with the caption
// "Progress Bar" shown on the bar.
class ThemedProgressBar : public QProgressBar, public app::ProgressBar {
 public:
  explicit ThemedProgressBar(QWidget* parent);
  // Rounds to a whole percent and keeps it within 0..100.
  void SetValue(double percent) override;
  void SetText(const std::string& text) override;
  std::string Text() const;
};

}  // namespace veltrane::ui

#endif  // VELTRANE_UI_THEMED_PROGRESS_BAR_H_
