#include "brainvision_format.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "companion_files.h"
#include "data_file.h"
#include "header.h"
#include "markers.h"
#include "brainvision_text.h"
#include "common/text_encoding.h"
#include "model/time_range.h"

namespace brainvision {

namespace {

using OpenResult = common::Result<model::Recording>;

constexpr std::string_view kNewSegment = "New Segment";
constexpr const char* kMicrovolt = "\u00b5V";

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

// The markers of the marker file the header names (or of the one under its base name); none
// when there is neither.
common::Result<MarkerFile> ReadMarkerFile(const std::filesystem::path& headerPath,
                                          const Header& header,
                                          std::vector<std::string>& warnings) {
  if (auto why = WhyNotInFolder(header.markerFile, "the marker file")) {
    return common::Result<MarkerFile>::Refuse(std::move(*why));
  }
  const auto markerPath =
      FindCompanion(headerPath, header.markerFile, ".vmrk", "the marker file", warnings);
  if (!markerPath) return MarkerFile{};
  const auto text = ReadText(*markerPath);
  if (!text) return common::Result<MarkerFile>::Refuse("the marker file cannot be read");
  return ParseMarkers(*text);
}

// Physical value = stored value x resolution, in the channel's unit (µV when left out); an
// empty resolution is 1. UINT_16 samples reach hosts less 32768, which the offset gives back.
// A resolution that is no number leaves the channel without physical values, with a warning.
model::Calibration ChannelCalibration(const Header& header, std::size_t c,
                                      std::vector<std::string>& warnings) {
  const ChannelInfo& channel = header.channels[c];
  const std::optional<double> resolution =
      channel.resolution.find_first_not_of(' ') == std::string::npos
          ? 1.0
          : common::ParseReal(channel.resolution, kNumberSyntax);
  if (!resolution) {
    warnings.push_back("channel Ch" + std::to_string(c + 1) + "'s resolution \"" +
                       channel.resolution + "\" is not a number: its samples have no physical values");
    return {};
  }
  model::Calibration calibration;
  calibration.known = true;
  calibration.gain = *resolution;
  calibration.offset = header.format == SampleFormat::UInt16 ? 32768 * *resolution : 0.0;
  std::u16string unit = DecodeField(channel.unit, header.codepage);
  unit.erase(0, unit.find_first_not_of(u' '));
  unit.erase(unit.find_last_not_of(u' ') + 1);
  calibration.unit = unit.empty() ? kMicrovolt : common::Utf16ToUtf8(unit).value_or(kMicrovolt);
  return calibration;
}

model::Layout ChannelLayout(const Header& header, std::vector<std::string>& warnings) {
  model::Layout layout;
  layout.frameTicks = header.frameTicks;
  for (std::size_t c = 0; c < header.channels.size(); ++c) {
    model::ChannelDetails details;
    details.signalIndex = static_cast<std::int32_t>(c);
    details.calibration = ChannelCalibration(header, c, warnings);
    layout.channels.push_back(
        {DecodeField(header.channels[c].name, header.codepage), 1, std::move(details)});
  }
  return layout;
}

struct Boundary {
  std::int64_t frame;
  std::optional<std::int64_t> dateTicks;
};

// Where segments start: at sample 0, and at each New Segment's sample, in sample order.
std::vector<Boundary> SegmentBoundaries(const std::vector<Marker>& markers) {
  std::vector<Boundary> boundaries{{0, std::nullopt}};
  for (const Marker& marker : markers) {
    if (marker.type != kNewSegment) continue;
    const std::int64_t frame = marker.position - 1;
    if (frame == 0 && boundaries.size() == 1 && !boundaries[0].dateTicks) {
      boundaries[0].dateTicks = marker.dateTicks;
    } else {
      boundaries.push_back({frame, marker.dateTicks});
    }
  }
  std::stable_sort(boundaries.begin(), boundaries.end(),
                   [](const Boundary& a, const Boundary& b) { return a.frame < b.frame; });
  return boundaries;
}

// The segments that hold samples of the data file's `frames`, and each one's first frame; a
// segment without a date starts where the one before ends. The reason when one would last too
// long or start before the previous one ends.
std::optional<std::string> AddSegments(const std::vector<Marker>& markers, std::int64_t frames,
                                       model::Fraction frameTicks, model::Recording& recording,
                                       std::vector<std::int64_t>& firstFrames) {
  const std::vector<Boundary> boundaries = SegmentBoundaries(markers);
  std::int64_t previousEnd = 0;  // a first segment without a date starts at day 0
  for (std::size_t i = 0; i < boundaries.size(); ++i) {
    const std::int64_t from = std::min(boundaries[i].frame, frames);
    const std::int64_t to =
        i + 1 < boundaries.size() ? std::min(boundaries[i + 1].frame, frames) : frames;
    const auto duration = FramesToTicks(to - from, frameTicks, true);
    if (!duration) return "the data file would last more than 3000 years";
    const std::int64_t start = boundaries[i].dateTicks.value_or(previousEnd);
    previousEnd = start + *duration;
    if (to <= from) continue;  // no samples: dropped
    if (!recording.segments.empty()) {
      const model::Segment& last = recording.segments.back();
      if (start < last.startTicks + last.durationTicks) {
        return "the segment from sample " + std::to_string(from + 1) + " starts at " +
               model::DateTimeText(start) + ", before the previous segment ends";
      }
    }
    recording.segments.push_back({start, *duration, 0, to - from, {}});
    firstFrames.push_back(from);
  }
  return std::nullopt;
}

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

// The recording's event kinds, one per marker type and description, added as markers of each
// first come; every event of a kind has the kind's description as its label.
class EventKinds {
 public:
  EventKinds(model::Recording& recording, Codepage codepage)
      : recording(recording), codepage(codepage) {}

  std::size_t Of(const Marker& marker) {
    // Raw 0x01 bytes spelt as the other placeholder: every kind key holds exactly one 0x01.
    const std::string kindKey = Unplaced(marker.type) + '\x01' + Unplaced(marker.description);
    const auto [kind, added] = kindOfKey.try_emplace(kindKey, recording.eventKinds.size());
    if (added) {
      const std::u16string typeText = DecodeField(marker.type, codepage);
      std::u16string description = DecodeField(marker.description, codepage);
      recording.eventKinds.push_back(
          {kindKey, description.empty() ? typeText : description, typeText});
      descriptionOfKind.push_back(std::move(description));
    }
    return kind->second;
  }

  const std::u16string& Label(std::size_t kind) const { return descriptionOfKind[kind]; }

 private:
  model::Recording& recording;
  Codepage codepage;
  std::unordered_map<std::string, std::size_t> kindOfKey;
  std::vector<std::u16string> descriptionOfKind;
};

// Events: every marker but New Segments, in the segment that holds its sample (the last one
// past the end), in time order. The reason when one lies too far from the data to be timed.
std::optional<std::string> AddEvents(const MarkerFile& file, model::Fraction frameTicks,
                                     const std::vector<std::int64_t>& firstFrames,
                                     model::Recording& recording) {
  EventKinds kinds(recording, file.codepage);
  // Two 0x01 bytes: no kind's key.
  recording.sharedEventType = {"\x01\x01shared marker type", u"Other markers", u""};
  recording.events.reserve(file.markers.size());
  for (const Marker& marker : file.markers) {
    if (marker.type == kNewSegment) continue;
    const std::int64_t frame = marker.position - 1;
    auto holder = std::upper_bound(firstFrames.begin(), firstFrames.end(), frame);
    const auto segment = static_cast<std::size_t>(holder - firstFrames.begin()) - 1;
    const auto offset = FramesToTicks(frame - firstFrames[segment], frameTicks, false);
    const auto duration = FramesToTicks(marker.points, frameTicks, false);
    if (!offset || !duration) return MarkerName(marker) + " lies too far from the data";
    const std::size_t kind = kinds.Of(marker);
    recording.events.push_back(
        {recording.segments[segment].startTicks + *offset, *duration, kind, kinds.Label(kind)});
  }
  const auto earlier = [](const model::Event& a, const model::Event& b) {
    return a.timeTicks < b.timeTicks;
  };
  // Marker files list their markers in order, as a rule.
  if (!std::is_sorted(recording.events.begin(), recording.events.end(), earlier)) {
    std::stable_sort(recording.events.begin(), recording.events.end(), earlier);
  }
  return std::nullopt;
}

// The warning for markers after the data file's last sample, when there are any.
std::optional<std::string> PastTheEndWarning(const std::vector<Marker>& markers,
                                             std::int64_t frames) {
  const auto pastTheEnd = std::count_if(markers.begin(), markers.end(), [&](const Marker& m) {
    return m.type != kNewSegment && m.position - 1 >= frames;
  });
  if (pastTheEnd == 0) return std::nullopt;
  return std::to_string(pastTheEnd) + " marker" + (pastTheEnd > 1 ? "s lie" : " lies") +
         " after the last sample of the data file (" + std::to_string(frames) +
         " samples a channel); placed in the last segment";
}

}  // namespace

bool Recognises(std::string_view firstBytes) {
  if (firstBytes.substr(0, 3) == "\xEF\xBB\xBF") firstBytes.remove_prefix(3);
  return IsIdentification(firstBytes, "Header File") ||
         firstBytes.find("[Common Infos]") != std::string_view::npos;
}

common::Result<model::Recording> Open(const std::filesystem::path& headerPath) {
  const auto headerText = ReadText(headerPath);
  if (!headerText) return OpenResult::Refuse("the header file cannot be read");
  const auto header = ParseHeader(*headerText);
  if (!header.Ok()) return OpenResult::Refuse(header.Reason());
  std::vector<std::string> warnings;
  auto data = OpenDataFile(headerPath, header.Value(), warnings);
  if (!data.Ok()) return OpenResult::Refuse(data.Reason());
  const auto markers = ReadMarkerFile(headerPath, header.Value(), warnings);
  if (!markers.Ok()) return OpenResult::Refuse(markers.Reason());

  const std::int64_t frames = data.Value().layout.frames;
  model::Recording recording;
  recording.layouts.push_back(ChannelLayout(header.Value(), warnings));
  std::vector<std::int64_t> firstFrames;
  if (auto refusal = AddSegments(markers.Value().markers, frames, header.Value().frameTicks,
                                 recording, firstFrames)) {
    return OpenResult::Refuse(std::move(*refusal));
  }
  if (recording.segments.empty()) {
    return OpenResult::Refuse("the data file holds no complete frame of " +
                              std::to_string(header.Value().channels.size()) + " 16-bit samples");
  }
  recording.originTicks = recording.segments[0].startTicks;
  if (auto refusal =
          AddEvents(markers.Value(), header.Value().frameTicks, firstFrames, recording)) {
    return OpenResult::Refuse(std::move(*refusal));
  }
  if (auto warning = LeftOutWarning(markers.Value())) warnings.push_back(std::move(*warning));
  if (auto warning = PastTheEndWarning(markers.Value().markers, frames)) {
    warnings.push_back(std::move(*warning));
  }
  recording.warnings = std::move(warnings);
  recording.samples = DataFileSamples(std::move(data.Value()), std::move(firstFrames));
  return recording;
}

}  // namespace brainvision
