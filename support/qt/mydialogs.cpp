// SPDX-License-Identifier: MIT
#include "mydialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
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

// Wide enough that the text breaks only where it has line breaks of its
// own (the box would otherwise wrap at about half the screen's width).
void KeepLinesWhole(QLabel* label) {
  const QFontMetrics metrics(label->font());
  int widest = 0;
  for (const QString& line : label->text().split(u'\n')) widest = std::max(widest, metrics.horizontalAdvance(line));
  label->setMinimumWidth(widest + metrics.averageCharWidth());
}

// The main instruction's colour, its blue where that is readable on the
// box's background, again whenever the palette or theme changes.
class InstructionColour : public QObject {
 public:
  InstructionColour(QMessageBox* box, QLabel* text) : QObject(box), box_(box), text_(text) {
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
    palette.setColor(QPalette::WindowText,
                     ReadableTextColour(kForm.main_instruction_colour, box_->palette().color(QPalette::Window),
                                        box_->palette().color(QPalette::WindowText)));
    text_->setPalette(palette);
  }

  QMessageBox* box_;
  QLabel* text_;
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
  if (auto* text = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
    if (themed) {
      // The main instruction of a task dialog: larger, in its blue where
      // that is readable.
      QFont instruction = text->font();
      instruction.setPointSizeF(instruction.pointSizeF() * 4 / 3);
      text->setFont(instruction);
      new InstructionColour(box, text);
    }
    KeepLinesWhole(text);
  }
  box->setAttribute(Qt::WA_DeleteOnClose);
  return box;
}

void ShowMessageBox(const QString& message, const QString& detail, const QString& caption) {
  CreateMessageBox(message, detail, caption, ThemedDialogsAvailable())->exec();
}

}  // namespace calc
