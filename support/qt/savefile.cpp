// SPDX-License-Identifier: MIT
#include "savefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>

namespace calc {
namespace {

// A save writes the new file beside the old one as
// "NAME.~exprcalc-XXXXXX-SIZE.tmp": six random letters or digits, then the
// number of bytes the file holds once it is whole. A name no one else would
// choose, and a size that tells a complete file from a cut-off one.
const QString kMark = QStringLiteral(".~exprcalc-");
const QString kExtension = QStringLiteral(".tmp");

// One older than this is no other copy's save in progress.
constexpr qint64 kStaleAfterSeconds = 60;

struct Temporary {
  QString path;
  bool complete = false;
  QDateTime modified;
};

QString TemporaryName(const QString& name, qsizetype size) {
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  QString random(6, u'x');
  for (QChar& c : random) c = QLatin1Char(kAlphabet[QRandomGenerator::global()->bounded(62)]);
  return name + kMark + random + u'-' + QString::number(size) + kExtension;
}

bool IsAsciiAlphanumeric(QChar c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// The size a name of the form above records, or -1 for any other name.
// Matched by hand: a regular expression (or a listing's wildcard, which
// becomes one) would load the expression engine into every start.
qint64 RecordedSize(QStringView file, QStringView prefix) {
  if (file.size() < prefix.size() + kExtension.size() || !file.startsWith(prefix) || !file.endsWith(kExtension)) {
    return -1;
  }
  const QStringView rest = file.sliced(prefix.size(), file.size() - prefix.size() - kExtension.size());
  if (rest.size() < 8 || rest[6] != u'-') return -1;
  for (QChar c : rest.first(6)) {
    if (!IsAsciiAlphanumeric(c)) return -1;
  }
  const QStringView digits = rest.sliced(7);
  if (digits.size() > 10 || (digits.size() > 1 && digits[0] == u'0')) return -1;
  qint64 size = 0;
  for (QChar c : digits) {
    if (c < u'0' || c > u'9') return -1;
    size = size * 10 + (c.unicode() - u'0');
  }
  return size;
}

// This program's temporary files for the target: regular files only, never
// a link, so nothing but our own leftovers is ever removed or taken.
QList<Temporary> OwnTemporaryFiles(const QFileInfo& target) {
  const QString prefix = target.fileName() + kMark;
  QList<Temporary> found;
  QDirIterator entries(target.absolutePath(), QDir::Files | QDir::Hidden | QDir::NoSymLinks);
  while (entries.hasNext()) {
    const QFileInfo entry = entries.nextFileInfo();
    const qint64 size = RecordedSize(entry.fileName(), prefix);
    if (size >= 0) found.push_back({entry.filePath(), entry.size() == size, entry.lastModified()});
  }
  return found;
}

// Called only while the target is there: beside it a leftover is at most an
// older copy.
void RemoveStaleTemporaryFiles(const QFileInfo& target) {
  const QDateTime stale = QDateTime::currentDateTimeUtc().addSecs(-kStaleAfterSeconds);
  for (const Temporary& temporary : OwnTemporaryFiles(target)) {
    if (temporary.modified < stale) ::unlink(QFile::encodeName(temporary.path).constData());
  }
}

// A save cut off once its new file was whole but before the file took its
// place leaves that file as the only copy. With nothing at the target, the
// newest complete one becomes the target; a file that appears meanwhile is
// never replaced.
bool RecoverFromTemporaryFile(const QFileInfo& target) {
  const QList<Temporary> temporaries = OwnTemporaryFiles(target);
  const Temporary* newest = nullptr;
  for (const Temporary& temporary : temporaries) {
    if (temporary.complete && (!newest || temporary.modified > newest->modified)) newest = &temporary;
  }
  if (!newest) return false;
  const QByteArray from = QFile::encodeName(newest->path);
  const QByteArray to = QFile::encodeName(target.absoluteFilePath());
  if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return true;
  // File systems without that kind of rename still have links.
  return errno == EINVAL && ::link(from.constData(), to.constData()) == 0 && ::unlink(from.constData()) == 0;
}

// Links are followed to their final target, so a link stays a link.
QFileInfo FinalTarget(const QString& path) {
  QString target = path;
  for (int depth = 0; depth < 40 && QFileInfo(target).isSymLink(); ++depth) {
    target = QFileInfo(target).symLinkTarget();
  }
  return QFileInfo(target);
}

bool WriteAll(int file, const QByteArray& bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(file, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += written;
  }
  return true;
}

// The folder forbids a new file, so the file is rewritten where it is. Its
// room is taken first, so a full disk fails before any old byte changes,
// and it is cut to its new length last.
bool WriteInPlace(const QByteArray& target, const QByteArray& bytes) {
  const int file = ::open(target.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (file < 0) return false;
  struct stat before {};
  bool saved = ::fstat(file, &before) == 0 && S_ISREG(before.st_mode);
  if (saved && !bytes.isEmpty() && ::posix_fallocate(file, 0, static_cast<off_t>(bytes.size())) != 0) {
    // Where the system has no reservation, the library's stand-in may have
    // grown the file before it failed.
    struct stat after {};
    if (::fstat(file, &after) == 0 && after.st_size != before.st_size) {
      const int restored = ::ftruncate(file, before.st_size);
      static_cast<void>(restored);
    }
    saved = false;
  }
  saved = saved && WriteAll(file, bytes) && ::ftruncate(file, static_cast<off_t>(bytes.size())) == 0 &&
          ::fdatasync(file) == 0;
  return ::close(file) == 0 && saved;
}

}  // namespace

ReadStatus ReadWholeFile(const QString& path, qint64 max_size, QByteArray& bytes) {
  bytes.clear();
  if (path.isEmpty()) return ReadStatus::kMissing;
  QFileInfo info(path);
  if (!info.exists()) {  // also a link to nothing yet
    if (!RecoverInterruptedSave(path)) return ReadStatus::kMissing;
    info.refresh();
  }
  if (!info.isFile() || info.size() > max_size) return ReadStatus::kFailed;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return ReadStatus::kFailed;
  bytes = file.read(max_size + 1);
  if (file.error() != QFileDevice::NoError || bytes.size() > max_size) {
    bytes.clear();
    return ReadStatus::kFailed;
  }
  return ReadStatus::kRead;
}

bool RecoverInterruptedSave(const QString& path) {
  return !path.isEmpty() && !QFileInfo::exists(path) && RecoverFromTemporaryFile(FinalTarget(path));
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes) {
  if (path.isEmpty()) return false;
  const QFileInfo info = FinalTarget(path);
  // Renaming over a read-only file would silently replace it. Its mode is
  // asked as well, since the superuser may write anything.
  constexpr QFile::Permissions kAnyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
  const bool exists = info.exists();
  if (exists && (!info.isFile() || !info.isWritable() || !(info.permissions() & kAnyWrite))) return false;
  const QByteArray target = QFile::encodeName(info.absoluteFilePath());
  struct stat old {};
  if (exists && ::stat(target.constData(), &old) != 0) return false;

  if (exists) RemoveStaleTemporaryFiles(info);
  QByteArray temporary;
  int file = -1;
  for (int attempt = 0; attempt < 16 && file < 0; ++attempt) {
    temporary = QFile::encodeName(info.absolutePath() + u'/' + TemporaryName(info.fileName(), bytes.size()));
    file = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file < 0 && errno != EEXIST) break;
  }
  // In a folder that may not be written to, a writable file is still saved.
  if (file < 0) return exists && errno == EACCES && WriteInPlace(target, bytes);

  // The new file keeps the old one's mode.
  bool written = (!exists || ::fchmod(file, old.st_mode & 07777) == 0) && WriteAll(file, bytes) && ::fsync(file) == 0;
  written = ::close(file) == 0 && written;
  if (!written) {
    // Cut off before it was whole: no one's only copy.
    ::unlink(temporary.constData());
    return false;
  }
  if (::rename(temporary.constData(), target.constData()) != 0) {
    // The old file stays as it was; where there is none, the new file is
    // the only copy and the next reading takes it.
    if (QFileInfo::exists(info.absoluteFilePath())) ::unlink(temporary.constData());
    return false;
  }
  // The rename itself reaches the disk with the folder.
  const int folder = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return true;
}

}  // namespace calc
