// SPDX-License-Identifier: MIT
// The rules of saving the settings file all-or-nothing, apart from the
// system calls that carry them out (support/qt, support/win32).
//
// A save writes the new file beside the old one under a temporary name,
// "NAME.~exprcalc-XXXXXX-SIZE.tmp" (six random letters or digits), flushes
// it and then renames it over the old file. A name no one else would
// choose, and a size that tells a complete file from a cut-off one:
//
//   TemporaryFileName(u"brelmont.ini", random, 120) == u"brelmont.ini.~exprcalc-Ab12Cd-120.tmp"
//   RecordedSize(u"brelmont.ini.~exprcalc-Ab12Cd-120.tmp", u"brelmont.ini") == 120
//   RecordedSize(u"brelmont.ini.backup", u"brelmont.ini") == nullopt
//
// Such a file left by a crash is removed once it is stale, and only while
// the settings file is there; when the settings file is missing, the newest
// complete one takes its place (savesequence.h says when).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calc {

inline constexpr std::u16string_view kTemporaryMark = u".~exprcalc-";
inline constexpr std::u16string_view kTemporaryExtension = u".tmp";

// How the file system compares two file names.
using SameFileName = bool (*)(std::u16string_view a, std::u16string_view b);
bool SameFileNameExactly(std::u16string_view a, std::u16string_view b);

// A plain file (not a folder, not a link) of the settings file's folder.
struct FolderEntry {
  std::u16string name;  // without the folder
  std::uint64_t size = 0;
  std::int64_t modified_ms = 0;  // milliseconds, on the same clock as `now_ms`
};

// One older than this is no other copy's save in progress.
inline constexpr std::int64_t kStaleAfterMs = 60 * 1000;
bool IsStale(const FolderEntry& entry, std::int64_t now_ms);

// The temporary name for a new file of `size` bytes that will become `name`:
// six letters or digits taken from `random`.
std::u16string TemporaryFileName(std::u16string_view name, std::uint64_t random, std::uint64_t size);

// A wildcard pattern that matches at least every temporary name of `name`,
// for a system that lists a folder by pattern.
std::u16string TemporaryFilePattern(std::u16string_view name);

// The size that `file`, a temporary name of `name`, records; nullopt for
// any other name. The part that is `name` compares as the file system
// compares names; the rest exactly as written.
std::optional<std::uint64_t> RecordedSize(std::u16string_view file, std::u16string_view name,
                                          SameFileName same = SameFileNameExactly);

// The temporary files of `name` to remove, called only while the file itself
// is there: beside it a leftover is at most an older copy.
std::vector<std::u16string> StaleTemporaryFiles(const std::vector<FolderEntry>& entries, std::u16string_view name,
                                                std::int64_t now_ms, SameFileName same = SameFileNameExactly);

// The temporary file to take as `name` when nothing is at that path: the
// newest complete one (as large as its name says), if any.
std::optional<std::u16string> TemporaryFileToRecover(const std::vector<FolderEntry>& entries, std::u16string_view name,
                                                     SameFileName same = SameFileNameExactly);

}  // namespace calc
