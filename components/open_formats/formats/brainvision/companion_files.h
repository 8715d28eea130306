// The files of a BrainVision recording, found from its header: the data and marker files it
// names (or, when they are missing, the ones under the header's base name), and their text.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace brainvision {

// The whole file's bytes; nullopt when it is not a regular file or cannot be read.
std::optional<std::string> ReadText(const std::filesystem::path& path);

// The file `named` in the header's folder, "$b" in the name standing for the header's base
// name and '\' for '/'; when it is missing (or not named), the header's path with
// `fallbackExtension`, noted in `warnings` as "<what> <named> is missing; <file> is read
// instead" when a file was named. Nullopt when neither is a regular file.
std::optional<std::filesystem::path> FindCompanion(const std::filesystem::path& headerPath,
                                                   const std::optional<std::string>& named,
                                                   const std::string& fallbackExtension,
                                                   const char* what,
                                                   std::vector<std::string>& warnings);

}  // namespace brainvision
