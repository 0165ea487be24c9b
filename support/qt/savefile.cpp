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
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "qtplatform.h"
#include "savepolicy.h"

namespace calc {
namespace {

// The plain files beside the target, never a link, so nothing but our own
// leftovers is ever removed or taken. Listed without a wildcard: that would
// load the regular expression engine into every start.
std::vector<FolderEntry> PlainFilesBeside(const QFileInfo& target) {
  std::vector<FolderEntry> found;
  QDirIterator entries(target.absolutePath(), QDir::Files | QDir::Hidden | QDir::NoSymLinks);
  while (entries.hasNext()) {
    const QFileInfo entry = entries.nextFileInfo();
    found.push_back({entry.fileName().toStdU16String(), static_cast<std::uint64_t>(entry.size()),
                     entry.lastModified().toMSecsSinceEpoch()});
  }
  return found;
}

QByteArray Beside(const QFileInfo& target, std::u16string_view name) {
  return QFile::encodeName(target.absolutePath() + u'/' + ToQString(name));
}

void RemoveStaleTemporaryFiles(const QFileInfo& target) {
  const std::vector<std::u16string> stale = StaleTemporaryFiles(
      PlainFilesBeside(target), target.fileName().toStdU16String(), QDateTime::currentMSecsSinceEpoch());
  for (const std::u16string& name : stale) ::unlink(Beside(target, name).constData());
}

bool RenameNoReplace(const QByteArray& from, const QByteArray& to);

// A file that appears meanwhile is never replaced.
bool RecoverFromTemporaryFile(const QFileInfo& target) {
  const std::optional<std::u16string> taken =
      TemporaryFileToRecover(PlainFilesBeside(target), target.fileName().toStdU16String());
  if (!taken) return false;
  return RenameNoReplace(Beside(target, *taken), QFile::encodeName(target.absoluteFilePath()));
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
  bool saved = ::fstat(file, &before) == 0;
  if (saved && !S_ISREG(before.st_mode)) {
    errno = EISDIR;
    saved = false;
  }
  const int reserved = saved && !bytes.isEmpty() ? ::posix_fallocate(file, 0, static_cast<off_t>(bytes.size())) : 0;
  if (reserved != 0) {
    // Where the system has no reservation, the library's stand-in may have
    // grown the file before it failed.
    struct stat after {};
    if (::fstat(file, &after) == 0 && after.st_size != before.st_size) {
      const int restored = ::ftruncate(file, before.st_size);
      static_cast<void>(restored);
    }
    errno = reserved;
    saved = false;
  }
  saved = saved && WriteAll(file, bytes) && ::ftruncate(file, static_cast<off_t>(bytes.size())) == 0 &&
          ::fdatasync(file) == 0;
  const int error = errno;
  const bool closed = ::close(file) == 0;
  if (closed) errno = error;
  return closed && saved;
}

// A new file under a temporary name beside the target, opened for writing;
// -1 with errno set when none can be made.
int CreateTemporaryFile(const QFileInfo& target, qsizetype size, QByteArray& temporary) {
  int file = -1;
  for (int attempt = 0; attempt < 16 && file < 0; ++attempt) {
    temporary =
        Beside(target, TemporaryFileName(target.fileName().toStdU16String(), QRandomGenerator::global()->generate64(),
                                         static_cast<std::uint64_t>(size)));
    file = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file < 0 && errno != EEXIST) break;
  }
  return file;
}

// Renames the complete temporary file over the target.
bool MoveIntoPlace(const QByteArray& temporary, const QFileInfo& target) {
  if (::rename(temporary.constData(), QFile::encodeName(target.absoluteFilePath()).constData()) != 0) {
    // The old file stays as it was; where there is none, the new file is
    // the only copy and the next start takes it.
    const int error = errno;
    if (QFileInfo::exists(target.absoluteFilePath())) ::unlink(temporary.constData());
    errno = error;
    return false;
  }
  // The rename itself reaches the disk with the folder.
  const int folder = ::open(QFile::encodeName(target.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return true;
}

bool RenameNoReplace(const QByteArray& from, const QByteArray& to) {
  if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return true;
  // File systems without that kind of rename still have links.
  return errno == EINVAL && ::link(from.constData(), to.constData()) == 0 && ::unlink(from.constData()) == 0;
}

bool Failed(int code) {
  errno = code;
  return false;
}

// Writes the bytes to the new file and closes it, with the mode of `old`
// where there is an old file.
bool FillTemporaryFile(int file, const QByteArray& temporary, const QByteArray& bytes, const struct stat* old) {
  bool written = (!old || ::fchmod(file, old->st_mode & 07777) == 0) && WriteAll(file, bytes) && ::fsync(file) == 0;
  int error = written ? 0 : errno;
  if (::close(file) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) {
    // Cut off before it was whole: no one's only copy.
    ::unlink(temporary.constData());
    return Failed(error);
  }
  return true;
}

bool Save(const QString& path, const QByteArray& bytes) {
  if (path.isEmpty()) return Failed(ENOENT);
  const QFileInfo info = FinalTarget(path);
  // Renaming over a read-only file would silently replace it. Its mode is
  // asked as well, since the superuser may write anything.
  constexpr QFile::Permissions kAnyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
  const bool exists = info.exists();
  if (exists && !info.isFile()) return Failed(EISDIR);
  if (exists && (!info.isWritable() || !(info.permissions() & kAnyWrite))) return Failed(EACCES);
  const QByteArray target = QFile::encodeName(info.absoluteFilePath());
  struct stat old {};
  if (exists && ::stat(target.constData(), &old) != 0) return false;

  if (exists) RemoveStaleTemporaryFiles(info);
  QByteArray temporary;
  const int file = CreateTemporaryFile(info, bytes.size(), temporary);
  // In a folder that may not be written to, a writable file is still saved.
  if (file < 0) return exists && errno == EACCES && WriteInPlace(target, bytes);

  return FillTemporaryFile(file, temporary, bytes, exists ? &old : nullptr) && MoveIntoPlace(temporary, info);
}

}  // namespace

ReadStatus ReadWholeFile(const QString& path, qint64 max_size, QByteArray& bytes, QString* why) {
  bytes.clear();
  if (path.isEmpty()) return ReadStatus::kMissing;
  const QFileInfo info(path);
  if (!info.exists()) return ReadStatus::kMissing;  // also a link to nothing yet
  if (!info.isFile()) {
    if (why) *why = QString::fromLocal8Bit(std::strerror(info.isDir() ? EISDIR : EINVAL));
    return ReadStatus::kFailed;
  }
  if (info.size() > max_size) return ReadStatus::kTooLarge;
  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) bytes = file.read(max_size + 1);
  if (file.error() != QFileDevice::NoError) {
    if (why) *why = file.errorString();
    bytes.clear();
    return ReadStatus::kFailed;
  }
  if (bytes.size() > max_size) {
    bytes.clear();
    return ReadStatus::kTooLarge;
  }
  return ReadStatus::kRead;
}

bool RecoverInterruptedSave(const QString& path) {
  return !path.isEmpty() && !QFileInfo::exists(path) && RecoverFromTemporaryFile(FinalTarget(path));
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, int* error) {
  errno = 0;
  const bool saved = Save(path, bytes);
  if (!saved && error) *error = errno ? errno : EIO;
  return saved;
}

RenameStatus RenameWithoutReplacing(const QString& from, const QString& to, int* error) {
  if (RenameNoReplace(QFile::encodeName(from), QFile::encodeName(to))) return RenameStatus::kRenamed;
  if (errno == EEXIST) return RenameStatus::kNameTaken;
  if (error) *error = errno;
  return RenameStatus::kFailed;
}

}  // namespace calc
