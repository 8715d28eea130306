#include "mit_annotations.h"

#include <cmath>
#include <string_view>

#include "common/text_encoding.h"

namespace wfdb {

namespace {

constexpr int kSkip = 59;
constexpr int kNum = 60;
constexpr int kSub = 61;
constexpr int kChn = 62;
constexpr int kAux = 63;
constexpr int kNote = 22;

std::string TextToUtf8(std::string_view text) {
  return common::Utf16ToUtf8(common::HeaderTextToUtf16(text)).value_or(std::string());
}

std::string_view SkipBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text;
}

std::optional<ExactRate> ParseTickRate(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (const auto exact = ParsePositiveDecimal(text)) return exact;
  // Writers print the rate with %g, which may use an exponent: "1e+06".
  const auto real = ParseReal(text);
  if (!real || *real < 1 || *real > 1e15 || std::floor(*real) != *real) return std::nullopt;
  return ExactRate{static_cast<std::int64_t>(*real), 1};
}

// "code mnemonic description": a code's label, as a definition table or a modification label
// gives it; anything else is left alone.
void ReadDefinition(std::string_view text, AnnotationFile& file) {
  text = SkipBlanks(text);
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  const auto code = ParseInteger(text.substr(0, digits));
  if (!code || *code < 1 || *code >= kSkip) return;
  text = SkipBlanks(text.substr(digits));
  const std::size_t mnemonicEnd = text.find_first_of(" \t");
  const std::string_view mnemonic = text.substr(0, mnemonicEnd);
  if (mnemonic.empty()) return;
  const std::string_view description =
      mnemonicEnd == std::string_view::npos ? std::string_view() : SkipBlanks(text.substr(mnemonicEnd));
  file.modifiedLabels[static_cast<int>(*code)] = {TextToUtf8(mnemonic), TextToUtf8(description)};
}

// A note at time 0 whose text starts with "##": the time resolution, the start or end of a
// table of definitions, a modification label ("## code mnemonic description"), or other
// metadata, none of them an event. Gives whether a table of definitions is open after it.
bool ReadMetadata(std::string_view text, bool inDefinitions, AnnotationFile& file) {
  text = SkipBlanks(text.substr(2));
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  constexpr std::string_view kResolution = "time resolution:";
  if (text.substr(0, kResolution.size()) == kResolution) {
    if (const auto rate = ParseTickRate(SkipBlanks(text.substr(kResolution.size())))) {
      file.ticksPerSecond = rate;
    }
    return inDefinitions;
  }
  if (text == "annotation type definitions") return true;
  if (text == "end of definitions") return false;
  ReadDefinition(text, file);
  return inDefinitions;
}

}  // namespace

CodeLabel AnnotationFile::LabelOf(int code) const {
  if (const auto found = modifiedLabels.find(code); found != modifiedLabels.end()) return found->second;
  return StandardLabel(code);
}

Result<AnnotationFile> DecodeMitAnnotations(std::span<const std::byte> bytes) {
  const auto word = [&](std::size_t at) {
    return static_cast<unsigned>(bytes[at]) | static_cast<unsigned>(bytes[at + 1]) << 8;
  };
  const auto where = [](std::size_t at) { return " at byte " + std::to_string(at); };
  AnnotationFile file;
  std::vector<Annotation> read;  // metadata included, sorted out at the end
  std::int64_t time = 0;  // may go below 0 within a skip, as writers place null annotations
  int channel = 0;
  int number = 0;
  std::size_t at = 0;
  std::string stopped;
  while (stopped.empty()) {
    if (bytes.size() - at < 2) {
      stopped = at == bytes.size() ? "the annotation file has no end word"
                                   : "the annotation file ends inside a word" + where(at);
      break;
    }
    const unsigned value = word(at);
    const int code = static_cast<int>(value >> 10);
    const unsigned data = value & 0x3FF;
    if (value == 0) {
      at += 2;
      for (; at < bytes.size(); ++at) {
        if (bytes[at] != std::byte{0}) {
          stopped = "bytes follow the end word" + where(at);
          break;
        }
      }
      break;
    }
    switch (code) {
      case 0:  // NOTQRS: a time increment, no annotation
        time += data;
        at += 2;
        continue;
      case kSkip: {
        if (bytes.size() - at < 6) {
          stopped = "a skip runs past the end" + where(at);
          continue;
        }
        // The interval is a signed 32-bit number, its high word first.
        const std::uint32_t interval = static_cast<std::uint32_t>(word(at + 2)) << 16 | word(at + 4);
        time += static_cast<std::int32_t>(interval);
        at += 6;
        continue;
      }
      case kNum:
      case kSub:
      case kChn:
      case kAux:
        if (read.empty()) {
          stopped = "a field word before any annotation" + where(at);
          continue;
        }
        break;
      default:
        // A skip adds at most 2^31 per 6 bytes: no file of fewer than 2^33 bytes can reach
        // 2^63 (the record reads annotation files of at most 1 GiB).
        time += data;
        if (time < 0) {
          stopped = "an annotation before the record's start" + where(at);
          continue;
        }
        read.push_back({time, code, 0, channel, number, {}});
        at += 2;
        continue;
    }
    Annotation& current = read.back();
    // Num and channel hold for the annotations that follow; a subtype only for this one.
    const auto field = static_cast<int>(data);
    if (code == kNum) number = current.number = field;
    if (code == kChn) channel = current.channel = field;
    if (code == kSub) current.subtype = field;
    if (code == kAux) {
      const std::size_t length = data & 0xFF;
      const std::size_t padded = length + length % 2;
      if (bytes.size() - at - 2 < padded) {
        stopped = "a text runs past the end" + where(at);
        continue;
      }
      std::string_view text(reinterpret_cast<const char*>(bytes.data() + at + 2), length);  // bytes as chars
      if (const auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
      current.aux = std::string(text);
      at += padded;
    }
    at += 2;
  }
  bool inDefinitions = false;
  for (Annotation& annotation : read) {
    const bool note = annotation.ticks == 0 && annotation.code == kNote && annotation.subtype == 0;
    if (note && annotation.aux.substr(0, 2) == "##") {
      inDefinitions = ReadMetadata(annotation.aux, inDefinitions, file);
      continue;
    }
    if (note && inDefinitions) {
      ReadDefinition(annotation.aux, file);
      continue;
    }
    annotation.aux = TextToUtf8(annotation.aux);
    file.annotations.push_back(std::move(annotation));
  }
  if (!stopped.empty() && read.empty()) return Result<AnnotationFile>::Refuse(stopped);
  file.stopped = std::move(stopped);
  return file;
}

}  // namespace wfdb
