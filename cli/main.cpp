// SPDX-License-Identifier: MIT
#include <unistd.h>

#include <string>
#include <vector>

#include "cli.h"
#include "console_posix.h"
#include "x87.h"

int main(int argc, char** argv) {
  calc::x87::EstablishEnvironment();
  const std::vector<std::string> args(argv + 1, argv + argc);
  calc::cli::DescriptorInput in(STDIN_FILENO);
  calc::cli::DescriptorOutput out(STDOUT_FILENO);
  calc::cli::DescriptorOutput err(STDERR_FILENO);
  calc::cli::DescriptorFiles files;
  return calc::cli::Run(args, in, out, err, calc::cli::DescribeStandardStreams(), &files);
}
