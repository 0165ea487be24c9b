// SPDX-License-Identifier: MIT
// The message box helper: both paths, the application title, and the help
// box's look.
#include "mydialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>
#include <memory>

#include "dark_palette.h"
#include "design.h"
#include "qtplatform.h"

namespace calc {
namespace {

// The box's message: a read-only text that a screen reader reads line by
// line.
QPlainTextEdit* MessageOf(const QMessageBox& box) {
  return box.findChild<QPlainTextEdit*>(QStringLiteral("calc_msgbox_text"));
}

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
  QPlainTextEdit* text = MessageOf(*box);
  ASSERT_TRUE(text);
  const QFontMetrics metrics(text->font());
  const QStringList lines = text->toPlainText().split(u'\n');
  for (const QString& line : lines) {
    EXPECT_LE(metrics.horizontalAdvance(line), text->viewport()->width()) << line.toStdString();
  }
  EXPECT_GE(text->viewport()->height(), static_cast<int>(lines.size()) * metrics.lineSpacing());
  EXPECT_GT(text->font().pointSizeF(), QApplication::font(box.get()).pointSizeF());
  EXPECT_EQ(text->palette().color(QPalette::Text), ToQColor(kForm.main_instruction_colour));
  EXPECT_TRUE(box->button(QMessageBox::Ok)->icon().isNull());
}

// The message is a text the user moves through line by line, which has the
// focus as the box opens; the box's label does not show it a second time.
TEST(MessageBox, MessageReadLineByLine) {
  std::unique_ptr<QMessageBox> box(CreateMessageBox(ToQString(HelpText()), "", "", true));
  box->show();
  QPlainTextEdit* text = MessageOf(*box);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->toPlainText(), box->text());
  EXPECT_TRUE(text->isReadOnly());
  EXPECT_TRUE(text->textInteractionFlags() & Qt::TextSelectableByKeyboard);
  EXPECT_EQ(box->focusWidget(), text);
  EXPECT_FALSE(box->findChild<QLabel*>("qt_msgbox_label")->isVisible());
}

// Under a dark palette the blue would be unreadable: the box's own text
// colour takes its place.
TEST(MessageBox, HelpBoxReadableUnderADarkPalette) {
  const QPalette before = QApplication::palette();
  QApplication::setPalette(DarkPalette());
  std::unique_ptr<QMessageBox> box(CreateMessageBox(ToQString(HelpText()), "", "", true));
  QPlainTextEdit* text = MessageOf(*box);
  const QColor shown = text ? text->palette().color(QPalette::Text) : QColor();
  QApplication::setPalette(before);
  ASSERT_TRUE(text);
  EXPECT_EQ(shown, DarkPalette().color(QPalette::WindowText));
}

// A palette changed while the box is open is followed, both ways.
TEST(MessageBox, HelpBoxFollowsAPaletteChange) {
  const QPalette before = QApplication::palette();
  std::unique_ptr<QMessageBox> box(CreateMessageBox(ToQString(HelpText()), "", "", true));
  box->show();
  QPlainTextEdit* text = MessageOf(*box);
  ASSERT_TRUE(text);
  // The change reaches the box through the event loop.
  const auto drawn_in = [text](const QColor& colour) {
    return QTest::qWaitFor([&] { return text->palette().color(QPalette::Text) == colour; });
  };
  QApplication::setPalette(DarkPalette());
  const bool followed_dark = drawn_in(DarkPalette().color(QPalette::WindowText));
  QApplication::setPalette(before);
  EXPECT_TRUE(followed_dark) << "the dark palette's text colour";
  EXPECT_TRUE(drawn_in(ToQColor(kForm.main_instruction_colour))) << "the design colour again";
}

}  // namespace
}  // namespace calc
