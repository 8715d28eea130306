#include "sample_recording.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "edf_writer.h"

namespace sample_writer {

namespace {

struct Channel {
  const char* label;
  int rate;  // samples per 1-s record
  const char* dimension;
  double physicalMinimum;
  double physicalMaximum;
  int digitalMinimum;
  int digitalMaximum;
  double (*signal)(double seconds, int channel);
};

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kHeartHz = 72.0 / 60.0;
// Bytes of the annotation signal per record: room for the time-keeping TAL and one more.
constexpr int kAnnotationSamplesPerRecord = 64;

// Repeatable noise in [-1, 1] for a time and channel (a hash, so no state is carried).
double Noise(double seconds, int channel) {
  auto x = static_cast<std::uint64_t>(std::llround(seconds * 4096.0)) * 0x9E3779B97F4A7C15ull +
           static_cast<std::uint64_t>(channel) * 0xBF58476D1CE4E5B9ull;
  x ^= x >> 31;
  x *= 0x94D049BB133111EBull;
  x ^= x >> 29;
  return static_cast<double>(x >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

// Alpha rhythm (stronger over the occipital channels), slow waves, beta and noise, in uV.
double Eeg(double t, int channel) {
  const double alpha = channel >= 2 ? 30.0 : 12.0;
  return alpha * std::sin(kTwoPi * 10.0 * t + channel) +
         20.0 * std::sin(kTwoPi * 1.3 * t + 0.7 * channel) +
         6.0 * std::sin(kTwoPi * 21.0 * t + 1.9 * channel) + 8.0 * Noise(t, channel);
}

// P wave, QRS complex and T wave at 72 beats per minute, in uV.
double Ecg(double t, int channel) {
  const double phase = std::fmod(t * kHeartHz, 1.0);
  const auto wave = [phase](double at, double width, double height) {
    const double x = (phase - at) / width;
    return height * std::exp(-x * x);
  };
  return wave(0.15, 0.03, 120.0) - wave(0.28, 0.008, 150.0) + wave(0.30, 0.012, 1100.0) -
         wave(0.32, 0.01, 250.0) + wave(0.55, 0.05, 300.0) + 15.0 * Noise(t, channel);
}

// Breathing at 15 per minute, arbitrary units.
double Respiration(double t, int channel) {
  return 400.0 * std::sin(kTwoPi * 0.25 * t) + 40.0 * std::sin(kTwoPi * 0.05 * t) +
         10.0 * Noise(t, channel);
}

// Finger pulse wave, following the heart beat.
double Pleth(double t, int channel) {
  const double phase = std::fmod(t * kHeartHz + 0.8, 1.0);
  return 800.0 * std::exp(-phase * 6.0) * std::sin(std::numbers::pi * std::min(phase * 4.0, 1.0)) +
         5.0 * Noise(t, channel);
}

// Oxygen saturation in %, with a dip during the hypopnea annotated at 215-230 s.
double SpO2(double t, int channel) {
  const double dip = t > 215.0 && t < 240.0 ? 4.0 * std::sin(std::numbers::pi * (t - 215.0) / 25.0) : 0.0;
  return 97.0 + 0.8 * std::sin(t / 40.0) - dip + 0.2 * Noise(t, channel);
}

const std::vector<Channel>& Channels() {
  static const std::vector<Channel> channels = {
      {"EEG Fp1", 256, "uV", -3200.0, 3200.0, -32768, 32767, Eeg},
      {"EEG C3", 256, "uV", -3200.0, 3200.0, -32768, 32767, Eeg},
      {"EEG O1", 256, "uV", -3200.0, 3200.0, -32768, 32767, Eeg},
      {"EEG O2", 256, "uV", -3200.0, 3200.0, -32768, 32767, Eeg},
      {"ECG", 256, "uV", -5000.0, 5000.0, -32768, 32767, Ecg},
      {"Resp", 128, "", -2000.0, 2000.0, -32768, 32767, Respiration},
      {"Pleth", 128, "", -2000.0, 2000.0, -32768, 32767, Pleth},
      {"SpO2", 1, "%", 0.0, 100.0, 0, 10000, SpO2},
  };
  return channels;
}

std::int16_t Digital(const Channel& channel, double physical) {
  const double scaled = (physical - channel.physicalMinimum) /
                            (channel.physicalMaximum - channel.physicalMinimum) *
                            (channel.digitalMaximum - channel.digitalMinimum) +
                        channel.digitalMinimum;
  const double clamped = std::clamp(std::round(scaled), static_cast<double>(channel.digitalMinimum),
                                    static_cast<double>(channel.digitalMaximum));
  return static_cast<std::int16_t>(clamped);
}

std::string FormatNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// The annotation TALs of the record that starts at the second: those whose onset falls in it.
std::string AnnotationsOfRecord(int second) {
  // Appended rather than "+" + ...: GCC 12 warns falsely (-Wrestrict) on that form.
  std::string onset = "+";
  onset += std::to_string(second);
  std::string bytes = edf_writer::TimeKeepingTal(onset);
  for (const SampleAnnotation& annotation : SampleAnnotations()) {
    const double onset = std::stod(annotation.onset);
    if (onset >= second && onset < second + 1) {
      bytes += edf_writer::Tal(annotation.onset, annotation.duration, annotation.texts);
    }
  }
  return bytes;
}

}  // namespace

const std::vector<SampleSegment>& SampleSegments() {
  static const std::vector<SampleSegment> segments = {{0, 60}, {90, 45}, {180, 75}};
  return segments;
}

const std::vector<SampleAnnotation>& SampleAnnotations() {
  static const std::vector<SampleAnnotation> annotations = {
      {"+2", "1", {"Lights off"}},
      {"+5.5", "10", {"Eyes closed"}},
      {"+15.5", "10", {"Eyes open"}},
      {"+27", "3", {"Photic stimulation 10 Hz"}},
      {"+33.25", "2.5", {"Hyperventilation"}},
      {"+40", "4", {"Artefact: movement"}},
      {"+46", "1.5", {"\xC3\x89lectrode O1 d\xC3\xA9plac\xC3\xA9\x65"}},  // Électrode O1 déplacée
      {"+52", "6", {"Arousal", "Snoring"}},
      {"+92", "30", {"Sleep stage N1"}},
      {"+95.5", "0.5", {"Spindle"}},
      {"+101", "2", {"K-complex"}},
      {"+110", "8", {"Eyes closed"}},
      {"+120.25", "1", {"Spindle"}},
      {"+130", "4", {"Artefact: movement"}},
      {"+182", "30", {"Sleep stage N2"}},
      {"+190", "0.8", {"Spindle"}},
      {"+200.5", "2", {"K-complex"}},
      {"+215", "15", {"Hypopnea"}},
      {"+240", "5", {"Eyes open"}},
      {"+250", "3", {"Lights on"}},
  };
  return annotations;
}

std::string SampleRecordingBytes() {
  edf_writer::EdfWriter writer;
  // Built whole: assigning literals over the defaults makes GCC 12 warn falsely (-Wrestrict).
  writer.header = {"0", "X X X Sample_recording", "Startdate 14-MAY-2024 X X Tapline_sample_writer",
                   "14.05.24", "09.30.00", "EDF+D", "1", std::nullopt, std::nullopt, std::nullopt};
  for (const Channel& channel : Channels()) {
    const std::size_t index = writer.AddSignal(channel.label, channel.rate);
    edf_writer::SignalFields& fields = writer.signals[index];
    fields.physicalDimension = channel.dimension;
    fields.physicalMinimum = FormatNumber(channel.physicalMinimum);
    fields.physicalMaximum = FormatNumber(channel.physicalMaximum);
    fields.digitalMinimum = std::to_string(channel.digitalMinimum);
    fields.digitalMaximum = std::to_string(channel.digitalMaximum);
  }
  writer.AddAnnotationSignal(kAnnotationSamplesPerRecord);

  for (const SampleSegment& segment : SampleSegments()) {
    for (int second = segment.firstSecond; second < segment.firstSecond + segment.seconds;
         ++second) {
      std::vector<edf_writer::SignalData> record;
      int channelIndex = 0;
      for (const Channel& channel : Channels()) {
        std::vector<std::int16_t> samples(static_cast<std::size_t>(channel.rate));
        for (int k = 0; k < channel.rate; ++k) {
          const double t = second + static_cast<double>(k) / channel.rate;
          samples[static_cast<std::size_t>(k)] = Digital(channel, channel.signal(t, channelIndex));
        }
        record.emplace_back(std::move(samples));
        ++channelIndex;
      }
      record.emplace_back(AnnotationsOfRecord(second));
      writer.AddRecord(record);
    }
  }
  return writer.FileBytes();
}

}  // namespace sample_writer
