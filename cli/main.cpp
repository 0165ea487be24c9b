// SPDX-License-Identifier: MIT
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli.h"
#include "x87.h"

int main(int argc, char** argv) {
  calc::x87::EstablishEnvironment();
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  return calc::cli::Run(args, std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) != 0, isatty(STDERR_FILENO) != 0);
}
