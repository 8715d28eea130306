#include "registry_listing.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", the name the registry gives an entry.
bool IsClassIdName(const std::string& name) {
  if (name.size() != 38 || name.front() != '{' || name.back() != '}') return false;
  for (std::size_t i = 1; i + 1 < name.size(); ++i) {
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? name[i] != '-' : std::isxdigit(static_cast<unsigned char>(name[i])) == 0) return false;
  }
  return true;
}

}  // namespace

void PrintRegistry(std::FILE* out, const std::string& directory) {
  std::fprintf(out, "Class registry: %s\n", directory.c_str());
  std::error_code error;
  std::vector<std::pair<std::string, std::string>> entries;
  for (const fs::directory_entry& file : fs::directory_iterator(directory, error)) {
    const std::string name = file.path().filename().string();
    if (!IsClassIdName(name)) continue;
    std::ifstream in(file.path());
    std::string module;
    std::getline(in, module);
    entries.emplace_back(name, module);
  }
  std::sort(entries.begin(), entries.end());
  if (entries.empty()) std::fputs("  nothing registered\n", out);
  for (const auto& [classId, module] : entries) {
    std::error_code missing;
    std::fprintf(out, "  %s  %s%s\n", classId.c_str(), module.c_str(),
                 fs::exists(module, missing) ? "" : "  (missing)");
  }
}
