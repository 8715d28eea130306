// The one recording file of a single-file format's fuzz target, rewritten for every input. It
// lies alone in a folder of the run's own, so that a header of another format in the input
// finds no file beside it that the process happens to have open, and a replay reads what the
// run read. The folder is removed when the process exits.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tapline_fuzz {

class SingleInputFile {
 public:
  // Makes the folder and the file `name` in it; aborts (Fail) when it cannot.
  explicit SingleInputFile(const std::string& name);

  const std::string& Path() const { return path; }
  // Replaces the file's bytes.
  void Write(std::span<const std::uint8_t> bytes);
  // Cuts the file to fraction/256 of its size; whether it became shorter.
  bool Cut(std::uint8_t fraction);

 private:
  std::string path;
  int descriptor = -1;
};

}  // namespace tapline_fuzz
