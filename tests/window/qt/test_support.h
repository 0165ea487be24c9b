// SPDX-License-Identifier: MIT
// Helpers for the headless window tests.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace calc {

// What a modal box showed before the test closed it.
struct SeenBox {
  bool shown = false;
  QString title;
  QString text;
  QString informative;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;
  bool has_parent = false;
};

// Closes the next modal message box as soon as it is shown and records it.
inline void CloseNextBox(SeenBox* seen) {
  QTimer::singleShot(0, [seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      CloseNextBox(seen);  // not shown yet
      return;
    }
    seen->shown = true;
    seen->title = box->windowTitle();
    seen->text = box->text();
    seen->informative = box->informativeText();
    seen->icon = box->icon();
    seen->buttons = static_cast<int>(box->buttons().size());
    seen->has_parent = box->parentWidget() != nullptr;
    box->accept();
  });
}

// Points the per-user configuration folder at a fresh temporary folder.
class TemporaryConfig {
 public:
  TemporaryConfig() { qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8()); }
  QString path() const { return dir_.path(); }
  QString SettingsFile() const { return dir_.path() + "/VarnelSoftware/Expression Calculator/brelmont.ini"; }

 private:
  QTemporaryDir dir_;
};

}  // namespace calc
