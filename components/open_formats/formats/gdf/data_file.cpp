#include "data_file.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

#include "common/checked_arithmetic.h"
#include "common/text_encoding.h"
#include "data_types.h"

namespace gdf {

namespace {

// Records read at once when a read or the scan spans many of them.
constexpr std::int64_t kReadBatchBytes = std::int64_t{4} << 20;
// The bytes before the end of the records in use that must not change while a file grows.
constexpr std::int64_t kGrowthCheckTailBytes = 4096;

std::string ChannelName(std::size_t index, const ChannelHeader& channel) {
  const auto label = common::Utf16ToUtf8(common::HeaderTextToUtf16(channel.label)).value_or("");
  return "channel " + std::to_string(index + 1) + " (\"" + label + "\", " +
         DataTypeName(channel.type.code) + ")";
}

std::string NumberText(double value) {
  std::ostringstream text;
  text.precision(10);
  text << value;
  return text.str();
}

struct ValueRange {
  double minimum = std::numeric_limits<double>::infinity();
  double maximum = -std::numeric_limits<double>::infinity();
  double firstFraction = 0.0;  // the first value that is not a whole number
  bool allWhole = true;

  void Add(double value) {
    if (value != std::floor(value) || std::isnan(value)) {
      if (allWhole) firstFraction = value;
      allWhole = false;
    }
    minimum = std::min(minimum, value);
    maximum = std::max(maximum, value);
  }
  bool Fits16Bits() const {
    return allWhole && (minimum > maximum || (minimum >= -32768 && maximum <= 32767));
  }
};

}  // namespace

common::Result<std::unique_ptr<DataFile>> DataFile::Open(const std::filesystem::path& path) {
  using OpenResult = common::Result<std::unique_ptr<DataFile>>;
  std::unique_ptr<DataFile> data(new DataFile);
  auto opened = common::RandomAccessFile::OpenNative(path);
  if (!opened.Ok()) return OpenResult::Refuse(opened.Reason());
  data->file = std::move(opened.Value());
  common::RandomAccessFile& file = *data->file;
  std::vector<std::byte> bytes(
      static_cast<std::size_t>(std::min<std::int64_t>(file.Size(), kFixedHeaderBytes)));
  if (!file.ReadAt(0, bytes)) return OpenResult::Refuse("the file cannot be read");
  auto fixed = ParseFixedHeader(bytes);
  if (!fixed.Ok()) return OpenResult::Refuse(fixed.Reason());
  if (file.Size() < fixed.Value().headerBytes) {
    return OpenResult::Refuse("the file ends inside its header (" + std::to_string(file.Size()) +
                              " of " + std::to_string(fixed.Value().headerBytes) + " bytes)");
  }
  bytes.resize(static_cast<std::size_t>(fixed.Value().headerBytes) - kFixedHeaderBytes);
  if (!file.ReadAt(kFixedHeaderBytes, bytes)) return OpenResult::Refuse("the file cannot be read");
  auto header = ParseChannelHeaders(fixed.Value(), bytes);
  if (!header.Ok()) return OpenResult::Refuse(header.Reason());
  data->header = std::move(header.Value());
  data->warnings = data->header.warnings;
  if (auto refusal = data->CountRecords()) return OpenResult::Refuse(*refusal);
  if (!data->ChooseChannels()) return OpenResult::Refuse("the file cannot be read");
  // A recording still being written grows by whole records, and its writer may update the
  // record count: the records there now stay readable while the rest of the header and the
  // bytes that end them are unchanged.
  const Header& h = data->header;
  const std::int64_t end = h.fixed.headerBytes + data->recordCount * h.recordBytes;
  const std::int64_t tail = std::max(h.fixed.headerBytes, end - kGrowthCheckTailBytes);
  constexpr auto kCountEnd = static_cast<std::int64_t>(kRecordCountOffset + kRecordCountWidth);
  const common::FileRange stable[] = {{0, static_cast<std::int64_t>(kRecordCountOffset)},
                                      {kCountEnd, h.fixed.headerBytes - kCountEnd},
                                      {tail, end - tail}};
  if (!file.KeepServingWhileGrowing(stable)) return OpenResult::Refuse("the file cannot be read");
  return data;
}

std::optional<std::string> DataFile::CountRecords() {
  const std::int64_t size = file->Size();
  const std::int64_t declared = header.fixed.declaredRecordCount;
  const std::int64_t afterHeader = size - header.fixed.headerBytes;
  if (header.recordBytes == 0) {
    // No channel holds samples: the records take no bytes, and the events follow the header.
    recordCount = std::max<std::int64_t>(declared, 0);
    return ReadEventTable(header.fixed.headerBytes);
  }
  const std::int64_t complete = afterHeader / header.recordBytes;
  if (declared == -1 || declared > complete) {
    // Forgiven as EDF forgives it: the complete records are read. The event table, which follows
    // the declared records, is then nowhere to be found.
    recordCount = complete;
    if (declared > complete) {
      warnings.push_back("the header gives " + std::to_string(declared) +
                         " data records but the file holds " + std::to_string(complete) +
                         " complete ones; those are read, without an event table");
    } else if (afterHeader % header.recordBytes != 0) {
      warnings.push_back(
          std::to_string(afterHeader % header.recordBytes) +
          " bytes after the last data record are not read (the number of records is unknown)");
    }
  } else {
    recordCount = declared;
    if (auto refusal = ReadEventTable(header.fixed.headerBytes + recordCount * header.recordBytes))
      return refusal;
  }
  // 10^11 s (10^18 ticks): beyond any recording, and far from the 64-bit limit the segments'
  // sums meet. The records last count x numerator / denominator seconds.
  const auto scaledSeconds = common::CheckedMultiply(recordCount, header.fixed.durationNumerator);
  if (!scaledSeconds ||
      *scaledSeconds / header.fixed.durationDenominator > std::int64_t{100'000'000'000}) {
    return "the data records would last more than 3000 years";
  }
  return std::nullopt;
}

std::optional<std::string> DataFile::ReadEventTable(std::int64_t tableStart) {
  const std::int64_t remaining = file->Size() - tableStart;
  if (remaining <= 0) return std::nullopt;  // no event table
  std::vector<std::byte> first(
      std::min<std::size_t>(kEventTableHeaderBytes, static_cast<std::size_t>(remaining)));
  if (!file->ReadAt(tableStart, first)) return "the file cannot be read";
  auto parsed = ParseEventTableHeader(first, header.fixed.version);
  if (!parsed.Ok()) return parsed.Reason();
  eventTable = parsed.Value();
  if (eventTable.Bytes() > remaining) {
    return "the event table of " + std::to_string(eventTable.count) + " events (" +
           std::to_string(eventTable.Bytes()) + " bytes) runs past the file's end, " +
           std::to_string(remaining) + " bytes after the data records";
  }
  std::vector<std::byte> table(static_cast<std::size_t>(eventTable.Bytes()));
  if (!file->ReadAt(tableStart, table)) return "the file cannot be read";
  events = ParseEvents(eventTable, table);
  if (remaining > eventTable.Bytes()) {
    warnings.push_back(std::to_string(remaining - eventTable.Bytes()) +
                       " bytes after the event table are not read");
  }
  return std::nullopt;
}

bool DataFile::ChooseChannels() {
  std::vector<std::size_t> wide;
  for (std::size_t i = 0; i < header.channels.size(); ++i) {
    const ChannelHeader& channel = header.channels[i];
    if (channel.samplesPerRecord > 0 && channel.type.decodable && !AlwaysFits16Bits(channel.type))
      wide.push_back(i);
  }
  std::vector<bool> fits(header.channels.size(), true);
  if (!wide.empty() && !ScanWideChannels(wide, fits)) return false;
  for (std::size_t i = 0; i < header.channels.size(); ++i) {
    const ChannelHeader& channel = header.channels[i];
    if (channel.samplesPerRecord == 0) {
      warnings.push_back(ChannelName(i, channel) +
                         " holds no samples in a data record; it is left out");
    } else if (!channel.type.decodable) {
      warnings.push_back(ChannelName(i, channel) +
                         " is left out: this reader does not read float128 values");
    } else if (fits[i]) {
      served.push_back(i);
    }
  }
  return true;
}

bool DataFile::ScanWideChannels(const std::vector<std::size_t>& wide, std::vector<bool>& fits) {
  std::vector<ValueRange> ranges(wide.size());
  const std::int64_t batch = std::max<std::int64_t>(1, kReadBatchBytes / header.recordBytes);
  for (std::int64_t first = 0; first < recordCount; first += batch) {
    const std::int64_t count = std::min(batch, recordCount - first);
    const auto records = ReadRecords(first, count);
    if (records.empty()) return false;
    for (std::size_t w = 0; w < wide.size(); ++w) {
      const ChannelHeader& channel = header.channels[wide[w]];
      for (std::int64_t r = 0; r < count; ++r) {
        const std::byte* values = records.data() + r * header.recordBytes + channel.offsetInRecord;
        for (std::int64_t k = 0; k < channel.samplesPerRecord; ++k) {
          ranges[w].Add(StoredValue(channel.type, values + k * channel.type.bytes));
        }
      }
    }
  }
  for (std::size_t w = 0; w < wide.size(); ++w) {
    const ValueRange& range = ranges[w];
    if (range.Fits16Bits()) continue;
    fits[wide[w]] = false;
    const std::string name = ChannelName(wide[w], header.channels[wide[w]]);
    if (!range.allWhole) {
      warnings.push_back(name + " is left out: it stores values that are not whole numbers (" +
                         NumberText(range.firstFraction) + "), which 16-bit samples cannot hold");
    } else {
      warnings.push_back(name + " is left out: its stored values run from " +
                         NumberText(range.minimum) + " to " + NumberText(range.maximum) +
                         ", beyond 16 bits");
    }
  }
  return true;
}

std::span<const std::byte> DataFile::ReadRecords(std::int64_t first, std::int64_t count) {
  const auto bytes = static_cast<std::size_t>(count * header.recordBytes);
  if (readBufferBytes < bytes) {
    // No zero fill: every byte is read from the file before it is used.
    readBuffer.reset(new std::byte[bytes]);
    readBufferBytes = bytes;
  }
  const std::span<std::byte> buffer(readBuffer.get(), bytes);
  if (!file->ReadAt(header.fixed.headerBytes + first * header.recordBytes, buffer)) return {};
  return buffer;
}

bool DataFile::Read(std::int64_t firstRecord, std::int64_t records,
                    std::span<const model::ChannelRead> reads) {
  // The records (from firstRecord) that hold any wanted sample.
  std::int64_t from = std::numeric_limits<std::int64_t>::max();
  std::int64_t to = 0;
  for (const model::ChannelRead& read : reads) {
    if (read.channel >= served.size()) return false;
    if (read.count <= 0) continue;
    const std::int64_t n = header.channels[served[read.channel]].samplesPerRecord;
    from = std::min(from, read.first / n);
    to = std::max(to, (read.first + read.count + n - 1) / n);
  }
  if (to > records) return false;
  if (to <= from) return true;  // no read wants a sample
  const std::int64_t batch = std::max<std::int64_t>(1, kReadBatchBytes / header.recordBytes);
  for (std::int64_t batchStart = from; batchStart < to; batchStart += batch) {
    const std::int64_t batchEnd = std::min(to, batchStart + batch);
    const auto buffer = ReadRecords(firstRecord + batchStart, batchEnd - batchStart);
    if (buffer.empty()) return false;
    // De-interleave: each channel's part of each record goes to its place in one pass.
    for (const model::ChannelRead& read : reads) {
      if (read.count <= 0) continue;
      const ChannelHeader& channel = header.channels[served[read.channel]];
      const std::int64_t n = channel.samplesPerRecord;
      const std::int64_t begin = std::max(read.first, batchStart * n);
      const std::int64_t end = std::min(read.first + read.count, batchEnd * n);
      for (std::int64_t k = begin; k < end;) {
        const std::int64_t record = k / n;
        const std::int64_t chunkEnd = std::min(end, (record + 1) * n);
        const std::byte* source = buffer.data() + (record - batchStart) * header.recordBytes +
                                  channel.offsetInRecord + (k - record * n) * channel.type.bytes;
        DecodeSamples(channel.type, source, chunkEnd - k, read.destination + (k - read.first) * 2);
        k = chunkEnd;
      }
    }
  }
  return true;
}

}  // namespace gdf
