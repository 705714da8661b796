#include "cli/status_line.h"

#include <cstdio>

namespace veltrane::cli {
namespace {

// Carriage return and "erase to the end of the line".
constexpr char kEraseLine[] = "\r\x1b[K";

}  // namespace

void StatusLine::Show(const std::string& text) {
  if (!terminal_) return;
  std::fputs(kEraseLine, stderr);
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
  shown_ = true;
}

void StatusLine::Clear() {
  if (!shown_) return;
  std::fputs(kEraseLine, stderr);
  std::fflush(stderr);
  shown_ = false;
}

void StatusLine::Print(const std::string& text) {
  Clear();
  std::fputs(text.c_str(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

void StatusLine::Ask(const std::string& text) {
  Clear();
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace veltrane::cli
