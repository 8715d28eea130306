#include "edf_writer.h"

#include <stdexcept>
#include <utility>

namespace edf_writer {

namespace {

// The text padded with spaces to the width, or cut to it.
std::string Fit(std::string_view text, std::size_t width) {
  std::string field(text.substr(0, width));
  field.resize(width, ' ');
  return field;
}

int SamplesPerRecordOf(const SignalFields& signal) {
  try {
    return std::stoi(signal.samplesPerRecord);
  } catch (const std::exception&) {
    throw std::invalid_argument("a record needs a numeric samples-per-record field");
  }
}

}  // namespace

std::size_t EdfWriter::AddSignal(std::string label, int samplesPerRecord) {
  SignalFields signal;
  signal.label = std::move(label);
  signal.samplesPerRecord = std::to_string(samplesPerRecord);
  signals.push_back(std::move(signal));
  return signals.size() - 1;
}

std::size_t EdfWriter::AddAnnotationSignal(int samplesPerRecord) {
  // Built whole: assigning literals over the defaults makes GCC 12 warn falsely (-Wrestrict).
  signals.push_back(SignalFields{"EDF Annotations", "", "", "-1", "1", "-32768", "32767", "",
                                 std::to_string(samplesPerRecord), ""});
  return signals.size() - 1;
}

std::string EdfWriter::HeaderBytes() const {
  const std::size_t count = signals.size();
  std::string out;
  out += Fit(header.version, 8);
  out += Fit(header.patient, 80);
  out += Fit(header.recording, 80);
  out += Fit(header.startDate, 8);
  out += Fit(header.startTime, 8);
  out += Fit(header.headerBytes.value_or(std::to_string(256 * (count + 1))), 8);
  out += Fit(header.reserved, 44);
  out += Fit(header.recordCount.value_or(std::to_string(recordsWritten)), 8);
  out += Fit(header.recordDuration, 8);
  out += Fit(header.signalCount.value_or(std::to_string(count)), 4);
  const auto each = [&](auto member, std::size_t width) {
    for (const SignalFields& signal : signals) out += Fit(signal.*member, width);
  };
  each(&SignalFields::label, 16);
  each(&SignalFields::transducer, 80);
  each(&SignalFields::physicalDimension, 8);
  each(&SignalFields::physicalMinimum, 8);
  each(&SignalFields::physicalMaximum, 8);
  each(&SignalFields::digitalMinimum, 8);
  each(&SignalFields::digitalMaximum, 8);
  each(&SignalFields::prefiltering, 80);
  each(&SignalFields::samplesPerRecord, 8);
  each(&SignalFields::reserved, 32);
  return out;
}

std::string EdfWriter::RecordBytes(const std::vector<SignalData>& perSignal) const {
  std::string out;
  if (perSignal.size() != signals.size()) {
    throw std::invalid_argument("a record needs data for every signal");
  }
  for (std::size_t i = 0; i < signals.size(); ++i) {
    const std::size_t bytes = static_cast<std::size_t>(SamplesPerRecordOf(signals[i])) * 2;
    if (const auto* samples = std::get_if<std::vector<std::int16_t>>(&perSignal[i])) {
      if (samples->size() * 2 != bytes) {
        throw std::invalid_argument("signal " + std::to_string(i) + " needs " +
                                    std::to_string(bytes / 2) + " samples per record");
      }
      for (std::int16_t sample : *samples) {
        recording_writers::AppendLittleEndian16(out, static_cast<std::uint16_t>(sample));
      }
    } else {
      const auto& text = std::get<std::string>(perSignal[i]);
      if (text.size() > bytes) {
        throw std::invalid_argument("annotations of signal " + std::to_string(i) +
                                    " exceed its " + std::to_string(bytes) + " bytes");
      }
      out += text;
      out.append(bytes - text.size(), '\0');
    }
  }
  return out;
}

void EdfWriter::AddRecord(const std::vector<SignalData>& perSignal) {
  records += RecordBytes(perSignal);
  ++recordsWritten;
}

std::string EdfWriter::FileBytes() const { return HeaderBytes() + records; }

std::int64_t EdfWriter::FileSize(std::int64_t recordCount) const {
  std::int64_t recordBytes = 0;
  for (const SignalFields& signal : signals) recordBytes += 2 * SamplesPerRecordOf(signal);
  return static_cast<std::int64_t>(HeaderBytes().size()) + recordCount * recordBytes;
}

RecordStream::RecordStream(const EdfWriter& edf, std::filesystem::path path)
    : writer(edf), file(std::move(path)) {
  file.Append(writer.HeaderBytes());
}

void RecordStream::Write(const std::vector<SignalData>& perSignal) {
  file.Append(writer.RecordBytes(perSignal));
}

void RecordStream::Finish() { file.Finish(); }

std::string Tal(std::string_view onset, std::optional<std::string_view> duration,
                const std::vector<std::string>& texts) {
  std::string tal(onset);
  if (duration) {
    tal += '\x15';
    tal += *duration;
  }
  tal += '\x14';
  for (const std::string& text : texts) {
    tal += text;
    tal += '\x14';
  }
  tal += '\0';
  return tal;
}

std::string TimeKeepingTal(std::string_view onset) { return Tal(onset, std::nullopt, {""}); }

}  // namespace edf_writer
