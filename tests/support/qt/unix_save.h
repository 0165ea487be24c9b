// SPDX-License-Identifier: MIT
// The save as the program makes it on Unix, the core's sequence over the
// system's calls, in the forms the tests use.
#pragma once

#include <QByteArray>
#include <QString>

#include "qtplatform.h"
#include "savefile.h"

namespace calc::test {

// On a failure, `error` is the reason as an errno value.
inline bool WriteFileAtomically(const QString& path, const QByteArray& bytes, int* error = nullptr) {
  UnixFileCalls calls;
  const std::optional<FileCalls::Error> failure =
      SaveFile(calls, ToU16(path), std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  if (failure && error) *error = static_cast<int>(failure->code);
  return !failure;
}

// As a save that holds the lock recovers.
inline bool RecoverInterruptedSave(const QString& path) {
  UnixFileCalls calls;
  return calc::RecoverInterruptedSave(calls, ToU16(path), true);
}

}  // namespace calc::test
