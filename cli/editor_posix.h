// SPDX-License-Identifier: MIT
// Standard input typed on a terminal, read through libedit: the line can be
// edited (Left, Right, Home, End, Ctrl+R and the rest of its Emacs keys), Up
// and Down walk the history, and the history is kept in a file between
// sessions.
#pragma once

#include <memory>
#include <string>

#include "cli.h"

namespace calc::cli {

class EditorInput : public Input {
 public:
  // The editor when standard input and output are both a terminal; null
  // otherwise. `history_file` may be empty (no
  // history kept).
  static std::unique_ptr<EditorInput> ForTerminal(std::string history_file);
  ~EditorInput() override;
  EditorInput(const EditorInput&) = delete;
  EditorInput& operator=(const EditorInput&) = delete;

  std::ptrdiff_t Read(char* buffer, std::size_t size) override;
  bool WouldWait() override;
  std::string ErrorText() const override;

 private:
  struct State;
  explicit EditorInput(std::unique_ptr<State> state);
  bool Start();
  void Remember(std::string_view line);

  std::unique_ptr<State> state_;
};

}  // namespace calc::cli
