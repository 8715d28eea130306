#include "brainvision_format.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <fstream>
#include <limits>
#include <numeric>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "brainvision_text.h"
#include "common/random_access_file.h"
#include "model/time_range.h"
#include "sample_gather.h"

namespace brainvision {

namespace {

using OpenResult = common::Result<model::Recording>;

enum class SampleFormat { Int16, UInt16 };

struct DataLayout {
  std::int64_t channels = 0;
  std::int64_t frames = 0;  // whole frames in the data file
  bool vectorized = false;
  bool bigEndian = false;
  SampleFormat format = SampleFormat::Int16;
};

// Samples straight from the data file: a frame is one sample of every channel.
class BrainVisionSamples final : public model::SampleSource {
 public:
  BrainVisionSamples(std::unique_ptr<common::RandomAccessFile> data, DataLayout layout,
                     std::vector<std::int64_t> segmentFirstFrames)
      : file(std::move(data)), layout(layout), firstFrames(std::move(segmentFirstFrames)) {}

  bool Fill(std::size_t segment, std::span<const model::ChannelRead> reads) override {
    if (segment >= firstFrames.size()) return false;
    const std::int64_t base = firstFrames[segment];
    return layout.vectorized ? FillVectorized(base, reads) : FillMultiplexed(base, reads);
  }

 private:
  // Frames are read a batch at a time into a buffer that stays in the second-level cache, and
  // de-interleaved a block at a time, which stays in the first-level cache while every wanted
  // channel's samples are gathered from it: a block larger than the cache is fetched again
  // from memory for each channel.
  static constexpr std::int64_t kBatchBytes = std::int64_t{256} << 10;
  static constexpr std::int64_t kBlockBytes = std::int64_t{16} << 10;

  // Stored 16-bit value (in the file's byte order) to the host's little-endian int16.
  void Convert(std::byte* samples, std::int64_t count) const {
    if (!layout.bigEndian && layout.format == SampleFormat::Int16) return;
    for (std::int64_t i = 0; i < count; ++i) {
      std::byte* s = samples + 2 * i;
      if (layout.bigEndian) std::swap(s[0], s[1]);
      // UINT_16 minus 32768 is the same 16 bits with the top one flipped.
      if (layout.format == SampleFormat::UInt16) s[1] ^= std::byte{0x80};
    }
  }

  // Reads whose destinations follow one another (a block's channels do) go to the file
  // together, with one check that it is unchanged for all of them.
  bool FillVectorized(std::int64_t base, std::span<const model::ChannelRead> reads) {
    for (std::size_t run = 0; run < reads.size();) {
      ranges.clear();
      std::int64_t bytes = 0;
      std::size_t end = run;
      do {
        const model::ChannelRead& read = reads[end];
        ranges.push_back(
            {(static_cast<std::int64_t>(read.channel) * layout.frames + base + read.first) * 2,
             read.count * 2});
        bytes += read.count * 2;
        ++end;
      } while (end < reads.size() && reads[end].destination == reads[run].destination + bytes);
      if (!file->ReadRanges(ranges, {reads[run].destination, static_cast<std::size_t>(bytes)})) {
        return false;
      }
      for (; run < end; ++run) Convert(reads[run].destination, reads[run].count);
    }
    return true;
  }

  bool FillMultiplexed(std::int64_t base, std::span<const model::ChannelRead> reads) {
    std::int64_t first = std::numeric_limits<std::int64_t>::max();
    std::int64_t end = 0;
    for (const model::ChannelRead& read : reads) {
      first = std::min(first, read.first);
      end = std::max(end, read.first + read.count);
    }
    if (end <= first) return true;
    const std::int64_t frameBytes = layout.channels * 2;
    const std::int64_t batchFrames = std::max<std::int64_t>(1, kBatchBytes / frameBytes);
    buffer.resize(static_cast<std::size_t>(std::min(batchFrames, end - first) * frameBytes));
    for (std::int64_t from = first; from < end; from += batchFrames) {
      const std::int64_t to = std::min(end, from + batchFrames);
      const std::span<std::byte> bytes(buffer.data(),
                                       static_cast<std::size_t>((to - from) * frameBytes));
      if (!file->ReadAt((base + from) * frameBytes, bytes)) return false;
      Convert(bytes.data(), (to - from) * layout.channels);
      const std::int64_t blockFrames = std::max<std::int64_t>(1, kBlockBytes / frameBytes);
      for (std::int64_t block = from; block < to; block += blockFrames) {
        GatherSamples(bytes.data() + (block - from) * frameBytes, frameBytes, block,
                      std::min(to, block + blockFrames), reads);
      }
    }
    return true;
  }

  std::unique_ptr<common::RandomAccessFile> file;
  DataLayout layout;
  std::vector<std::int64_t> firstFrames;
  std::vector<std::byte> buffer;
  std::vector<common::FileRange> ranges;
};

std::optional<std::string> ReadText(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  // One read of the whole file: a marker file of thousands of lines, taken a character at a
  // time, would cost more than parsing it.
  std::string text;
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) return std::nullopt;
  return text;
}

bool IsIdentification(std::string_view line, std::string_view kind) {
  for (const std::string_view name :
       {"BrainVision Data Exchange ", "Brain Vision Data Exchange "}) {
    if (line.substr(0, name.size()) == name && line.substr(name.size(), kind.size()) == kind) {
      return true;
    }
  }
  return false;
}

// "$b" becomes the header's base name; the file is looked for in the header's folder, and
// when missing the header's base name with the fallback extension is, which `warnings` note.
std::optional<std::filesystem::path> Resolve(const std::filesystem::path& header,
                                             const std::string* named,
                                             const std::string& extension, const char* what,
                                             std::vector<std::string>& warnings) {
  const std::filesystem::path folder = header.parent_path();
  const std::u8string stem = header.stem().u8string();
  const std::string base(stem.begin(), stem.end());
  std::error_code error;
  if (named) {
    std::string name = *named;
    for (std::size_t at = name.find("$b"); at != std::string::npos; at = name.find("$b", at)) {
      name.replace(at, 2, base);
      at += base.size();
    }
    std::replace(name.begin(), name.end(), '\\', '/');
    const std::u8string utf8(name.begin(), name.end());
    const std::filesystem::path candidate = folder / std::filesystem::path(utf8);
    if (std::filesystem::is_regular_file(candidate, error)) return candidate;
  }
  std::filesystem::path fallback = header;
  fallback.replace_extension(extension);
  if (!std::filesystem::is_regular_file(fallback, error)) return std::nullopt;
  if (named) {
    const std::u8string name = fallback.filename().u8string();
    warnings.push_back(std::string(what) + " " + *named + " is missing; " +
                       std::string(name.begin(), name.end()) + " is read instead");
  }
  return fallback;
}

template <typename T>
std::optional<T> Integer(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The interval in microseconds, a plain decimal, as ticks (10 per microsecond), exactly.
std::optional<model::Fraction> IntervalTicks(std::string_view text) {
  std::int64_t digits = 0;
  std::int64_t scale = 1;
  bool point = false;
  bool any = false;
  for (const char c : text) {
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    if (digits > 99'999'999'999'999 || (point && scale > 99'999'999'999'999)) return std::nullopt;
    digits = digits * 10 + (c - '0');
    if (point) scale *= 10;
    any = true;
  }
  if (!any || digits == 0) return std::nullopt;
  std::int64_t numerator = digits * 10;
  const std::int64_t common = std::gcd(numerator, scale);
  return model::Fraction{numerator / common, scale / common};
}

// ceil(count x frame ticks) and round(count x frame ticks), exactly, for counts from a file:
// nullopt past 10^18 ticks.
std::optional<std::int64_t> FramesToTicks(std::int64_t count, model::Fraction frame, bool roundUp) {
  const std::int64_t whole = count / frame.denominator;
  const std::int64_t rest = count % frame.denominator;
  if (whole > std::int64_t{1'000'000'000'000'000'000} / frame.numerator) return std::nullopt;
  // rest x numerator < denominator x numerator, which CheckSampleArithmetic bounds.
  const std::int64_t part = rest * frame.numerator;
  const std::int64_t add = roundUp ? frame.denominator - 1 : frame.denominator / 2;
  return whole * frame.numerator + (part + add) / frame.denominator;
}

struct Marker {
  std::string_view type;
  std::string_view description;
  std::int64_t position = 0;  // 1-based
  std::int64_t points = 0;
  std::optional<std::int64_t> dateTicks;  // a New Segment's date
};

std::string Unplaced(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\x01') {
      out += "\\1";
    } else {
      out += c;
    }
  }
  return out;
}

std::string MarkerName(const std::string& key) { return "marker " + key; }

}  // namespace

bool Recognises(std::string_view firstBytes) {
  if (firstBytes.substr(0, 3) == "\xEF\xBB\xBF") firstBytes.remove_prefix(3);
  return IsIdentification(firstBytes, "Header File") ||
         firstBytes.find("[Common Infos]") != std::string_view::npos;
}

common::Result<model::Recording> Open(const std::filesystem::path& headerPath) {
  const auto headerText = ReadText(headerPath);
  if (!headerText) return OpenResult::Refuse("the header file cannot be read");
  const IniFile header = ParseIni(*headerText);
  const Codepage codepage = CodepageOf(header);
  const auto value = [&](const char* section, const char* key) {
    return header.Find(section, key);
  };
  if (!IsIdentification(header.firstLine, "Header File") &&
      !(header.sections.count("Common Infos") && value("Common Infos", "DataFile"))) {
    return OpenResult::Refuse(
        "not a BrainVision header: no identification line, and no [Common Infos] with DataFile=");
  }
  const std::string* format = value("Common Infos", "DataFormat");
  if (format && *format != "BINARY") {
    return OpenResult::Refuse("the data are " + *format +
                              ", not BINARY: only binary data are read");
  }
  const std::string* type = value("Common Infos", "DataType");
  if (type && *type != "TIMEDOMAIN") {
    return OpenResult::Refuse("the data type is " + *type + ", not TIMEDOMAIN");
  }
  DataLayout layout;
  const std::string* orientation = value("Common Infos", "DataOrientation");
  if (orientation && *orientation != "MULTIPLEXED" && *orientation != "VECTORIZED") {
    return OpenResult::Refuse("the data orientation " + *orientation +
                              " is neither MULTIPLEXED nor VECTORIZED");
  }
  layout.vectorized = orientation && *orientation == "VECTORIZED";
  const std::string* binary = value("Binary Infos", "BinaryFormat");
  if (binary && (*binary == "INT_32" || *binary == "IEEE_FLOAT_32")) {
    return OpenResult::Refuse("the samples are 32-bit (" + *binary +
                              "): only 16-bit samples are read, and 16 bits would change them");
  }
  if (binary && *binary != "INT_16" && *binary != "UINT_16") {
    return OpenResult::Refuse("the binary format " + *binary + " is not INT_16 or UINT_16");
  }
  layout.format = binary && *binary == "UINT_16" ? SampleFormat::UInt16 : SampleFormat::Int16;
  const std::string* bigEndian = value("Binary Infos", "UseBigEndianOrder");
  layout.bigEndian = bigEndian && *bigEndian == "YES";

  const std::string* intervalText = value("Common Infos", "SamplingInterval");
  const auto interval = intervalText ? IntervalTicks(*intervalText) : std::nullopt;
  if (!interval) {
    return OpenResult::Refuse(
        "SamplingInterval is missing or not a positive decimal number of microseconds");
  }

  // Channels Ch1..ChN, each once, N = NumberOfChannels.
  const std::string* countText = value("Common Infos", "NumberOfChannels");
  const auto count = countText ? Integer<std::int64_t>(*countText) : std::nullopt;
  if (!count || *count < 1 || *count > 65535) {
    return OpenResult::Refuse("NumberOfChannels is missing or not a number from 1 to 65535");
  }
  std::vector<std::optional<std::string>> names(static_cast<std::size_t>(*count));
  std::size_t lines = 0;
  const auto channelSection = header.sections.find("Channel Infos");
  if (channelSection != header.sections.end()) {
    for (const IniFile::Entry& entry : channelSection->second) {
      if (entry.key.size() < 3 || entry.key.compare(0, 2, "Ch") != 0) continue;
      const auto number = Integer<std::int64_t>(std::string_view(entry.key).substr(2));
      ++lines;
      if (!number || *number < 1 || *number > *count || names[*number - 1]) {
        return OpenResult::Refuse("channel line " + entry.key + " is not one of Ch1 to Ch" +
                                  std::to_string(*count) + " once each");
      }
      names[*number - 1] = std::string(SplitFields(entry.value)[0]);
    }
  }
  if (lines != names.size()) {
    return OpenResult::Refuse("NumberOfChannels is " + std::to_string(*count) + " but there are " +
                              std::to_string(lines) + " channel lines");
  }
  layout.channels = *count;

  std::vector<std::string> warnings;
  const auto dataPath =
      Resolve(headerPath, value("Common Infos", "DataFile"), ".eeg", "the data file", warnings);
  if (!dataPath) return OpenResult::Refuse("the data file is missing");
  auto data = common::RandomAccessFile::OpenNative(*dataPath);
  if (!data.Ok()) return OpenResult::Refuse("the data file: " + data.Reason());
  const std::int64_t frameBytes = layout.channels * 2;
  layout.frames = data.Value()->Size() / frameBytes;
  if (const std::int64_t partial = data.Value()->Size() % frameBytes) {
    warnings.push_back("the data file ends in a partial frame (" + std::to_string(partial) +
                       " of " + std::to_string(frameBytes) + " bytes), which is not read");
  }

  // Markers, when there is a marker file.
  std::vector<std::pair<std::string, Marker>> markers;
  Codepage markerCodepage = Codepage::Unspecified;
  IniFile markerFile;
  if (const auto markerPath = Resolve(headerPath, value("Common Infos", "MarkerFile"), ".vmrk",
                                     "the marker file", warnings)) {
    const auto text = ReadText(*markerPath);
    if (!text) return OpenResult::Refuse("the marker file cannot be read");
    markerFile = ParseIni(*text);
    markerCodepage = CodepageOf(markerFile);
    const auto section = markerFile.sections.find("Marker Infos");
    if (section != markerFile.sections.end()) {
      for (const IniFile::Entry& entry : section->second) {
        if (entry.key.size() < 3 || entry.key.compare(0, 2, "Mk") != 0) continue;
        const std::vector<std::string_view> fields = SplitFields(entry.value);
        const auto position = fields.size() >= 5 ? Integer<std::int64_t>(fields[2]) : std::nullopt;
        const auto points = fields.size() >= 5 ? Integer<std::int64_t>(fields[3]) : std::nullopt;
        if (!position || !points || *position < 1 || *points < 0) {
          return OpenResult::Refuse(MarkerName(entry.key) +
                                    " is not type,description,position,points,channel with a "
                                    "position from 1 and points from 0");
        }
        Marker marker{fields[0], fields[1], *position, *points, std::nullopt};
        if (fields.size() >= 6 && fields[5].find_first_not_of('0') != std::string_view::npos) {
          const std::string_view d = fields[5];
          const auto part = [&](std::size_t at, std::size_t length) {
            return Integer<int>(d.substr(at, length)).value_or(-1);
          };
          marker.dateTicks =
              d.size() == 20 && d.find_first_not_of("0123456789") == std::string_view::npos
                  ? model::TicksOfDate(part(0, 4), part(4, 2), part(6, 2), part(8, 2), part(10, 2),
                                       part(12, 2), part(14, 6))
                  : std::nullopt;
          if (!marker.dateTicks) {
            return OpenResult::Refuse(MarkerName(entry.key) + "'s date " + std::string(d) +
                                      " is not a date YYYYMMDDhhmmssuuuuuu");
          }
        }
        markers.emplace_back(entry.key, marker);
      }
    }
  }

  // Segments: one from sample 0, and one from each New Segment's sample.
  struct Boundary {
    std::int64_t frame;
    std::optional<std::int64_t> dateTicks;
  };
  std::vector<Boundary> boundaries{{0, std::nullopt}};
  for (const auto& [key, marker] : markers) {
    if (marker.type != "New Segment") continue;
    const std::int64_t frame = marker.position - 1;
    if (frame == 0 && boundaries.size() == 1 && !boundaries[0].dateTicks) {
      boundaries[0].dateTicks = marker.dateTicks;
    } else {
      boundaries.push_back({frame, marker.dateTicks});
    }
  }
  std::stable_sort(boundaries.begin(), boundaries.end(),
                   [](const Boundary& a, const Boundary& b) { return a.frame < b.frame; });

  model::Recording recording;
  model::Layout channels;
  channels.frameTicks = *interval;
  for (std::size_t c = 0; c < names.size(); ++c) {
    model::ChannelDetails details;
    details.signalIndex = static_cast<std::int32_t>(c);
    channels.channels.push_back({DecodeField(*names[c], codepage), 1, std::move(details)});
  }
  recording.layouts.push_back(std::move(channels));

  std::vector<std::int64_t> firstFrames;
  std::int64_t previousEnd = 0;  // a first segment without a date starts at day 0
  for (std::size_t i = 0; i < boundaries.size(); ++i) {
    const std::int64_t from = std::min(boundaries[i].frame, layout.frames);
    const std::int64_t to = i + 1 < boundaries.size()
                                ? std::min(boundaries[i + 1].frame, layout.frames)
                                : layout.frames;
    const auto duration = FramesToTicks(to - from, *interval, true);
    if (!duration) return OpenResult::Refuse("the data file would last more than 3000 years");
    const std::int64_t start = boundaries[i].dateTicks.value_or(previousEnd);
    previousEnd = start + *duration;
    if (to <= from) continue;  // no samples: dropped
    if (!recording.segments.empty()) {
      const model::Segment& last = recording.segments.back();
      if (start < last.startTicks + last.durationTicks) {
        return OpenResult::Refuse("the segment from sample " + std::to_string(from + 1) +
                                  " starts at " + model::DateTimeText(start) +
                                  ", before the previous segment ends");
      }
    }
    recording.segments.push_back({start, *duration, 0, to - from, {}});
    firstFrames.push_back(from);
  }
  if (recording.segments.empty()) {
    return OpenResult::Refuse("the data file holds no complete frame of " +
                              std::to_string(layout.channels) + " 16-bit samples");
  }
  recording.originTicks = recording.segments[0].startTicks;

  // Events: every other marker, in the segment that holds its sample (the last one past the
  // end).
  std::unordered_map<std::string, std::size_t> kindOfKey;
  std::int64_t pastTheEnd = 0;
  std::vector<std::u16string> descriptionOfKind;  // every event of a kind has its label
  recording.events.reserve(markers.size());
  for (const auto& [key, marker] : markers) {
    if (marker.type == "New Segment") continue;
    const std::int64_t frame = marker.position - 1;
    if (frame >= layout.frames) ++pastTheEnd;
    auto holder = std::upper_bound(firstFrames.begin(), firstFrames.end(), frame);
    const auto segment = static_cast<std::size_t>(holder - firstFrames.begin()) - 1;
    const auto offset = FramesToTicks(frame - firstFrames[segment], *interval, false);
    const auto duration = FramesToTicks(marker.points, *interval, false);
    if (!offset || !duration)
      return OpenResult::Refuse(MarkerName(key) + " lies too far from the data");
    // Raw 0x01 bytes spelt as the other placeholder: every kind key holds exactly one 0x01.
    const std::string kindKey = Unplaced(marker.type) + '\x01' + Unplaced(marker.description);
    const auto [kind, added] = kindOfKey.try_emplace(kindKey, recording.eventKinds.size());
    if (added) {
      const std::u16string typeText = DecodeField(marker.type, markerCodepage);
      std::u16string description = DecodeField(marker.description, markerCodepage);
      recording.eventKinds.push_back(
          {kindKey, description.empty() ? typeText : description, typeText});
      descriptionOfKind.push_back(std::move(description));
    }
    if (recording.eventGroups.empty()) {
      // Two 0x01 bytes: no kind's key.
      recording.eventGroups.push_back({"\x01\x01shared marker type", u"Other markers", u""});
    }
    recording.events.push_back({recording.segments[segment].startTicks + *offset, *duration,
                                kind->second, 0, descriptionOfKind[kind->second]});
  }
  const auto earlier = [](const model::Event& a, const model::Event& b) {
    return a.timeTicks < b.timeTicks;
  };
  // Marker files list their markers in order, as a rule.
  if (!std::is_sorted(recording.events.begin(), recording.events.end(), earlier)) {
    std::stable_sort(recording.events.begin(), recording.events.end(), earlier);
  }
  if (pastTheEnd > 0) {
    warnings.push_back(std::to_string(pastTheEnd) + " marker" + (pastTheEnd > 1 ? "s lie" : " lies") +
                       " after the last sample of the data file (" +
                       std::to_string(layout.frames) + " samples a channel); placed in the last "
                       "segment");
  }
  recording.warnings = std::move(warnings);
  recording.samples =
      std::make_unique<BrainVisionSamples>(std::move(data.Value()), layout, std::move(firstFrames));
  return recording;
}

}  // namespace brainvision
