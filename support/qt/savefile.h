// SPDX-License-Identifier: MIT
// Whole-file reading and all-or-nothing replacement for the settings file.
#pragma once

#include <QByteArray>
#include <QString>

#include "platform.h"

namespace calc {

// Reads a whole file of at most max_size bytes. A missing file (or a link
// to nothing yet) is kMissing, a larger file kTooLarge; anything else that
// cannot be read, a folder included, is kFailed, with the system's words
// for it in `why`.
ReadStatus ReadWholeFile(const QString& path, qint64 max_size, QByteArray& bytes, QString* why = nullptr);

// Replaces the file with the bytes only once they are completely written
// and flushed: they go to a temporary file beside it (savepolicy.h), which
// is then renamed over it. A failure leaves the old file exactly as it was. A
// file that may not be written is left alone; a link keeps being a link (its
// target is replaced); a folder that may not be written to, holding a file
// that may, gets the file rewritten in place, which a full disk cannot
// damage but a kill in the middle can. While the file is there, this
// program's temporary files for it older than a minute are removed. On a
// failure, `error` is the reason as an errno value.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, int* error = nullptr);

// Renames a file, never over another one; on kFailed, `error` is the reason
// as an errno value.
RenameStatus RenameWithoutReplacing(const QString& from, const QString& to, int* error = nullptr);

// When nothing is at the path but a save that was cut off left a complete
// temporary file, that file takes the path. True when it did.
bool RecoverInterruptedSave(const QString& path);

}  // namespace calc
