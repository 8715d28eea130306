// tapline-info run as a user runs it: a shell command with standard input from /dev/null,
// both outputs captured through files in a folder of the test's.
#pragma once

#include <filesystem>
#include <string>

namespace info_process {

struct ProcessRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const std::filesystem::path& path);

// Runs the command through the shell, its outputs kept in `folder`'s files stdout and stderr.
ProcessRun Execute(const std::filesystem::path& folder, const std::string& command);

}  // namespace info_process
