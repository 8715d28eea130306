// A fuzz input split into the files of one recording: names stay inside the run's folder, bytes
// arrive whole, and no file of an earlier input is left for a later one to find.
#include "input_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace {

using Named = std::vector<std::pair<std::string, std::string>>;

Named Split(const std::string& input) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(input.data());  // chars as bytes
  Named files;
  for (const auto& file : tapline_fuzz::SplitInputFiles({bytes, input.size()}, "rec.hea")) {
    files.emplace_back(file.name, std::string(file.bytes.begin(), file.bytes.end()));
  }
  return files;
}

struct SplitCase {
  const char* what;
  std::string input;
  Named files;
};

void PrintTo(const SplitCase& c, std::ostream* out) { *out << c.what; }

class SplitInputFilesTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitInputFilesTest, GivesNamedFilesInOrder) {
  EXPECT_EQ(Split(GetParam().input), GetParam().files) << GetParam().what;
}

const std::string kSep(tapline_fuzz::kFileSeparator);

INSTANTIATE_TEST_SUITE_P(
    Inputs, SplitInputFilesTest,
    ::testing::Values(SplitCase{"empty", "", {{"rec.hea", ""}}},
                      SplitCase{"one file", "r.hea\nr 1\n", {{"r.hea", "r 1\n"}}},
                      SplitCase{"three files",
                                "r.hea\nH" + kSep + "r.dat\nD\nD" + kSep + "r.atr\n",
                                {{"r.hea", "H"}, {"r.dat", "D\nD"}, {"r.atr", ""}}},
                      SplitCase{"bytes kept whole",
                                std::string("a\n\0\xFF\n\r", 6),
                                {{"a", std::string("\0\xFF\n\r", 4)}}},
                      SplitCase{"a name line alone", "a" + kSep + "b", {{"a", ""}, {"b", ""}}},
                      SplitCase{"names that leave the folder or are no names",
                                "../x\n1" + kSep + "/etc/y\n2" + kSep + "..\n3" + kSep + ".\n4" +
                                    kSep + "a b\n5" + kSep + std::string(65, 'n') + "\n6" + kSep +
                                    std::string(64, 'n') + "\n7",
                                {{"rec.hea", "1"},
                                 {"part1", "2"},
                                 {"part2", "3"},
                                 {"part3", "4"},
                                 {"part4", "5"},
                                 {"part5", "6"},
                                 {std::string(64, 'n'), "7"}}}));

TEST(SplitInputFilesTest, KeepsAtMostTheFileLimit) {
  std::string input = "f\n";
  for (int i = 0; i < 20; ++i) input += kSep + "f" + std::to_string(i) + "\n";
  EXPECT_EQ(Split(input).size(), tapline_fuzz::kMaxInputFiles);
}

std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(InputFolderTest, AnInputReplacesTheFilesOfTheLastAndCutsThem) {
  tapline_fuzz::InputFolder folder;
  const std::string b1 = "12345678", b2 = "xy";
  const auto bytes = [](const std::string& s) {
    return std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
  };
  const std::filesystem::path first = folder.Write({{"r.hea", bytes(b1)}, {"r.atr", bytes(b2)}});
  EXPECT_EQ(first.filename(), "r.hea");
  const std::filesystem::path second = folder.Write({{"q.hea", bytes(b2)}});
  EXPECT_EQ(FolderNames(second.parent_path()), std::vector<std::string>{"q.hea"});
  folder.Write({{"r.hea", bytes(b1)}, {"r.dat", bytes(b2)}});
  EXPECT_TRUE(folder.Cut(128));
  EXPECT_EQ(std::filesystem::file_size(first), 4u);
  EXPECT_EQ(std::filesystem::file_size(first.parent_path() / "r.dat"), 1u);
}

}  // namespace
