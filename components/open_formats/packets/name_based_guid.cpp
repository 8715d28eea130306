#include "packets/name_based_guid.h"

#include <string>

#include "packets/sha1.h"

namespace open_formats {

namespace {

// {6F1C3A52-9B0E-4D7A-8E21-3C5B7D9A0F14} in network byte order: the namespace of event texts.
constexpr unsigned char kEventTextNamespace[16] = {0x6F, 0x1C, 0x3A, 0x52, 0x9B, 0x0E, 0x4D, 0x7A,
                                                   0x8E, 0x21, 0x3C, 0x5B, 0x7D, 0x9A, 0x0F, 0x14};

}  // namespace

GUID NameBasedGuid(std::string_view utf8Text) {
  std::string input(reinterpret_cast<const char*>(kEventTextNamespace), 16);  // bytes as chars
  input += utf8Text;
  auto hash = Sha1(input);
  hash[6] = static_cast<std::uint8_t>((hash[6] & 0x0F) | 0x50);  // version 5
  hash[8] = static_cast<std::uint8_t>((hash[8] & 0x3F) | 0x80);  // RFC 4122 variant
  // The UUID's fields are big-endian; a GUID keeps its first three fields as integers.
  GUID guid{};
  guid.Data1 = (std::uint32_t{hash[0]} << 24) | (std::uint32_t{hash[1]} << 16) |
               (std::uint32_t{hash[2]} << 8) | hash[3];
  guid.Data2 = static_cast<std::uint16_t>((hash[4] << 8) | hash[5]);
  guid.Data3 = static_cast<std::uint16_t>((hash[6] << 8) | hash[7]);
  for (int i = 0; i < 8; ++i) guid.Data4[i] = hash[8 + i];
  return guid;
}

}  // namespace open_formats
