#include "ui/themed_progress_bar.h"

#include <algorithm>
#include <cmath>

namespace veltrane::ui {

ThemedProgressBar::ThemedProgressBar(QWidget* parent) : QProgressBar(parent) {
  setRange(0, 100);
  setValue(0);
  setTextVisible(true);
  setAlignment(Qt::AlignCenter);
  SetText(kProgressBarCaption);
}

void ThemedProgressBar::SetValue(double percent) {
  if (std::isnan(percent)) return;
  setValue(static_cast<int>(std::lround(std::clamp(percent, 0.0, 100.0))));
}

void ThemedProgressBar::SetText(const std::string& text) { setFormat(QString::fromStdString(text)); }

std::string ThemedProgressBar::Text() const { return text().toStdString(); }

}  // namespace veltrane::ui
