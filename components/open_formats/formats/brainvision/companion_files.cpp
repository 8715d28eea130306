#include "companion_files.h"

#include <fstream>

namespace brainvision {

std::optional<std::string> ReadText(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  // One read of the whole file: a marker file of thousands of lines, taken a character at a
  // time, would cost more than parsing it.
  std::string text;
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) return std::nullopt;
  return text;
}

std::optional<std::string> WhyNotInFolder(const std::optional<std::string>& named,
                                          const char* what) {
  const bool plainName = !named || (*named != "." && *named != ".." &&
                                    named->find_first_of("/\\:") == std::string::npos);
  if (plainName) return std::nullopt;
  return std::string(what) + " \"" + *named +
         "\" is not a file name of the header's folder, where the files are read from";
}

std::optional<std::filesystem::path> FindCompanion(const std::filesystem::path& headerPath,
                                                   const std::optional<std::string>& named,
                                                   const std::string& fallbackExtension,
                                                   const char* what,
                                                   std::vector<std::string>& warnings) {
  const std::filesystem::path folder = headerPath.parent_path();
  const std::u8string stem = headerPath.stem().u8string();
  const std::string base(stem.begin(), stem.end());
  std::error_code error;
  if (named) {
    std::string name = *named;
    for (std::size_t at = name.find("$b"); at != std::string::npos; at = name.find("$b", at)) {
      name.replace(at, 2, base);
      at += base.size();
    }
    const std::u8string utf8(name.begin(), name.end());
    const std::filesystem::path candidate = folder / std::filesystem::path(utf8);
    if (std::filesystem::is_regular_file(candidate, error)) return candidate;
  }
  std::filesystem::path fallback = headerPath;
  fallback.replace_extension(fallbackExtension);
  if (!std::filesystem::is_regular_file(fallback, error)) return std::nullopt;
  if (named) {
    const std::u8string name = fallback.filename().u8string();
    warnings.push_back(std::string(what) + " " + *named + " is missing; " +
                       std::string(name.begin(), name.end()) + " is read instead");
  }
  return fallback;
}

}  // namespace brainvision
