// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QIcon>

#include "Unit1.h"
#include "x87.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Wayland compositors find the menu entry, and so the icon, by this id.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.exprcalc.Exprcalc"));
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128, 256}) icon.addFile(QStringLiteral(":/icons/%1.png").arg(size));
  QApplication::setWindowIcon(icon);
  calc::x87::EstablishEnvironment();
  calc::TForm1 form;
  form.show();
  return QApplication::exec();
}
