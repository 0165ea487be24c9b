// SPDX-License-Identifier: MIT
#include "savefile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "FUtils.h"
#include "file_util.h"
#include "save_documents.h"
#include "unix_save.h"

namespace calc {
namespace {

using test::ReadAll;
using test::RecoverInterruptedSave;
using test::WriteFileAtomically;

void WriteAll(const QString& path, const QByteArray& bytes) { ASSERT_TRUE(test::WriteAll(path, bytes)); }

QStringList FilesIn(const QString& dir) { return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System); }

class SaveFileTest : public ::testing::Test {};

QByteArray Bytes(const std::string& text) { return QByteArray::fromStdString(text); }

// The superuser may write anywhere: a child that must not write to a folder
// becomes nobody.
void DropFolderWrites() {
  if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
}

// Runs the save in a child process that may not write to the folder. A file
// size limit stands in for a full disk.
bool SaveWithoutFolderWrites(const QString& path, const QByteArray& bytes, rlim_t size_limit = RLIM_INFINITY) {
  const pid_t pid = fork();
  if (pid == 0) {
    DropFolderWrites();
    const rlimit limit{size_limit, size_limit};
    signal(SIGXFSZ, SIG_IGN);
    if (size_limit != RLIM_INFINITY && setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(3);
    _exit(WriteFileAtomically(path, bytes) ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A folder that nobody may enter but not write to, holding a settings file
// anyone may write: the save has to write it in place.
class LockedFolder {
 public:
  explicit LockedFolder(const QByteArray& bytes) {
    EXPECT_TRUE(QFile::setPermissions(
        dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    Reset(bytes);
  }
  ~LockedFolder() { Unlock(); }
  QString folder() const { return dir_.path() + "/locked"; }
  QString file() const { return folder() + "/brelmont.ini"; }
  void Reset(const QByteArray& bytes) {
    Unlock();
    WriteAll(file(), bytes);
    EXPECT_TRUE(QFile::setPermissions(file(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                  QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther));
    EXPECT_TRUE(
        QFile::setPermissions(folder(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
  }

 private:
  void Unlock() { QFile::setPermissions(folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); }
  QTemporaryDir dir_;
};

TEST_F(SaveFileTest, ReadMissingFileFolderLinkAndLargeFile) {
  QTemporaryDir dir;
  QByteArray bytes;
  EXPECT_EQ(ReadWholeFile(dir.path() + "/none.ini", 100, bytes), ReadStatus::kMissing);
  EXPECT_EQ(ReadWholeFile(dir.path(), 100, bytes), ReadStatus::kFailed) << "a folder cannot be read";
  WriteAll(dir.path() + "/real.ini", "[A]\r\nB=C\r\n");
  ASSERT_TRUE(QFile::link(dir.path() + "/real.ini", dir.path() + "/link.ini"));
  ASSERT_EQ(ReadWholeFile(dir.path() + "/link.ini", 100, bytes), ReadStatus::kRead);
  EXPECT_EQ(bytes, "[A]\r\nB=C\r\n");
  EXPECT_EQ(ReadWholeFile(dir.path() + "/real.ini", 9, bytes), ReadStatus::kTooLarge);
  ASSERT_TRUE(QFile::link(dir.path() + "/later.ini", dir.path() + "/dangling.ini"));
  EXPECT_EQ(ReadWholeFile(dir.path() + "/dangling.ini", 100, bytes), ReadStatus::kMissing);
}

TEST_F(SaveFileTest, AtomicWriteReplacesWholeFiles) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/brelmont.ini";
  ASSERT_TRUE(WriteFileAtomically(path, "new"));
  EXPECT_EQ(ReadAll(path), "new");
  ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
  ASSERT_TRUE(WriteFileAtomically(path, "newer"));
  EXPECT_EQ(ReadAll(path), "newer");
  constexpr QFile::Permissions kModeBits = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                           QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                                           QFile::ExeOther;
  EXPECT_EQ(QFileInfo(path).permissions() & kModeBits, QFile::ReadOwner | QFile::WriteOwner) << "the mode is kept";
  EXPECT_EQ(FilesIn(dir.path()), QStringList{"brelmont.ini"});
}

TEST_F(SaveFileTest, ReadOnlyFileIsLeftExactlyAsItWas) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/brelmont.ini";
  WriteAll(path, "old");
  ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup));
  int error = 0;
  EXPECT_FALSE(WriteFileAtomically(path, "new", &error));
  EXPECT_EQ(error, EACCES);
  EXPECT_EQ(ReadAll(path), "old");
  EXPECT_EQ(FilesIn(dir.path()), QStringList{"brelmont.ini"}) << "no temporary file is left";
}

TEST_F(SaveFileTest, LinkStaysALink) {
  QTemporaryDir dir;
  const QString target = dir.path() + "/target.ini";
  const QString link = dir.path() + "/brelmont.ini";
  WriteAll(target, "old");
  ASSERT_TRUE(QFile::link(target, link));
  ASSERT_TRUE(WriteFileAtomically(link, "new"));
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(ReadAll(target), "new");
  // A link whose target does not exist yet gets its target written.
  const QString dangling = dir.path() + "/dangling.ini";
  ASSERT_TRUE(QFile::link(dir.path() + "/later.ini", dangling));
  ASSERT_TRUE(WriteFileAtomically(dangling, "made"));
  EXPECT_TRUE(QFileInfo(dangling).isSymLink());
  EXPECT_EQ(ReadAll(dir.path() + "/later.ini"), "made");
}

// In a folder that may not be written to, a writable file is saved in
// place; a read-only file there is still refused and left alone.
TEST_F(SaveFileTest, WritableFileInAReadOnlyFolderIsSavedInPlace) {
  QTemporaryDir dir;
  ASSERT_TRUE(QFile::setPermissions(
      dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
  const QString folder = dir.path() + "/locked";
  const QString path = folder + "/brelmont.ini";
  WriteAll(path, "old");
  WriteAll(folder + "/readonly.ini", "kept");
  ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup |
                                              QFile::ReadOther | QFile::WriteOther));
  ASSERT_TRUE(QFile::setPermissions(folder + "/readonly.ini", QFile::ReadOwner | QFile::ReadOther));
  ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
  EXPECT_TRUE(SaveWithoutFolderWrites(path, "new"));
  EXPECT_FALSE(SaveWithoutFolderWrites(folder + "/readonly.ini", "new"));
  QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  EXPECT_EQ(ReadAll(path), "new");
  EXPECT_EQ(ReadAll(folder + "/readonly.ini"), "kept");
  EXPECT_EQ(FilesIn(folder), (QStringList{"brelmont.ini", "readonly.ini"}));
}

// Makes the file look written the given number of seconds ago.
void Age(const QString& path, qint64 seconds) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << path.toStdString();
  ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-seconds), QFileDevice::FileModificationTime));
}

constexpr qint64 kDay = 24 * 60 * 60;

QString Sorted(QStringList names) {
  names.sort();
  return names.join(' ');
}

// A save cut off before its rename leaves its temporary file; the next save
// removes it once it is stale, and never a file the user named (the names
// are the policy's tests).
TEST_F(SaveFileTest, StaleRuleRemovesOnlyItsOwnTemporaryFiles) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/brelmont.ini";
  WriteAll(path, "old");
  struct Case {
    const char* name;
    qint64 age;
    bool removed;
  };
  const Case cases[] = {
      {"brelmont.ini.~exprcalc-AbC123-3.tmp", kDay, true},   // complete
      {"brelmont.ini.~exprcalc-zzzzzz-999.tmp", 61, true},   // cut off
      {"brelmont.ini.~exprcalc-Fresh1-3.tmp", 0, false},     // another copy's save in progress
      {"brelmont.ini.backup", kDay, false},                  // the user's own
      {"BRELMONT.INI.~exprcalc-AbC123-3.tmp", kDay, false},  // another file's
  };
  QStringList kept = {"brelmont.ini", "notes.txt"};
  for (const Case& c : cases) {
    WriteAll(dir.path() + "/" + c.name, "x=1");
    Age(dir.path() + "/" + c.name, c.age);
    if (!c.removed) kept << c.name;
  }
  // Only regular files: a link by that name and what it points to stay.
  WriteAll(dir.path() + "/notes.txt", "the user's");
  Age(dir.path() + "/notes.txt", kDay);
  ASSERT_TRUE(QFile::link(dir.path() + "/notes.txt", dir.path() + "/brelmont.ini.~exprcalc-Link12-10.tmp"));
  kept << "brelmont.ini.~exprcalc-Link12-10.tmp";
  ASSERT_TRUE(QDir(dir.path()).mkdir("brelmont.ini.~exprcalc-Dir123-0.tmp"));

  ASSERT_TRUE(WriteFileAtomically(path, "new"));
  EXPECT_EQ(Sorted(FilesIn(dir.path())).toStdString(), Sorted(kept).toStdString());
  EXPECT_EQ(ReadAll(dir.path() + "/notes.txt"), "the user's");
  EXPECT_TRUE(QFileInfo(dir.path() + "/brelmont.ini.~exprcalc-Dir123-0.tmp").isDir());
}

// Through a link the save works in the target's folder: there it removes
// only its own leftovers of the target's name, never the user's backups.
TEST_F(SaveFileTest, StaleRuleThroughALinkKeepsTheUsersFiles) {
  QTemporaryDir dir;
  const QString dotfiles = dir.path() + "/dotfiles";
  const QString config = dir.path() + "/config";
  WriteAll(dotfiles + "/calc.ini", "old");
  const QStringList users = {"calc.ini.backup", "calc.ini.202401", "calc.ini.orig12", "brelmont.ini.backup"};
  for (const QString& name : users + QStringList{"calc.ini.~exprcalc-AbC123-3.tmp"}) {
    WriteAll(dotfiles + "/" + name, "x=1");
    Age(dotfiles + "/" + name, kDay);
  }
  ASSERT_TRUE(QDir().mkpath(config));
  ASSERT_TRUE(QFile::link(dotfiles + "/calc.ini", config + "/brelmont.ini"));
  ASSERT_TRUE(WriteFileAtomically(config + "/brelmont.ini", "new"));
  EXPECT_TRUE(QFileInfo(config + "/brelmont.ini").isSymLink());
  EXPECT_EQ(ReadAll(dotfiles + "/calc.ini"), "new");
  EXPECT_EQ(Sorted(FilesIn(dotfiles)).toStdString(), Sorted(users + QStringList{"calc.ini"}).toStdString());
  for (const QString& name : users) EXPECT_EQ(ReadAll(dotfiles + "/" + name), "x=1") << name.toStdString();
}

// Without the file, a leftover may be the only copy of the settings: the
// save leaves it alone.
TEST_F(SaveFileTest, StaleRuleNeedsTheFileItself) {
  QTemporaryDir dir;
  const QString leftover = dir.path() + "/brelmont.ini.~exprcalc-AbC123-5.tmp";
  WriteAll(leftover, "saved");
  Age(leftover, kDay);
  ASSERT_TRUE(WriteFileAtomically(dir.path() + "/brelmont.ini", "new"));
  EXPECT_EQ(ReadAll(leftover), "saved");
}

// A save cut off between its complete temporary file and the rename, with
// no settings file in place (a first save, or one removed meanwhile): the
// newest complete temporary file takes the file's place, and never one
// beside an existing file. Reading alone takes nothing.
TEST_F(SaveFileTest, RecoveryTakesACompleteTemporaryFileWhenTheFileIsMissing) {
  struct Leftover {
    const char* name;
    const char* bytes;
    qint64 age;
  };
  struct Case {
    const char* title;
    std::vector<Leftover> leftovers;
    const char* present;  // the settings file's bytes, or none
    const char* read;     // what reading gives after the recovery, or nothing to read
  };
  const Case cases[] = {
      {"the newest complete, not a newer cut-off one",
       {{"brelmont.ini.~exprcalc-Older1-5.tmp", "older", 300},
        {"brelmont.ini.~exprcalc-Newer1-5.tmp", "newer", 200},
        {"brelmont.ini.~exprcalc-CutOff-99.tmp", "cut", 10}},
       nullptr,
       "newer"},
      {"only a cut-off one", {{"brelmont.ini.~exprcalc-CutOff-99.tmp", "cut", 10}}, nullptr, nullptr},
      {"beside the file", {{"brelmont.ini.~exprcalc-AbC123-5.tmp", "saved", 100}}, "old", "old"},
  };
  for (const Case& c : cases) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/brelmont.ini";
    if (c.present) WriteAll(path, c.present);
    QStringList expected = c.present || c.read ? QStringList{"brelmont.ini"} : QStringList{};
    for (const Leftover& leftover : c.leftovers) {
      WriteAll(dir.path() + "/" + leftover.name, leftover.bytes);
      Age(dir.path() + "/" + leftover.name, leftover.age);
      if (c.present || !c.read || leftover.bytes != std::string_view(c.read)) expected << leftover.name;
    }
    QByteArray bytes;
    if (!c.present) {
      EXPECT_EQ(ReadWholeFile(path, 100, bytes), ReadStatus::kMissing) << c.title << ": reading takes nothing";
    }
    EXPECT_EQ(RecoverInterruptedSave(path), c.read && !c.present) << c.title;
    const ReadStatus status = ReadWholeFile(path, 100, bytes);
    if (c.read) {
      EXPECT_EQ(status, ReadStatus::kRead) << c.title;
      EXPECT_EQ(bytes, c.read) << c.title;
    } else {
      EXPECT_EQ(status, ReadStatus::kMissing) << c.title;
    }
    EXPECT_EQ(Sorted(FilesIn(dir.path())).toStdString(), Sorted(expected).toStdString()) << c.title;
  }
}

// A link to a file not made yet: the leftover beside its target is taken
// into the target, and the link stays a link.
TEST_F(SaveFileTest, RecoveryThroughALinkTakesTheTargetsTemporaryFile) {
  QTemporaryDir dir;
  const QString link = dir.path() + "/brelmont.ini";
  ASSERT_TRUE(QFile::link(dir.path() + "/dotfiles/calc.ini", link));
  WriteAll(dir.path() + "/dotfiles/calc.ini.~exprcalc-AbC123-5.tmp", "saved");
  ASSERT_TRUE(RecoverInterruptedSave(link));
  QByteArray bytes;
  ASSERT_EQ(ReadWholeFile(link, 100, bytes), ReadStatus::kRead);
  EXPECT_EQ(bytes, "saved");
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(FilesIn(dir.path() + "/dotfiles"), QStringList{"calc.ini"});
}

TEST_F(SaveFileTest, FolderWhereTheFileShouldBe) {
  QTemporaryDir dir;
  int error = 0;
  EXPECT_FALSE(WriteFileAtomically(dir.path(), "x", &error));
  EXPECT_EQ(error, EISDIR);
  EXPECT_TRUE(QFileInfo(dir.path()).isDir());
  QByteArray bytes;
  QString why;
  EXPECT_EQ(ReadWholeFile(dir.path(), 100, bytes, &why), ReadStatus::kFailed);
  EXPECT_EQ(why, QString::fromLocal8Bit(std::strerror(EISDIR)));
}

// A rename aside never takes another file's place.
TEST_F(SaveFileTest, RenameWithoutReplacing) {
  QTemporaryDir dir;
  WriteAll(dir.path() + "/a.ini", "a");
  WriteAll(dir.path() + "/taken", "someone's");
  UnixFileCalls calls;
  const auto rename = [&](const char* from, const char* to) {
    return calls.RenameWithoutReplacing(ToU16(dir.path() + from), ToU16(dir.path() + to));
  };
  EXPECT_FALSE(rename("/a.ini", "/taken"));
  EXPECT_EQ(calls.last_error.kind, FileCalls::Failure::kNameTaken);
  EXPECT_EQ(ReadAll(dir.path() + "/taken"), "someone's");
  EXPECT_TRUE(rename("/a.ini", "/b.ini"));
  EXPECT_EQ(ReadAll(dir.path() + "/b.ini"), "a");
  EXPECT_FALSE(rename("/a.ini", "/c.ini"));
  EXPECT_EQ(calls.last_error.code, ENOENT);
}

// A write that fails part-way (the file size limit stands in for a full
// disk) leaves the old file whole and no temporary file behind, whether the
// document is small enough to sit in a write buffer or not.
TEST_F(SaveFileTest, WriteFailingPartWayKeepsTheOldFile) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/brelmont.ini";
  const QByteArray old = Bytes(test::Document('A')).left(1000);
  WriteAll(path, old);
  for (const int entries : {2, 470, 20000}) {
    const auto size = static_cast<qsizetype>(test::Document('B', entries).size());
    for (const qsizetype limit : {qsizetype{0}, size / 2}) {
      const QString row = QStringLiteral("%1 bytes, limit %2").arg(size).arg(limit);
      QProcess helper;
      helper.start(SAVE_HELPER, {"limit", path, QString::number(limit), QString::number(entries)});
      ASSERT_TRUE(helper.waitForFinished(30000)) << row.toStdString();
      EXPECT_EQ(helper.exitCode(), 0) << "the save reports failure: " << row.toStdString();
      EXPECT_EQ(ReadAll(path), old) << row.toStdString();
      EXPECT_EQ(FilesIn(dir.path()), QStringList{"brelmont.ini"}) << row.toStdString();
    }
  }
}

// A process killed at any moment of saving leaves the old or the new file
// whole, never a truncated one.
TEST_F(SaveFileTest, KilledWhileSavingLeavesAWholeFile) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/brelmont.ini";
  const QByteArray a = Bytes(test::Document('A'));
  const QByteArray b = Bytes(test::Document('B'));
  WriteAll(path, a);
  QRandomGenerator random(12345);
  constexpr int kKills = 150;
  for (int i = 0; i < kKills; ++i) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      execl(SAVE_HELPER, SAVE_HELPER, "loop", path.toLocal8Bit().constData(), static_cast<char*>(nullptr));
      _exit(127);
    }
    QThread::usleep(2000 + random.bounded(20000));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the helper was still saving when killed";
    const QByteArray now = ReadAll(path);
    ASSERT_TRUE(now == a || now == b) << "kill " << i << " left " << now.size() << " bytes";
  }
  std::printf("%d saves interrupted; the file was whole after each\n", kKills);
}

// In a folder that forbids a new file, a full disk (the file size limit
// stands in) fails the save before any byte of the file changes. A document
// that needs no more room than the old one is still saved.
TEST_F(SaveFileTest, FullDiskInAReadOnlyFolderKeepsTheOldFile) {
  const QByteArray old = Bytes(test::Document('A', 40));
  LockedFolder locked(old);
  const auto full = static_cast<rlim_t>(old.size());
  struct Case {
    int entries;
    rlim_t limit;
    bool saved;
  };
  const Case cases[] = {{2, full, true},
                        {470, full, false},
                        {470, full + 4096, false},
                        {20000, full, false},
                        {20000, full + 100000, false}};
  for (const Case& c : cases) {
    const QByteArray document = Bytes(test::Document('B', c.entries));
    const std::string row = std::to_string(document.size()) + " bytes, limit " + std::to_string(c.limit);
    locked.Reset(old);
    EXPECT_EQ(SaveWithoutFolderWrites(locked.file(), document, c.limit), c.saved) << row;
    EXPECT_EQ(ReadAll(locked.file()), c.saved ? document : old) << row;
    EXPECT_EQ(FilesIn(locked.folder()), QStringList{"brelmont.ini"}) << row;
  }
}

// Whether the bytes are `to` written over `from` from the start up to some
// point: the new beginning, then the rest of the old file (zeros where it
// was grown to take the new bytes), at the old or the new length.
bool IsPartialRewrite(const QByteArray& now, const QByteArray& from, const QByteArray& to) {
  QByteArray grown = from;
  if (grown.size() < to.size()) grown.append(to.size() - grown.size(), '\0');
  if (now.size() != grown.size() && now.size() != to.size()) return false;
  qsizetype same = 0;
  while (same < now.size() && same < to.size() && now[same] == to[same]) ++same;
  return now.mid(same) == grown.mid(same, now.size() - same);
}

// In place, a kill in the middle of the rewrite can leave the new file's
// beginning over the old one's rest (the folder forbids anything safer),
// but nothing is cut before the new bytes are there.
TEST_F(SaveFileTest, KilledWhileSavingInPlaceNeverCutsTheFile) {
  const QByteArray a = Bytes(test::Document('A'));
  const QByteArray b = Bytes(test::Document('B', 10000));
  LockedFolder locked(a);
  QRandomGenerator random(54321);
  constexpr int kKills = 100;
  int mixed = 0;
  QByteArray before = a;
  for (int i = 0; i < kKills; ++i) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      DropFolderWrites();
      for (unsigned save = 0;; ++save) {
        if (!WriteFileAtomically(locked.file(), save % 2 == 0 ? b : a)) _exit(1);
      }
    }
    QThread::usleep(2000 + random.bounded(20000));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child was still saving when killed";
    const QByteArray now = ReadAll(locked.file());
    // The child's first save writes B over what the last kill left.
    ASSERT_TRUE(IsPartialRewrite(now, before, b) || IsPartialRewrite(now, a, b) || IsPartialRewrite(now, b, a))
        << "kill " << i << " left " << now.size() << " bytes";
    mixed += now != a && now != b;
    before = now;
  }
  EXPECT_EQ(FilesIn(locked.folder()), QStringList{"brelmont.ini"});
  std::printf("%d in-place saves interrupted; %d left a partly rewritten file\n", kKills, mixed);
}

}  // namespace
}  // namespace calc
