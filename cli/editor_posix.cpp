// SPDX-License-Identifier: MIT
#include "editor_posix.h"

#include <fcntl.h>
#include <histedit.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>

#include "history.h"

namespace calc::cli {

namespace {

const char* Prompt(EditLine*) { return "> "; }

// The whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path) {
  std::string text;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[16384];
  ssize_t got;
  while ((got = read(fd, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
    if (got > 0) text.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  return text;
}

// Creates the file's folder and the ones above it, private to the user as
// state folders are.
void MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0700);
  }
}

// Replaces the file all at once, so that a session ending mid-write or two
// sessions writing together never leave half a history.
void ReplaceFile(const std::string& path, const std::string& text) {
  MakeFolders(path);
  std::string temporary = path + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return;
  bool written = true;
  for (std::size_t done = 0; written && done < text.size();) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EINTR) {
      written = false;
    }
  }
  written = close(fd) == 0 && written;
  if (!written || rename(temporary.c_str(), path.c_str()) != 0) unlink(temporary.c_str());
}

}  // namespace

struct EditorInput::State {
  EditLine* editor = nullptr;
  History* history = nullptr;
  std::string history_file;
  std::string line;  // the line read, from `taken` on not yet handed out
  std::size_t taken = 0;
  bool started = false;
  int error = 0;

  ~State() {
    if (editor != nullptr) el_end(editor);
    if (history != nullptr) history_end(history);
  }
};

std::unique_ptr<EditorInput> EditorInput::ForTerminal(std::string history_file) {
  if (isatty(STDIN_FILENO) == 0 || isatty(STDOUT_FILENO) == 0) return nullptr;
  auto state = std::make_unique<State>();
  state->history_file = std::move(history_file);
  return std::unique_ptr<EditorInput>(new EditorInput(std::move(state)));
}

EditorInput::EditorInput(std::unique_ptr<State> state) : state_(std::move(state)) {}

EditorInput::~EditorInput() = default;

// Set up at the first line read, so that a run that reads no line leaves
// the terminal and the history file alone.
bool EditorInput::Start() {
  State& s = *state_;
  if (s.started) return s.editor != nullptr && s.history != nullptr;
  s.started = true;
  // libedit reads and shows characters in the locale's encoding; nothing
  // else in the program depends on the locale.
  std::setlocale(LC_CTYPE, "");
  s.editor = el_init("exprcalc-cli", stdin, stdout, stderr);
  s.history = history_init();
  if (s.editor == nullptr || s.history == nullptr) return false;
  HistEvent event;
  history(s.history, &event, H_SETSIZE, static_cast<int>(kHistoryLimit));
  history(s.history, &event, H_SETUNIQUE, 1);
  if (!s.history_file.empty()) {
    for (const std::string& line : HistoryLines(ReadFile(s.history_file))) {
      history(s.history, &event, H_ENTER, line.c_str());
    }
  }
  el_set(s.editor, EL_HIST, history, s.history);
  el_set(s.editor, EL_PROMPT, Prompt);
  el_set(s.editor, EL_EDITOR, "emacs");
  // The terminal is put back as it was when a signal ends the program.
  el_set(s.editor, EL_SIGNAL, 1);
  el_set(s.editor, EL_SAFEREAD, 1);
  // Ctrl+R searches the history backwards, as in shells.
  el_set(s.editor, EL_BIND, "^R", "em-inc-search-prev", nullptr);
  el_source(s.editor, nullptr);  // the user's ~/.editrc
  return true;
}

std::ptrdiff_t EditorInput::Read(char* buffer, std::size_t size) {
  State& s = *state_;
  if (s.taken == s.line.size()) {
    if (!Start()) {
      s.error = ENOTTY;
      return -1;
    }
    int count = 0;
    errno = 0;
    const char* got = el_gets(s.editor, &count);
    if (got == nullptr || count <= 0) {
      if (count < 0) {
        s.error = errno != 0 ? errno : EIO;
        return -1;
      }
      // End of input (Ctrl+D): the next output starts on a line of its own.
      std::fputs("\n", stdout);
      std::fflush(stdout);
      return 0;
    }
    s.line.assign(got, static_cast<std::size_t>(count));
    s.taken = 0;
    if (s.line.back() != '\n') s.line += '\n';
    Remember(std::string_view(s.line).substr(0, s.line.size() - 1));
  }
  const std::size_t n = std::min(size, s.line.size() - s.taken);
  std::memcpy(buffer, s.line.data() + s.taken, n);
  s.taken += n;
  return static_cast<std::ptrdiff_t>(n);
}

void EditorInput::Remember(std::string_view line) {
  if (line.find_first_not_of(" \t") == std::string_view::npos) return;
  State& s = *state_;
  const std::string text(line);
  HistEvent event;
  history(s.history, &event, H_ENTER, text.c_str());
  // Written at once: the session may end by Ctrl+C or a closed terminal.
  if (!s.history_file.empty()) ReplaceFile(s.history_file, AppendHistoryLine(ReadFile(s.history_file), line));
}

bool EditorInput::WouldWait() { return state_->taken == state_->line.size(); }

std::string EditorInput::ErrorText() const { return std::strerror(state_->error); }

}  // namespace calc::cli
