#include "info_process.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace info_process {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

ProcessRun Execute(const std::filesystem::path& folder, const std::string& command) {
  const std::filesystem::path out = folder / "stdout";
  const std::filesystem::path err = folder / "stderr";
  const std::string line = command + " </dev/null >'" + out.string() + "' 2>'" + err.string() + "'";
  const int status = std::system(line.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
}

}  // namespace info_process
