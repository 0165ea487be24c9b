// SPDX-License-Identifier: MIT
#include "savepolicy.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace calc {
namespace {

constexpr std::u16string_view kMark = kTemporaryMark;
constexpr std::u16string_view kExtension = kTemporaryExtension;
constexpr std::size_t kRandomLength = 6;
// Ten digits record sizes up to 9,999,999,999 bytes, far beyond any
// settings file this program writes: a longer number is not one of its
// names.
constexpr std::size_t kMaxSizeDigits = 10;

constexpr std::u16string_view kAlphabet = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

bool IsAsciiAlphanumeric(char16_t c) { return kAlphabet.find(c) != std::u16string_view::npos; }

// The temporary files of `name` among the entries, with their recorded sizes.
template <typename Visit>
void ForEachTemporary(const std::vector<FolderEntry>& entries, std::u16string_view name, SameFileName same,
                      Visit visit) {
  for (const FolderEntry& entry : entries) {
    if (const std::optional<std::uint64_t> size = RecordedSize(entry.name, name, same)) visit(entry, *size);
  }
}

}  // namespace

bool SameFileNameExactly(std::u16string_view a, std::u16string_view b) { return a == b; }

bool IsStale(const FolderEntry& entry, std::int64_t now_ms) { return entry.modified_ms < now_ms - kStaleAfterMs; }

std::u16string TemporaryFileName(std::u16string_view name, std::uint64_t random, std::uint64_t size) {
  std::u16string file(name);
  file += kMark;
  for (std::size_t i = 0; i < kRandomLength; ++i) {
    file += kAlphabet[static_cast<std::size_t>(random % kAlphabet.size())];
    random /= kAlphabet.size();
  }
  file += u'-';
  char digits[24];
  char* end = std::to_chars(std::begin(digits), std::end(digits), size).ptr;
  file.append(std::begin(digits), end);
  file += kExtension;
  return file;
}

std::u16string TemporaryFilePattern(std::u16string_view name) {
  std::u16string pattern(name);
  pattern.append(kMark).append(u"*").append(kExtension);
  return pattern;
}

std::optional<std::uint64_t> RecordedSize(std::u16string_view file, std::u16string_view name, SameFileName same) {
  const std::size_t fixed = name.size() + kMark.size() + kRandomLength + 1 + kExtension.size();
  if (file.size() <= fixed || !same(file.substr(0, name.size()), name) ||
      file.substr(name.size(), kMark.size()) != kMark || !file.ends_with(kExtension)) {
    return std::nullopt;
  }
  const std::u16string_view random = file.substr(name.size() + kMark.size(), kRandomLength);
  const std::u16string_view digits = file.substr(name.size() + kMark.size() + kRandomLength + 1, file.size() - fixed);
  if (!std::all_of(random.begin(), random.end(), IsAsciiAlphanumeric) ||
      file[name.size() + kMark.size() + kRandomLength] != u'-' || digits.size() > kMaxSizeDigits ||
      (digits.size() > 1 && digits.front() == u'0')) {
    return std::nullopt;
  }
  std::uint64_t size = 0;
  for (const char16_t c : digits) {
    if (c < u'0' || c > u'9') return std::nullopt;
    size = size * 10 + (c - u'0');
  }
  return size;
}

std::vector<std::u16string> StaleTemporaryFiles(const std::vector<FolderEntry>& entries, std::u16string_view name,
                                                std::int64_t now_ms, SameFileName same) {
  std::vector<std::u16string> stale;
  ForEachTemporary(entries, name, same, [&](const FolderEntry& entry, std::uint64_t) {
    if (IsStale(entry, now_ms)) stale.push_back(entry.name);
  });
  return stale;
}

std::optional<std::u16string> TemporaryFileToRecover(const std::vector<FolderEntry>& entries, std::u16string_view name,
                                                     SameFileName same) {
  const FolderEntry* newest = nullptr;
  ForEachTemporary(entries, name, same, [&](const FolderEntry& entry, std::uint64_t size) {
    if (entry.size == size && (!newest || entry.modified_ms > newest->modified_ms)) newest = &entry;
  });
  if (!newest) return std::nullopt;
  return newest->name;
}

}  // namespace calc
