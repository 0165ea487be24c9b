// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "FUtils.h"

namespace calc {
namespace {

TEST(Folders, ExistsAndCreateOneLevel) {
  QTemporaryDir dir;
  const QString sub = dir.path() + "/sub";
  EXPECT_FALSE(FolderExists(""));
  EXPECT_FALSE(FolderExists(sub));
  EXPECT_TRUE(CreateFolder(sub));
  EXPECT_TRUE(FolderExists(sub));
  EXPECT_TRUE(FolderExists(sub + "/"));
  EXPECT_FALSE(CreateFolder(sub)) << "exists already";
  EXPECT_FALSE(CreateFolder(dir.path() + "/missing/child")) << "parent missing";
  QFile file(dir.path() + "/file");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  EXPECT_FALSE(FolderExists(file.fileName()));
  EXPECT_TRUE(FileExistsAt(file.fileName()));
  EXPECT_FALSE(FileExistsAt(sub));
  EXPECT_FALSE(FileExistsAt(dir.path() + "/nothing"));
  EXPECT_FALSE(FileExistsAt(""));
  ASSERT_TRUE(QFile::link(file.fileName(), dir.path() + "/link"));
  EXPECT_TRUE(FileExistsAt(dir.path() + "/link"));
  ASSERT_TRUE(QFile::link(dir.path() + "/gone", dir.path() + "/dangling"));
  EXPECT_FALSE(FileExistsAt(dir.path() + "/dangling"));
}

TEST(Folders, AppDataFolderFollowsXdg) {
  QTemporaryDir dir;
  const QByteArray savedHome = qgetenv("HOME");
  const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");

  qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
  EXPECT_EQ(GetAppDataFolder(), dir.path() + "/config");
  EXPECT_TRUE(FolderExists(dir.path() + "/config")) << "created as the XDG rules ask";

  qunsetenv("XDG_CONFIG_HOME");
  qputenv("HOME", dir.path().toUtf8());
  EXPECT_EQ(GetAppDataFolder(), dir.path() + "/.config");

  qputenv("HOME", savedHome);
  if (savedXdg.isEmpty()) {
    qunsetenv("XDG_CONFIG_HOME");
  } else {
    qputenv("XDG_CONFIG_HOME", savedXdg);
  }
}

}  // namespace
}  // namespace calc
