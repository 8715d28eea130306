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

// The reason when the name the header gives is not a file name of the header's folder (it
// holds a path, a drive or is "." or ".."): a header would otherwise reach any file the user
// can read. `what` names the file ("the data file").
std::optional<std::string> WhyNotInFolder(const std::optional<std::string>& named, const char* what);

// The file `named` in the header's folder (a name WhyNotInFolder accepts), "$b" in the name
// standing for the header's base name; when it is missing (or not named), the header's path with
// `fallbackExtension`, noted in `warnings` as "<what> <named> is missing; <file> is read
// instead" when a file was named. Nullopt when neither is a regular file.
std::optional<std::filesystem::path> FindCompanion(const std::filesystem::path& headerPath,
                                                   const std::optional<std::string>& named,
                                                   const std::string& fallbackExtension,
                                                   const char* what,
                                                   std::vector<std::string>& warnings);

}  // namespace brainvision
