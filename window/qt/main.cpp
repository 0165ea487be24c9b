// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <cstdint>
#include <memory>

#include "Unit1.h"
#include "language.h"
#include "sessionend.h"
#include "titleframe.h"
#include "window_icon.inc"
#include "x87.h"

namespace {

// The title bar's and the task bar's sizes, as pixels: larger ones come from
// the icon theme through the menu entry, and decoding images here would hold
// up every start.
QIcon WindowIcon() {
  QIcon icon;
  const auto add = [&icon](const std::uint32_t* argb, int size) {
    icon.addPixmap(QPixmap::fromImage(QImage(reinterpret_cast<const uchar*>(argb), size, size, QImage::Format_ARGB32)));
  };
  add(kWindowIcon16, 16);
  add(kWindowIcon32, 32);
  add(kWindowIcon48, 48);
  return icon;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  calc::UseUserLanguage(app);
  // Wayland compositors find the menu entry, and so the icon, by this id.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.exprcalc.Exprcalc"));
  QApplication::setWindowIcon(WindowIcon());
  calc::x87::EstablishEnvironment();
  calc::TForm1 form;
  const calc::SessionEnd session_end(form);
  std::unique_ptr<calc::TitleFrame> frame;
  if (calc::TitleFrame::Needed()) frame = std::make_unique<calc::TitleFrame>(form);
  if (frame) {
    frame->show();
  } else {
    form.show();
  }
  return QApplication::exec();
}
