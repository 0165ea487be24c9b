// SPDX-License-Identifier: MIT
// The save sequence's decisions, on the in-memory file system; what the
// real system calls do is tested with each platform.
#include "savesequence.h"

#include <gtest/gtest.h>

#include "fake_platform.h"

namespace calc {
namespace {

using test::FakePlatform;

constexpr std::u16string_view kPath = u"/c/brelmont.ini";
const std::u16string kFile(kPath);
constexpr std::int64_t kMinute = 60 * 1000;

// The names in the folder, other than the file's.
std::vector<std::u16string> Beside(const FakePlatform& platform) {
  std::vector<std::u16string> names;
  for (const auto& [name, bytes] : platform.files) {
    if (name != kFile) names.push_back(name);
  }
  return names;
}

TEST(SaveFile, ReplacesTheFileOrLeavesItAsItWas) {
  struct Row {
    const char* title;
    void (*arrange)(FakePlatform&);
    bool saved;
  };
  const Row rows[] = {
      {"a new file", [](FakePlatform& p) { p.files.erase(kFile); }, true},
      {"an old file", [](FakePlatform&) {}, true},
      {"a read-only file", [](FakePlatform& p) { p.read_only.insert(kFile); }, false},
      {"a folder in its place",
       [](FakePlatform& p) {
         p.files.erase(kFile);
         p.folders.insert(kFile);
       },
       false},
      {"a full disk", [](FakePlatform& p) { p.write_failures[kFile] = u"No space left on device"; }, false},
  };
  for (const Row& row : rows) {
    FakePlatform platform;
    platform.files[kFile] = "old";
    row.arrange(platform);
    const bool had_file = platform.files.count(kFile) > 0;
    const std::optional<FileCalls::Error> failure = SaveFile(platform, kPath, "new");
    EXPECT_EQ(!failure, row.saved) << row.title;
    if (row.saved || had_file) {
      EXPECT_EQ(platform.files[kFile], row.saved ? "new" : "old") << row.title;
    }
    EXPECT_TRUE(Beside(platform).empty()) << row.title << ": no temporary file is left";
  }
}

// A stale leftover goes while the file is there; a fresh one may be another
// process's save in progress, and without the file a leftover may be the
// only copy.
TEST(SaveFile, SweepsStaleTemporaryFilesBesideTheFile) {
  for (const bool file_there : {true, false}) {
    FakePlatform platform;
    if (file_there) platform.files[kFile] = "old";
    const std::u16string stale = TemporaryFileName(kPath, 1, 3), fresh = TemporaryFileName(kPath, 2, 3);
    platform.files[stale] = platform.files[fresh] = "x=1";
    platform.ages_ms[stale] = 2 * kMinute;
    ASSERT_FALSE(SaveFile(platform, kPath, "new"));
    EXPECT_EQ(platform.files.count(stale), file_there ? 0u : 1u) << "file there: " << file_there;
    EXPECT_EQ(platform.files.count(fresh), 1u) << "file there: " << file_there;
  }
}

// Without the lock a fresh complete temporary file may be another process's
// save just before its rename: only a stale one is taken then.
TEST(RecoverInterruptedSave, TakesAFreshFileOnlyUnderTheLock) {
  struct Row {
    const char* title;
    std::int64_t age;
    bool locked;
    bool file_there;
    bool taken;
  };
  const Row rows[] = {
      {"fresh, under the lock", 0, true, false, true},
      {"fresh, without the lock", 0, false, false, false},
      {"stale, without the lock", 2 * kMinute, false, false, true},
      {"beside the file", 2 * kMinute, true, true, false},
  };
  for (const Row& row : rows) {
    FakePlatform platform;
    if (row.file_there) platform.files[kFile] = "old";
    platform.LeaveInterruptedSave(kPath, "saved", row.age);
    EXPECT_EQ(RecoverInterruptedSave(platform, kPath, row.locked), row.taken) << row.title;
    EXPECT_EQ(platform.files[kFile], row.taken ? "saved" : row.file_there ? "old" : "") << row.title;
  }
}

// Only the file judged too large goes aside: one that another process's
// save put in its place since is left alone.
TEST(MoveTooLargeAside, RenamesOnlyAFileThatIsStillTooLarge) {
  struct Row {
    const char* title;
    std::string now;
    bool aside_taken;
    RenameStatus status;
  };
  const Row rows[] = {
      {"still too large", std::string(11, 'x'), false, RenameStatus::kRenamed},
      {"replaced by a fresh save", "fresh", false, RenameStatus::kChanged},
      {"the aside name taken", std::string(11, 'x'), true, RenameStatus::kNameTaken},
  };
  for (const Row& row : rows) {
    FakePlatform platform;
    platform.files[kFile] = row.now;
    if (row.aside_taken) platform.files[kFile + u".aside"] = "someone's";
    FileCalls::Error error;
    EXPECT_EQ(MoveTooLargeAside(platform, kPath, kFile + u".aside", 10, error), row.status) << row.title;
    const bool moved = row.status == RenameStatus::kRenamed;
    EXPECT_EQ(platform.files.count(kFile), moved ? 0u : 1u) << row.title;
    EXPECT_EQ(platform.files[kFile + u".aside"], moved ? row.now : row.aside_taken ? "someone's" : "") << row.title;
  }
}

TEST(SaveLock, HeldUntilItGoesAndNeverWaitedForWithoutEnd) {
  FakePlatform platform;
  {
    const SaveLock lock(platform, kPath, std::chrono::milliseconds(0));
    EXPECT_TRUE(lock.held());
    EXPECT_TRUE(platform.lock_held);
  }
  EXPECT_FALSE(platform.lock_held);
  platform.lock_taken_elsewhere = true;
  const auto start = std::chrono::steady_clock::now();
  const SaveLock lock(platform, kPath, std::chrono::milliseconds(30));
  EXPECT_FALSE(lock.held());
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30)) << "it waited its time";
}

}  // namespace
}  // namespace calc
