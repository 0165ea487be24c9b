// SPDX-License-Identifier: MIT
#include "FUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>

namespace calc {

QString GetAppDataFolder() {
  // Without either variable Qt would fall back to the root folder.
  if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME") && qEnvironmentVariableIsEmpty("HOME")) return {};
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (folder.isEmpty() || QDir::isRelativePath(folder)) return {};
  if (!QFileInfo(folder).isDir()) {
    if (!QDir().mkpath(folder)) return {};
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  return folder;
}

bool FolderExists(const QString& path) {
  if (path.isEmpty()) return false;
  QString p = path;
  if (p.endsWith(QDir::separator()) || p.endsWith(u'/')) p.chop(1);
  if (p.isEmpty()) p = QStringLiteral("/");
  return QFileInfo(p).isDir();
}

bool CreateFolder(const QString& path) { return !path.isEmpty() && QDir().mkdir(path); }

bool FileExistsAt(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  return info.exists() && info.isFile();
}

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

}  // namespace calc
