// SPDX-License-Identifier: MIT
#include "uVista.h"

#include <QApplication>
#include <QStyle>

namespace calc {

bool ThemedDialogsAvailable() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) && QApplication::style();
}

}  // namespace calc
