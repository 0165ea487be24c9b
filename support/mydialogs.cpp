#include "mydialogs.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>

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

}  // namespace

QMessageBox* CreateMessageBox(const QString& message, const QString& detail, const QString& caption, bool themed) {
  const QString title = caption.isEmpty() ? ApplicationTitle() : caption;
  auto* box = new QMessageBox(themed ? QApplication::activeWindow() : nullptr);
  box->setWindowTitle(title);
  box->setIcon(QMessageBox::NoIcon);
  box->setStandardButtons(QMessageBox::Ok);
  box->setEscapeButton(QMessageBox::Ok);
  box->setTextFormat(Qt::PlainText);
  if (themed) {
    box->setText(ShownText(message));
    box->setInformativeText(ShownText(detail));
  } else {
    box->setText(ShownText(detail.isEmpty() ? message : message + QStringLiteral("\r\r") + detail));
  }
  box->setAttribute(Qt::WA_DeleteOnClose);
  return box;
}

void ShowMessageBox(const QString& message, const QString& detail, const QString& caption) {
  CreateMessageBox(message, detail, caption, ThemedDialogsAvailable())->exec();
}

}  // namespace calc
