// SPDX-License-Identifier: MIT
// Folder and file tests for the settings file. None of these raises a
// failure: each answers with an empty text or false.
#pragma once

#include <QByteArray>
#include <QString>

#include "platform.h"

namespace calc {

// The per-user configuration folder of the XDG rules ($XDG_CONFIG_HOME, else
// ~/.config), created when missing as those rules ask; empty when there is
// no home to put it in.
QString GetAppDataFolder();

// True when the path names an existing folder; one trailing separator is
// allowed.
bool FolderExists(const QString& path);

// Creates one folder level; false when it exists already or its parent is
// missing.
bool CreateFolder(const QString& path);

// True when the path names an existing regular file (following links), not
// a folder, a device or a pipe.
bool FileExistsAt(const QString& path);

// Reads a whole file of at most max_size bytes. A missing file (or a link
// to nothing yet) is kMissing, a larger file kTooLarge; anything else that
// cannot be read, a folder included, is kFailed, with the system's words
// for it in `why`.
ReadStatus ReadWholeFile(const QString& path, qint64 max_size, QByteArray& bytes, QString* why = nullptr);

}  // namespace calc
