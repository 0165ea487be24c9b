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

// Runs `change` without telling assistive technology what it does to
// `control` and its children (the other controls' events go out as usual).
// For what the window does on its own, such as selecting the box's text so
// that typing replaces it: a screen reader would read the selection before
// the result. A screen reader that asks later still finds the selection.
void Unannounced(const QWidget* control, const std::function<void()>& change);

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
  // focus, which a screen reader names as the list opens (the list itself,
  // which tells no selection through AT-SPI with Qt 6.4, is not named
  // first).
  void showPopup() override;

 private:
  std::function<int(const QString&)> held_entry_;
};

// A notification that a screen reader speaks as it appears, wherever the
// focus is. It has no size: nothing shows on the screen. It sits in a status
// bar of no size, so that Orca speaks its text without the role word
// "notification" before it.
class ResultNotice : public QWidget {
  Q_OBJECT

 public:
  explicit ResultNotice(QWidget* parent);
  // Spoken at once: an announcement made before the handler moves the focus
  // is heard before what the focus's move says.
  void Announce(const QString& text);
};

// The notice's status bar.
class NoticeArea : public QWidget {
  Q_OBJECT

 public:
  explicit NoticeArea(QWidget* parent);
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
