// SPDX-License-Identifier: MIT
// The message box helper: both paths, the application title, and the help
// box's look.
#include "mydialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <memory>

#include "dark_palette.h"
#include "design.h"
#include "qtplatform.h"

namespace calc {
namespace {

TEST(MessageBox, TitleFromTheExecutableName) {
  EXPECT_EQ(TitleFromExecutablePath("/usr/bin/exprcalc"), QString("Exprcalc"));
  EXPECT_EQ(TitleFromExecutablePath("C:\\Tools\\MyTool.Setup.exe"), QString("Mytool"));
  EXPECT_EQ(TitleFromExecutablePath("/opt/x/EXPRCALC"), QString("Exprcalc"));
}

TEST(MessageBox, ThemedAndClassicPaths) {
  std::unique_ptr<QMessageBox> themed(CreateMessageBox("Main", "Detail", "", true));
  EXPECT_EQ(themed->text(), QString("Main"));
  EXPECT_EQ(themed->informativeText(), QString("Detail"));
  EXPECT_EQ(themed->windowTitle(), ApplicationTitle());
  std::unique_ptr<QMessageBox> classic(CreateMessageBox("Main", "Detail", "Caption", false));
  EXPECT_EQ(classic->text(), QString("Main\n\nDetail"));
  EXPECT_EQ(classic->windowTitle(), QString("Caption"));
  EXPECT_EQ(classic->parentWidget(), nullptr);
  EXPECT_EQ(classic->buttons().size(), 1);
}

// The help box keeps every line whole and shows the message as a task
// dialog's main instruction, with a plain OK.
TEST(MessageBox, HelpBoxLooksLikeATaskDialog) {
  std::unique_ptr<QMessageBox> box(CreateMessageBox(ToQString(HelpText()), "", "", true));
  box->show();
  auto* label = box->findChild<QLabel*>("qt_msgbox_label");
  ASSERT_TRUE(label);
  const QFontMetrics metrics(label->font());
  for (const QString& line : label->text().split(u'\n')) {
    EXPECT_LE(metrics.horizontalAdvance(line), label->contentsRect().width()) << line.toStdString();
  }
  EXPECT_GT(label->font().pointSizeF(), QApplication::font(box.get()).pointSizeF());
  EXPECT_EQ(label->palette().color(QPalette::WindowText), ToQColor(kForm.main_instruction_colour));
  EXPECT_TRUE(box->button(QMessageBox::Ok)->icon().isNull());
}

// Under a dark palette the blue would be unreadable: the box's own text
// colour takes its place.
TEST(MessageBox, HelpBoxReadableUnderADarkPalette) {
  const QPalette before = QApplication::palette();
  QApplication::setPalette(DarkPalette());
  std::unique_ptr<QMessageBox> box(CreateMessageBox(ToQString(HelpText()), "", "", true));
  auto* label = box->findChild<QLabel*>("qt_msgbox_label");
  const QColor shown = label ? label->palette().color(QPalette::WindowText) : QColor();
  QApplication::setPalette(before);
  ASSERT_TRUE(label);
  EXPECT_EQ(shown, DarkPalette().color(QPalette::WindowText));
}

// A palette changed while the box is open is followed, both ways.
TEST(MessageBox, HelpBoxFollowsAPaletteChange) {
  const QPalette before = QApplication::palette();
  std::unique_ptr<QMessageBox> box(CreateMessageBox(ToQString(HelpText()), "", "", true));
  box->show();
  auto* label = box->findChild<QLabel*>("qt_msgbox_label");
  ASSERT_TRUE(label);
  // The change reaches the box through the event loop.
  const auto drawn_in = [label](const QColor& colour) {
    return QTest::qWaitFor([&] { return label->palette().color(QPalette::WindowText) == colour; });
  };
  QApplication::setPalette(DarkPalette());
  const bool followed_dark = drawn_in(DarkPalette().color(QPalette::WindowText));
  QApplication::setPalette(before);
  EXPECT_TRUE(followed_dark) << "the dark palette's text colour";
  EXPECT_TRUE(drawn_in(ToQColor(kForm.main_instruction_colour))) << "the design colour again";
}

}  // namespace
}  // namespace calc
