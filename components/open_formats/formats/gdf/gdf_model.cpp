#include "gdf_format.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <unordered_map>

#include "common/checked_arithmetic.h"
#include "common/text_encoding.h"
#include "data_file.h"
#include "event_codes.h"
#include "gdf_time.h"
#include "model/calibration.h"
#include "unit_codes.h"

namespace gdf {

namespace {

using ModelResult = common::Result<model::Recording>;

struct RecordRun {
  std::int64_t first = 0;
  std::int64_t count = 0;
};

class GdfSamples final : public model::SampleSource {
 public:
  GdfSamples(std::unique_ptr<DataFile> file, std::vector<RecordRun> runs)
      : file(std::move(file)), runs(std::move(runs)) {}

  bool Fill(std::size_t segment, std::span<const model::ChannelRead> reads) override {
    if (segment >= runs.size()) return false;
    return file->Read(runs[segment].first, runs[segment].count, reads);
  }

 private:
  std::unique_ptr<DataFile> file;
  std::vector<RecordRun> runs;
};

// The channel tables' texts are Latin-1: characters beyond it become '?'.
std::string Utf8ToLatin1(std::string_view text) {
  std::string out;
  for (char16_t c : common::Utf8ToUtf16(text))
    out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
  return out;
}

// The channel's unit as UTF-8: 2.x's code where the table knows it, else the text field
// (1.x's, or 2.x's obsolete one) read as a header text.
std::string UnitOf(const ChannelHeader& channel) {
  if (auto unit = UnitOfCode(channel.dimensionCode)) return *unit;
  return common::Utf16ToUtf8(common::HeaderTextToUtf16(channel.physicalDimension)).value_or("");
}

std::int32_t DigitalLimit(double value) {
  if (!(value > std::numeric_limits<std::int32_t>::min()))
    return std::numeric_limits<std::int32_t>::min();
  if (!(value < std::numeric_limits<std::int32_t>::max()))
    return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::lround(value));
}

model::Channel ChannelOf(const ChannelHeader& channel, std::size_t index) {
  model::ChannelDetails details;
  details.label = channel.label;
  details.physicalDimension = Utf8ToLatin1(UnitOf(channel));
  details.transducer = channel.transducer;
  details.prefiltering = channel.prefiltering;
  details.physicalMinimum = channel.physicalMinimum;
  details.physicalMaximum = channel.physicalMaximum;
  details.digitalMinimum = DigitalLimit(channel.digitalMinimum);
  details.digitalMaximum = DigitalLimit(channel.digitalMaximum);
  details.signalIndex = static_cast<std::int32_t>(index);
  // Physical = stored x gain + offset from the two ranges, in the unit as UTF-8.
  details.calibration =
      model::CalibrationFromRanges(channel.physicalMinimum, channel.physicalMaximum,
                                   details.digitalMinimum, details.digitalMaximum, UnitOf(channel));
  return {common::HeaderTextToUtf16(channel.label), channel.samplesPerRecord, std::move(details)};
}

// The frames' time rounded up to a whole tick, so that every sample lies before the end;
// nullopt beyond 64 bits.
std::optional<std::int64_t> TicksOfRecords(std::int64_t records, model::Fraction frameTicks) {
  const auto whole =
      common::CheckedMultiply(records / frameTicks.denominator, frameTicks.numerator);
  // rest x numerator / denominator < numerator <= 2^31 x 10^7: a long double holds it to far
  // less than a tick.
  const std::int64_t rest = records % frameTicks.denominator;
  const auto restTicks = static_cast<std::int64_t>(
      std::ceil(static_cast<long double>(rest) * frameTicks.numerator / frameTicks.denominator));
  if (!whole) return std::nullopt;
  return common::CheckedAdd(*whole, restTicks);
}

// A number of ticks to the nearest one, held within +-2^61 so that sums of two cannot overflow:
// times that far out are refused by the model's time range anyway.
std::int64_t NearestTicks(long double ticks) {
  constexpr long double kLimit = static_cast<long double>(std::int64_t{1} << 61);
  if (!(ticks > -kLimit)) return -(std::int64_t{1} << 61);
  if (!(ticks < kLimit)) return std::int64_t{1} << 61;
  return static_cast<std::int64_t>(std::llround(ticks));
}

// Ticks of `samples` samples at the event table's rate.
std::int64_t EventTicks(std::int64_t samples, double rate) {
  return NearestTicks(static_cast<long double>(samples) * model::kTicksPerSecond / rate);
}

// The data records before an event's position, as a real number.
long double RecordsBefore(const DataFile& file, std::int64_t sample) {
  const FixedHeader& fixed = file.FileHeader().fixed;
  return static_cast<long double>(sample) * fixed.durationDenominator /
         (file.EventTable().rate * static_cast<long double>(fixed.durationNumerator));
}

// Where breaks start new runs of records: at the record that holds the break, with the break's
// own time when the event table gives times (modes 5 and 7).
struct Break {
  std::int64_t record = 0;
  std::optional<std::int64_t> ticks;
};

std::vector<Break> BreaksOf(const DataFile& file, std::vector<std::string>& warnings) {
  std::vector<Break> breaks;
  for (const StoredEvent& event : file.Events()) {
    if (event.code != kBreakCode) continue;
    const long double records = RecordsBefore(file, event.sample);
    if (!(records >= 0 && records < static_cast<long double>(file.RecordCount()))) continue;
    const long double nearest = std::round(records);
    const bool onBoundary = std::fabs(records - nearest) < 1e-6L;
    const auto record = static_cast<std::int64_t>(onBoundary ? nearest : std::floor(records));
    if (record < 0 || record >= file.RecordCount()) continue;
    if (!onBoundary) {
      warnings.push_back("the break at position " + std::to_string(event.sample + 1) +
                         " lies inside data record " + std::to_string(record + 1) +
                         "; the new segment starts with that record");
    }
    Break found{record, std::nullopt};
    if (event.time != 0) {
      if (auto ticks = TicksOfTime(event.time); ticks.Ok()) found.ticks = ticks.Value();
    }
    breaks.push_back(found);
  }
  std::stable_sort(breaks.begin(), breaks.end(),
                   [](const Break& a, const Break& b) { return a.record < b.record; });
  return breaks;
}

// GDF's time steps are 2^-32 day: a break's time within two of them of the previous run's end
// continues that run.
constexpr std::int64_t kContiguousTicks = 400;

// The segments' runs of records and their starts. Without times, GDF keeps no time between
// segments: each starts where its records lie, never before the previous one's rounded-up end.
std::optional<std::string> AddSegments(const DataFile& file, model::Fraction frameTicks,
                                       model::Recording& result, std::vector<RecordRun>& runs) {
  std::vector<Break> breaks = BreaksOf(file, result.warnings);
  breaks.push_back({file.RecordCount(), std::nullopt});  // the end of the last run
  std::int64_t first = 0;
  std::int64_t startTicks = result.originTicks;
  for (const Break& next : breaks) {
    if (next.record <= first) continue;
    const auto duration = TicksOfRecords(next.record - first, frameTicks);
    if (!duration) return "the data records would last more than 3000 years";
    const std::int64_t end = startTicks + *duration;
    if (next.ticks && std::abs(*next.ticks - end) <= kContiguousTicks) continue;  // no gap: one run
    runs.push_back({first, next.record - first});
    result.segments.push_back({startTicks, *duration, 0, next.record - first, {}});
    first = next.record;
    startTicks = next.ticks ? std::max(end, *next.ticks) : end;
  }
  return std::nullopt;
}

// An event's time: its segment's start plus its distance from the segment's first record,
// exact in samples; but the event's own time where the table gives one (modes 5 and 7) that
// lies further from it than the time steps explain, as for an event in a gap between
// segments, which has no position of its own.
std::int64_t EventTime(const DataFile& file, const model::Recording& result,
                       const std::vector<RecordRun>& runs, const StoredEvent& event) {
  std::int64_t fromPosition = 0;
  if (runs.empty()) {
    fromPosition = NearestTicks(result.originTicks + static_cast<long double>(EventTicks(
                                                         event.sample, file.EventTable().rate)));
  } else {
    const long double records = RecordsBefore(file, event.sample);
    std::size_t segment = 0;
    while (segment + 1 < runs.size() && runs[segment + 1].first <= records) ++segment;
    const FixedHeader& fixed = file.FileHeader().fixed;
    const long double offset = (records - runs[segment].first) * fixed.durationNumerator *
                               model::kTicksPerSecond / fixed.durationDenominator;
    fromPosition = result.segments[segment].startTicks + NearestTicks(offset);
  }
  if (event.time != 0) {
    const auto own = TicksOfTime(event.time);
    if (own.Ok() && std::abs(own.Value() - fromPosition) > kContiguousTicks) return own.Value();
  }
  return fromPosition;
}

// Text 1 of a code: the file's own description, else the standard one, else the code in hex.
std::u16string DescriptionOf(std::uint16_t code, const std::vector<std::string>& fileDescriptions) {
  if (code < fileDescriptions.size() && !fileDescriptions[code].empty()) {
    return common::HeaderTextToUtf16(fileDescriptions[code]);
  }
  if (auto standard = StandardDescription(code)) return common::Utf8ToUtf16(*standard);
  return common::Utf8ToUtf16(CodeText(code));
}

void AddEvents(const DataFile& file, const std::vector<RecordRun>& runs, model::Recording& result) {
  std::unordered_map<std::uint16_t, std::size_t> kindOfCode;
  // No kind's key ends in a word: the shared type's key is none of theirs.
  result.sharedEventType = {"gdf other", u"Other events", u"GDF events"};
  result.events.reserve(file.Events().size());
  for (const StoredEvent& event : file.Events()) {
    const auto [kind, newKind] = kindOfCode.try_emplace(event.code, result.eventKinds.size());
    if (newKind) {
      result.eventKinds.push_back({"gdf " + CodeText(event.code),
                                   DescriptionOf(event.code, file.FileHeader().eventDescriptions),
                                   common::Utf8ToUtf16(CodeText(event.code))});
    }
    result.events.push_back({EventTime(file, result, runs, event),
                             EventTicks(event.duration, file.EventTable().rate), kind->second,
                             result.eventKinds[kind->second].text1});
  }
  std::stable_sort(
      result.events.begin(), result.events.end(),
      [](const model::Event& a, const model::Event& b) { return a.timeTicks < b.timeTicks; });
}

ModelResult BuildModel(std::unique_ptr<DataFile> file) {
  model::Recording result;
  const Header& header = file->FileHeader();
  result.originTicks = header.fixed.startTicks;
  result.warnings = file->Warnings();
  // numerator x 10^7 / denominator ticks, both below 2^32: no overflow.
  const std::int64_t ticks = header.fixed.durationNumerator * model::kTicksPerSecond;
  const std::int64_t divisor = std::gcd(ticks, header.fixed.durationDenominator);
  const model::Fraction frameTicks{ticks / divisor, header.fixed.durationDenominator / divisor};
  std::vector<RecordRun> runs;
  if (!file->ServedChannels().empty()) {
    model::Layout layout{frameTicks, {}};
    for (const std::size_t channel : file->ServedChannels())
      layout.channels.push_back(ChannelOf(header.channels[channel], channel));
    result.layouts.push_back(std::move(layout));
    if (auto refusal = AddSegments(*file, frameTicks, result, runs))
      return ModelResult::Refuse(*refusal);
  }
  AddEvents(*file, runs, result);
  result.samples = std::make_unique<GdfSamples>(std::move(file), std::move(runs));
  return result;
}

}  // namespace

bool Recognises(std::string_view firstBytes) {
  // "GDF", a space or not, and a digit: the version field of every GDF version.
  if (firstBytes.substr(0, 3) != "GDF" || firstBytes.size() < 5) return false;
  const std::size_t digit = firstBytes[3] == ' ' ? 4 : 3;
  return firstBytes[digit] >= '0' && firstBytes[digit] <= '9';
}

ModelResult Open(const std::filesystem::path& path) {
  auto opened = DataFile::Open(path);
  if (!opened.Ok()) return ModelResult::Refuse(opened.Reason());
  return BuildModel(std::move(opened.Value()));
}

}  // namespace gdf
