#include "wfdb_writer.h"

#include <limits>
#include <utility>

namespace wfdb_test {

namespace {

using recording_writers::AppendLittleEndian16;

// The stored integer of a sample, the invalid value in the format's own width.
std::int32_t Stored(int format, std::int16_t sample) {
  if (sample != -32768) return sample;
  switch (format) {
    case 80:
      return -128;
    case 212:
      return -2048;
    case 310:
    case 311:
      return -512;
    case 24:
    case 524:
      return -(1 << 23);
    case 32:
      return std::numeric_limits<std::int32_t>::min();
    case 508:
      return -128;
    default:
      return -32768;
  }
}

// The samples of a format's smallest unit of whole bytes.
std::size_t UnitSamples(int format) {
  switch (format) {
    case 212:
      return 2;
    case 310:
    case 311:
      return 3;
    default:
      return 1;
  }
}

}  // namespace

std::string EncodeStream(int format, std::span<const std::int32_t> stream) {
  std::string out;
  const auto bits = [](std::int32_t value, int width) {
    return static_cast<unsigned>(value) & ((1u << width) - 1);
  };
  const auto at = [&](std::size_t i) { return i < stream.size() ? stream[i] : 0; };
  switch (format) {
    case 8:
    case 80:
      for (std::int32_t value : stream) out.push_back(static_cast<char>(bits(format == 80 ? value + 128 : value, 8)));
      break;
    case 16:
    case 160:
      for (std::int32_t value : stream) AppendLittleEndian16(out, bits(format == 160 ? value + 32768 : value, 16));
      break;
    case 24:
    case 32:
      for (std::int32_t value : stream) {
        for (int b = 0; b < format / 8; ++b) out.push_back(static_cast<char>(static_cast<std::uint32_t>(value) >> (8 * b) & 0xFF));
      }
      break;
    case 61:
      for (std::int32_t value : stream) {
        out.push_back(static_cast<char>(bits(value, 16) >> 8));
        out.push_back(static_cast<char>(bits(value, 8)));
      }
      break;
    case 212:
      for (std::size_t i = 0; i < stream.size(); i += 2) {
        const unsigned s0 = bits(at(i), 12), s1 = bits(at(i + 1), 12);
        out.push_back(static_cast<char>(s0 & 0xFF));
        out.push_back(static_cast<char>((s0 >> 8) | (s1 >> 8) << 4));
        if (i + 1 < stream.size()) out.push_back(static_cast<char>(s1 & 0xFF));
      }
      break;
    case 310:
      for (std::size_t i = 0; i < stream.size(); i += 3) {
        const unsigned s0 = bits(at(i), 10), s1 = bits(at(i + 1), 10), s2 = bits(at(i + 2), 10);
        AppendLittleEndian16(out, s0 << 1 | (s2 & 0x1F) << 11);
        if (i + 1 < stream.size()) AppendLittleEndian16(out, s1 << 1 | (s2 >> 5) << 11);
      }
      break;
    case 311:
      for (std::size_t i = 0; i < stream.size(); i += 3) {
        const unsigned word = bits(at(i), 10) | bits(at(i + 1), 10) << 10 | bits(at(i + 2), 10) << 20;
        // A last unit of one or two samples ends after the bytes they use.
        const std::size_t used = stream.size() - i >= 3 ? 4 : stream.size() - i == 2 ? 3 : 2;
        for (std::size_t b = 0; b < used; ++b) out.push_back(static_cast<char>(word >> (8 * b) & 0xFF));
      }
      break;
    default:
      break;
  }
  return out;
}

SignalFileStream::SignalFileStream(std::filesystem::path path, int streamFormat)
    : format(streamFormat), file(std::move(path)) {}

void SignalFileStream::Write(std::span<const std::int32_t> stream) {
  pending.insert(pending.end(), stream.begin(), stream.end());
  const std::size_t whole = pending.size() - pending.size() % UnitSamples(format);
  file.Append(EncodeStream(format, std::span(pending).first(whole)));
  pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(whole));
}

void SignalFileStream::Finish() {
  file.Append(EncodeStream(format, pending));
  pending.clear();
  file.Finish();
}

std::string SignalFile(std::span<const WrittenSignal> group, std::int64_t frames,
                       std::size_t byteOffset) {
  std::vector<std::int32_t> stream;
  std::vector<std::int32_t> previous;
  for (const WrittenSignal& signal : group) previous.push_back(signal.initialValue);
  for (std::int64_t frame = 0; frame < frames; ++frame) {
    for (std::size_t m = 0; m < group.size(); ++m) {
      const WrittenSignal& signal = group[m];
      for (int k = 0; k < signal.samplesPerFrame; ++k) {
        const std::int64_t i = (frame - signal.skew) * signal.samplesPerFrame + k;
        const bool held = i >= 0 && i < static_cast<std::int64_t>(signal.samples.size());
        const std::int32_t value = held ? Stored(signal.format, signal.samples[i]) : 0;
        if (signal.format == 8) {
          const std::int32_t target = held ? value : previous[m];
          stream.push_back(target - previous[m]);
          previous[m] = target;
        } else {
          stream.push_back(value);
        }
      }
    }
  }
  return std::string(byteOffset, '\xA5') + EncodeStream(group.empty() ? 16 : group[0].format, stream);
}

std::vector<std::int16_t> DistinctSamples(int signal, std::int64_t count, int bits) {
  const std::int32_t span = (1 << bits) - 1;  // values -(2^(bits-1)) + 1 .. 2^(bits-1) - 1
  std::vector<std::int16_t> samples;
  for (std::int64_t i = 0; i < count; ++i) {
    const std::int64_t step = (i * 37 + signal * 101 + 1) % span;
    samples.push_back(static_cast<std::int16_t>(step - (span / 2)));
  }
  return samples;
}

std::vector<std::int16_t> WalkSamples(int signal, std::int64_t count, int initialValue) {
  std::vector<std::int16_t> samples;
  std::int32_t value = initialValue;
  for (std::int64_t i = 0; i < count; ++i) {
    // Every residue once per 255 steps: the walk comes back and stays within about +-16,000.
    value += static_cast<std::int32_t>((i * 7 + signal * 13) % 255) - 127;
    samples.push_back(static_cast<std::int16_t>(value));
  }
  return samples;
}

std::string AnnotationFile(std::span<const WrittenAnnotation> annotations) {
  std::string out;
  std::int64_t time = 0;
  int channel = 0;
  int number = 0;
  for (const WrittenAnnotation& annotation : annotations) {
    std::int64_t increment = annotation.ticks - time;
    if (increment > 1023 || increment < 0) {
      AppendLittleEndian16(out, 59u << 10);
      const auto interval = static_cast<std::uint32_t>(static_cast<std::int32_t>(increment));
      AppendLittleEndian16(out, interval >> 16);
      AppendLittleEndian16(out, interval & 0xFFFF);
      increment = 0;
    }
    time = annotation.ticks;
    AppendLittleEndian16(out, static_cast<unsigned>(annotation.code) << 10 | static_cast<unsigned>(increment));
    if (annotation.subtype != 0) AppendLittleEndian16(out, 61u << 10 | static_cast<unsigned>(annotation.subtype));
    if (annotation.channel != channel) AppendLittleEndian16(out, 62u << 10 | static_cast<unsigned>(annotation.channel));
    if (annotation.number != number) AppendLittleEndian16(out, 60u << 10 | static_cast<unsigned>(annotation.number));
    channel = annotation.channel;
    number = annotation.number;
    if (!annotation.aux.empty()) {
      AppendLittleEndian16(out, 63u << 10 | static_cast<unsigned>(annotation.aux.size()));
      out += annotation.aux;
      if (annotation.aux.size() % 2 != 0) out.push_back('\0');
    }
  }
  AppendLittleEndian16(out, 0);
  return out;
}

}  // namespace wfdb_test
