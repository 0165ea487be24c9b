// SPDX-License-Identifier: MIT
// An in-memory platform for the core's tests: files and folders in maps,
// a code page, the screen, the clipboard and the boxes shown.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform.h"
#include "utf.h"

namespace calc::test {

// An ASCII text ("a/b") widened byte by byte, for readable test rows.
inline std::u16string U(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

class FakePlatform : public Platform {
 public:
  struct Box {
    std::u16string message, detail, caption;
    bool error = false;
  };

  std::u16string app_data = u"/home/u/.config";
  std::set<std::u16string> folders = {u"/home/u/.config"};
  std::set<std::u16string> uncreatable;  // folders whose creation fails
  std::u16string program_folder;         // empty: settings never beside the program
  std::set<std::u16string> read_only_folders;
  std::map<std::u16string, std::string> files;
  std::set<std::u16string> unreadable;
  std::set<std::u16string> read_only;
  bool code_page_utf8 = false;  // otherwise Latin-1 (valid UTF-8 only is decoded through it)
  ScreenSize screen{1920, 1080};
  std::u16string clipboard;
  std::optional<std::u16string> clipboard_failure;
  std::vector<Box> boxes;

  std::u16string GetAppDataFolder() override { return app_data; }
  bool FolderExists(std::u16string_view path) override {
    std::u16string p(path);
    if (!p.empty() && p.back() == u'/') p.pop_back();
    return folders.count(p) > 0;
  }
  bool CreateFolder(std::u16string_view path) override {
    const std::u16string p(path);
    const std::u16string parent = p.substr(0, p.rfind(u'/'));
    if (folders.count(p) || !folders.count(parent) || uncreatable.count(p)) return false;
    folders.insert(p);
    return true;
  }
  bool FileExistsAt(std::u16string_view path) override { return files.count(std::u16string(path)) > 0; }
  std::u16string ProgramFolder() override { return program_folder; }
  bool FolderWritable(std::u16string_view path) override {
    return FolderExists(path) && !read_only_folders.count(std::u16string(path));
  }
  char16_t PathSeparator() const override { return u'/'; }

  // The system's words for each failure the tests need.
  static constexpr std::u16string_view kAccessDenied = u"Access is denied.";
  static constexpr std::u16string_view kIsAFolder = u"Is a directory";
  std::map<std::u16string, std::u16string> write_failures;  // a path's reason, as a full disk gives
  std::set<std::u16string> rename_refused;                  // files that cannot be renamed

  ReadStatus ReadWholeFile(std::u16string_view path, std::size_t max_size, std::string& bytes,
                           std::u16string& why) override {
    const auto found = files.find(std::u16string(path));
    if (found == files.end()) {
      if (!folders.count(std::u16string(path))) return ReadStatus::kMissing;
      why = kIsAFolder;
      return ReadStatus::kFailed;
    }
    if (unreadable.count(found->first)) {
      why = kAccessDenied;
      return ReadStatus::kFailed;
    }
    if (found->second.size() > max_size) return ReadStatus::kTooLarge;
    bytes = found->second;
    return ReadStatus::kRead;
  }
  // A complete file that a cut-off save left behind, for the path.
  std::map<std::u16string, std::string> interrupted_saves;
  bool RecoverInterruptedSave(std::u16string_view path) override {
    const auto found = interrupted_saves.find(std::u16string(path));
    if (found == interrupted_saves.end() || files.count(found->first)) return false;
    files[found->first] = found->second;
    interrupted_saves.erase(found);
    return true;
  }
  std::optional<std::u16string> WriteFileAtomically(std::u16string_view path, std::string_view bytes) override {
    const std::u16string p(path);
    if (read_only.count(p)) return std::u16string(kAccessDenied);
    if (folders.count(p)) return std::u16string(kIsAFolder);
    if (write_failures.count(p)) return write_failures[p];
    files[p] = bytes;
    return std::nullopt;
  }
  RenameStatus RenameWithoutReplacing(std::u16string_view from, std::u16string_view to, std::u16string& why) override {
    const auto found = files.find(std::u16string(from));
    if (files.count(std::u16string(to)) || folders.count(std::u16string(to))) return RenameStatus::kNameTaken;
    if (found == files.end() || rename_refused.count(found->first)) {
      why = kAccessDenied;
      return RenameStatus::kFailed;
    }
    files[std::u16string(to)] = std::move(found->second);
    files.erase(found);
    return RenameStatus::kRenamed;
  }

  bool CodePageIsUtf8() override { return code_page_utf8; }
  std::u16string DecodeCodePage(std::string_view bytes) override {
    if (code_page_utf8) return *DecodeUtf8(bytes);
    std::u16string text;
    for (const char c : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(c));
    return text;
  }
  std::string EncodeCodePage(std::u16string_view text) override {
    if (code_page_utf8) return EncodeUtf8(text);
    std::string bytes;
    for (const char16_t c : text) bytes += c <= 0xFF ? static_cast<char>(c) : '?';
    return bytes;
  }
  // ASCII and Latin-1 letters are enough for the tests.
  std::u16string LocaleUpper(std::u16string_view text) override {
    std::u16string upper(text);
    for (char16_t& c : upper) {
      if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c = static_cast<char16_t>(c - 32);
    }
    return upper;
  }
  bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) override {
    return LocaleUpper(a) == LocaleUpper(b);
  }

  ScreenSize PrimaryScreenSize() override { return screen; }
  std::optional<std::u16string> SetClipboardText(std::u16string_view text) override {
    if (clipboard_failure) return clipboard_failure;
    clipboard = text;
    return std::nullopt;
  }
  void ShowMessageBox(std::u16string_view message, std::u16string_view detail, std::u16string_view caption) override {
    boxes.push_back({std::u16string(message), std::u16string(detail), std::u16string(caption), false});
  }
  void ShowErrorBox(std::u16string_view text) override { boxes.push_back({std::u16string(text), {}, {}, true}); }
};

}  // namespace calc::test
