// SPDX-License-Identifier: MIT
#include "console_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace calc::cli {

namespace {

// A descriptor someone else made non-blocking is waited on rather than failed.
void AwaitReady(int fd, short events) {
  pollfd ready{fd, events, 0};
  poll(&ready, 1, -1);
}

}  // namespace

DescriptorInput::~DescriptorInput() {
  if (owned_) close(fd_);
}

std::ptrdiff_t DescriptorInput::Read(char* buffer, std::size_t size) {
  while (true) {
    const ssize_t got = read(fd_, buffer, size);
    if (got >= 0) return got;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      AwaitReady(fd_, POLLIN);
      continue;
    }
    error_ = errno;
    return -1;
  }
}

bool DescriptorInput::WouldWait() {
  pollfd ready{fd_, POLLIN, 0};
  return poll(&ready, 1, 0) <= 0;
}

std::string DescriptorInput::ErrorText() const { return std::strerror(error_); }

std::unique_ptr<Input> DescriptorFiles::Open(const std::string& name, std::string& why) {
  int fd;
  do {
    fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    why = std::strerror(errno);
    return nullptr;
  }
  return std::make_unique<DescriptorInput>(fd, true);
}

bool DescriptorFiles::IsFile(const std::string& name) {
  struct stat status {};
  return stat(name.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

bool DescriptorOutput::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd_, bytes.data(), bytes.size());
    if (written > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(written));
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      AwaitReady(fd_, POLLOUT);
      continue;
    }
    error_ = written < 0 ? errno : EIO;
    return false;
  }
  return true;
}

std::string DescriptorOutput::ErrorText() const { return std::strerror(error_); }

Streams DescribeStandardStreams() {
  Streams streams;
  streams.prompt = isatty(STDIN_FILENO) != 0;
  streams.out_each_line = isatty(STDOUT_FILENO) != 0;
  streams.err_each_line = isatty(STDERR_FILENO) != 0;
  streams.visible_controls = streams.err_each_line;
  // The same file, pipe or device: what goes through either descriptor ends
  // up in one sequence, so one buffer keeps it in order.
  struct stat out {};
  struct stat err {};
  const bool same = fstat(STDOUT_FILENO, &out) == 0 && fstat(STDERR_FILENO, &err) == 0 && out.st_dev == err.st_dev &&
                    out.st_ino == err.st_ino;
  streams.err_place = same ? Streams::Place::kSame : Streams::Place::kApart;
  return streams;
}

}  // namespace calc::cli
