// A fuzz input that is several files of one recording (a header and the files it names),
// written into a folder of the run's own.
//
// After the query plan, the input is parts separated by kFileSeparator; a part's first line is
// the file's name and the rest its bytes. A name is used when it is 1 to 64 of the characters
// A-Z a-z 0-9 . _ - (and not "." or ".."), so no input can write outside the folder; else the
// first part is written under the target's header name and a later part N as "partN".
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tapline_fuzz {

inline constexpr std::string_view kFileSeparator = "\n@@@\n";
// Parts beyond this are left out: enough for groups, segments and several annotators.
inline constexpr std::size_t kMaxInputFiles = 16;

struct InputFile {
  std::string name;
  std::span<const std::uint8_t> bytes;
};

// The files of the input; the first one is the one a host would open.
std::vector<InputFile> SplitInputFiles(std::span<const std::uint8_t> input,
                                       std::string_view firstName);

// A fresh folder under TMPDIR (or /tmp), removed with the object.
class InputFolder {
 public:
  InputFolder();
  ~InputFolder();
  InputFolder(const InputFolder&) = delete;
  InputFolder& operator=(const InputFolder&) = delete;

  // Replaces the files of the previous input with these; returns the first one's path.
  std::string Write(const std::vector<InputFile>& files);
  // Cuts every file to fraction/256 of its size; whether any became shorter.
  bool Cut(std::uint8_t fraction);

 private:
  std::filesystem::path root;
  std::vector<std::filesystem::path> written;
};

}  // namespace tapline_fuzz
