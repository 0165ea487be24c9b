// SPDX-License-Identifier: MIT
#include "savefile.h"

#include <gtest/gtest.h>
#include <signal.h>
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

#include "file_util.h"
#include "save_documents.h"

namespace calc {
namespace {

using test::ReadAll;

void WriteAll(const QString& path, const QByteArray& bytes) { ASSERT_TRUE(test::WriteAll(path, bytes)); }

QStringList FilesIn(const QString& dir) { return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System); }

class SaveFileTest : public ::testing::Test {};

// Runs the save in a child process that may not write to the folder: the
// superuser may write anywhere, so as root the child becomes nobody.
bool SaveWithoutFolderWrites(const QString& path, const QByteArray& bytes) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    _exit(WriteFileAtomically(path, bytes) ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(SaveFileTest, ReadMissingFileFolderLinkAndLargeFile) {
  QTemporaryDir dir;
  QByteArray bytes;
  EXPECT_EQ(ReadWholeFile(dir.path() + "/none.ini", 100, bytes), ReadStatus::kMissing);
  EXPECT_EQ(ReadWholeFile(dir.path(), 100, bytes), ReadStatus::kFailed) << "a folder cannot be read";
  WriteAll(dir.path() + "/real.ini", "[A]\r\nB=C\r\n");
  ASSERT_TRUE(QFile::link(dir.path() + "/real.ini", dir.path() + "/link.ini"));
  ASSERT_EQ(ReadWholeFile(dir.path() + "/link.ini", 100, bytes), ReadStatus::kRead);
  EXPECT_EQ(bytes, "[A]\r\nB=C\r\n");
  EXPECT_EQ(ReadWholeFile(dir.path() + "/real.ini", 9, bytes), ReadStatus::kFailed) << "larger than allowed";
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
  EXPECT_FALSE(WriteFileAtomically(path, "new"));
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

// A save killed between writing its temporary file and renaming it leaves
// the temporary file; the next save removes it once it is stale, and
// nothing else.
TEST_F(SaveFileTest, StaleTemporaryFilesAreRemoved) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/brelmont.ini";
  const QStringList stale = {"brelmont.ini.AbC123", "brelmont.ini.zzzzzz"};
  const QStringList kept = {"brelmont.ini.Fresh1", "brelmont.ini.toolong7", "brelmont.ini.ab-123", "other.ini.AbC123",
                            "brelmont.ini.bak"};
  for (const QString& name : stale + kept) WriteAll(dir.path() + "/" + name, "x");
  for (const QString& name : stale + kept) {
    if (name == "brelmont.ini.Fresh1") continue;
    QFile file(dir.path() + "/" + name);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-600), QFileDevice::FileModificationTime));
  }
  ASSERT_TRUE(WriteFileAtomically(path, "new"));
  QStringList expected = kept + QStringList{"brelmont.ini"};
  QStringList left = FilesIn(dir.path());
  expected.sort();
  left.sort();
  EXPECT_EQ(left.join(' ').toStdString(), expected.join(' ').toStdString());
}

TEST_F(SaveFileTest, FolderWhereTheFileShouldBe) {
  QTemporaryDir dir;
  EXPECT_FALSE(WriteFileAtomically(dir.path(), "x"));
  EXPECT_TRUE(QFileInfo(dir.path()).isDir());
}

// A write that fails part-way (the file size limit stands in for a full
// disk) leaves the old file whole and no temporary file behind, whether the
// document is small enough to sit in a write buffer or not.
TEST_F(SaveFileTest, WriteFailingPartWayKeepsTheOldFile) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/brelmont.ini";
  const QByteArray old = test::Document('A').left(1000);
  WriteAll(path, old);
  for (const int entries : {2, 470, 20000}) {
    const qsizetype size = test::Document('B', entries).size();
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
  const QByteArray a = test::Document('A');
  const QByteArray b = test::Document('B');
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

}  // namespace
}  // namespace calc
