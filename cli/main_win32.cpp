// SPDX-License-Identifier: MIT
// The Windows entry: arguments arrive as UTF-16 and are passed on as UTF-8;
// the standard handles are wrapped so a console gets UTF-16.
#include <windows.h>

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "cli.h"
#include "console_win32.h"
#include "x87.h"

int wmain(int argc, wchar_t** argv) {
  calc::x87::EstablishEnvironment();
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(calc::cli::WideArgument(argv[i]));
  calc::cli::HandleInput in_buffer;
  calc::cli::HandleOutput out_buffer(STD_OUTPUT_HANDLE);
  calc::cli::HandleOutput err_buffer(STD_ERROR_HANDLE);
  std::istream in(&in_buffer);
  std::ostream out(&out_buffer);
  std::ostream err(&err_buffer);
  const int status = calc::cli::Run(args, in, out, err, in_buffer.IsConsole(), err_buffer.IsConsole());
  out.flush();
  err.flush();
  return status;
}
