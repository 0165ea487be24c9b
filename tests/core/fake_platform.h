// SPDX-License-Identifier: MIT
// An in-memory platform for the core's tests: files and folders in maps,
// a code page, the screen, the clipboard and the boxes shown.
#pragma once

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform.h"
#include "savesequence.h"
#include "utf.h"

namespace calc::test {

// An ASCII text ("a/b") widened byte by byte, for readable test rows.
inline std::u16string U(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

class FakePlatform : public Platform, public FileCalls {
 public:
  struct Box {
    std::u16string message, detail, caption;
    bool error = false;
  };

  std::u16string app_data = u"/home/u/.config";
  std::set<std::u16string> folders = {u"/home/u/.config"};
  std::set<std::u16string> uncreatable;  // folders whose creation fails
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
  char16_t PathSeparator() const override { return u'/'; }

  // The system's words for each failure the tests need.
  static constexpr std::u16string_view kAccessDenied = u"Access is denied.";
  static constexpr std::u16string_view kIsAFolder = u"Is a directory";
  std::map<std::u16string, std::u16string> write_failures;  // a path's reason, as a full disk gives
  std::set<std::u16string> rename_refused;                  // files that cannot be renamed
  std::map<std::u16string, std::int64_t> ages_ms;           // how long ago a file was written (else now)
  bool lock_taken_elsewhere = false;                        // another process holds the save lock
  bool lock_held = false;                                   // this one does
  int writes_without_lock = 0;                              // files that took their place while the lock was not held
  bool shown_while_locked = false;

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
  // A complete file that a save cut off before its rename left for `path`.
  void LeaveInterruptedSave(std::u16string_view path, std::string_view bytes, std::int64_t age_ms = 0) {
    const std::u16string temporary = TemporaryFileName(path, 42, bytes.size());
    files[temporary] = bytes;
    ages_ms[temporary] = age_ms;
  }
  FileCalls& Files() override { return *this; }
  std::u16string ErrorText(long code) override { return reasons_.at(static_cast<std::size_t>(code)); }

  // The file system's calls, on the maps above.
  std::u16string_view Separators() const override { return u"/"; }
  SameFileName NameComparison() const override { return SameFileNameExactly; }
  std::u16string FinalPath(std::u16string_view path) override { return std::u16string(path); }
  Look LookAt(std::u16string_view path) override {
    const std::u16string p(path);
    if (folders.count(p)) return {true, 0, Error{Failure::kOther, Code(kIsAFolder)}};
    const auto found = files.find(p);
    // A read-only path that is missing stands for one that cannot be made.
    Look look{found != files.end(), found != files.end() ? found->second.size() : 0, std::nullopt};
    if (read_only.count(p)) look.refused = Error{Failure::kAccessDenied, Code(kAccessDenied)};
    return look;
  }
  std::vector<FolderEntry> ListBeside(std::u16string_view path) override {
    const std::u16string folder(path.substr(0, path.rfind(u'/') + 1));
    const std::int64_t now =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    std::vector<FolderEntry> entries;
    for (const auto& [name, bytes] : files) {
      if (name.starts_with(folder) && name.find(u'/', folder.size()) == std::u16string::npos) {
        entries.push_back({name.substr(folder.size()), bytes.size(), now - ages_ms[name]});
      }
    }
    return entries;
  }
  File CreateNew(std::u16string_view path, std::u16string_view) override {
    if (files.count(std::u16string(path))) return Fail(Failure::kNameTaken, u"File exists"), kNoFile;
    files[std::u16string(path)];
    return Open(path);
  }
  File OpenInPlace(std::u16string_view path) override { return Open(path); }
  bool WriteWhole(File file, std::string_view bytes) override {
    const std::u16string& path = open_.at(static_cast<std::size_t>(file));
    for (const auto& [failing, reason] : write_failures) {
      if (path.starts_with(failing)) return Fail(Failure::kOther, reason);
    }
    files[path] = bytes;
    return true;
  }
  bool Flush(File) override { return true; }
  bool Close(File file) override {
    if (open_.at(static_cast<std::size_t>(file)).ends_with(u".lock")) lock_held = false;
    return true;
  }
  bool RenameOver(std::u16string_view from, std::u16string_view to) override {
    writes_without_lock += !lock_held;
    files[std::u16string(to)] = std::move(files[std::u16string(from)]);
    files.erase(std::u16string(from));
    return true;
  }
  bool RenameWithoutReplacing(std::u16string_view from, std::u16string_view to) override {
    const auto found = files.find(std::u16string(from));
    if (files.count(std::u16string(to)) || folders.count(std::u16string(to)))
      return Fail(Failure::kNameTaken, u"File exists");
    if (found == files.end() || rename_refused.count(found->first)) return Fail(Failure::kAccessDenied, kAccessDenied);
    files[std::u16string(to)] = std::move(found->second);
    files.erase(found);
    return true;
  }
  bool Remove(std::u16string_view path) override { return files.erase(std::u16string(path)) > 0; }
  File OpenLockFile(std::u16string_view path) override { return Open(path); }
  LockResult TryLock(File) override {
    if (lock_taken_elsewhere) return LockResult::kBusy;
    lock_held = true;
    return LockResult::kLocked;
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
  // ASCII, Latin-1, Greek and Cyrillic letters are enough for the tests;
  // one character each way, as most locales do.
  std::u16string LocaleUpper(std::u16string_view text) override {
    std::u16string upper(text);
    for (char16_t& c : upper) {
      if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
          (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) || (c >= 0x430 && c <= 0x44F)) {
        c = static_cast<char16_t>(c - 32);
      }
    }
    return upper;
  }

  ScreenSize PrimaryScreenSize() override { return screen; }
  std::optional<std::u16string> SetClipboardText(std::u16string_view text) override {
    if (clipboard_failure) return clipboard_failure;
    clipboard = text;
    return std::nullopt;
  }
  void ShowMessageBox(std::u16string_view message, std::u16string_view detail, std::u16string_view caption) override {
    boxes.push_back({std::u16string(message), std::u16string(detail), std::u16string(caption), false});
    shown_while_locked = shown_while_locked || lock_held;
  }
  void ShowErrorBox(std::u16string_view text) override { boxes.push_back({std::u16string(text), {}, {}, true}); }

 private:
  long Code(std::u16string_view reason) {
    const auto found = std::find(reasons_.begin(), reasons_.end(), reason);
    if (found != reasons_.end()) return static_cast<long>(found - reasons_.begin());
    reasons_.emplace_back(reason);
    return static_cast<long>(reasons_.size() - 1);
  }
  bool Fail(Failure kind, std::u16string_view reason) {
    last_error = {kind, Code(reason)};
    return false;
  }
  File Open(std::u16string_view path) {
    open_.emplace_back(path);
    return static_cast<File>(open_.size() - 1);
  }
  std::vector<std::u16string> reasons_;
  std::vector<std::u16string> open_;  // every file opened, by its number
};

}  // namespace calc::test
