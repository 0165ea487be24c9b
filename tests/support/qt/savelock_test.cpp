// SPDX-License-Identifier: MIT
// The saves of several processes at once, with the real lock and files.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSet>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <initializer_list>
#include <string>
#include <vector>

#include "file_util.h"
#include "savefile.h"
#include "unix_save.h"

namespace calc {
namespace {

// Starts the helper with the given arguments; the descriptors named among
// them stay open in it, those in `others` (the other ends) are closed.
pid_t StartHelper(const std::vector<std::string>& arguments, std::initializer_list<int> others) {
  const pid_t pid = fork();
  if (pid == 0) {
    for (const int other : others) close(other);
    std::vector<char*> argv{const_cast<char*>(SAVE_HELPER)};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(SAVE_HELPER, argv.data());
    _exit(127);
  }
  return pid;
}

// Waits up to 30 seconds for `count` bytes on the descriptor.
bool Ready(int descriptor, int count) {
  for (int got = 0; got < count;) {
    pollfd wait{descriptor, POLLIN, 0};
    char bytes[16];
    if (poll(&wait, 1, 30000) != 1) return false;
    const ssize_t read_now = read(descriptor, bytes, std::min<std::size_t>(sizeof bytes, count - got));
    if (read_now <= 0) return false;
    got += static_cast<int>(read_now);
  }
  return true;
}

// A lock whose holder was killed is free; one whose holder lives is not,
// and waiting for it ends.
TEST(SaveLock, AKilledHoldersLockIsTakenOver) {
  QTemporaryDir dir;
  const std::u16string path = ToU16(dir.path() + "/brelmont.ini");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = StartHelper({"hold", ToQString(path).toStdString(), std::to_string(ready[1])}, {ready[0]});
  close(ready[1]);
  ASSERT_TRUE(Ready(ready[0], 1)) << "the helper did not take the lock";
  close(ready[0]);
  UnixFileCalls calls;
  EXPECT_FALSE(SaveLock(calls, path, std::chrono::milliseconds(50)).held()) << "a living holder keeps it";
  kill(holder, SIGKILL);
  int status = 0;
  waitpid(holder, &status, 0);
  EXPECT_TRUE(SaveLock(calls, path, std::chrono::milliseconds(0)).held()) << "the killed holder's lock is free";
}

// Eight processes that each read a full history, add an entry and save at
// the same moment, as windows ended together do: every entry is kept, the
// newest 50, each once.
TEST(SaveLock, ProcessesSavingAtOnceKeepEveryEntry) {
  constexpr int kProcesses = 8;
  for (int round = 1; round <= 3; ++round) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/brelmont.ini";
    QByteArray file = "[Expressions]\r\n";
    for (int i = 1; i <= 50; ++i) file += "Expression" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\r\n";
    ASSERT_TRUE(test::WriteAll(path, file));
    int ready[2], go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> savers;
    for (int i = 1; i <= kProcesses; ++i) {
      savers.push_back(StartHelper({"add", path.toStdString(), "90" + std::to_string(i) + "+" + std::to_string(i),
                                    std::to_string(ready[1]), std::to_string(go[0])},
                                   {ready[0], go[1]}));
    }
    close(ready[1]);
    close(go[0]);
    const bool all_ready = Ready(ready[0], kProcesses);
    close(go[1]);  // all of them go
    close(ready[0]);
    for (const pid_t saver : savers) {
      int status = 0;
      waitpid(saver, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round << ": a save failed";
    }
    ASSERT_TRUE(all_ready) << "round " << round;
    QStringList entries;
    for (const QString& line : QString::fromLatin1(test::ReadAll(path)).split("\r\n")) {
      if (line.startsWith("Expression")) entries << line.section('=', 1);
    }
    EXPECT_LE(entries.size(), 50) << "round " << round;
    EXPECT_EQ(QSet<QString>(entries.begin(), entries.end()).size(), entries.size()) << "round " << round;
    for (int i = 1; i <= kProcesses; ++i) {
      const QString expression = QStringLiteral("90%1+%1").arg(i);
      EXPECT_TRUE(entries.contains(expression)) << "round " << round << ": " << expression.toStdString() << " lost";
    }
  }
}

}  // namespace
}  // namespace calc
