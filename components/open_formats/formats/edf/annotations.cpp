#include "annotations.h"

#include <string_view>

#include "common/text_encoding.h"
#include "numeric_fields.h"

namespace edf {

namespace {

constexpr char kDurationMark = 0x15;
constexpr char kTextEnd = 0x14;
constexpr char kTalEnd = 0x00;

// A piece of the bytes quoted for a refusal, ill-formed UTF-8 replaced.
std::string Quoted(std::string_view text) {
  // Appended rather than "\"" + ...: GCC 12 warns falsely (-Wrestrict) on that form.
  std::string quoted = "\"";
  quoted += common::Utf16ToUtf8(common::Utf8ToUtf16(text)).value_or(std::string{});
  return quoted += '"';
}

// Why a time that ParseSecondsAsTicks refused was refused.
std::string NotInRange(std::string_view text) {
  return IsSecondsText(text) ? " is beyond the " + std::to_string(kMaximumSeconds) +
                                   " s either way that this reader accepts"
                             : " is not a number";
}

class TalReader {
 public:
  explicit TalReader(std::span<const std::byte> bytes)
      : text(reinterpret_cast<const char*>(bytes.data()), bytes.size()) {}  // bytes as characters

  bool AtEnd() const { return position >= text.size(); }
  char Peek() const { return text[position]; }
  void Skip() { ++position; }
  std::size_t Position() const { return position; }

  void SkipPadding() {
    while (!AtEnd() && text[position] == kTalEnd) ++position;
  }

  // The characters up to (not including) the first of `stops`, or nullopt when the bytes end
  // first. The stop character is not consumed.
  std::optional<std::string_view> ReadUntil(std::string_view stops) {
    const auto end = text.find_first_of(stops, position);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view piece = text.substr(position, end - position);
    position = end;
    return piece;
  }

 private:
  std::string_view text;
  std::size_t position = 0;
};

// The time stamp of a TAL; its texts follow.
struct TalStamp {
  std::int64_t onsetTicks = 0;
  std::int64_t durationTicks = 0;
};

// Built only on refusal: most records hold one well-formed TAL, and opening a long recording
// parses every record.
std::string Where(std::size_t start) { return "the annotation at byte " + std::to_string(start); }

// Reads a TAL's onset, optional duration and the 0x14 after them.
common::Result<TalStamp> ReadTalStamp(TalReader& reader, std::size_t start) {
  if (reader.Peek() != '+' && reader.Peek() != '-') {
    return common::Result<TalStamp>::Refuse(Where(start) + " does not start with + or -");
  }
  constexpr std::string_view kOnsetStops{"\x14\x15\x00", 3};
  const auto onsetText = reader.ReadUntil(kOnsetStops);
  if (!onsetText || reader.Peek() == kTalEnd) {
    return common::Result<TalStamp>::Refuse(Where(start) + " is unterminated");
  }
  TalStamp stamp;
  const auto onset = ParseSecondsAsTicks(*onsetText);
  if (!onset) {
    return common::Result<TalStamp>::Refuse(Where(start) + ": the onset " + Quoted(*onsetText) +
                                            NotInRange(*onsetText));
  }
  stamp.onsetTicks = *onset;
  if (reader.Peek() == kDurationMark) {
    reader.Skip();
    const auto durationText = reader.ReadUntil(kOnsetStops);
    if (!durationText || reader.Peek() != kTextEnd) {
      return common::Result<TalStamp>::Refuse(Where(start) + " is unterminated");
    }
    const auto duration = ParseSecondsAsTicks(*durationText);
    if (!duration || durationText->empty() || (*durationText)[0] == '-' || (*durationText)[0] == '+') {
      const bool isUnsigned = !durationText->empty() && (*durationText)[0] != '-' && (*durationText)[0] != '+';
      return common::Result<TalStamp>::Refuse(
          Where(start) + ": the duration " + Quoted(*durationText) +
          (isUnsigned && IsSecondsText(*durationText) ? NotInRange(*durationText)
                                                      : " is not an unsigned number"));
    }
    stamp.durationTicks = *duration;
  }
  reader.Skip();  // the 0x14 that ends the time stamp
  return stamp;
}

}  // namespace

common::Result<RecordAnnotations> ParseAnnotationBytes(std::span<const std::byte> bytes,
                                                       bool keepsTime) {
  using ParseResult = common::Result<RecordAnnotations>;
  RecordAnnotations result;
  TalReader reader(bytes);
  bool first = true;
  while (true) {
    reader.SkipPadding();
    if (reader.AtEnd()) break;
    const std::size_t start = reader.Position();
    const auto stamp = ReadTalStamp(reader, start);
    if (!stamp.Ok()) return ParseResult::Refuse(stamp.Reason());
    // The texts go straight into the result (the time keeper's empty one costs nothing); a
    // missing time keeper is told only once the TAL proves well-formed, as a malformed TAL is
    // the better reason.
    const bool keepingTime = first && keepsTime;
    first = false;
    bool timeKeeperSeen = false;
    constexpr std::string_view kTextStops{"\x14\x00", 2};
    for (bool firstText = true;; firstText = false) {
      if (reader.AtEnd()) return ParseResult::Refuse(Where(start) + " is unterminated");
      if (reader.Peek() == kTalEnd) {
        reader.Skip();
        break;
      }
      const auto text = reader.ReadUntil(kTextStops);
      if (!text || reader.Peek() != kTextEnd) return ParseResult::Refuse(Where(start) + " is unterminated");
      reader.Skip();
      if (keepingTime && firstText) {
        // Further texts of the time-keeping TAL are ordinary annotations.
        timeKeeperSeen = text->empty();
        if (timeKeeperSeen) continue;
      }
      result.annotations.push_back({stamp.Value().onsetTicks, stamp.Value().durationTicks, std::string(*text)});
    }
    if (keepingTime) {
      if (!timeKeeperSeen) return ParseResult::Refuse("the time-keeping annotation is missing");
      result.timeKeepingOnsetTicks = stamp.Value().onsetTicks;
    }
  }
  if (keepsTime && !result.timeKeepingOnsetTicks) return ParseResult::Refuse("the time-keeping annotation is missing");
  return result;
}

}  // namespace edf
