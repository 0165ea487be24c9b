#include "mymisc.h"

#include <QDir>

namespace calc {

QString AddTrailingBackslash(const QString& path) {
  if (path.isEmpty() || path.endsWith(QDir::separator())) return path;
  return path + QDir::separator();
}

QString JoinPath(const QString& folder, const QString& name) {
  QString native = name;
  native.replace(u'\\', QDir::separator());
  return AddTrailingBackslash(folder) + native;
}

}  // namespace calc
