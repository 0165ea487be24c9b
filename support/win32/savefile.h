// SPDX-License-Identifier: MIT
// Reading and all-or-nothing writing of the settings file on Windows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform.h"

namespace calc::win32 {

// The whole file, read with read sharing only; kMissing when nothing is at
// the path, kFailed when it cannot be read or is larger than max_size.
ReadStatus ReadWholeFile(const std::wstring& path, std::size_t max_size, std::string& bytes);

// Replaces the file's contents all-or-nothing: the bytes go to a temporary
// file in the same folder, are flushed to the disk and then take the file's
// place (ReplaceFileW; MoveFileExW for a new file). On any failure the old
// file stays as it was and no temporary file is left. A read-only file is a
// failure. When the folder cannot be written to but the file can, the file is
// written in place. Temporary files of earlier saves that were cut off are
// removed.
bool WriteFileAtomically(const std::wstring& path, std::string_view bytes);

}  // namespace calc::win32
