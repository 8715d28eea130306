#include "header_rates.h"

#include <fstream>
#include <limits>

#include "formats/edf/edf_header.h"
#include "window_layout.h"

namespace tapline_info {

namespace {

constexpr double kTicksPerSecond = 1e7;

std::optional<std::vector<std::byte>> ReadBytes(std::ifstream& in, std::size_t count) {
  std::vector<std::byte> bytes(count);
  // std::byte storage read as chars, as istream reads bytes.
  if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count))) {
    return std::nullopt;
  }
  return bytes;
}

}  // namespace

std::optional<std::vector<double>> EdfChannelRates(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  const auto fixedBytes = ReadBytes(in, edf::kFixedHeaderBytes);
  if (!fixedBytes) return std::nullopt;
  const common::Result<edf::FixedHeader> fixed = edf::ParseFixedHeader(*fixedBytes);
  if (!fixed.Ok() || fixed.Value().recordDurationTicks <= 0) return std::nullopt;
  const auto signalBytes = ReadBytes(
      in, edf::kHeaderBytesPerSignal * static_cast<std::size_t>(fixed.Value().signalCount));
  if (!signalBytes) return std::nullopt;
  const common::Result<edf::Header> header = edf::ParseSignalHeaders(fixed.Value(), *signalBytes);
  if (!header.Ok()) return std::nullopt;
  std::vector<double> rates;
  for (const edf::SignalHeader& signal : header.Value().signals) {
    if (signal.isAnnotation) continue;
    rates.push_back(static_cast<double>(signal.samplesPerRecord) * kTicksPerSecond /
                    static_cast<double>(fixed.Value().recordDurationTicks));
  }
  return rates;
}

bool CountsPassInt(double segmentSeconds, const std::vector<double>& rates) {
  for (double rate : rates) {
    const auto count = SegmentSampleCount(segmentSeconds, rate);
    if (!count || *count > std::numeric_limits<int>::max()) return true;
  }
  return false;
}

std::optional<SegmentChannels> ReadChannelsOfSegment(
    const TaplineLibrary& library, int segment, double segmentSeconds,
    const std::optional<std::vector<double>>& fileRates) {
  if (fileRates && CountsPassInt(segmentSeconds, *fileRates)) {
    return ReadSegmentChannelsAtRates(library, segment, segmentSeconds, *fileRates);
  }
  return ReadSegmentChannels(library, segment);
}

}  // namespace tapline_info
