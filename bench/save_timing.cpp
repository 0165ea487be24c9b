// SPDX-License-Identifier: MIT
// save_timing FOLDER ROUNDS: times the close's save of a 50-entry settings
// file as the window makes it (FormLogic::savedata on the Qt platform,
// every system call included), after the window read the file and added
// one expression. Prints the median and the fastest save in microseconds.
// bench/save_timing.sh builds it against two trees and runs them in turn.
#include <QApplication>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "formlogic.h"
#include "qtplatform.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  QApplication app(argc, argv);
  calc::QtPlatform platform;
  const QString path = QString::fromLocal8Bit(argv[1]) + "/brelmont.ini";
  QByteArray fifty =
      "[Information]\r\nProgram=Varnel's Expression Calculator\r\nVersion=1.21\r\n\r\n"
      "[Interface]\r\nTop=439\r\nLeft=667\r\nWidth=601\r\nThousandsSeparator=1\r\nDecimalPlaces=2\r\n\r\n"
      "[Expressions]\r\n";
  for (int i = 1; i <= 50; ++i) {
    fifty += "Expression" + QByteArray::number(i) + "=(" + QByteArray::number(i) + " + 2) * sqrt(" +
             QByteArray::number(i) + ") / 3\r\n";
  }
  fifty += "\r\n";
  std::vector<double> micros;
  for (int round = 0; round < std::atoi(argv[2]); ++round) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(fifty) != fifty.size()) return 1;
    file.close();
    calc::FormLogic logic(platform);
    logic.readdata(calc::ToU16(path), 601, 200);
    logic.AddToHistory(u"6*7");
    const auto start = std::chrono::steady_clock::now();
    if (!logic.savedata(calc::ToU16(path), {667, 439, 601}, {true, true})) return 1;
    micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(micros.begin(), micros.end());
  std::printf("%.0f %.0f\n", micros[micros.size() / 2], micros.front());
  return 0;
}
