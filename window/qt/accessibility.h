// SPDX-License-Identifier: MIT
// What the window tells assistive technology (a screen reader, through
// AT-SPI) beyond what Qt's widgets tell of themselves.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QString>
#include <QWidget>
#include <functional>

namespace calc {

// Gives the window the role of an application frame, and the result line and
// its notice their interfaces. Call before the window is built; calling
// again does nothing.
void InstallAccessibleInterfaces();

// The expression box. A screen reader knows it by its name, "Expression",
// whatever text it holds (Qt's own box is named by its text on Linux); the
// text is its value.
class ExpressionBox : public QComboBox {
  Q_OBJECT

 public:
  using QComboBox::QComboBox;
  // Which entry the opened list highlights for the box's text (the
  // window's logic decides), -1 for none.
  void SetHeldEntry(std::function<int(const QString&)> held_entry) { held_entry_ = std::move(held_entry); }
  // Opens the list on that entry: the highlighted entry is the list's
  // focus, which a screen reader names.
  void showPopup() override;

 private:
  std::function<int(const QString&)> held_entry_;
};

// A notification that a screen reader speaks as it appears, wherever the
// focus is. It has no size: nothing shows on the screen.
class ResultNotice : public QWidget {
  Q_OBJECT

 public:
  explicit ResultNotice(QWidget* parent);
  void Announce(const QString& text);
};

// The result line. Its accessible name is the whole text, which it also
// offers through the text interface, and each new text is announced.
class ResultLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ResultLabel(QWidget* parent);
  // Shows a result, a message or nothing. A calculation that shows the same
  // text again is news all the same.
  void Present(const QString& text);
  // Tells a screen reader something about the line, such as that it was
  // copied, without changing what it shows.
  void Announce(const QString& text);
  // Whether the text is wider than the line, which then shows its start.
  bool Elided() const;

 protected:
  // A text that does not fit is drawn from its start with an ellipsis at
  // its end; one that fits, centred as QLabel draws it.
  void paintEvent(QPaintEvent* event) override;

 private:
  ResultNotice* notice_;
};

}  // namespace calc
