#include "header.h"

#include <array>

#include "common/calendar.h"
#include "common/checked_arithmetic.h"
#include "common/text_encoding.h"

namespace wfdb {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

struct Token {
  std::string_view text;
  std::size_t end = 0;  // where it ends in its line
};

// The first `limit` blank-separated tokens of the line.
std::vector<Token> Tokens(std::string_view line, std::size_t limit) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (tokens.size() < limit) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) break;
    const std::size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    tokens.push_back({line.substr(start, i - start), i});
  }
  return tokens;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// UTF-8 as written when it is well-formed, else each byte as its Latin-1 character.
std::string LineToUtf8(std::string_view line) {
  return common::Utf16ToUtf8(common::HeaderTextToUtf16(line)).value_or(std::string());
}

// A prefix of unsigned decimal digits; advances past them. nullopt when there are none or
// they do not fit in 63 bits.
std::optional<std::int64_t> TakeDigits(std::string_view& text) {
  std::size_t n = 0;
  while (n < text.size() && text[n] >= '0' && text[n] <= '9') ++n;
  const auto value = ParseInteger(text.substr(0, n));
  text.remove_prefix(n);
  return value;
}

std::string LineRef(std::size_t lineNumber) {
  return "line " + std::to_string(lineNumber) + " of the header";
}

Result<RecordLine> ParseRecordLine(std::string_view line, std::size_t lineNumber) {
  const auto tokens = Tokens(line, 6);
  const std::string where = LineRef(lineNumber) + " (the record line)";
  RecordLine record;
  std::string_view name = tokens[0].text;
  if (const auto slash = name.find('/'); slash != std::string_view::npos) {
    const auto count = ParseInteger(name.substr(slash + 1));
    if (!count || *count < 1) {
      return Result<RecordLine>::Refuse(where + " has no valid number of segments after '/' in \"" +
                                        LineToUtf8(name) + "\"");
    }
    record.segmentCount = *count;
    name = name.substr(0, slash);
  }
  record.name = LineToUtf8(name);
  if (tokens.size() < 2) {
    return Result<RecordLine>::Refuse(where + " gives no number of signals");
  }
  const auto signalCount = ParseInteger(tokens[1].text);
  if (!signalCount || *signalCount < 0) {
    return Result<RecordLine>::Refuse(where + " gives the number of signals as \"" +
                                      LineToUtf8(tokens[1].text) + "\"");
  }
  record.signalCount = *signalCount;
  if (tokens.size() >= 3) {
    // fs[/counterfreq[(basecounter)]]: the counter only changes how times are displayed.
    const std::string_view fsText = tokens[2].text.substr(0, tokens[2].text.find('/'));
    const auto rate = ParsePositiveDecimal(fsText);
    if (!rate) {
      return Result<RecordLine>::Refuse(where + " gives the frame rate as \"" +
                                        LineToUtf8(fsText) + "\"");
    }
    record.framesPerSecond = *rate;
  }
  if (tokens.size() >= 4) {
    const auto frames = ParseInteger(tokens[3].text);
    if (!frames || *frames < 0) {
      return Result<RecordLine>::Refuse(where + " gives the number of frames as \"" +
                                        LineToUtf8(tokens[3].text) + "\"");
    }
    record.frameCount = *frames;
  }
  if (tokens.size() >= 5) {
    record.baseTimeTicks = ParseBaseTime(tokens[4].text);
    if (!record.baseTimeTicks) {
      return Result<RecordLine>::Refuse(where + " gives the base time as \"" +
                                        LineToUtf8(tokens[4].text) + "\"");
    }
  }
  if (tokens.size() >= 6) {
    record.baseDate = ParseBaseDate(tokens[5].text);
    if (!record.baseDate) {
      return Result<RecordLine>::Refuse(where + " gives the base date as \"" +
                                        LineToUtf8(tokens[5].text) + "\"");
    }
  }
  return record;
}

// fmt[xSPF][:skew][+byteoffset]
bool ParseFormatField(std::string_view text, SignalLine& signal) {
  const auto format = TakeDigits(text);
  if (!format || *format > 100000) return false;
  signal.format = static_cast<int>(*format);
  if (!text.empty() && text.front() == 'x') {
    text.remove_prefix(1);
    const auto spf = TakeDigits(text);
    if (!spf || *spf < 1 || *spf > kMaximumSamplesPerFrame) return false;
    signal.samplesPerFrame = *spf;
  }
  if (!text.empty() && text.front() == ':') {
    text.remove_prefix(1);
    const auto skew = TakeDigits(text);
    if (!skew) return false;
    signal.skew = *skew;
  }
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    const auto offset = TakeDigits(text);
    if (!offset) return false;
    signal.byteOffset = *offset;
  }
  return text.empty();
}

// gain[(baseline)][/units]
bool ParseGainField(std::string_view text, SignalLine& signal) {
  const std::size_t gainEnd = text.find_first_of("(/");
  const auto gain = ParseReal(text.substr(0, gainEnd));
  if (!gain) return false;
  signal.gain = *gain;
  text = gainEnd == std::string_view::npos ? std::string_view() : text.substr(gainEnd);
  if (!text.empty() && text.front() == '(') {
    const std::size_t close = text.find(')');
    if (close == std::string_view::npos) return false;
    signal.baseline = ParseInteger(text.substr(1, close - 1));
    if (!signal.baseline) return false;
    text.remove_prefix(close + 1);
  }
  if (!text.empty()) {
    if (text.front() != '/') return false;
    signal.units = LineToUtf8(text.substr(1));
  }
  return true;
}

Result<SignalLine> ParseSignalLine(std::string_view line, std::size_t lineNumber,
                                   std::size_t signalIndex) {
  const auto tokens = Tokens(line, 8);
  const std::string where = LineRef(lineNumber) + " (signal " + std::to_string(signalIndex) + ")";
  SignalLine signal;
  signal.fileName = LineToUtf8(tokens[0].text);
  if (tokens.size() < 2 || !ParseFormatField(tokens[1].text, signal)) {
    return Result<SignalLine>::Refuse(
        where + " gives no format as fmt[xSPF][:skew][+byteoffset]" +
        (tokens.size() < 2 ? std::string() : " but \"" + LineToUtf8(tokens[1].text) + "\""));
  }
  if (tokens.size() >= 3 && !ParseGainField(tokens[2].text, signal)) {
    return Result<SignalLine>::Refuse(where + " gives the gain as \"" +
                                      LineToUtf8(tokens[2].text) + "\"");
  }
  const std::array<std::pair<std::int64_t*, const char*>, 3> integers{{
      {&signal.adcResolution, "ADC resolution"},
      {&signal.adcZero, "ADC zero"},
      {&signal.initialValue, "initial value"},
  }};
  for (std::size_t k = 0; k < integers.size() && 3 + k < tokens.size(); ++k) {
    const auto value = ParseInteger(tokens[3 + k].text);
    if (!value) {
      return Result<SignalLine>::Refuse(where + " gives the " + integers[k].second + " as \"" +
                                        LineToUtf8(tokens[3 + k].text) + "\"");
    }
    *integers[k].first = *value;
  }
  if (tokens.size() >= 7) {
    signal.checksum = ParseInteger(tokens[6].text);
    if (!signal.checksum) {
      return Result<SignalLine>::Refuse(where + " gives the checksum as \"" +
                                        LineToUtf8(tokens[6].text) + "\"");
    }
  }
  if (tokens.size() >= 8) {
    const auto blockSize = ParseInteger(tokens[7].text);
    if (!blockSize || *blockSize < 0) {
      return Result<SignalLine>::Refuse(where + " gives the block size as \"" +
                                        LineToUtf8(tokens[7].text) + "\"");
    }
    signal.blockSize = *blockSize;
    // The description is the rest of the line and may hold blanks.
    signal.description = LineToUtf8(TrimBlanks(line.substr(tokens[7].end)));
  }
  return signal;
}

Result<SegmentLine> ParseSegmentLine(std::string_view line, std::size_t lineNumber,
                                     std::size_t segmentIndex) {
  const auto tokens = Tokens(line, 3);
  const auto frames = tokens.size() == 2 ? ParseInteger(tokens[1].text) : std::nullopt;
  if (!frames || *frames < 0) {
    return Result<SegmentLine>::Refuse(LineRef(lineNumber) + " (segment " +
                                       std::to_string(segmentIndex) +
                                       ") is not a segment name and a number of frames");
  }
  return SegmentLine{LineToUtf8(tokens[0].text), *frames};
}

// One or two digits of a time field, below `limit`.
std::optional<std::int64_t> TimeField(std::string_view text, std::int64_t limit) {
  if (text.empty() || text.size() > 2) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  const auto value = ParseInteger(text);
  if (!value || *value >= limit) return std::nullopt;
  return value;
}

}  // namespace

bool IsRecordLine(std::string_view line) {
  line = TrimBlanks(line);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return !line.empty() && line.front() != '#' && ParseRecordLine(line, 1).Ok();
}

std::optional<std::int64_t> ParseBaseTime(std::string_view text) {
  std::int64_t fractionTicks = 0;
  if (const auto point = text.find('.'); point != std::string_view::npos) {
    const std::string_view fraction = text.substr(point + 1);
    if (fraction.size() > 7) return std::nullopt;
    std::int64_t scale = kTicksPerSecond;
    for (char c : fraction) {
      if (c < '0' || c > '9') return std::nullopt;
      scale /= 10;
      fractionTicks += (c - '0') * scale;
    }
    text = text.substr(0, point);
  }
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t colon = text.find(':', start);
    fields.push_back(text.substr(start, colon == std::string_view::npos ? colon : colon - start));
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  if (fields.size() > 3) return std::nullopt;
  const std::array<std::int64_t, 3> limits{24, 60, 60};
  const std::array<std::int64_t, 3> seconds{3600, 60, 1};
  std::int64_t total = 0;
  const std::size_t first = 3 - fields.size();  // fields given are the last ones of HH:MM:SS
  for (std::size_t k = 0; k < fields.size(); ++k) {
    const auto value = TimeField(fields[k], limits[first + k]);
    if (!value) return std::nullopt;
    total += *value * seconds[first + k];
  }
  return total * kTicksPerSecond + fractionTicks;
}

std::optional<BaseDate> ParseBaseDate(std::string_view text) {
  const std::size_t first = text.find('/');
  const std::size_t second = first == std::string_view::npos ? first : text.find('/', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const std::array<std::string_view, 3> parts{text.substr(0, first),
                                              text.substr(first + 1, second - first - 1),
                                              text.substr(second + 1)};
  std::array<int, 3> values{};
  for (std::size_t k = 0; k < parts.size(); ++k) {
    if (parts[k].empty() || parts[k].size() > 4 || parts[k].front() == '+' ||
        parts[k].front() == '-') {
      return std::nullopt;
    }
    const auto value = ParseInteger(parts[k]);
    if (!value) return std::nullopt;
    values[k] = static_cast<int>(*value);
  }
  const BaseDate date{values[0], values[1], values[2]};
  if (!common::IsValidDate({date.year, date.month, date.day})) return std::nullopt;
  return date;
}

namespace {

// The reason when the segments' frames do not add up to the record's (when it gives them).
std::optional<std::string> SegmentFramesDisagree(const Header& header) {
  std::optional<std::int64_t> sum = 0;
  for (const SegmentLine& segment : header.segments) {
    if (sum) sum = common::CheckedAdd(*sum, segment.frameCount);
  }
  if (header.record.frameCount == 0 || sum == header.record.frameCount) return std::nullopt;
  return "the record line gives " + std::to_string(header.record.frameCount) +
         " frames but its segments add up to " +
         (sum ? std::to_string(*sum) : std::string("more than 64 bits hold"));
}

}  // namespace

Result<Header> ParseHeader(std::string_view bytes) {
  Header header;
  bool haveRecordLine = false;
  std::size_t lineNumber = 0;
  std::size_t position = 0;
  while (position < bytes.size()) {
    std::size_t end = bytes.find('\n', position);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(position, end - position);
    position = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view content = TrimBlanks(line);
    if (content.empty()) continue;
    if (content.front() == '#') {
      if (haveRecordLine) header.comments.push_back(LineToUtf8(content.substr(1)));
      continue;
    }
    if (!haveRecordLine) {
      auto record = ParseRecordLine(content, lineNumber);
      if (!record.Ok()) return Result<Header>::Refuse(record.Reason());
      header.record = std::move(record.Value());
      haveRecordLine = true;
    } else if (header.IsMultiSegment()) {
      auto segment = ParseSegmentLine(content, lineNumber, header.segments.size());
      if (!segment.Ok()) return Result<Header>::Refuse(segment.Reason());
      header.segments.push_back(std::move(segment.Value()));
    } else {
      auto signal = ParseSignalLine(content, lineNumber, header.signals.size());
      if (!signal.Ok()) return Result<Header>::Refuse(signal.Reason());
      header.signals.push_back(std::move(signal.Value()));
    }
  }
  if (!haveRecordLine) return Result<Header>::Refuse("the header has no record line");
  const auto declared = [](std::int64_t count, const char* what) {
    return "the header declares " + std::to_string(count) + " " + what;
  };
  if (header.IsMultiSegment()) {
    const auto listed = static_cast<std::int64_t>(header.segments.size());
    if (listed != *header.record.segmentCount) {
      return Result<Header>::Refuse(declared(*header.record.segmentCount, "segments") +
                                    " but lists " + std::to_string(listed));
    }
    if (auto refusal = SegmentFramesDisagree(header)) return Result<Header>::Refuse(*refusal);
  } else {
    const auto described = static_cast<std::int64_t>(header.signals.size());
    if (described != header.record.signalCount) {
      return Result<Header>::Refuse(declared(header.record.signalCount, "signals") +
                                    " but describes " + std::to_string(described));
    }
  }
  return header;
}

}  // namespace wfdb
