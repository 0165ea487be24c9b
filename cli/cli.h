// SPDX-License-Identifier: MIT
// The command-line front end: evaluates expressions given as arguments or
// read line by line, one output line per expression.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "utf.h"

namespace calc::cli {

// Exit statuses.
inline constexpr int kAllGood = 0;
inline constexpr int kSomeMessage = 1;
inline constexpr int kUsageError = 2;
inline constexpr int kWriteError = 3;  // output was lost: standard output or error could not be written
inline constexpr int kReadError = 4;   // standard input could not be read

// The bytes the front end reads: standard input in the programs, text in
// the tests.
class Input {
 public:
  virtual ~Input() = default;
  // Reads at most `size` bytes: how many, 0 at the end of the input, or -1
  // when reading failed (ErrorText says why).
  virtual std::ptrdiff_t Read(char* buffer, std::size_t size) = 0;
  // True when Read would wait for input that has not arrived yet (an empty
  // pipe or terminal), so what is written so far must go out first.
  virtual bool WouldWait() = 0;
  virtual std::string ErrorText() const = 0;
};

// Where the front end's bytes go.
class Output {
 public:
  virtual ~Output() = default;
  // Writes all of `bytes`; false when that failed (ErrorText says why).
  virtual bool Write(std::string_view bytes) = 0;
  virtual std::string ErrorText() const = 0;
};

// The files that -f names.
class Files {
 public:
  virtual ~Files() = default;
  // The file's bytes; null when it cannot be opened, with `why` the
  // system's reason.
  virtual std::unique_ptr<Input> Open(const std::string& name, std::string& why) = 0;
  // True when `name` names an existing file that is not a folder.
  virtual bool IsFile(const std::string& name) = 0;
};

// What the standard streams are connected to, which decides when output is
// written: to a terminal at the end of each line, elsewhere in blocks, before
// the program waits for input and at the end.
struct Streams {
  // Where standard error leads, seen from standard output.
  enum class Place {
    kApart,    // somewhere else: each stream keeps its own buffer
    kSame,     // the same file, pipe or device: messages join the results' buffer, in order
    kUnknown,  // cannot be told: the results so far are written before each message
  };
  bool prompt = false;         // input is a terminal that does not prompt itself: "> " before each line
  bool out_each_line = false;  // write standard output at the end of each line
  bool err_each_line = false;  // write standard error at the end of each message
  Place err_place = Place::kApart;
  bool visible_controls = false;  // standard error is a terminal (see ShowControlCharacters)
};

// Runs the front end on the arguments after the program name. `in` is
// standard input; without `files`, -f reads standard input only.
int Run(const std::vector<std::string>& args, Input& in, Output& out, Output& err, const Streams& streams,
        Files* files = nullptr);

// With `visible`, each control character other than TAB (U+0000-U+001F,
// U+007F and the C1 controls U+0080-U+009F) is written as \xHH, so that a
// typed escape sequence cannot drive the user's terminal: "1\x1B+2". Without
// it the text is returned byte for byte, as pipes and files get it. Works on
// UTF-8 and leaves the bytes of malformed sequences alone.
std::string ShowControlCharacters(std::string_view utf8, bool visible);

// The text conversions the front end reads and writes with.
using calc::DecodeUtf8;
using calc::EncodeUtf8;
// The length of `text` without a UTF-8 sequence cut short at its end, so a
// writer can hold those bytes back until the rest arrives.
std::size_t CompleteUtf8Prefix(std::string_view text);

}  // namespace calc::cli
