// The dynamic symbol table of libtapline.so, read from the ELF file: the host-facing names and
// nothing of the C++ inside.
#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

struct DynamicSymbol {
  std::string name;
  unsigned binding;
};

// Defined symbols of .dynsym; fails the test when the file is not a well-formed 64-bit ELF.
std::vector<DynamicSymbol> DefinedDynamicSymbols(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  std::vector<DynamicSymbol> symbols;
  Elf64_Ehdr header;
  if (bytes.size() < sizeof header) {
    ADD_FAILURE() << "too short for an ELF header";
    return symbols;
  }
  std::memcpy(&header, bytes.data(), sizeof header);
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64) {
    ADD_FAILURE() << "not a 64-bit ELF file";
    return symbols;
  }
  const auto sectionAt = [&](std::size_t index, Elf64_Shdr& section) {
    const std::uint64_t offset = header.e_shoff + std::uint64_t{header.e_shentsize} * index;
    if (index >= header.e_shnum || offset > bytes.size() || bytes.size() - offset < sizeof section) return false;
    std::memcpy(&section, bytes.data() + offset, sizeof section);
    return section.sh_offset <= bytes.size() && bytes.size() - section.sh_offset >= section.sh_size;
  };
  for (std::size_t index = 0; index < header.e_shnum; ++index) {
    Elf64_Shdr table, names;
    if (!sectionAt(index, table) || table.sh_type != SHT_DYNSYM) continue;
    if (!sectionAt(table.sh_link, names)) {
      ADD_FAILURE() << "bad string table";
      return symbols;
    }
    for (std::uint64_t at = 0; at + sizeof(Elf64_Sym) <= table.sh_size; at += sizeof(Elf64_Sym)) {
      Elf64_Sym symbol;
      std::memcpy(&symbol, bytes.data() + table.sh_offset + at, sizeof symbol);
      if (symbol.st_shndx == SHN_UNDEF || symbol.st_name >= names.sh_size) continue;
      const char* name = bytes.data() + names.sh_offset + symbol.st_name;
      symbols.push_back({std::string(name, strnlen(name, names.sh_size - symbol.st_name)),
                         ELF64_ST_BIND(symbol.st_info)});
    }
  }
  return symbols;
}

TEST(ExportedSymbolsTest, OnlyTheHostFunctionsAndNoCppSymbols) {
  const std::set<std::string> hostFunctions = {
      "OpenEx",          "Close",          "GetSegment",      "GetSegmentTime",
      "RecSecToDate",    "GetChannelCount", "GetChannelInf",  "GetSegmentInf",
      "GetData",         "GetData2",       "GetEventCount",   "GetEvents",
      // tapline_ext.h
      "GetChannelCalibration", "GetChannelUnit", "GetChannelPhysicalRange", "GetChannelInvalidValue",
      "GetChannelValue", "GetWindowCounts", "GetEventText", "GetOpenMessage"};
  std::set<std::string> exported;
  for (const DynamicSymbol& symbol : DefinedDynamicSymbols(TAPLINE_LIBRARY_PATH)) {
    EXPECT_NE(symbol.binding, unsigned{STB_GNU_UNIQUE}) << symbol.name << " would keep the library loaded";
    EXPECT_EQ(symbol.name.rfind("_Z", 0), std::string::npos) << "C++ symbol " << symbol.name;
    exported.insert(symbol.name);
  }
  for (const std::string& name : exported) EXPECT_TRUE(hostFunctions.count(name)) << "unexpected export " << name;
  for (const std::string& name : hostFunctions) EXPECT_TRUE(exported.count(name)) << "missing export " << name;
}

}  // namespace
