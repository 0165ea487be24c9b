// SPDX-License-Identifier: MIT
#include "FUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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

}  // namespace calc
