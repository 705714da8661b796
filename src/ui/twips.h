#ifndef VELTRANE_UI_TWIPS_H_
#define VELTRANE_UI_TWIPS_H_

#include <QRect>

namespace veltrane::ui {

// Window layouts are given in twips; at the usual 96 dots per inch a pixel is
// 15 twips.
inline constexpr int kTwipsPerPixel = 15;

constexpr int Twips(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

inline QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}

}  // namespace veltrane::ui

#endif  // VELTRANE_UI_TWIPS_H_
