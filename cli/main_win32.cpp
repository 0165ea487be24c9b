// SPDX-License-Identifier: MIT
// The Windows entry: arguments arrive as UTF-16 and are passed on as UTF-8;
// the standard handles are wrapped so a console gets UTF-16.
#include <windows.h>

#include <string>
#include <vector>

#include "cli.h"
#include "console_win32.h"
#include "x87.h"

int wmain(int argc, wchar_t** argv) {
  calc::x87::EstablishEnvironment();
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(calc::cli::WideArgument(argv[i]));
  calc::cli::HandleInput in;
  calc::cli::HandleOutput out(STD_OUTPUT_HANDLE);
  calc::cli::HandleOutput err(STD_ERROR_HANDLE);
  calc::cli::HandleFiles files;
  return calc::cli::Run(args, in, out, err, calc::cli::DescribeStandardStreams(in, out, err), &files);
}
