// SPDX-License-Identifier: MIT
// The standard streams of a POSIX program as the front end's input and
// outputs, read and written with read() and write() on the descriptors.
#pragma once

#include "cli.h"

namespace calc::cli {

class DescriptorInput : public Input {
 public:
  explicit DescriptorInput(int fd) : fd_(fd) {}
  std::ptrdiff_t Read(char* buffer, std::size_t size) override;
  bool WouldWait() override;
  std::string ErrorText() const override;

 private:
  int fd_;
  int error_ = 0;
};

class DescriptorOutput : public Output {
 public:
  explicit DescriptorOutput(int fd) : fd_(fd) {}
  bool Write(std::string_view bytes) override;
  std::string ErrorText() const override;

 private:
  int fd_;
  int error_ = 0;
};

// What standard input, output and error are connected to.
Streams DescribeStandardStreams();

}  // namespace calc::cli
