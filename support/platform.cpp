#include "platform.h"

#include <QGuiApplication>
#include <QScreen>

namespace calc {

QSize PrimaryScreenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().size() : QSize();
}

}  // namespace calc
