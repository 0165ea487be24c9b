// SPDX-License-Identifier: MIT
#include "savefile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace calc {
namespace {

// A save interrupted between writing its temporary file and renaming it
// leaves "NAME.XXXXXX" behind. One older than this is no other copy's save
// in progress.
constexpr qint64 kStaleAfterSeconds = 60;

void RemoveStaleTemporaryFiles(const QFileInfo& target) {
  const QRegularExpression pattern(QRegularExpression::anchoredPattern(QRegularExpression::escape(target.fileName()) +
                                                                       QStringLiteral("\\.[A-Za-z0-9]{6}")));
  const QDateTime stale = QDateTime::currentDateTimeUtc().addSecs(-kStaleAfterSeconds);
  const QDir folder = target.absoluteDir();
  const QStringList candidates = folder.entryList({target.fileName() + QStringLiteral(".??????")},
                                                  QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
  for (const QString& name : candidates) {
    const QFileInfo info(folder.filePath(name));
    if (pattern.match(name).hasMatch() && info.lastModified().toUTC() < stale) QFile::remove(info.filePath());
  }
}

}  // namespace

ReadStatus ReadWholeFile(const QString& path, qint64 max_size, QByteArray& bytes) {
  bytes.clear();
  const QFileInfo info(path);
  if (!info.exists()) return ReadStatus::kMissing;  // also a link to nothing yet
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

bool WriteFileAtomically(const QString& path, const QByteArray& bytes) {
  if (path.isEmpty()) return false;
  // Write through links to their final target, so a link stays a link.
  QString target = path;
  for (int depth = 0; depth < 40 && QFileInfo(target).isSymLink(); ++depth) {
    target = QFileInfo(target).symLinkTarget();
  }
  const QFileInfo info(target);
  // Renaming over a read-only file would silently replace it. Its mode is
  // asked as well, since the superuser may write anything.
  constexpr QFile::Permissions kAnyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
  if (info.exists() && (!info.isFile() || !info.isWritable() || !(info.permissions() & kAnyWrite))) return false;

  RemoveStaleTemporaryFiles(info);
  QSaveFile file(target);
  // In a folder that may not be written to, a writable file is still saved,
  // in place.
  file.setDirectWriteFallback(true);
  if (!file.open(QIODevice::WriteOnly)) return false;
  // A small document sits in the write buffer until the flush, and commit()
  // would rename the file over the old one without noticing that flush fail.
  if (file.write(bytes) != bytes.size() || !file.flush()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace calc
