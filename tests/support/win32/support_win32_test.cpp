// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "FUtils.h"
#include "mydialogs.h"
#include "savefile.h"
#include "win32platform.h"

namespace calc::win32 {
namespace {

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
  EXPECT_FALSE(WriteFileAtomically(path, "new"));
  EXPECT_EQ(Read(path), "old");
  EXPECT_EQ(CountEntries(temp.path()), 1);
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(SaveFile, ReadingRefusesFoldersAndFilesOverTheLimit) {
  TempFolder temp;
  Write(temp / L"big.ini", std::string(101, 'x'));
  std::string bytes;
  EXPECT_EQ(ReadWholeFile(temp / L"big.ini", 100, bytes), ReadStatus::kFailed);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(ReadWholeFile(temp / L"big.ini", 101, bytes), ReadStatus::kRead);
  EXPECT_EQ(ReadWholeFile(temp.path(), 100, bytes), ReadStatus::kFailed);
  EXPECT_EQ(ReadWholeFile(L"", 100, bytes), ReadStatus::kMissing);
}

TEST(SaveFile, StaleTemporaryFilesOfThisPatternAreRemoved) {
  TempFolder temp;
  const std::wstring path = temp / L"brelmont.ini";
  Write(temp / L"brelmont.ini.Ab12Cd", "left by a cut-off save");
  Write(temp / L"brelmont.ini.keep", "not ours");
  // Older than a minute: no other copy's save in progress.
  const HANDLE file = CreateFileW((temp / L"brelmont.ini.Ab12Cd").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  FILETIME old{};
  SYSTEMTIME year2000{2000, 1, 6, 1, 0, 0, 0, 0};
  SystemTimeToFileTime(&year2000, &old);
  SetFileTime(file, nullptr, nullptr, &old);
  CloseHandle(file);
  ASSERT_TRUE(WriteFileAtomically(path, "new"));
  EXPECT_FALSE(FileExistsAt(temp / L"brelmont.ini.Ab12Cd"));
  EXPECT_TRUE(FileExistsAt(temp / L"brelmont.ini.keep"));
}

TEST(Win32Platform, LocaleCaseAndCodePage) {
  Win32Platform platform;
  EXPECT_TRUE(platform.SameIgnoringCase(u"sin(30)", u"SIN(30)"));
  EXPECT_FALSE(platform.SameIgnoringCase(u"sin(30)", u"sin(31)"));
  EXPECT_EQ(platform.LocaleUpper(u"interface \u00e9"), u"INTERFACE \u00c9");
  EXPECT_EQ(platform.DecodeCodePage(platform.EncodeCodePage(u"Expression1=2*3")), u"Expression1=2*3");
  EXPECT_EQ(platform.PathSeparator(), u'\\');
}

}  // namespace
}  // namespace calc::win32
