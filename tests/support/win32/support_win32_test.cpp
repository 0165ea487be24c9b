// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "FUtils.h"
#include "mydialogs.h"
#include "save_documents.h"
#include "savefile.h"
#include "win32platform.h"
#include "windows_save.h"

namespace calc::win32 {
namespace {

using test::RecoverInterruptedSave;
using test::U16;
using test::WriteFileAtomically;

// A fresh folder under the temporary folder, removed with its files after.
class TempFolder {
 public:
  TempFolder() {
    wchar_t base[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, base);
    path_ = std::wstring(base) + L"exprcalc-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(GetTickCount());
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~TempFolder() { Remove(path_); }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
  const std::wstring& path() const { return path_; }

 private:
  static void Remove(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          Remove(path);
        } else {
          DeleteFileW(path.c_str());
        }
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
  }
  std::wstring path_;
};

void Write(const std::wstring& path, const std::string& bytes) {
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string Read(const std::wstring& path) {
  std::string bytes;
  EXPECT_EQ(ReadWholeFile(path, 1 << 20, bytes), ReadStatus::kRead);
  return bytes;
}

int CountEntries(const std::wstring& folder) {
  int count = 0;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::wstring name = found.cFileName;
    count += name != L"." && name != L"..";
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return count;
}

TEST(FolderHelpers, AnswerForFoldersFilesAndSearchPatterns) {
  TempFolder temp;
  ASSERT_TRUE(CreateFolder(temp / L"settings"));
  Write(temp / L"plain.txt", "x");
  struct Case {
    const char* name;
    std::wstring path;
    bool folder_exists;
    bool file_exists;
  };
  const Case cases[] = {
      {"a folder", temp / L"settings", true, false},
      {"a folder with one trailing backslash", temp / L"settings\\", true, false},
      {"a file", temp / L"plain.txt", false, true},
      {"nothing there", temp / L"missing", false, false},
      {"in a missing folder", temp / L"missing\\plain.txt", false, false},
      {"a pattern finding the folder", temp / L"set*", true, false},
      {"a pattern finding the file", temp / L"pl?in.txt", false, false},
      {"empty", L"", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderExists(c.path), c.folder_exists) << c.name;
    EXPECT_EQ(FileExistsAt(c.path), c.file_exists) << c.name;
  }
}

TEST(FolderHelpers, CreateFolderMakesOneLevel) {
  TempFolder temp;
  EXPECT_TRUE(CreateFolder(temp / L"VarnelSoftware"));
  EXPECT_FALSE(CreateFolder(temp / L"VarnelSoftware")) << "exists already";
  EXPECT_FALSE(CreateFolder(temp / L"Other\\Expression Calculator")) << "parent missing";
  EXPECT_TRUE(CreateFolder(temp / L"VarnelSoftware\\Expression Calculator"));
}

TEST(FolderHelpers, AFileHeldOpenWithoutSharingStillExists) {
  TempFolder temp;
  Write(temp / L"locked.ini", "x");
  const HANDLE held = CreateFileW((temp / L"locked.ini").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(FileExistsAt(temp / L"locked.ini"));
  CloseHandle(held);
}

TEST(FolderHelpers, TheApplicationDataFolderExists) {
  const std::wstring folder = GetAppDataFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(FolderExists(folder));
}

TEST(MessageBoxHelper, TitleFromTheExecutableName) {
  struct Case {
    std::wstring path;
    std::wstring title;
  };
  const Case cases[] = {
      {L"C:\\Tools\\MyTool.Setup.exe", L"Mytool"},
      {L"C:\\Program Files\\exprcalc.exe", L"exprcalc"},
      {L"C:\\odd.dir\\NOEXT", L"Noext"},
      {L"x.exe", L"x"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TitleFromExecutablePath(c.path), c.title) << std::string(c.path.begin(), c.path.end());
}

TEST(SaveFile, ReplacesAllOrNothingAndLeavesNoTemporaryFile) {
  TempFolder temp;
  const std::wstring path = temp / L"brelmont.ini";
  std::string bytes;
  EXPECT_EQ(ReadWholeFile(path, 100, bytes), ReadStatus::kMissing);
  ASSERT_TRUE(WriteFileAtomically(path, "[Information]\r\n"));
  EXPECT_EQ(Read(path), "[Information]\r\n");
  const std::string large(200000, 'x');
  ASSERT_TRUE(WriteFileAtomically(path, large));
  EXPECT_EQ(Read(path), large);
  ASSERT_TRUE(WriteFileAtomically(path, "short"));
  EXPECT_EQ(Read(path), "short");
  EXPECT_EQ(CountEntries(temp.path()), 1) << "a temporary file was left";
}

TEST(SaveFile, AReadOnlyFileIsAFailureAndStaysUntouched) {
  TempFolder temp;
  const std::wstring path = temp / L"brelmont.ini";
  Write(path, "old");
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  DWORD error = ERROR_SUCCESS;
  EXPECT_FALSE(WriteFileAtomically(path, "new", &error));
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Read(path), "old");
  EXPECT_EQ(CountEntries(temp.path()), 1);
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(SaveFile, ReadingRefusesFoldersAndFilesOverTheLimit) {
  TempFolder temp;
  Write(temp / L"big.ini", std::string(101, 'x'));
  std::string bytes;
  EXPECT_EQ(ReadWholeFile(temp / L"big.ini", 100, bytes), ReadStatus::kTooLarge);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(ReadWholeFile(temp / L"big.ini", 101, bytes), ReadStatus::kRead);
  EXPECT_EQ(ReadWholeFile(temp.path(), 100, bytes), ReadStatus::kFailed);
  EXPECT_EQ(ReadWholeFile(L"", 100, bytes), ReadStatus::kMissing);
}

// A rename aside never takes another file's place.
TEST(SaveFile, RenameWithoutReplacing) {
  TempFolder temp;
  Write(temp / L"a.ini", "a");
  Write(temp / L"taken", "someone's");
  WindowsFileCalls calls;
  const auto rename = [&](const wchar_t* from, const wchar_t* to) {
    return calls.RenameWithoutReplacing(U16(temp / from), U16(temp / to));
  };
  EXPECT_FALSE(rename(L"a.ini", L"taken"));
  EXPECT_EQ(calls.last_error.kind, FileCalls::Failure::kNameTaken);
  EXPECT_EQ(Read(temp / L"taken"), "someone's");
  EXPECT_TRUE(rename(L"a.ini", L"b.ini"));
  EXPECT_EQ(Read(temp / L"b.ini"), "a");
  EXPECT_FALSE(rename(L"a.ini", L"c.ini"));
  EXPECT_EQ(calls.last_error.code, static_cast<long>(ERROR_FILE_NOT_FOUND));
}

// Makes the file look written the given number of seconds ago.
void Age(const std::wstring& path, long long seconds) {
  const HANDLE file =
      CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const ULONGLONG ticks =
      ((ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime) - static_cast<ULONGLONG>(seconds) * 10'000'000ULL;
  const FILETIME then{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SetFileTime(file, nullptr, nullptr, &then);
  CloseHandle(file);
}

constexpr long long kDay = 24 * 60 * 60;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A save cut off before its move leaves its temporary file; the next save
// removes it once it is stale, and never a file the user named (the names
// are the policy's tests).
TEST(SaveFile, StaleRuleRemovesOnlyItsOwnTemporaryFiles) {
  TempFolder temp;
  const std::wstring path = temp / L"brelmont.ini";
  Write(path, "old");
  struct Case {
    const wchar_t* name;
    long long age;
    bool removed;
  };
  const Case cases[] = {
      {L"brelmont.ini.~exprcalc-Ab12Cd-3.tmp", kDay, true},  // complete
      {L"BRELMONT.INI.~exprcalc-zzzzzz-999.tmp", 61, true},  // cut off; the file's name in any case
      {L"brelmont.ini.~exprcalc-Fresh1-3.tmp", 0, false},    // another copy's save in progress
      {L"brelmont.ini.backup", kDay, false},                 // the user's own
      {L"other.ini.~exprcalc-Ab12Cd-3.tmp", kDay, false},    //
  };
  for (const Case& c : cases) {
    Write(temp / c.name, "x=1");
    Age(temp / c.name, c.age);
  }
  ASSERT_TRUE(CreateFolder(temp / L"brelmont.ini.~exprcalc-Dir123-0.tmp"));
  ASSERT_TRUE(WriteFileAtomically(path, "new"));
  for (const Case& c : cases) EXPECT_EQ(FileExistsAt(temp / c.name), !c.removed) << Narrow(c.name);
  EXPECT_TRUE(FolderExists(temp / L"brelmont.ini.~exprcalc-Dir123-0.tmp"));
  EXPECT_EQ(Read(temp / L"brelmont.ini.backup"), "x=1");
  EXPECT_EQ(Read(path), "new");
}

// Without the file, a leftover may be the only copy of the settings.
TEST(SaveFile, StaleRuleNeedsTheFileItself) {
  TempFolder temp;
  Write(temp / L"brelmont.ini.~exprcalc-Ab12Cd-5.tmp", "saved");
  Age(temp / L"brelmont.ini.~exprcalc-Ab12Cd-5.tmp", kDay);
  ASSERT_TRUE(WriteFileAtomically(temp / L"brelmont.ini", "new"));
  EXPECT_EQ(Read(temp / L"brelmont.ini.~exprcalc-Ab12Cd-5.tmp"), "saved");
}

// The final move refused, as when another program holds the file: one step,
// so the old file is untouched and the new one goes.
class RefusingMove : public WindowsFileCalls {
 public:
  bool RenameOver(std::u16string_view, std::u16string_view) override {
    SetLastError(ERROR_SHARING_VIOLATION);
    return Failed();
  }
};

// A save whose final move is refused; the failure's code, or none.
std::optional<long> SaveRefusingTheMove(const std::wstring& path, std::string_view bytes) {
  RefusingMove calls;
  const std::optional<FileCalls::Error> failure = SaveFile(calls, U16(path), bytes);
  return failure ? std::optional<long>(failure->code) : std::nullopt;
}

TEST(SaveFile, ARefusedFinalMoveLeavesTheOldFile) {
  TempFolder temp;
  const std::wstring path = temp / L"brelmont.ini";
  const std::string old = "[Interface]\r\nTop=1\r\n\r\n";
  Write(path, old);
  EXPECT_EQ(SaveRefusingTheMove(path, std::string(200000, 'x')), static_cast<long>(ERROR_SHARING_VIOLATION))
      << "the move's own reason";
  EXPECT_EQ(Read(path), old);
  EXPECT_EQ(CountEntries(temp.path()), 1) << "a temporary file was left";
}

// With no old file, the refused save's complete file is the only copy of
// these settings: it stays, and the next recovery takes it.
TEST(SaveFile, ARefusedFirstMoveKeepsTheOnlyCopyForTheNextReading) {
  TempFolder temp;
  const std::wstring path = temp / L"brelmont.ini";
  EXPECT_TRUE(SaveRefusingTheMove(path, "[Interface]\r\n"));
  EXPECT_FALSE(FileExistsAt(path));
  EXPECT_EQ(CountEntries(temp.path()), 1);
  ASSERT_TRUE(RecoverInterruptedSave(path));
  std::string bytes;
  ASSERT_EQ(ReadWholeFile(path, 100, bytes), ReadStatus::kRead);
  EXPECT_EQ(bytes, "[Interface]\r\n");
  EXPECT_TRUE(FileExistsAt(path));
  EXPECT_EQ(CountEntries(temp.path()), 1);
}

// With nothing at the path, the recovery takes the newest complete
// temporary file, never a cut-off one or one beside an existing file.
TEST(SaveFile, RecoveryTakesACompleteTemporaryFileWhenTheFileIsMissing) {
  struct Leftover {
    const wchar_t* name;
    const char* bytes;
    long long age;
  };
  struct Case {
    const char* title;
    std::vector<Leftover> leftovers;
    const char* present;  // the settings file's bytes, or none
    const char* read;     // what reading gives after the recovery, or nothing to read
  };
  const Case cases[] = {
      {"the newest complete, not a newer cut-off one",
       {{L"brelmont.ini.~exprcalc-Older1-5.tmp", "older", 300},
        {L"brelmont.ini.~exprcalc-Newer1-5.tmp", "newer", 200},
        {L"brelmont.ini.~exprcalc-CutOff-99.tmp", "cut", 10}},
       nullptr,
       "newer"},
      {"only a cut-off one", {{L"brelmont.ini.~exprcalc-CutOff-99.tmp", "cut", 10}}, nullptr, nullptr},
      {"beside the file", {{L"brelmont.ini.~exprcalc-Ab12Cd-5.tmp", "saved", 100}}, "old", "old"},
  };
  for (const Case& c : cases) {
    TempFolder temp;
    const std::wstring path = temp / L"brelmont.ini";
    if (c.present) Write(path, c.present);
    for (const Leftover& leftover : c.leftovers) {
      Write(temp / leftover.name, leftover.bytes);
      Age(temp / leftover.name, leftover.age);
    }
    const bool taken = c.read && !c.present;
    EXPECT_EQ(RecoverInterruptedSave(path), taken) << c.title;
    std::string bytes;
    const ReadStatus status = ReadWholeFile(path, 100, bytes);
    EXPECT_EQ(status, c.read ? ReadStatus::kRead : ReadStatus::kMissing) << c.title;
    EXPECT_EQ(bytes, c.read ? c.read : "") << c.title;
    EXPECT_EQ(CountEntries(temp.path()), static_cast<int>(c.leftovers.size()) + (c.present ? 1 : 0)) << c.title;
    EXPECT_EQ(FileExistsAt(path), c.present || taken) << c.title;
  }
}

// A process killed at any moment of saving (TerminateProcess) leaves the
// old or the new file whole in its place, never none.
TEST(SaveFile, KilledWhileSavingLeavesAWholeFile) {
  TempFolder temp;
  const std::wstring path = temp / L"brelmont.ini";
  const std::string a = calc::test::Document('A');
  const std::string b = calc::test::Document('B');
  Write(path, a);
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring helper(self, length);
  helper = helper.substr(0, helper.find_last_of(L'\\') + 1) + SAVE_HELPER;
  const std::wstring event_name = L"exprcalc-save-test-" + std::to_wstring(GetCurrentProcessId());
  const HANDLE started = CreateEventW(nullptr, TRUE, FALSE, event_name.c_str());
  ASSERT_NE(started, nullptr);
  unsigned random = 12345;
  constexpr int kKills = 30;
  for (int i = 0; i < kKills; ++i) {
    ResetEvent(started);
    std::wstring command = L"\"" + helper + L"\" loop \"" + path + L"\" " + event_name;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(helper.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process))
        << Narrow(helper);
    // Until the first save is done, or the helper ends without one.
    const HANDLE awaited[] = {started, process.hProcess};
    const DWORD saving = WaitForMultipleObjects(2, awaited, FALSE, 30000);
    random = random * 1103515245u + 12345u;
    if (saving == WAIT_OBJECT_0) Sleep((random >> 16) % 40);
    TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_EQ(saving, WAIT_OBJECT_0) << "the helper never saved";
    ASSERT_EQ(code, 99u) << "the helper was still saving when killed";
    ASSERT_TRUE(FileExistsAt(path)) << "kill " << i << " left no settings file";
    const std::string now = Read(path);
    ASSERT_TRUE(now == a || now == b) << "kill " << i << " left " << now.size() << " bytes";
  }
  CloseHandle(started);
  std::printf("%d saves interrupted; the file was whole after each\n", kKills);
}

// A lock whose holder was ended is free; one whose holder lives is not, and
// waiting for it ends.
TEST(SaveLock, AnEndedHoldersLockIsTakenOver) {
  TempFolder temp;
  const std::wstring path = temp / L"brelmont.ini";
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring helper(self, length);
  helper = helper.substr(0, helper.find_last_of(L'\\') + 1) + SAVE_HELPER;
  const std::wstring event_name = L"exprcalc-lock-test-" + std::to_wstring(GetCurrentProcessId());
  const HANDLE locked = CreateEventW(nullptr, TRUE, FALSE, event_name.c_str());
  ASSERT_NE(locked, nullptr);
  std::wstring command = L"\"" + helper + L"\" hold \"" + path + L"\" " + event_name;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(
      CreateProcessW(helper.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  const HANDLE awaited[] = {locked, process.hProcess};
  const DWORD holding = WaitForMultipleObjects(2, awaited, FALSE, 30000);
  WindowsFileCalls calls;
  const bool held_while_it_lives = SaveLock(calls, U16(path), std::chrono::milliseconds(50)).held();
  TerminateProcess(process.hProcess, 99);
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(locked);
  ASSERT_EQ(holding, WAIT_OBJECT_0) << "the helper did not take the lock";
  EXPECT_FALSE(held_while_it_lives) << "a living holder keeps it";
  EXPECT_TRUE(SaveLock(calls, U16(path), std::chrono::milliseconds(2000)).held()) << "the ended holder's lock is free";
}

TEST(Win32Platform, LocaleCaseAndCodePage) {
  Win32Platform platform;
  EXPECT_EQ(platform.LocaleUpper(u"interface \u00e9\u03c0\u0436"), u"INTERFACE \u00c9\u03a0\u0416");
  EXPECT_EQ(platform.DecodeCodePage(platform.EncodeCodePage(u"Expression1=2*3")), u"Expression1=2*3");
  EXPECT_EQ(platform.PathSeparator(), u'\\');
}

}  // namespace
}  // namespace calc::win32
