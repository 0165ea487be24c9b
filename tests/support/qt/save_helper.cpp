// SPDX-License-Identifier: MIT
// save_helper loop PATH [ENTRIES]: saves document A, then B (of ENTRIES
// entries, as many as A without), then A... until killed.
// save_helper limit PATH BYTES ENTRIES: saves document B of ENTRIES entries
// with the file size limited to BYTES, so the write fails part-way; exits 0
// when the save reported failure, with the limit's error as its reason.
#include <signal.h>
#include <sys/resource.h>

#include <QByteArray>
#include <QString>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "save_documents.h"
#include "savefile.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const QString path = QString::fromLocal8Bit(argv[2]);
  if (std::strcmp(argv[1], "loop") == 0) {
    const QByteArray a = QByteArray::fromStdString(calc::test::Document('A'));
    const QByteArray b =
        QByteArray::fromStdString(argc > 3 ? calc::test::Document('B', std::atoi(argv[3])) : calc::test::Document('B'));
    for (unsigned i = 0;; ++i) {
      if (!calc::WriteFileAtomically(path, i % 2 == 0 ? a : b)) return 1;
    }
  }
  if (std::strcmp(argv[1], "limit") == 0 && argc == 5) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(std::atol(argv[3])), static_cast<rlim_t>(std::atol(argv[3]))};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
    int error = 0;
    const bool saved = calc::WriteFileAtomically(
        path, QByteArray::fromStdString(calc::test::Document('B', std::atoi(argv[4]))), &error);
    return !saved && error == EFBIG ? 0 : 1;
  }
  return 2;
}
