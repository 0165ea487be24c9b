// SPDX-License-Identifier: MIT
// save_helper loop PATH [ENTRIES]: saves document A, then B (of ENTRIES
// entries, as many as A without), then A... until killed.
// save_helper limit PATH BYTES ENTRIES: saves document B of ENTRIES entries
// with the file size limited to BYTES, so the write fails part-way; exits 0
// when the save reported failure, with the limit's error as its reason.
// save_helper hold PATH READY: takes the save lock of PATH, writes a byte to
// the descriptor READY and waits to be killed.
// save_helper add PATH EXPRESSION READY GO: reads the settings file as a
// window's start does, writes a byte to READY, waits until GO (a
// descriptor) reaches its end, then adds the expression to the history and
// saves as a window's close does; exits 0 when the save succeeded.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "formlogic.h"
#include "save_documents.h"
#include "unix_save.h"

namespace {

void Signal(const char* descriptor) {
  const char byte = 1;
  if (write(std::atoi(descriptor), &byte, 1) != 1) std::exit(3);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const QString path = QString::fromLocal8Bit(argv[2]);
  if (std::strcmp(argv[1], "loop") == 0) {
    const QByteArray a = QByteArray::fromStdString(calc::test::Document('A'));
    const QByteArray b =
        QByteArray::fromStdString(argc > 3 ? calc::test::Document('B', std::atoi(argv[3])) : calc::test::Document('B'));
    for (unsigned i = 0;; ++i) {
      if (!calc::test::WriteFileAtomically(path, i % 2 == 0 ? a : b)) return 1;
    }
  }
  if (std::strcmp(argv[1], "limit") == 0 && argc == 5) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(std::atol(argv[3])), static_cast<rlim_t>(std::atol(argv[3]))};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
    int error = 0;
    const bool saved = calc::test::WriteFileAtomically(
        path, QByteArray::fromStdString(calc::test::Document('B', std::atoi(argv[4]))), &error);
    return !saved && error == EFBIG ? 0 : 1;
  }
  if (std::strcmp(argv[1], "hold") == 0 && argc == 4) {
    calc::UnixFileCalls calls;
    const calc::SaveLock lock(calls, calc::ToU16(path));
    if (!lock.held()) return 1;
    Signal(argv[3]);
    for (;;) pause();
  }
  if (std::strcmp(argv[1], "add") == 0 && argc == 6) {
    QApplication app(argc, argv);  // for a box, should the save fail
    calc::QtPlatform platform;
    calc::FormLogic logic(platform);
    logic.readdata(calc::ToU16(path), 600, 200);
    Signal(argv[4]);
    char byte = 0;
    while (read(std::atoi(argv[5]), &byte, 1) > 0) {
    }
    logic.AddToHistory(calc::ToU16(QString::fromLocal8Bit(argv[3])));
    return logic.savedata(calc::ToU16(path), {0, 0, 600}, {true, false}) ? 0 : 1;
  }
  return 2;
}
