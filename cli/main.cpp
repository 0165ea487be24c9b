// SPDX-License-Identifier: MIT
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "cli.h"
#include "console_posix.h"
#include "editor_posix.h"
#include "history.h"
#include "x87.h"

int main(int argc, char** argv) {
  calc::x87::EstablishEnvironment();
  const std::vector<std::string> args(argv + 1, argv + argc);
  calc::cli::Streams streams = calc::cli::DescribeStandardStreams();
  calc::cli::DescriptorInput standard_input(STDIN_FILENO);
  // Typed on a terminal, lines come through the line editor, which draws
  // its own prompt.
  std::unique_ptr<calc::cli::EditorInput> editor;
  if (streams.prompt) {
    editor =
        calc::cli::EditorInput::ForTerminal(calc::cli::HistoryFile(std::getenv("XDG_STATE_HOME"), std::getenv("HOME")));
  }
  if (editor != nullptr) streams.prompt = false;
  calc::cli::Input& in = editor != nullptr ? static_cast<calc::cli::Input&>(*editor) : standard_input;
  calc::cli::DescriptorOutput out(STDOUT_FILENO);
  calc::cli::DescriptorOutput err(STDERR_FILENO);
  calc::cli::DescriptorFiles files;
  return calc::cli::Run(args, in, out, err, streams, &files);
}
