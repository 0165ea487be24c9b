// SPDX-License-Identifier: MIT
#include "savesequence.h"

#include <random>
#include <thread>

namespace calc {
namespace {

using Error = FileCalls::Error;
using Failure = FileCalls::Failure;

// How many temporary names a save tries before it gives up: a clash of six
// random letters is rare enough that 16 in a row means something else.
constexpr int kNameAttempts = 16;
// How often a waiting save asks for the lock again.
constexpr std::chrono::milliseconds kLockPoll{2};

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// Six letters of a temporary name: different in every process and at
// every draw, and a clash is only a retry.
std::uint64_t RandomName() {
  static std::mt19937_64 generator = [] {
    std::random_device device;
    std::seed_seq seed{device(), device(), static_cast<unsigned>(NowMs())};
    return std::mt19937_64(seed);
  }();
  return generator();
}

std::u16string_view FolderOf(const FileCalls& calls, std::u16string_view path) {
  const std::size_t cut = path.find_last_of(calls.Separators());
  return cut == std::u16string_view::npos ? std::u16string_view() : path.substr(0, cut + 1);
}

std::u16string_view NameOf(const FileCalls& calls, std::u16string_view path) {
  return path.substr(FolderOf(calls, path).size());
}

std::u16string Beside(const FileCalls& calls, std::u16string_view path, std::u16string_view name) {
  return std::u16string(FolderOf(calls, path)).append(name);
}

void RemoveStaleTemporaryFiles(FileCalls& calls, std::u16string_view path) {
  const std::vector<std::u16string> stale =
      StaleTemporaryFiles(calls.ListBeside(path), NameOf(calls, path), NowMs(), calls.NameComparison());
  for (const std::u16string& name : stale) calls.Remove(Beside(calls, path, name));
}

// The folder forbids a new file, so the file is rewritten where it is.
std::optional<Error> SaveInPlace(FileCalls& calls, std::u16string_view path, std::string_view bytes) {
  const FileCalls::File file = calls.OpenInPlace(path);
  if (file == FileCalls::kNoFile) return calls.last_error;
  const bool written = calls.WriteWhole(file, bytes) && calls.Flush(file);
  const Error error = calls.last_error;
  if (!calls.Close(file)) return calls.last_error;
  if (!written) return error;
  return std::nullopt;
}

// Writes the bytes to the new file and closes it. A file cut off before it
// was whole is no one's only copy: it goes.
std::optional<Error> FillTemporaryFile(FileCalls& calls, FileCalls::File file, std::u16string_view temporary,
                                       std::string_view bytes) {
  bool written = calls.WriteWhole(file, bytes) && calls.Flush(file);
  Error error = calls.last_error;
  if (!calls.Close(file) && written) {
    written = false;
    error = calls.last_error;
  }
  if (written) return std::nullopt;
  calls.Remove(temporary);
  return error;
}

}  // namespace

std::optional<Error> SaveFile(FileCalls& calls, std::u16string_view path, std::string_view bytes) {
  calls.last_error = {};
  const std::u16string target = calls.FinalPath(path);
  const FileCalls::Look old = calls.LookAt(target);
  if (old.refused) return old.refused;
  if (old.exists) RemoveStaleTemporaryFiles(calls, target);

  std::u16string temporary;
  FileCalls::File file = FileCalls::kNoFile;
  for (int attempt = 0; attempt < kNameAttempts && file == FileCalls::kNoFile; ++attempt) {
    temporary = Beside(calls, target, TemporaryFileName(NameOf(calls, target), RandomName(), bytes.size()));
    file = calls.CreateNew(temporary, old.exists ? std::u16string_view(target) : std::u16string_view());
    if (file == FileCalls::kNoFile && calls.last_error.kind != Failure::kNameTaken) break;
  }
  if (file == FileCalls::kNoFile) {
    // In a folder that may not be written to, a writable file is still saved.
    if (old.exists && calls.last_error.kind == Failure::kAccessDenied) return SaveInPlace(calls, target, bytes);
    return calls.last_error;
  }
  if (const std::optional<Error> failed = FillTemporaryFile(calls, file, temporary, bytes)) return failed;
  if (calls.RenameOver(temporary, target)) return std::nullopt;
  // The old file stays as it was; where there is none, the new file is the
  // only copy and the next start takes it.
  const Error error = calls.last_error;
  if (calls.LookAt(target).exists) calls.Remove(temporary);
  return error;
}

bool RecoverInterruptedSave(FileCalls& calls, std::u16string_view path, bool locked) {
  const std::u16string target = calls.FinalPath(path);
  if (path.empty() || calls.LookAt(target).exists) return false;
  std::vector<FolderEntry> entries = calls.ListBeside(target);
  if (!locked) {
    const std::int64_t now = NowMs();
    std::erase_if(entries, [&](const FolderEntry& entry) { return !IsStale(entry, now); });
  }
  const std::optional<std::u16string> taken =
      TemporaryFileToRecover(entries, NameOf(calls, target), calls.NameComparison());
  // A file that appeared meanwhile is never replaced.
  return taken && calls.RenameWithoutReplacing(Beside(calls, target, *taken), target);
}

RenameStatus MoveTooLargeAside(FileCalls& calls, std::u16string_view from, std::u16string_view to, std::size_t max_size,
                               Error& error) {
  const FileCalls::Look now = calls.LookAt(from);
  if (!now.exists || now.refused || now.size <= max_size) return RenameStatus::kChanged;
  if (calls.RenameWithoutReplacing(from, to)) return RenameStatus::kRenamed;
  error = calls.last_error;
  return error.kind == Failure::kNameTaken ? RenameStatus::kNameTaken : RenameStatus::kFailed;
}

SaveLock::SaveLock(FileCalls& calls, std::u16string_view path, std::chrono::milliseconds wait) : calls_(calls) {
  if (path.empty()) return;
  const FileCalls::File file = calls.OpenLockFile(calls.FinalPath(path).append(kSuffix));
  if (file == FileCalls::kNoFile) return;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    switch (calls.TryLock(file)) {
      case FileCalls::LockResult::kLocked:
        file_ = file;
        return;
      case FileCalls::LockResult::kBusy:
        if (std::chrono::steady_clock::now() < deadline) {
          std::this_thread::sleep_for(kLockPoll);
          continue;
        }
        break;
      case FileCalls::LockResult::kFailed:
        break;
    }
    calls.Close(file);
    return;
  }
}

SaveLock::~SaveLock() {
  if (held()) calls_.Close(file_);
}

}  // namespace calc
