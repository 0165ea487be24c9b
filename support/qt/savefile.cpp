// SPDX-License-Identifier: MIT
#include "savefile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "qtplatform.h"

namespace calc {
namespace {

QByteArray Native(std::u16string_view path) { return QFile::encodeName(ToQString(path)); }

int Descriptor(FileCalls::File file) { return static_cast<int>(file); }

}  // namespace

bool UnixFileCalls::Failed(int error) {
  last_error = {error == EEXIST   ? Failure::kNameTaken
                : error == EACCES ? Failure::kAccessDenied
                                  : Failure::kOther,
                error};
  return false;
}

std::u16string UnixFileCalls::FinalPath(std::u16string_view path) {
  if (path.empty()) return {};
  QString target = ToQString(path);
  for (int depth = 0; depth < 40 && QFileInfo(target).isSymLink(); ++depth) target = QFileInfo(target).symLinkTarget();
  return ToU16(QFileInfo(target).absoluteFilePath());
}

FileCalls::Look UnixFileCalls::LookAt(std::u16string_view path) {
  if (path.empty()) return {false, 0, Error{Failure::kOther, ENOENT}};
  const QByteArray native = Native(path);
  struct stat info {};
  if (::stat(native.constData(), &info) != 0) return {};
  Look look{true, static_cast<std::uint64_t>(info.st_size), std::nullopt};
  // Renaming over a read-only file would silently replace it. Its mode is
  // asked as well, since the superuser may write anything.
  if (!S_ISREG(info.st_mode)) {
    look.refused = Error{Failure::kOther, EISDIR};
  } else if (::access(native.constData(), W_OK) != 0 || (info.st_mode & 0222) == 0) {
    look.refused = Error{Failure::kAccessDenied, EACCES};
  }
  return look;
}

// Listed without a wildcard: that would load the regular expression engine
// into every start.
std::vector<FolderEntry> UnixFileCalls::ListBeside(std::u16string_view path) {
  std::vector<FolderEntry> found;
  QDirIterator entries(QFileInfo(ToQString(path)).absolutePath(), QDir::Files | QDir::Hidden | QDir::NoSymLinks);
  while (entries.hasNext()) {
    const QFileInfo entry = entries.nextFileInfo();
    found.push_back(
        {ToU16(entry.fileName()), static_cast<std::uint64_t>(entry.size()), entry.lastModified().toMSecsSinceEpoch()});
  }
  return found;
}

FileCalls::File UnixFileCalls::CreateNew(std::u16string_view path, std::u16string_view like) {
  const QByteArray native = Native(path);
  const int file = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (file < 0) return (Failed(errno), kNoFile);
  struct stat old {};
  if (!like.empty() && (::stat(Native(like).constData(), &old) != 0 || ::fchmod(file, old.st_mode & 07777) != 0)) {
    Failed(errno);
    ::close(file);
    ::unlink(native.constData());
    return kNoFile;
  }
  return file;
}

FileCalls::File UnixFileCalls::OpenInPlace(std::u16string_view path) {
  const int file = ::open(Native(path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (file < 0) return (Failed(errno), kNoFile);
  struct stat info {};
  if (::fstat(file, &info) == 0 && S_ISREG(info.st_mode)) return file;
  Failed(EISDIR);
  ::close(file);
  return kNoFile;
}

bool UnixFileCalls::WriteWhole(File file, std::string_view bytes) {
  const int fd = Descriptor(file);
  struct stat before {};
  if (::fstat(fd, &before) != 0) return Failed(errno);
  // Room matters where old bytes are there to keep; a new file's write fails
  // on a full disk all the same.
  const bool reserve = before.st_size > 0 && !bytes.empty();
  if (const int reserved = reserve ? ::posix_fallocate(fd, 0, static_cast<off_t>(bytes.size())) : 0) {
    // Where the system has no reservation, the library's stand-in may have
    // grown the file before it failed.
    struct stat after {};
    if (::fstat(fd, &after) == 0 && after.st_size != before.st_size && ::ftruncate(fd, before.st_size) != 0) {
    }
    return Failed(reserved);
  }
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t written = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return Failed(written < 0 ? errno : EIO);
    done += static_cast<std::size_t>(written);
  }
  return ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 || Failed(errno);
}

bool UnixFileCalls::Flush(File file) { return ::fsync(Descriptor(file)) == 0 || Failed(errno); }

bool UnixFileCalls::Close(File file) { return ::close(Descriptor(file)) == 0 || Failed(errno); }

bool UnixFileCalls::RenameOver(std::u16string_view from, std::u16string_view to) {
  if (::rename(Native(from).constData(), Native(to).constData()) != 0) return Failed(errno);
  // The rename itself reaches the disk with the folder.
  const QByteArray folder = QFile::encodeName(QFileInfo(ToQString(to)).absolutePath());
  const int handle = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (handle >= 0) {
    ::fsync(handle);
    ::close(handle);
  }
  return true;
}

bool UnixFileCalls::RenameWithoutReplacing(std::u16string_view from, std::u16string_view to) {
  const QByteArray source = Native(from), target = Native(to);
  if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) return true;
  // File systems without that kind of rename still have links.
  if (errno != EINVAL) return Failed(errno);
  return (::link(source.constData(), target.constData()) == 0 && ::unlink(source.constData()) == 0) || Failed(errno);
}

bool UnixFileCalls::Remove(std::u16string_view path) {
  return ::unlink(Native(path).constData()) == 0 || Failed(errno);
}

FileCalls::File UnixFileCalls::OpenLockFile(std::u16string_view path) {
  const int file = ::open(Native(path).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  return file >= 0 ? file : (Failed(errno), kNoFile);
}

FileCalls::LockResult UnixFileCalls::TryLock(File file) {
  if (::flock(Descriptor(file), LOCK_EX | LOCK_NB) == 0) return LockResult::kLocked;
  if (errno == EWOULDBLOCK || errno == EINTR) return LockResult::kBusy;
  Failed(errno);
  return LockResult::kFailed;
}

}  // namespace calc
