#include <filesystem>
#include <fstream>

#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include "db/error.h"
#include "support/temp_dir.h"
#include "ui/qt_prompter.h"
#include "ui/theme.h"
#include "ui/window_pointer.h"

namespace veltrane::ui {
namespace {

TEST(Skin, OnlyAnExistingSkinFileChangesTheWindow) {
  testing::TempDir dir;
  QWidget window;
  ApplyTheme(&window);
  auto* label = new QLabel("Server:", &window);
  auto* option = new QRadioButton("DBC File:", &window);
  auto* button = new QPushButton("Help", &window);
  const QString theme = window.styleSheet();

  EXPECT_FALSE(ApplySkin(&window, dir.File("x/o.cjs")));
  EXPECT_EQ(window.palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(window.styleSheet(), theme);

  std::filesystem::create_directory(dir.File("x"));
  std::ofstream(dir.File("x/o.cjs")) << "QPushButton { color: #123456; }";
  EXPECT_TRUE(ApplySkin(&window, dir.File("x/o.cjs")));
  EXPECT_EQ(window.palette().color(QPalette::Window), ButtonFaceColor());
  EXPECT_EQ(label->palette().color(QPalette::Window), ButtonFaceColor());
  EXPECT_EQ(option->palette().color(QPalette::Window), ButtonFaceColor());
  EXPECT_FALSE(button->autoFillBackground());  // buttons keep their own look
  EXPECT_TRUE(window.styleSheet().startsWith(theme));
  EXPECT_TRUE(window.styleSheet().endsWith("QPushButton { color: #123456; }"));
}

TEST(HandCursor, ReadsTheHotSpotOfACursorFile) {
  testing::TempDir dir;
  QImage picture(32, 32, QImage::Format_ARGB32);
  picture.fill(Qt::black);
  ASSERT_TRUE(QImageWriter(QString::fromStdString(dir.File("hand.ico")), "ico").write(picture));
  // A cursor file is an icon file with type 2 and the hot spot in place of
  // the colour planes and bit count.
  std::fstream file(dir.File("hand.ico"), std::ios::in | std::ios::out | std::ios::binary);
  const char cursor_type[] = {2, 0};
  const char hot_spot[] = {5, 0, 7, 0};
  file.seekp(2).write(cursor_type, 2);
  file.seekp(10).write(hot_spot, 4);
  file.close();

  const QCursor cursor = LoadCursorFile(dir.File("hand.ico"));
  EXPECT_EQ(cursor.hotSpot(), QPoint(5, 7));
  EXPECT_EQ(cursor.pixmap().size(), QSize(32, 32));

  std::ofstream(dir.File("junk.cur")) << "not a picture";
  EXPECT_THROW(LoadCursorFile(dir.File("junk.cur")), db::Error);
  EXPECT_THROW(LoadCursorFile(dir.File("missing.cur")), db::Error);
}

TEST(HandCursor, APointingHandIsShippedBesideTheProgram) {
  const std::string path = QCoreApplication::applicationDirPath().toStdString() + kHandCursorFile;
  ASSERT_TRUE(std::filesystem::exists(path)) << path;
  const QCursor cursor = LoadCursorFile(path);
  EXPECT_EQ(cursor.hotSpot(), QPoint(5, 0));  // the fingertip
  const QImage picture = cursor.pixmap().toImage();
  ASSERT_EQ(picture.size(), QSize(32, 32));
  EXPECT_EQ(picture.pixelColor(5, 0), QColor(Qt::black));   // outline
  EXPECT_EQ(picture.pixelColor(5, 2), QColor(Qt::white));   // finger
  EXPECT_EQ(picture.pixelColor(0, 0).alpha(), 0);           // around it

  QWidget window;
  WindowPointer pointer(&window);
  pointer.SetHandCursor(cursor);
  pointer.Set(app::kPointerHand);
  EXPECT_EQ(window.cursor().shape(), Qt::BitmapCursor);
}

TEST(MessageText, CarriageReturnsBreakLines) {
  EXPECT_EQ(DisplayText("failed\r\nin Form1 at line 100\r\rPlease email"),
            "failed\nin Form1 at line 100\n\nPlease email");
  EXPECT_EQ(DisplayText("a <b> & c"), "a <b> & c");
}

}  // namespace
}  // namespace veltrane::ui
