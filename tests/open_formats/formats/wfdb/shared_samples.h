// The shared WFDB sample records and the reference tools' output for them: where they lie,
// their bytes, and the output's columns.
#pragma once

#include <filesystem>
#include <fstream>
#include <istream>
#include <sstream>
#include <string>
#include <vector>

namespace wfdb_test {

inline const std::filesystem::path kSamples = std::filesystem::path(TAPLINE_SHARED_SAMPLES) / "wfdb";

inline std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The columns of a reference output, one row per line.
inline std::vector<std::vector<std::string>> Rows(std::istream& in) {
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    rows.emplace_back();
    for (std::string field; fields >> field;) rows.back().push_back(field);
  }
  return rows;
}

inline std::vector<std::vector<std::string>> Rows(const std::filesystem::path& path) {
  std::ifstream in(path);
  return Rows(in);
}

}  // namespace wfdb_test
