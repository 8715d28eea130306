// GDF's data type codes: how wide each stored value is and how it becomes a 16-bit sample.
// Types 1-8 are the integers of 8 to 64 bits (odd codes signed), 16 and 17 IEEE floats,
// 255 + n and 511 + n signed and unsigned n-bit integers (int24 is 279, uint24 535).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace gdf {

struct DataType {
  std::uint32_t code = 3;
  std::int64_t bytes = 2;  // per stored value
  bool isFloat = false;
  bool isSigned = true;
  bool decodable = true;  // false for float128, whose values are only stepped over
};

// The type of a code, or nullopt for a code whose values this reader cannot locate in a record
// (reserved codes, integers of a width that is not whole bytes).
std::optional<DataType> DataTypeOf(std::uint32_t code);

// "int16", "float32", "uint24", ...
std::string DataTypeName(std::uint32_t code);

// Whether every value of the type is a 16-bit sample as it stands (int8, uint8, int16).
bool AlwaysFits16Bits(const DataType& type);

// The stored value at `bytes` as a double (exact for every type but int64 and uint64 beyond
// 2^53, which no 16-bit range reaches).
double StoredValue(const DataType& type, const std::byte* bytes);

// The stored values' 16-bit samples, little-endian, into `out`; each value must fit (the caller
// checked the channel at open).
void DecodeSamples(const DataType& type, const std::byte* values, std::int64_t count,
                   std::byte* out);

}  // namespace gdf
