#include "annotations.h"

#include <string_view>

#include "numeric_fields.h"
#include "text_encoding.h"

namespace edf {

namespace {

constexpr char kDurationMark = 0x15;
constexpr char kTextEnd = 0x14;
constexpr char kTalEnd = 0x00;

// A piece of the bytes quoted for a refusal, ill-formed UTF-8 replaced.
std::string Quoted(std::string_view text) {
  return "\"" + Utf16ToUtf8(Utf8ToUtf16(text)).value_or(std::string{}) + "\"";
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

struct Tal {
  std::int64_t onsetTicks = 0;
  std::int64_t durationTicks = 0;
  std::vector<std::string> texts;
};

Result<Tal> ReadTal(TalReader& reader) {
  const std::size_t start = reader.Position();
  const std::string where = "the annotation at byte " + std::to_string(start);
  if (reader.Peek() != '+' && reader.Peek() != '-') {
    return Result<Tal>::Refuse(where + " does not start with + or -");
  }
  constexpr std::string_view kOnsetStops{"\x14\x15\x00", 3};
  const auto onsetText = reader.ReadUntil(kOnsetStops);
  if (!onsetText || reader.Peek() == kTalEnd) {
    return Result<Tal>::Refuse(where + " is unterminated");
  }
  Tal tal;
  const auto onset = ParseSecondsAsTicks(*onsetText);
  if (!onset) return Result<Tal>::Refuse(where + ": the onset " + Quoted(*onsetText) + NotInRange(*onsetText));
  tal.onsetTicks = *onset;
  if (reader.Peek() == kDurationMark) {
    reader.Skip();
    const auto durationText = reader.ReadUntil(kOnsetStops);
    if (!durationText || reader.Peek() != kTextEnd) {
      return Result<Tal>::Refuse(where + " is unterminated");
    }
    const auto duration = ParseSecondsAsTicks(*durationText);
    if (!duration || durationText->empty() || (*durationText)[0] == '-' || (*durationText)[0] == '+') {
      const bool isUnsigned = !durationText->empty() && (*durationText)[0] != '-' && (*durationText)[0] != '+';
      return Result<Tal>::Refuse(where + ": the duration " + Quoted(*durationText) +
                                 (isUnsigned && IsSecondsText(*durationText) ? NotInRange(*durationText)
                                                                            : " is not an unsigned number"));
    }
    tal.durationTicks = *duration;
  }
  reader.Skip();  // the 0x14 that ends the time stamp
  constexpr std::string_view kTextStops{"\x14\x00", 2};
  while (true) {
    if (reader.AtEnd()) return Result<Tal>::Refuse(where + " is unterminated");
    if (reader.Peek() == kTalEnd) {
      reader.Skip();
      return tal;
    }
    const auto text = reader.ReadUntil(kTextStops);
    if (!text || reader.Peek() != kTextEnd) return Result<Tal>::Refuse(where + " is unterminated");
    reader.Skip();
    tal.texts.emplace_back(*text);
  }
}

}  // namespace

Result<RecordAnnotations> ParseAnnotationBytes(std::span<const std::byte> bytes, bool keepsTime) {
  RecordAnnotations result;
  TalReader reader(bytes);
  bool first = true;
  while (true) {
    reader.SkipPadding();
    if (reader.AtEnd()) break;
    auto tal = ReadTal(reader);
    if (!tal.Ok()) return Result<RecordAnnotations>::Refuse(tal.Reason());
    std::size_t firstText = 0;
    if (first && keepsTime) {
      if (tal.Value().texts.empty() || !tal.Value().texts.front().empty()) {
        return Result<RecordAnnotations>::Refuse("the time-keeping annotation is missing");
      }
      result.timeKeepingOnsetTicks = tal.Value().onsetTicks;
      firstText = 1;  // further texts of the time-keeping TAL are ordinary annotations
    }
    first = false;
    for (std::size_t i = firstText; i < tal.Value().texts.size(); ++i) {
      result.annotations.push_back(
          {tal.Value().onsetTicks, tal.Value().durationTicks, std::move(tal.Value().texts[i])});
    }
  }
  if (keepsTime && !result.timeKeepingOnsetTicks) {
    return Result<RecordAnnotations>::Refuse("the time-keeping annotation is missing");
  }
  return result;
}

}  // namespace edf
