#include "data_types.h"

#include <cmath>
#include <cstring>

namespace gdf {

namespace {

// Integers of n whole bytes, little-endian, sign-extended when signed.
std::int64_t IntegerAt(const std::byte* bytes, std::int64_t width, bool isSigned) {
  std::uint64_t value = 0;
  for (std::int64_t i = width; i-- > 0;)
    value = value << 8 | std::to_integer<std::uint64_t>(bytes[i]);
  if (isSigned && width < 8 && (value >> (width * 8 - 1) & 1) != 0)
    value |= ~std::uint64_t{0} << (width * 8);
  return static_cast<std::int64_t>(value);  // two's complement: the signed value's bits
}

}  // namespace

std::optional<DataType> DataTypeOf(std::uint32_t code) {
  if (code >= 1 && code <= 8) {
    return DataType{code, std::int64_t{1} << ((code - 1) / 2), false, code % 2 == 1};
  }
  if (code == 16) return DataType{code, 4, true, true};
  if (code == 17) return DataType{code, 8, true, true};
  if (code == 18) return DataType{code, 16, true, true, false};
  // n-bit integers: only the whole-byte widths lie at byte positions a record can be cut at.
  if (code > 255 && code <= 255 + 64 && (code - 255) % 8 == 0)
    return DataType{code, (code - 255) / 8, false, true};
  if (code > 511 && code <= 511 + 64 && (code - 511) % 8 == 0)
    return DataType{code, (code - 511) / 8, false, false};
  return std::nullopt;
}

std::string DataTypeName(std::uint32_t code) {
  static const char* const kIntegers[] = {"int8",  "uint8",  "int16", "uint16",
                                          "int32", "uint32", "int64", "uint64"};
  if (code >= 1 && code <= 8) return kIntegers[code - 1];
  if (code == 16) return "float32";
  if (code == 17) return "float64";
  if (code == 18) return "float128";
  if (code > 255 && code <= 255 + 64) return "int" + std::to_string(code - 255);
  if (code > 511 && code <= 511 + 64) return "uint" + std::to_string(code - 511);
  return "type " + std::to_string(code);
}

bool AlwaysFits16Bits(const DataType& type) {
  return !type.isFloat && (type.bytes == 1 || (type.bytes == 2 && type.isSigned));
}

double StoredValue(const DataType& type, const std::byte* bytes) {
  if (type.isFloat && type.bytes == 4) {
    float value;
    std::memcpy(&value, bytes, 4);  // IEEE single, little-endian hosts only
    return value;
  }
  if (type.isFloat) {
    double value;
    std::memcpy(&value, bytes, 8);  // IEEE double, little-endian hosts only
    return value;
  }
  if (!type.isSigned && type.bytes == 8) {
    std::uint64_t value;
    std::memcpy(&value, bytes, 8);  // unsigned 64-bit, little-endian hosts only
    return static_cast<double>(value);
  }
  return static_cast<double>(IntegerAt(bytes, type.bytes, type.isSigned));
}

void DecodeSamples(const DataType& type, const std::byte* values, std::int64_t count,
                   std::byte* out) {
  if (type.code == 3) {
    // Stored int16 are the destination's bytes.
    std::memcpy(out, values, static_cast<std::size_t>(count) * 2);
    return;
  }
  for (std::int64_t k = 0; k < count; ++k) {
    const double value = StoredValue(type, values + k * type.bytes);
    // Checked at open; a value beyond 16 bits here would be undefined to convert.
    const auto sample =
        static_cast<std::int16_t>(value >= -32768 && value <= 32767 ? value : -32768);
    std::memcpy(out + k * 2, &sample, 2);  // little-endian hosts only
  }
}

}  // namespace gdf
