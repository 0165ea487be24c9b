// SPDX-License-Identifier: MIT
#include "savepolicy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "fake_platform.h"

namespace calc {
namespace {

using test::U;

constexpr std::int64_t kNow = 1'000'000'000;
constexpr std::int64_t kDay = 24 * 60 * 60 * 1000;

bool SameIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  return std::ranges::equal(a, b, [](char16_t x, char16_t y) {
    const auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
    return upper(x) == upper(y);
  });
}

TEST(SavePolicy, TemporaryNamesRecordTheirSize) {
  const std::u16string name = TemporaryFileName(u"brelmont.ini", 0x0123456789ABCDEFu, 120);
  EXPECT_TRUE(name.starts_with(u"brelmont.ini.~exprcalc-")) << std::string(name.begin(), name.end());
  EXPECT_TRUE(name.ends_with(u"-120.tmp"));
  EXPECT_EQ(name.size(), std::u16string(u"brelmont.ini.~exprcalc-XXXXXX-120.tmp").size());
  EXPECT_EQ(RecordedSize(name, u"brelmont.ini"), 120u);
  EXPECT_NE(TemporaryFileName(u"brelmont.ini", 1, 120), TemporaryFileName(u"brelmont.ini", 2, 120));
  EXPECT_EQ(RecordedSize(TemporaryFileName(u"a", ~0u, 0), u"a"), 0u);
  EXPECT_EQ(TemporaryFilePattern(u"C:\\x\\brelmont.ini"), u"C:\\x\\brelmont.ini.~exprcalc-*.tmp");
}

// Which names are this program's temporary files for brelmont.ini: only
// those it writes, never a name the user chose.
TEST(SavePolicy, OnlyItsOwnNamesMatch) {
  struct Row {
    const char* file;
    std::optional<std::uint64_t> size;
    bool case_folded = false;  // names compared in any letter case, as on Windows
  };
  const Row rows[] = {
      {"brelmont.ini.~exprcalc-AbC123-3.tmp", 3},
      {"brelmont.ini.~exprcalc-zzzzzz-999.tmp", 999},
      {"brelmont.ini.~exprcalc-Ab12Cd-0.tmp", 0},
      {"brelmont.ini.~exprcalc-Ab12Cd-9999999999.tmp", 9999999999u},
      {"brelmont.ini.~exprcalc-Ab12Cd-10000000000.tmp", std::nullopt},  // more digits than a size has
      {"brelmont.ini.backup", std::nullopt},
      {"brelmont.ini.202401", std::nullopt},
      {"brelmont.ini.orig12", std::nullopt},
      {"brelmont.ini.AbC123", std::nullopt},
      {"brelmont.ini.~exprcalc-AbC12-3.tmp", std::nullopt},    // five letters
      {"brelmont.ini.~exprcalc-AbC1234-3.tmp", std::nullopt},  // seven
      {"brelmont.ini.~exprcalc-AbC_12-3.tmp", std::nullopt},
      {"brelmont.ini.~exprcalc-AbC123-03.tmp", std::nullopt},  // not a size
      {"brelmont.ini.~exprcalc-AbC123--3.tmp", std::nullopt},
      {"brelmont.ini.~exprcalc-AbC123-.tmp", std::nullopt},
      {"brelmont.ini.~exprcalc-AbC123-3x.tmp", std::nullopt},
      {"brelmont.ini.~exprcalc-AbC123-3.tmp.bak", std::nullopt},
      {"brelmont.ini.~exprcalc-AbC123-3.TMP", std::nullopt},
      {"brelmont.ini.~EXPRCALC-AbC123-3.tmp", std::nullopt},
      {"brelmont.ini.~EXPRCALC-AbC123-3.tmp", std::nullopt, true},  // only the file's own name folds
      {"BRELMONT.INI.~exprcalc-AbC123-3.tmp", std::nullopt},        // another file's
      {"BRELMONT.INI.~exprcalc-AbC123-3.tmp", 3, true},
      {"other.ini.~exprcalc-AbC123-3.tmp", std::nullopt},
      {"xbrelmont.ini.~exprcalc-AbC123-3.tmp", std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(RecordedSize(U(row.file), u"brelmont.ini", row.case_folded ? SameIgnoringAsciiCase : SameFileNameExactly),
              row.size)
        << row.file << (row.case_folded ? " (any case)" : "");
  }
}

// Beside the file, a leftover older than a minute is removed; a younger one
// may be another copy's save in progress.
TEST(SavePolicy, StaleRule) {
  const std::vector<FolderEntry> entries = {
      {u"brelmont.ini.~exprcalc-AbC123-3.tmp", 3, kNow - kDay},           // complete
      {u"brelmont.ini.~exprcalc-zzzzzz-999.tmp", 3, kNow - 61'000},       // cut off
      {u"brelmont.ini.~exprcalc-Edge12-3.tmp", 3, kNow - kStaleAfterMs},  // exactly a minute
      {u"brelmont.ini.~exprcalc-Fresh1-3.tmp", 3, kNow},                  // in progress
      {u"brelmont.ini.backup", 3, kNow - kDay},
      {u"other.ini.~exprcalc-AbC123-3.tmp", 3, kNow - kDay},
  };
  const std::vector<std::u16string> stale = StaleTemporaryFiles(entries, u"brelmont.ini", kNow);
  EXPECT_EQ(
      std::set<std::u16string>(stale.begin(), stale.end()),
      (std::set<std::u16string>{u"brelmont.ini.~exprcalc-AbC123-3.tmp", u"brelmont.ini.~exprcalc-zzzzzz-999.tmp"}));
}

// With nothing at the path, the newest complete leftover is the settings.
TEST(SavePolicy, WhatIsRecovered) {
  struct Row {
    const char* title;
    std::vector<FolderEntry> entries;
    std::optional<std::u16string> taken;
  };
  const Row rows[] = {
      {"one complete",
       {{u"brelmont.ini.~exprcalc-AbC123-5.tmp", 5, kNow - 100}},
       u"brelmont.ini.~exprcalc-AbC123-5.tmp"},
      {"the newest complete, not a newer cut-off one",
       {{u"brelmont.ini.~exprcalc-Older1-5.tmp", 5, kNow - 300},
        {u"brelmont.ini.~exprcalc-Newer1-5.tmp", 5, kNow - 200},
        {u"brelmont.ini.~exprcalc-CutOff-99.tmp", 3, kNow - 10}},
       u"brelmont.ini.~exprcalc-Newer1-5.tmp"},
      {"only a cut-off one", {{u"brelmont.ini.~exprcalc-CutOff-99.tmp", 3, kNow}}, std::nullopt},
      {"larger than it says", {{u"brelmont.ini.~exprcalc-CutOff-3.tmp", 4, kNow}}, std::nullopt},
      {"the user's backup", {{u"brelmont.ini.backup", 5, kNow}}, std::nullopt},
      {"nothing", {}, std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(TemporaryFileToRecover(row.entries, u"brelmont.ini"), row.taken) << row.title;
}

}  // namespace
}  // namespace calc
