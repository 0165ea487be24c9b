// SPDX-License-Identifier: MIT
// A plain Qt 6 Widgets window with the calculator's controls and nothing
// else: the baseline for the calculator's start-up time.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Minimal Qt window"));
  window.resize(585, 163);
  (new QPushButton(QStringLiteral("Calculate"), &window))->setGeometry(488, 32, 75, 29);
  (new QPushButton(QStringLiteral("&Copy"), &window))->setGeometry(536, 104, 41, 24);
  (new QCheckBox(QStringLiteral("Thousands separators"), &window))->setGeometry(16, 136, 142, 18);
  (new QCheckBox(QStringLiteral("Display only 2 decimal places accuracy"), &window))->setGeometry(328, 136, 228, 18);
  (new QPushButton(QStringLiteral("?"), &window))->setGeometry(551, 0, 26, 26);
  auto* box = new QComboBox(&window);
  box->setEditable(true);
  box->setGeometry(24, 34, 449, 22);
  (new QLabel(&window))->setGeometry(31, 72, 521, 29);
  window.show();
  return QApplication::exec();
}
