#include "wfdb_format.h"

#include <cmath>
#include <map>
#include <numeric>
#include <tuple>

#include "common/checked_arithmetic.h"
#include "common/text_encoding.h"
#include "record.h"

namespace wfdb {

namespace {

constexpr const char* kTooLong = "a segment of the record lasts too long";

class WfdbSamples final : public model::SampleSource {
 public:
  explicit WfdbSamples(std::unique_ptr<Record> record) : record(std::move(record)) {}

  bool Fill(std::size_t segment, std::span<const model::ChannelRead> reads) override {
    converted.clear();
    for (const model::ChannelRead& read : reads) {
      // Stored 16-bit values on a little-endian host are the destination's bytes.
      converted.push_back({read.channel, read.first, read.count, reinterpret_cast<std::int16_t*>(read.destination)});
    }
    return record->Read(segment, converted);
  }

 private:
  std::unique_ptr<Record> record;
  std::vector<Record::ChannelRead> converted;  // kept from read to read
};

// The channel tables' texts are Latin-1: characters beyond it become '?'.
std::string Utf8ToLatin1(std::string_view text) {
  std::string out;
  for (char16_t c : common::Utf8ToUtf16(text))
    out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
  return out;
}

// Physical value = (stored - baseline) / gain in the header's units (mV when it names none),
// written as stored x (1 / gain) + offset with the offset -(baseline x (1 / gain)), so that the
// baseline itself comes out exactly 0. Gain 0 is uncalibrated: the stored values, in "adu".
// Every stored -32768 is a missing sample.
model::Calibration ChannelCalibration(const Channel& channel) {
  model::Calibration calibration;
  calibration.known = true;
  calibration.invalidValue = std::int16_t{-32768};
  if (channel.gain == 0) {
    calibration.gain = 1.0;
    calibration.unit = "adu";
    return calibration;
  }
  calibration.gain = 1.0 / channel.gain;
  calibration.offset = -(static_cast<double>(channel.baseline) * calibration.gain);
  calibration.unit = channel.units.empty() ? "mV" : channel.units;
  return calibration;
}

model::ChannelDetails DetailsOf(const Channel& channel) {
  model::ChannelDetails details;
  details.label = Utf8ToLatin1(channel.name);
  // Gain 0: uncalibrated, the stored values in ADC units.
  details.physicalDimension = channel.gain == 0 ? "adu" : Utf8ToLatin1(channel.units);
  details.digitalMinimum = -32768;
  details.digitalMaximum = 32767;
  const auto physical = [&](std::int32_t digital) {
    return channel.gain == 0 ? digital : (digital - static_cast<double>(channel.baseline)) / channel.gain;
  };
  details.physicalMinimum = physical(details.digitalMinimum);
  details.physicalMaximum = physical(details.digitalMaximum);
  details.signalIndex = static_cast<std::int32_t>(channel.signalIndex);
  details.calibration = ChannelCalibration(channel);
  return details;
}

model::Fraction TicksPerFrame(ExactRate rate) {
  // 10^7 x denominator / numerator ticks; the denominator is at most 10^9, so no overflow.
  const std::int64_t numerator = kTicksPerSecond * rate.denominator;
  const std::int64_t divisor = std::gcd(numerator, rate.numerator);
  return {numerator / divisor, rate.numerator / divisor};
}

// The frames' time rounded up to a whole tick, so that every sample lies before the end;
// nullopt beyond 64 bits.
std::optional<std::int64_t> DurationTicks(std::int64_t frames, model::Fraction frameTicks) {
  const auto whole = common::CheckedMultiply(frames / frameTicks.denominator, frameTicks.numerator);
  // rest x numerator / denominator < numerator <= 10^16: a long double holds it to far less
  // than a tick, and a quotient that is whole but computed a hair above costs one tick at most.
  const std::int64_t rest = frames % frameTicks.denominator;
  const auto restTicks = static_cast<std::int64_t>(
      std::ceil(static_cast<long double>(rest) * frameTicks.numerator / frameTicks.denominator));
  if (!whole) return std::nullopt;
  return common::CheckedAdd(*whole, restTicks);
}

}  // namespace

bool Recognises(std::string_view firstBytes) {
  // The first line that is neither blank nor a comment, when it is complete.
  std::size_t position = 0;
  while (position < firstBytes.size()) {
    const std::size_t end = firstBytes.find('\n', position);
    if (end == std::string_view::npos) return false;
    const std::string_view line = firstBytes.substr(position, end - position);
    position = end + 1;
    const std::size_t content = line.find_first_not_of(" \t\r");
    if (content == std::string_view::npos || line[content] == '#') continue;
    return IsRecordLine(line);
  }
  return false;
}

common::Result<model::Recording> Open(const std::filesystem::path& headerPath) {
  auto opened = Record::Open(headerPath);
  if (!opened.Ok()) return common::Result<model::Recording>::Refuse(opened.Reason());
  std::unique_ptr<Record> record = std::move(opened.Value());
  model::Recording result;
  result.originTicks = record->Segments().empty() ? 0 : record->Segments()[0].startTicks;
  const model::Fraction frameTicks = TicksPerFrame(record->FramesPerSecond());
  // Segments share a layout when their channels agree in everything the channel tables and
  // the calibration carry: a later segment that gains a signal up keeps its own gain.
  using ChannelKey = std::tuple<std::string, std::int64_t, double, std::int64_t, std::string>;
  std::map<std::vector<ChannelKey>, std::size_t> layoutOf;
  for (const Record::Segment& segment : record->Segments()) {
    if (segment.frames == 0) continue;
    std::vector<ChannelKey> key;
    for (const Channel& channel : segment.channels) {
      key.emplace_back(channel.name, channel.samplesPerFrame, channel.gain, channel.baseline, channel.units);
    }
    const auto [found, added] = layoutOf.try_emplace(key, result.layouts.size());
    if (added) {
      model::Layout layout{frameTicks, {}};
      for (const Channel& channel : segment.channels) {
        layout.channels.push_back(
            {common::Utf8ToUtf16(channel.name), channel.samplesPerFrame, DetailsOf(channel)});
      }
      result.layouts.push_back(std::move(layout));
    }
    const auto duration = DurationTicks(segment.frames, frameTicks);
    if (!duration) return common::Result<model::Recording>::Refuse(kTooLong);
    // A skewed signal of the last WFDB segment ends before the frames do.
    std::vector<std::int64_t> shortfalls;
    for (const Channel& channel : segment.channels) {
      const auto frameSamples = common::CheckedMultiply(segment.frames, channel.samplesPerFrame);
      if (!frameSamples) return common::Result<model::Recording>::Refuse(kTooLong);
      shortfalls.push_back(*frameSamples - channel.sampleCount);
    }
    result.segments.push_back(
        {segment.startTicks, *duration, found->second, segment.frames, std::move(shortfalls)});
  }
  // A kind per annotator and code.
  std::map<std::pair<std::size_t, int>, std::size_t> kindOf;
  // One type for the kinds past the cap, whichever annotators hold them; text 2 names them
  // all. No kind's key ends in a word: this key is none of theirs.
  std::string annotators;
  for (const std::string& annotator : record->Annotators()) {
    annotators += (annotators.empty() ? "" : ", ") + annotator;
  }
  result.sharedEventType = {"wfdb other annotations",
                            common::Utf8ToUtf16(model::kSharedAnnotationTypeText),
                            common::Utf8ToUtf16(annotators)};
  result.events.reserve(record->Events().size());
  for (const Event& event : record->Events()) {
    const auto [kind, newKind] = kindOf.try_emplace({event.annotator, event.code}, result.eventKinds.size());
    if (newKind) {
      const std::string& annotator = record->Annotators()[event.annotator];
      result.eventKinds.push_back({"wfdb " + annotator + " " + std::to_string(event.code),
                                   common::Utf8ToUtf16(record->Mnemonic(event)),
                                   common::Utf8ToUtf16(annotator)});
    }
    result.events.push_back(
        {event.ticks, 0, kind->second, common::Utf8ToUtf16(record->Label(event))});
  }
  result.warnings = record->Warnings();
  result.samples = std::make_unique<WfdbSamples>(std::move(record));
  return result;
}

}  // namespace wfdb
