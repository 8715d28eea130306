// What every benchmark that drives the library through its exports needs: its own folder
// (where the build put the library and the EDF component) and a private class registry.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "tapline_library.h"

namespace bench {

// The folder of the running executable, with a trailing slash. Throws std::runtime_error.
std::string ExecutableFolder();

// Registers the EDF component of `folder` in a fresh registry of its own (XDG_DATA_HOME points
// there from now on, also for child processes), so the user's registry stays untouched.
// Returns the registry's folder, for the caller to remove. Throws std::runtime_error.
std::string RegisterComponent(const std::string& folder);

// RegisterComponent(folder), then the library of `folder` loaded into `lib`. Returns the
// registry's folder, for the caller to remove. Throws std::runtime_error.
std::string LoadLibraryWithComponent(const std::string& folder, tapline_info::TaplineLibrary& lib);

// The folder a benchmark keeps its files in between runs: its first argument, else `name`
// beside the executable's folder. Throws std::runtime_error.
std::filesystem::path CacheFolder(int argc, char** argv, const std::string& name);

// A benchmark's main: standard input from /dev/null first (the library's failure reports pause
// only on a terminal, and a benchmark must never wait), then the body, whose exception becomes
// "program: what" on standard error and status 1.
int RunBenchmark(const char* program, const std::function<int()>& body);

}  // namespace bench
