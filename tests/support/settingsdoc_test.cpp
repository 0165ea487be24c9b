#include "settingsdoc.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QThread>

#include "file_util.h"
#include "save_documents.h"

namespace calc {
namespace {

using test::ReadAll;

void WriteAll(const QString& path, const QByteArray& bytes) { ASSERT_TRUE(test::WriteAll(path, bytes)); }

QStringList FilesIn(const QString& dir) { return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System); }

class SettingsDocumentTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Files without a mark are read in the locale's character set; the
    // tests pin the plain C locale, whose bytes all survive a rewrite.
    qputenv("LC_ALL", "C");
  }
};

TEST_F(SettingsDocumentTest, ReadingRules) {
  const SettingsDocument doc = SettingsDocument::Parse(
      "dropped=before any section\r\n"
      "  [ Interface ]  \r"
      "; a comment\n"
      "\n"
      "  Top = 10  \r\n"
      "top=20\r\n"
      "free text line\r\n"
      "=first empty name\r\n"
      "Left=\r\n"
      "[interface]\r\n"
      "Width=99\r\n"
      "[Expressions]\n"
      "Expression2=b\n"
      "Expression1=a\n"
      "Expression1=dup\n"
      "[Tail]\n"
      "After=nul\0Hidden=yes\n");
  EXPECT_EQ(doc.ReadString("Interface", "Top", "x"), "10") << "first occurrence, trimmed";
  EXPECT_EQ(doc.ReadString("INTERFACE", "TOP", "x"), "10") << "names ignore case";
  EXPECT_EQ(doc.ReadString("Interface", "Left", "x"), "") << "present but empty";
  EXPECT_EQ(doc.ReadString("Interface", "Width", "x"), "x") << "the second section of that name is not read";
  EXPECT_EQ(doc.ReadString("Interface", "", "x"), "first empty name");
  EXPECT_EQ(doc.ReadString("Missing", "Top", "x"), "x");
  EXPECT_EQ(doc.ReadString("Tail", "After", "x"), "nul") << "a NUL ends the text";
  EXPECT_EQ(doc.ReadString("Tail", "Hidden", "x"), "x");
  EXPECT_EQ(doc.ReadString("", "dropped", "x"), "x");
  EXPECT_EQ(doc.ReadSection("Interface"), (QStringList{"Top", "top", "", "", "Left"}));
  EXPECT_EQ(doc.ReadSection("Expressions"), (QStringList{"Expression2", "Expression1", "Expression1"}));
}

TEST_F(SettingsDocumentTest, WritingRulesAndTheFileTheyMake) {
  SettingsDocument doc =
      SettingsDocument::Parse("junk\r\n[interface]\r\n ; note\r\n TOP = 1 \r\nkeep me\r\n\r\n[Other]\r\nA=1\r\n");
  doc.WriteString("Interface", "Top", "439");
  doc.WriteString("Interface", "Left", "667");
  doc.WriteString("Information", "Program", "Varnel's Expression Calculator");
  EXPECT_EQ(doc.Serialize(), QByteArray("[interface]\r\nTop=439\r\nkeep me\r\nLeft=667\r\n\r\n"
                                        "[Other]\r\nA=1\r\n\r\n"
                                        "[Information]\r\nProgram=Varnel's Expression Calculator\r\n\r\n"));
  EXPECT_EQ(SettingsDocument().Serialize(), QByteArray());
}

struct EncodingCase {
  const char* name;
  QByteArray mark;
  QStringConverter::Encoding encoding;
  SettingsDocument::Encoding found;
};

TEST_F(SettingsDocumentTest, EncodingIsKeptOnRewrite) {
  const EncodingCase cases[] = {
      {"UTF-8", "\xEF\xBB\xBF", QStringConverter::Utf8, SettingsDocument::Encoding::kUtf8},
      {"UTF-16 LE", "\xFF\xFE", QStringConverter::Utf16LE, SettingsDocument::Encoding::kUtf16Le},
      {"UTF-16 BE", "\xFE\xFF", QStringConverter::Utf16BE, SettingsDocument::Encoding::kUtf16Be},
  };
  const QString text = QString::fromUtf8("[Expressions]\r\nExpression1=2*3 \xE2\x82\xAC\r\n\r\n");
  for (const EncodingCase& c : cases) {
    const QByteArray bytes = c.mark + QStringEncoder(c.encoding).encode(text);
    SettingsDocument doc = SettingsDocument::Parse(bytes);
    EXPECT_EQ(doc.encoding(), c.found) << c.name;
    EXPECT_EQ(doc.ReadString("expressions", "expression1", ""), QString::fromUtf8("2*3 \xE2\x82\xAC")) << c.name;
    EXPECT_EQ(doc.Serialize(), bytes) << c.name;
    doc.WriteString("Expressions", "Expression2", "x");
    EXPECT_TRUE(doc.Serialize().startsWith(c.mark)) << c.name;
  }
  // Without a mark: the code page, and every byte survives.
  const QByteArray latin = "[Interface]\r\nName=caf\xE9\r\n\r\n";
  SettingsDocument doc = SettingsDocument::Parse(latin);
  EXPECT_EQ(doc.encoding(), SettingsDocument::Encoding::kCodePage);
  EXPECT_EQ(doc.Serialize(), latin);
}

TEST_F(SettingsDocumentTest, BadContentIsSurvived) {
  QByteArray junk;
  QRandomGenerator random(7);
  for (int i = 0; i < 1 << 20; ++i) junk += static_cast<char>(random.bounded(256));
  SettingsDocument::Parse(junk);
  SettingsDocument::Parse(QByteArray(4 << 20, 'x'));                             // one long line
  SettingsDocument::Parse("\xFF\xFE[\x00");                                      // odd UTF-16
  SettingsDocument::Parse(QByteArray("[S]\r\nK=\xC3\x28\xF0\x28\x8C\xBC\r\n"));  // invalid UTF-8
  const SettingsDocument doc = SettingsDocument::Parse(QByteArray("[S]\nK=v\n") + QByteArray(1000, '\0'));
  EXPECT_EQ(doc.ReadString("S", "K", ""), "v");
}

TEST_F(SettingsDocumentTest, OpenMissingFileFolderAndLink) {
  QTemporaryDir dir;
  SettingsDocument doc;
  EXPECT_TRUE(SettingsDocument::Open(dir.path() + "/none.ini", doc)) << "no file: an empty document";
  EXPECT_FALSE(SettingsDocument::Open(dir.path(), doc)) << "a folder cannot be read";
  WriteAll(dir.path() + "/real.ini", "[A]\r\nB=C\r\n");
  ASSERT_TRUE(QFile::link(dir.path() + "/real.ini", dir.path() + "/link.ini"));
  ASSERT_TRUE(SettingsDocument::Open(dir.path() + "/link.ini", doc));
  EXPECT_EQ(doc.ReadString("A", "B", ""), "C");
}

TEST_F(SettingsDocumentTest, AtomicWriteReplacesWholeFiles) {
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

TEST_F(SettingsDocumentTest, ReadOnlyFileIsLeftExactlyAsItWas) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/brelmont.ini";
  WriteAll(path, "old");
  ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup));
  EXPECT_FALSE(WriteFileAtomically(path, "new"));
  EXPECT_EQ(ReadAll(path), "old");
  EXPECT_EQ(FilesIn(dir.path()), QStringList{"brelmont.ini"}) << "no temporary file is left";
}

TEST_F(SettingsDocumentTest, LinkStaysALink) {
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

TEST_F(SettingsDocumentTest, FolderWhereTheFileShouldBe) {
  QTemporaryDir dir;
  EXPECT_FALSE(WriteFileAtomically(dir.path(), "x"));
  EXPECT_TRUE(QFileInfo(dir.path()).isDir());
}

// A write that fails part-way (the file size limit stands in for a full
// disk) leaves the old file whole and no temporary file behind, whether the
// document is small enough to sit in a write buffer or not.
TEST_F(SettingsDocumentTest, WriteFailingPartWayKeepsTheOldFile) {
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
TEST_F(SettingsDocumentTest, KilledWhileSavingLeavesAWholeFile) {
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
