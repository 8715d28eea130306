#include "input_files.h"

#include <stdlib.h>

#include <algorithm>
#include <fstream>

#include "component_queries.h"

namespace tapline_fuzz {

namespace {

bool IsFileName(std::string_view name) {
  if (name.empty() || name.size() > 64 || name == "." || name == "..") return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
  });
}

std::string_view AsText(std::span<const std::uint8_t> bytes) {
  // The input's bytes, looked at as chars to find separators and names.
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

std::vector<InputFile> SplitInputFiles(std::span<const std::uint8_t> input,
                                       std::string_view firstName) {
  std::vector<InputFile> files;
  const std::string_view text = AsText(input);
  std::size_t from = 0;
  while (files.size() < kMaxInputFiles) {
    const std::size_t separator = text.find(kFileSeparator, from);
    const std::size_t end = separator == std::string_view::npos ? text.size() : separator;
    const std::size_t newline = text.find('\n', from);
    const std::size_t nameEnd = std::min(newline, end);
    const std::string_view name = text.substr(from, nameEnd - from);
    const std::size_t bytesFrom = std::min(nameEnd + 1, end);
    InputFile file{std::string(name), input.subspan(bytesFrom, end - bytesFrom)};
    if (!IsFileName(name)) {
      file.name = files.empty() ? std::string(firstName) : "part" + std::to_string(files.size());
    }
    files.push_back(std::move(file));
    if (separator == std::string_view::npos) break;
    from = separator + kFileSeparator.size();
  }
  return files;
}

InputFolder::InputFolder() {
  const char* directory = std::getenv("TMPDIR");
  std::string pattern =
      std::string(directory && *directory ? directory : "/tmp") + "/tapline_fuzz_files_XXXXXX";
  if (!mkdtemp(pattern.data())) Fail("no temporary folder");
  root = pattern;
}

InputFolder::~InputFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
}

std::string InputFolder::Write(const std::vector<InputFile>& files) {
  std::error_code ignored;
  for (const auto& path : written) std::filesystem::remove(path, ignored);
  written.clear();
  for (const InputFile& file : files) {
    written.push_back(root / file.name);
    std::ofstream out(written.back(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.bytes.data()),
              static_cast<std::streamsize>(file.bytes.size()));
    if (!out) Fail("input file not written");
  }
  return written.empty() ? root.string() : written.front().string();
}

bool InputFolder::Cut(std::uint8_t fraction) {
  bool shorter = false;
  for (const auto& path : written) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size == 0 || fraction == 0) continue;
    const std::uintmax_t cutSize = size * fraction / 256;
    std::filesystem::resize_file(path, cutSize, error);
    if (error) Fail("input file not cut");
    shorter = true;
  }
  return shorter;
}

}  // namespace tapline_fuzz
