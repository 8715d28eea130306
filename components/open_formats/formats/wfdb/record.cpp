#include "record.h"

#include <algorithm>
#include <numeric>

#include "common/calendar.h"
#include "common/checked_arithmetic.h"
#include "file_source.h"
#include "flac_decoder.h"
#include "group_reader.h"
#include "mit_annotations.h"
#include "rate_grid.h"
#include "sample_formats.h"

namespace wfdb {

namespace {

// Headers are a few kilobytes; annotation files of day-long records a few megabytes.
constexpr std::int64_t kLargestHeader = 16 << 20;
constexpr std::int64_t kLargestAnnotationFile = std::int64_t{1} << 30;

std::string SegmentRef(std::size_t index, const std::string& name) {
  return "segment " + std::to_string(index) + " (" + name + ")";
}

// What must stay the same for consecutive WFDB segments to make one continuous segment.
struct SignalKey {
  std::string description;
  std::int64_t samplesPerFrame;
  double gain;
  std::int64_t baseline;
  std::string units;

  bool operator==(const SignalKey&) const = default;
};

// The keys of the signals a part serves.
std::vector<SignalKey> KeysOf(const Header& header, const std::vector<Channel>& channels) {
  std::vector<SignalKey> keys;
  for (const Channel& channel : channels) {
    const SignalLine& s = header.signals[channel.signalIndex];
    keys.push_back({s.description, s.samplesPerFrame, s.gain, s.Baseline(), s.units});
  }
  return keys;
}

std::string SignalRef(const SignalLine& signal, std::size_t index) {
  std::string name = "signal " + std::to_string(index);
  if (!signal.description.empty()) name += " (" + signal.description + ")";
  return name;
}

std::unique_ptr<SignalFileReader> ReaderOf(SignalGroup group, std::unique_ptr<common::RandomAccessFile> file,
                                           std::string& why) {
  auto source = std::make_unique<FileSource>(std::move(file));
  if (FlacWidth(group.format) != 0) return OpenFlacReader(std::move(group), std::move(source), why);
  return std::make_unique<GroupReader>(std::move(group), std::move(source));
}

// Whether the bytes hold no control character but tab, line feed and carriage return: an
// annotation file of beats holds some in nearly every word (codes 1 to 7 in its high byte).
bool IsText(std::string_view bytes) {
  return std::none_of(bytes.begin(), bytes.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 && c != '\t' && c != '\n' && c != '\r';
  });
}

Result<Header> ReadHeader(const std::filesystem::path& folder, const std::string& name) {
  std::string why;
  auto file = OpenInFolder(folder, name, why);
  if (!file) return Result<Header>::Refuse(why);
  const auto bytes = ReadWhole(*file, kLargestHeader);
  if (!bytes) return Result<Header>::Refuse(name + " could not be read whole");
  return ParseHeader(*bytes);
}

}  // namespace

std::optional<std::int64_t> FramesToTicks(std::int64_t frames, ExactRate rate) {
  // frames x 10^7 x denominator / numerator, exact where it fits, else in whole numerators
  // plus the rounded rest.
  const auto perNumerator = common::CheckedMultiply(kTicksPerSecond, rate.denominator);
  if (!perNumerator || frames < 0) return std::nullopt;
  const auto whole = common::CheckedMultiply(frames / rate.numerator, *perNumerator);
  const std::int64_t rest = frames % rate.numerator;
  // rest < numerator: the long double quotient is good to far better than half a tick.
  const auto restTicks = static_cast<std::int64_t>(
      static_cast<long double>(rest) * static_cast<long double>(*perNumerator) / rate.numerator + 0.5L);
  if (!whole) return std::nullopt;
  return common::CheckedAdd(*whole, restTicks);
}

Record::~Record() = default;

Result<std::unique_ptr<Record>> Record::Open(const std::filesystem::path& headerPath) {
  using Opened = Result<std::unique_ptr<Record>>;
  auto file = common::RandomAccessFile::OpenNative(headerPath);
  if (!file.Ok()) return Opened::Refuse(file.Reason());
  const auto bytes = ReadWhole(*file.Value(), kLargestHeader);
  if (!bytes) return Opened::Refuse("the header could not be read whole");
  auto parsed = ParseHeader(*bytes);
  if (!parsed.Ok()) return Opened::Refuse(parsed.Reason());
  std::unique_ptr<Record> record(new Record());
  record->header = std::move(parsed.Value());
  const RecordLine& line = record->header.record;
  // Checked again below against every frame of the record, once they are counted.
  auto rate = RateOnTickGrid(line.framesPerSecond, line.frameCount, "the frame rate");
  if (!rate.Ok()) return Opened::Refuse(rate.Reason());
  record->frameRate = rate.Value();
  // Without a base date the record starts on day 0; without a base time at midnight.
  const std::int64_t day =
      line.baseDate
          ? common::DayNumberOf({line.baseDate->year, line.baseDate->month, line.baseDate->day})
          : 0;
  record->startTicks = day * kTicksPerDay + line.baseTimeTicks.value_or(0);
  const std::filesystem::path folder = headerPath.parent_path();
  if (auto why = record->OpenSegments(folder)) return Opened::Refuse(*why);
  std::int64_t frames = line.frameCount;
  for (const Segment& segment : record->segments) frames = std::max(frames, segment.frames);
  if (auto checked = RateOnTickGrid(line.framesPerSecond, frames, "the frame rate"); !checked.Ok()) {
    return Opened::Refuse(checked.Reason());
  }
  std::string stem;
  const std::u8string stemText = headerPath.stem().u8string();
  stem.assign(stemText.begin(), stemText.end());
  if (auto why = record->FindEvents(folder, stem)) return Opened::Refuse(*why);
  return record;
}

std::optional<std::string> Record::OpenPart(const std::filesystem::path& folder,
                                            const Header& partHeader, std::int64_t frames,
                                            const std::string& where, Part& part,
                                            std::vector<Channel>& channels) {
  auto groups = GroupSignals(partHeader.signals);
  if (!groups.Ok()) return groups.Reason();
  std::vector<std::pair<std::size_t, std::size_t>> sourceOf(partHeader.signals.size());
  for (auto& group : groups.Value()) {
    std::string why;
    auto file = OpenInFolder(folder, group.fileName, why);
    if (!file) return why;
    // A signal file still being written keeps serving the frames it held at open.
    if (!file->KeepServingWhileGrowing()) return group.fileName + " cannot be read";
    signalFileNames.push_back(group.fileName);
    for (std::size_t m = 0; m < group.members.size(); ++m) {
      sourceOf[group.members[m].signal] = {part.readers.size(), m};
    }
    auto reader = ReaderOf(std::move(group), std::move(file), why);
    if (!reader) return why;
    part.readers.push_back(std::move(reader));
  }
  // The whole frames every file holds: the record's frames when it does not say (0), and at
  // most what it says.
  std::int64_t wholeFrames = part.readers.empty() ? frames : part.readers[0]->FramesInFile();
  for (const auto& reader : part.readers) wholeFrames = std::min(wholeFrames, reader->FramesInFile());
  part.frames = frames == 0 ? wholeFrames : frames;
  part.wholeFrames = std::min(part.frames, wholeFrames);
  // The values of the wide formats' signals, checked once here: the channels are fixed now.
  std::vector<std::vector<ValueRange>> ranges(part.readers.size());
  for (std::size_t r = 0; r < part.readers.size(); ++r) {
    SignalFileReader& reader = *part.readers[r];
    if (MayExceedSixteenBits(reader.Group().format) && !reader.ScanValueRanges(part.frames, ranges[r])) {
      return reader.Group().fileName + " could not be read through to check its values";
    }
  }
  const ExactRate fs = frameRate;  // a segment's is the record's
  for (std::size_t s = 0; s < partHeader.signals.size(); ++s) {
    const SignalLine& signal = partHeader.signals[s];
    if (HasNoData(signal)) {
      // A null signal: the channel its header declares, every sample invalid.
      part.sources.push_back({0, 0, signal.samplesPerFrame, 0, false});
    } else {
      const auto [readerIndex, member] = sourceOf[s];
      if (!ranges[readerIndex].empty() && !ranges[readerIndex][member].FitsSixteenBits()) {
        const ValueRange& range = ranges[readerIndex][member];
        warnings.push_back(where + SignalRef(signal, s) + " (format " + std::to_string(signal.format) +
                           ") holds values from " + std::to_string(range.lowest) + " to " +
                           std::to_string(range.highest) + ", beyond 16 bits: left out");
        continue;
      }
      const SignalFileReader& reader = *part.readers[readerIndex];
      const std::int64_t available = SignalFileReader::MemberSamples(
          reader.Group().members[member], std::min(part.frames, reader.FramesInFile()));
      part.sources.push_back({readerIndex, member, signal.samplesPerFrame, available});
    }
    const auto numerator = common::CheckedMultiply(fs.numerator, signal.samplesPerFrame);
    if (!numerator) return "signal " + std::to_string(s) + " has too many samples per second";
    const std::int64_t divisor = std::gcd(*numerator, fs.denominator);
    const std::string name = signal.description.empty()
                                 ? "record " + header.record.name + ", signal " + std::to_string(s)
                                 : signal.description;
    channels.push_back({name, {*numerator / divisor, fs.denominator / divisor}, signal.samplesPerFrame, 0, s,
                        signal.units,
                        signal.gain, signal.Baseline()});
  }
  return std::nullopt;
}

std::optional<std::string> Record::OpenSegments(const std::filesystem::path& folder) {
  if (!header.IsMultiSegment()) {
    Segment segment{startTicks, 0, {}};
    Part part;
    if (auto why = OpenPart(folder, header, header.record.frameCount, "", part, segment.channels)) return why;
    NoteShortFiles(part, "");
    segments.push_back(std::move(segment));
    parts.emplace_back();
    parts.back().push_back(std::move(part));
    return FinishSegments();
  }
  // The first segment of a variable layout record is its layout header: no frames, no data.
  const bool variableLayout = !header.segments.empty() && header.segments[0].frameCount == 0 &&
                              !header.segments[0].IsNull();
  std::int64_t framesBefore = 0;
  std::vector<SignalKey> runKeys;
  bool runOpen = false;
  std::string firstAbsent;
  for (std::size_t i = 0; i < header.segments.size(); ++i) {
    const SegmentLine& line = header.segments[i];
    // An absent file makes its segment a gap, as a null segment is; the record is refused only
    // when no segment is there.
    std::string absent = IsAbsent(folder, line.name + ".hea") ? line.name + ".hea" : "";
    std::optional<Result<Header>> segmentHeader;
    if (!line.IsNull() && line.frameCount != 0 && absent.empty()) {
      segmentHeader = ReadHeader(folder, line.name + ".hea");
      if (segmentHeader->Ok()) {
        for (const SignalLine& signal : segmentHeader->Value().signals) {
          if (absent.empty() && !HasNoData(signal) && IsAbsent(folder, signal.fileName)) absent = signal.fileName;
        }
      }
    }
    if (line.IsNull() || line.frameCount == 0 || !absent.empty()) {
      // A gap: time passes and the next segment starts afresh.
      runOpen = false;
      if (!absent.empty() && !line.IsNull() && line.frameCount != 0) {
        warnings.push_back(SegmentRef(i, line.name) + ": " + absent + " is absent; its " +
                           std::to_string(line.frameCount) + " frames are a gap");
        if (firstAbsent.empty()) firstAbsent = SegmentRef(i, line.name) + " lacks " + absent;
      }
    } else {
      if (!segmentHeader->Ok()) return SegmentRef(i, line.name) + ": " + segmentHeader->Reason();
      const Header& part = segmentHeader->Value();
      if (part.IsMultiSegment()) return SegmentRef(i, line.name) + " is itself a multi-segment record";
      if (part.record.frameCount != 0 && part.record.frameCount != line.frameCount) {
        return SegmentRef(i, line.name) + " has " + std::to_string(part.record.frameCount) +
               " frames in its header but " + std::to_string(line.frameCount) + " in the record's";
      }
      const std::int64_t signalCount = static_cast<std::int64_t>(part.signals.size());
      if (variableLayout ? signalCount > header.record.signalCount : signalCount != header.record.signalCount) {
        return SegmentRef(i, line.name) + " has " + std::to_string(signalCount) +
               " signals where the record has " + std::to_string(header.record.signalCount);
      }
      if (!(part.record.framesPerSecond == header.record.framesPerSecond)) {
        return SegmentRef(i, line.name) + " has another frame rate than the record";
      }
      Part piece;
      std::vector<Channel> channels;
      if (auto why = OpenPart(folder, part, line.frameCount, SegmentRef(i, line.name) + ": ", piece, channels)) {
        return SegmentRef(i, line.name) + ": " + *why;
      }
      const auto keys = KeysOf(part, channels);
      if (!runOpen || keys != runKeys) {
        const auto offset = FramesToTicks(framesBefore, frameRate);
        if (!offset || !common::CheckedAdd(startTicks, *offset))
          return SegmentRef(i, line.name) + " starts too late";
        segments.push_back({startTicks + *offset, 0, {}});
        parts.emplace_back();
        runKeys = keys;
        runOpen = true;
      }
      NoteShortFiles(piece, SegmentRef(i, line.name) + ": ");
      if (segments.back().channels.empty()) segments.back().channels = std::move(channels);
      parts.back().push_back(std::move(piece));
    }
    const auto sum = common::CheckedAdd(framesBefore, line.frameCount);
    if (!sum) return SegmentRef(i, line.name) + " ends too late";
    framesBefore = *sum;
  }
  if (segments.empty() && !firstAbsent.empty()) return "no segment of the record is there: " + firstAbsent;
  return FinishSegments();
}

void Record::NoteShortFiles(const Part& part, const std::string& where) {
  if (part.wholeFrames >= part.frames) return;
  warnings.push_back(where + "the signal files hold " + std::to_string(part.wholeFrames) +
                     " whole frames of the " + std::to_string(part.frames) +
                     " the header gives; the rest read as invalid samples or are left out");
}

std::optional<std::string> Record::FinishSegments() {
  for (std::size_t s = 0; s < segments.size(); ++s) {
    // A segment ends with the last whole frame of its last part's files; an earlier part's
    // missing samples read as invalid, so that later samples keep their times.
    Part& last = parts[s].back();
    last.frames = last.wholeFrames;
    segments[s].frames = 0;
    for (const Part& part : parts[s]) segments[s].frames += part.frames;
    for (std::size_t c = 0; c < segments[s].channels.size(); ++c) {
      // Every part of a segment has the channel's samples per frame: when the segment's samples
      // fit, so does every sum of its parts' below.
      if (!common::CheckedMultiply(segments[s].frames, last.sources[c].samplesPerFrame)) {
        return "a segment of the record holds too many samples of " + segments[s].channels[c].name;
      }
      std::int64_t count = 0;
      for (std::size_t p = 0; p + 1 < parts[s].size(); ++p) {
        count += parts[s][p].frames * parts[s][p].sources[c].samplesPerFrame;
      }
      const Part::Source& source = last.sources[c];
      const std::int64_t lastFrameSamples = last.frames * source.samplesPerFrame;
      segments[s].channels[c].sampleCount =
          count + (source.hasFile ? std::min(source.available, lastFrameSamples) : lastFrameSamples);
    }
  }
  return std::nullopt;
}

std::optional<std::string> Record::FindEvents(const std::filesystem::path& folder, const std::string& recordName) {
  std::vector<std::pair<std::string, std::filesystem::path>> candidates;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, error)) {
    const std::u8string nameText = entry.path().filename().u8string();
    const std::string name(nameText.begin(), nameText.end());
    if (name.size() <= recordName.size() + 1 || name.compare(0, recordName.size(), recordName) != 0 ||
        name[recordName.size()] != '.') {
      continue;
    }
    const std::string extension = name.substr(recordName.size() + 1);
    if (extension == "hea" || std::find(signalFileNames.begin(), signalFileNames.end(), name) != signalFileNames.end()) {
      continue;
    }
    candidates.emplace_back(extension, entry.path());
  }
  std::sort(candidates.begin(), candidates.end());
  for (const auto& [annotator, path] : candidates) {
    auto file = common::RandomAccessFile::OpenNative(path);
    if (!file.Ok()) continue;  // a directory or device of that name is no annotator
    const auto bytes = ReadWhole(*file.Value(), kLargestAnnotationFile);
    if (!bytes) continue;
    auto decoded = DecodeMitAnnotations(std::as_bytes(std::span(*bytes)));
    if (!decoded.Ok()) continue;  // not an annotation file
    const std::string fileName = recordName + "." + annotator;
    if (!decoded.Value().stopped.empty()) {
      if (IsText(*bytes)) continue;  // a text file beside the record, whose first words parsed
      warnings.push_back(fileName + " cannot be read to its end: " + decoded.Value().stopped + "; the " +
                         std::to_string(decoded.Value().annotations.size()) + " annotations before are kept");
    }
    ExactRate rate = frameRate;
    if (const auto resolution = decoded.Value().ticksPerSecond) {
      std::int64_t last = 0;
      for (const Annotation& annotation : decoded.Value().annotations) last = std::max(last, annotation.ticks);
      auto onGrid = RateOnTickGrid(*resolution, last, "the time resolution");
      if (!onGrid.Ok()) {
        warnings.push_back(onGrid.Reason() + ": the annotations of " + fileName + " are left out");
        continue;
      }
      rate = onGrid.Value();
    }
    const std::size_t index = annotators.size();
    events.reserve(events.size() + decoded.Value().annotations.size());
    for (Annotation& annotation : decoded.Value().annotations) {
      const auto offset = FramesToTicks(annotation.ticks, rate);
      if (!offset || !common::CheckedAdd(startTicks, *offset)) {
        return annotator + " holds an annotation too late for any date";
      }
      events.push_back({startTicks + *offset, index, annotation.code, std::move(annotation.aux)});
    }
    labels.emplace_back();
    for (int code = 0; code < 64; ++code) labels.back().push_back(decoded.Value().LabelOf(code));
    annotators.push_back(annotator);
  }
  const auto earlier = [](const Event& a, const Event& b) { return a.ticks < b.ticks; };
  // One annotator's file is in time order already, as a rule.
  if (!std::is_sorted(events.begin(), events.end(), earlier)) {
    std::stable_sort(events.begin(), events.end(), earlier);
  }
  return std::nullopt;
}

const std::string& Record::Mnemonic(const Event& event) const {
  return labels[event.annotator][static_cast<std::size_t>(event.code)].mnemonic;
}

const std::string& Record::Label(const Event& event) const {
  return event.aux.empty() ? labels[event.annotator][static_cast<std::size_t>(event.code)].description
                           : event.aux;
}

bool Record::Read(std::size_t segment, std::span<const ChannelRead> reads) {
  if (segment >= segments.size()) return false;
  const auto& channels = segments[segment].channels;
  for (const ChannelRead& read : reads) {
    if (read.channel >= channels.size() || read.first < 0 || read.count < 0 ||
        read.first > channels[read.channel].sampleCount - read.count) {
      return false;
    }
  }
  partStart.assign(channels.size(), 0);
  for (Part& part : parts[segment]) {
    if (perReader.size() < part.readers.size()) perReader.resize(part.readers.size());
    for (std::vector<MemberRead>& readerReads : perReader) readerReads.clear();
    for (const ChannelRead& read : reads) {
      const Part::Source& source = part.sources[read.channel];
      const std::int64_t start = partStart[read.channel];
      const std::int64_t from = std::max(read.first, start);
      const std::int64_t to = std::min(read.first + read.count, start + part.frames * source.samplesPerFrame);
      if (from >= to) continue;
      const std::int64_t held = source.hasFile ? std::min(to, start + source.available) : from;
      if (held > from) {
        perReader[source.reader].push_back({source.member, from - start, held - from, read.out + (from - read.first)});
      }
      std::fill(read.out + (std::max(held, from) - read.first), read.out + (to - read.first), kInvalidSample);
    }
    for (std::size_t r = 0; r < part.readers.size(); ++r) {
      if (!perReader[r].empty() && !part.readers[r]->Read(perReader[r])) return false;
    }
    for (std::size_t c = 0; c < channels.size(); ++c) partStart[c] += part.frames * part.sources[c].samplesPerFrame;
  }
  return true;
}

}  // namespace wfdb
