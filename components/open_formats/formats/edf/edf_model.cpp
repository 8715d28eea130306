#include "edf_format.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "common/text_encoding.h"
#include "recording.h"

namespace edf {

namespace {

class EdfSamples final : public model::SampleSource {
 public:
  explicit EdfSamples(std::unique_ptr<Recording> parsed) : recording(std::move(parsed)) {}

  bool Fill(std::size_t segment, std::span<const model::ChannelRead> reads) override {
    const std::size_t channels = recording->ChannelSignals().size();
    Window window{segment, std::vector<model::SampleRange>(channels)};
    std::vector<std::byte*> destinations(channels, nullptr);
    for (const model::ChannelRead& read : reads) {
      if (read.channel >= channels) return false;
      window.channels[read.channel] = {read.first, read.count};
      destinations[read.channel] = read.destination;
    }
    return recording->ReadWindow(window, destinations);
  }

 private:
  std::unique_ptr<Recording> recording;
};

model::Recording BuildModel(std::unique_ptr<Recording> recording) {
  model::Recording result;
  const std::int64_t origin = recording->StartSecond() * model::kTicksPerSecond;
  result.originTicks = origin;

  model::Layout layout;
  layout.frameTicks = {recording->RecordDurationTicks(), 1};
  for (std::size_t channel = 0; channel < recording->ChannelSignals().size(); ++channel) {
    const SignalHeader& signal = recording->ChannelHeader(channel);
    model::ChannelDetails details{signal.label,
                                  signal.physicalDimension,
                                  signal.transducer,
                                  signal.prefiltering,
                                  signal.physicalMinimum,
                                  signal.physicalMaximum,
                                  signal.digitalMinimum,
                                  signal.digitalMaximum,
                                  static_cast<std::int32_t>(recording->ChannelSignals()[channel]),
                                  model::CalibrationFromRanges(
                                      signal.physicalMinimum, signal.physicalMaximum,
                                      signal.digitalMinimum, signal.digitalMaximum,
                                      common::Utf16ToUtf8(common::HeaderTextToUtf16(
                                          signal.physicalDimension)).value_or(""))};
    layout.channels.push_back(
        {common::HeaderTextToUtf16(signal.label), signal.samplesPerRecord, std::move(details)});
  }
  result.layouts.push_back(std::move(layout));
  for (const Segment& segment : recording->Segments()) {
    result.segments.push_back(
        {origin + segment.startTicks, segment.durationTicks, 0, segment.recordCount, {}});
  }

  // A kind per distinct text (text 2: the label of the signal of its first event), and the
  // shared type for every annotation signal: their labels are all "EDF Annotations", and a
  // type per signal would let the type table grow with the file.
  const std::vector<SignalHeader>& signals = recording->FileHeader().signals;
  std::unordered_map<std::string, std::size_t> kindOfText;
  result.events.reserve(recording->Events().size());
  for (const Event& event : recording->Events()) {
    const auto [kind, newKind] = kindOfText.try_emplace(event.text, result.eventKinds.size());
    if (newKind) {
      result.eventKinds.push_back({event.text, common::Utf8ToUtf16(event.text),
                                   common::Latin1ToUtf16(signals[event.signal].label)});
    }
    if (result.sharedEventType.key.empty()) {
      // No annotation text holds 0x14 (it ends a text in a TAL): the key is no text's.
      result.sharedEventType = {"\x14shared type",
                                common::Utf8ToUtf16(model::kSharedAnnotationTypeText),
                                common::Latin1ToUtf16(signals[event.signal].label)};
    }
    result.events.push_back({origin + event.onsetTicks, event.durationTicks, kind->second,
                             common::Utf8ToUtf16(event.text)});
  }
  result.warnings = recording->Warnings();
  result.samples = std::make_unique<EdfSamples>(std::move(recording));
  return result;
}

}  // namespace

bool Recognises(std::string_view firstBytes) {
  // "0" and seven spaces, or BioSemi's 0xFF "BIOSEMI" (which the parser refuses with its reason).
  return firstBytes.substr(0, 8) == "0       " || firstBytes.substr(0, 8) ==
                                                      "\xff"
                                                      "BIOSEMI";
}

common::Result<model::Recording> Open(const std::filesystem::path& path) {
  auto parsed = Recording::OpenNative(path);
  if (!parsed.Ok()) return common::Result<model::Recording>::Refuse(parsed.Reason());
  return BuildModel(std::move(parsed.Value()));
}

}  // namespace edf
