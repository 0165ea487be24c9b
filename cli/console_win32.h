// SPDX-License-Identifier: MIT
// The standard handles of a Windows console program as the front end's input
// and outputs. A console gets UTF-16 through ReadConsoleW and WriteConsoleW,
// so every character shows whatever the console's code page; a pipe or a
// file gets the UTF-8 bytes as they are, without CR LF translation, exactly
// as on Linux.
#pragma once

#include <string>

#include "cli.h"

namespace calc::cli {

// Writes UTF-8 text to a standard handle (STD_OUTPUT_HANDLE, STD_ERROR_HANDLE).
// A character split across two writes to a console is held back until it is
// whole.
class HandleOutput : public Output {
 public:
  explicit HandleOutput(unsigned long std_handle);
  HandleOutput(const HandleOutput&) = delete;
  HandleOutput& operator=(const HandleOutput&) = delete;

  bool IsConsole() const { return console_; }
  void* handle() const { return handle_; }
  bool Write(std::string_view bytes) override;
  std::string ErrorText() const override;

 private:
  void* handle_;
  bool console_;
  std::string pending_;  // the start of a character split between writes
  unsigned long error_ = 0;
};

// Reads UTF-8 text from STD_INPUT_HANDLE. A console line typed as Ctrl+Z
// ends the input, as it does for every console program.
class HandleInput : public Input {
 public:
  HandleInput();
  // A file opened by the program, closed with the input.
  explicit HandleInput(void* file);
  ~HandleInput() override;
  HandleInput(const HandleInput&) = delete;
  HandleInput& operator=(const HandleInput&) = delete;

  bool IsConsole() const { return console_; }
  std::ptrdiff_t Read(char* buffer, std::size_t size) override;
  bool WouldWait() override;
  std::string ErrorText() const override;

 private:
  void ReadConsoleText();

  void* handle_;
  bool owned_ = false;
  bool console_;
  unsigned long type_;
  bool ended_ = false;
  bool line_start_ = true;
  char16_t high_surrogate_ = 0;  // held until its low half is read
  std::string text_;             // console text read, from `taken_` on not yet handed out
  std::size_t taken_ = 0;
  unsigned long error_ = 0;
};

// Files opened by name with CreateFileW, the name given as UTF-8.
class HandleFiles : public Files {
 public:
  std::unique_ptr<Input> Open(const std::string& name, std::string& why) override;
  bool IsFile(const std::string& name) override;
};

// What the standard handles are connected to.
Streams DescribeStandardStreams(const HandleInput& in, const HandleOutput& out, const HandleOutput& err);

// The program's arguments as UTF-8 (an unpaired surrogate becomes U+FFFD).
std::string WideArgument(const wchar_t* argument);

}  // namespace calc::cli
