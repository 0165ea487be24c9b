// SPDX-License-Identifier: MIT
// The standard streams of a POSIX program as the front end's input and
// outputs, read and written with read() and write() on the descriptors.
#pragma once

#include "cli.h"

namespace calc::cli {

class DescriptorInput : public Input {
 public:
  // With `owned`, the descriptor is closed with the input.
  explicit DescriptorInput(int fd, bool owned = false) : fd_(fd), owned_(owned) {}
  ~DescriptorInput() override;
  DescriptorInput(const DescriptorInput&) = delete;
  DescriptorInput& operator=(const DescriptorInput&) = delete;
  std::ptrdiff_t Read(char* buffer, std::size_t size) override;
  bool WouldWait() override;
  std::string ErrorText() const override;

 private:
  int fd_;
  bool owned_;
  int error_ = 0;
};

// Files opened by name with open().
class DescriptorFiles : public Files {
 public:
  std::unique_ptr<Input> Open(const std::string& name, std::string& why) override;
  bool IsFile(const std::string& name) override;
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
