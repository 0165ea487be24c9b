// SPDX-License-Identifier: MIT
#include "mydialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <algorithm>

#include "design.h"
#include "qtplatform.h"
#include "uVista.h"

namespace calc {

QString TitleFromExecutablePath(const QString& path) {
  QString name = path.mid(path.lastIndexOf(u'/') + 1);
  name = name.mid(name.lastIndexOf(u'\\') + 1);
  const qsizetype dot = name.indexOf(u'.');
  if (dot >= 0) name.truncate(dot);
  // Executables are lower case here by convention; the title reads as a
  // name all the same.
  if (!name.isEmpty()) name = name.left(1).toUpper() + name.mid(1).toLower();
  return name;
}

QString ApplicationTitle() { return TitleFromExecutablePath(QCoreApplication::applicationFilePath()); }

namespace {

QString ShownText(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  return text;
}

// The message as a read-only text the user moves through with the arrow
// keys, which a screen reader reads line by line as the caret moves; as a
// label it would be read in one piece as the box opens. It looks like the
// label it stands in for: no frame, the box's background, every line whole.
class MessageText : public QPlainTextEdit {
 public:
  MessageText(const QString& text, QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("calc_msgbox_text"));
    setPlainText(text);
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    // Tab goes on to OK, and Enter and Escape reach the box.
    setTabChangesFocus(true);
    setFrameShape(QFrame::NoFrame);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setBackgroundRole(QPalette::Window);
    viewport()->setBackgroundRole(QPalette::Window);
    document()->setDocumentMargin(0);
    FitLines();
  }

  // As large as its lines, which then break only where the text does.
  void FitLines() {
    const QFontMetrics metrics(font());
    int widest = 0;
    const QStringList lines = toPlainText().split(u'\n');
    for (const QString& line : lines) widest = std::max(widest, metrics.horizontalAdvance(line));
    setFixedSize(widest + metrics.averageCharWidth() + cursorWidth(),
                 static_cast<int>(lines.size()) * metrics.lineSpacing() + metrics.descent());
  }

 protected:
  void changeEvent(QEvent* event) override {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) FitLines();
  }
};

// The main instruction's colour, its blue where that is readable on the
// box's background, again whenever the palette or theme changes.
class InstructionColour : public QObject {
 public:
  InstructionColour(QMessageBox* box, QWidget* text) : QObject(box), box_(box), text_(text) {
    Apply();
    box->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (watched == box_ &&
        (type == QEvent::PaletteChange || type == QEvent::StyleChange || type == QEvent::ThemeChange)) {
      Apply();
    }
    return false;
  }

 private:
  void Apply() {
    QPalette palette = text_->palette();
    palette.setColor(QPalette::Text,
                     ReadableTextColour(kForm.main_instruction_colour, box_->palette().color(QPalette::Window),
                                        box_->palette().color(QPalette::WindowText)));
    text_->setPalette(palette);
  }

  QMessageBox* box_;
  QWidget* text_;
};

// Gives the message the focus as the box shows: a screen reader then reads
// its first line, and the arrow keys the others.
class FocusOnShow : public QObject {
 public:
  FocusOnShow(QMessageBox* box, QWidget* text) : QObject(box), text_(text) { box->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) text_->setFocus(Qt::OtherFocusReason);
    return false;
  }

 private:
  QWidget* text_;
};

}  // namespace

QMessageBox* CreateMessageBox(const QString& message, const QString& detail, const QString& caption, bool themed) {
  const QString title = caption.isEmpty() ? ApplicationTitle() : caption;
  auto* box = new QMessageBox(themed ? QApplication::activeWindow() : nullptr);
  box->setWindowTitle(title);
  box->setIcon(QMessageBox::NoIcon);
  box->setStandardButtons(QMessageBox::Ok);
  box->setEscapeButton(QMessageBox::Ok);
  // Some styles put an icon on OK; the box shows none.
  for (QAbstractButton* button : box->buttons()) button->setIcon(QIcon());
  box->setTextFormat(Qt::PlainText);
  if (themed) {
    box->setText(ShownText(message));
    box->setInformativeText(ShownText(detail));
  } else {
    box->setText(ShownText(detail.isEmpty() ? message : message + QStringLiteral("\r\r") + detail));
  }
  auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  if (label && box->layout()) {
    auto* text = new MessageText(label->text(), box);
    text->setFont(label->font());
    if (themed) {
      // The main instruction of a task dialog: larger, in its blue where
      // that is readable.
      QFont instruction = text->font();
      instruction.setPointSizeF(instruction.pointSizeF() * 4 / 3);
      text->setFont(instruction);
      new InstructionColour(box, text);
    }
    delete box->layout()->replaceWidget(label, text);
    label->hide();
    new FocusOnShow(box, text);
  }
  box->setAttribute(Qt::WA_DeleteOnClose);
  return box;
}

void ShowMessageBox(const QString& message, const QString& detail, const QString& caption) {
  CreateMessageBox(message, detail, caption, ThemedDialogsAvailable())->exec();
}

}  // namespace calc
