// wfdb_record_benchmark [CACHE_FOLDER [HOURS]]: a day-long WFDB record read by the format's own
// code, below the component.
//
// Writes (or reuses) in CACHE_FOLDER (default: wfdb-record-cache beside the build's bin folder)
// a record of 12 signals at 500 Hz in format 212 (HOURS hours, default 24: about 780 MB) with
// 100,000 beat annotations, the same samples in format 16 for the floor, and one format-8
// signal of the same length, then prints: opening the record (annotations parsed), streaming
// every channel in 60-s windows against the floor of reading the format-16 bytes in the same
// windows and de-interleaving them, and 4-s windows anywhere (median of 200) in both formats.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "formats/edf/random_access_file.h"
#include "formats/wfdb/record.h"
#include "wfdb_writer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSignals = 12;
constexpr std::int64_t kRate = 500;
constexpr std::int64_t kFramesPerChunk = 1 << 20;
constexpr int kBeats = 100'000;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::int32_t Sample(std::int64_t frame, int signal) {
  return static_cast<std::int32_t>((frame * 7 + signal * 311) % 4001) - 2000;
}

// Writes the signal file of `format` chunk by chunk (a day does not fit in memory twice).
void WriteSignalFile(const std::filesystem::path& path, int format, int signals, std::int64_t frames) {
  std::ofstream out(path, std::ios::binary);
  std::vector<std::int32_t> stream;
  std::vector<std::int32_t> previous(signals, 0);
  for (std::int64_t first = 0; first < frames; first += kFramesPerChunk) {
    stream.clear();
    for (std::int64_t frame = first; frame < std::min(frames, first + kFramesPerChunk); ++frame) {
      for (int s = 0; s < signals; ++s) {
        // Format 8 stores differences: a slow walk they can follow.
        const std::int32_t value = format == 8 ? Sample(frame, s) / 20 : Sample(frame, s);
        stream.push_back(format == 8 ? value - previous[s] : value);
        previous[s] = value;
      }
    }
    const std::string bytes = wfdb_test::EncodeStream(format, stream);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
}

void WriteRecord(const std::filesystem::path& folder, std::int64_t frames) {
  const auto header = [&](const std::string& name, const std::string& file, const std::string& format, int signals) {
    std::ofstream out(folder / (name + ".hea"));
    out << name << " " << signals << " " << kRate << " " << frames << " 08:00:00 01/03/2024\n";
    for (int s = 0; s < signals; ++s) out << file << " " << format << " 200/mV 12 0 0 0 0 ECG " << s << "\n";
  };
  if (!std::filesystem::exists(folder / "day.dat")) {
    std::printf("writing the record in %s ...\n", folder.string().c_str());
    header("day", "day.dat", "212", kSignals);
    header("day16", "day16.dat", "16", kSignals);
    header("day8", "day8.dat", "8", 1);
    WriteSignalFile(folder / "day8.dat", 8, 1, frames);
    WriteSignalFile(folder / "day16.dat", 16, kSignals, frames);
    std::vector<wfdb_test::WrittenAnnotation> beats;
    for (int k = 0; k < kBeats; ++k) {
      beats.push_back({frames / kBeats * k + 17, k % 7 == 0 ? 5 : 1, 0, 0, 0, k % 1000 == 0 ? "(N" : ""});
    }
    std::ofstream(folder / "day.atr", std::ios::binary) << wfdb_test::AnnotationFile(beats);
    WriteSignalFile(folder / "day.dat.part", 212, kSignals, frames);
    std::filesystem::rename(folder / "day.dat.part", folder / "day.dat");
  }
}

std::unique_ptr<wfdb::Record> Open(const std::filesystem::path& header) {
  auto opened = wfdb::Record::Open(header);
  if (!opened.Ok()) {
    std::fprintf(stderr, "%s: %s\n", header.string().c_str(), opened.Reason().c_str());
    std::exit(1);
  }
  return std::move(opened.Value());
}

// Reads every channel's samples of [first, first + count) frames.
void ReadWindow(wfdb::Record& record, std::int64_t first, std::int64_t count, std::vector<std::int16_t>& buffer) {
  const std::size_t channels = record.Segments()[0].channels.size();
  buffer.resize(channels * static_cast<std::size_t>(count));
  std::vector<wfdb::Record::ChannelRead> reads;
  for (std::size_t c = 0; c < channels; ++c) reads.push_back({c, first, count, buffer.data() + c * count});
  if (!record.Read(0, reads)) {
    std::fprintf(stderr, "a read failed\n");
    std::exit(1);
  }
}

double MedianWindowMicroseconds(wfdb::Record& record, std::int64_t frames) {
  std::mt19937_64 random(42);
  std::vector<std::int16_t> buffer;
  std::vector<double> times;
  for (int k = 0; k < 200; ++k) {
    const std::int64_t first = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(frames - 4 * kRate));
    const auto start = Clock::now();
    ReadWindow(record, first, 4 * kRate, buffer);
    times.push_back(MillisecondsSince(start) * 1000);
  }
  std::nth_element(times.begin(), times.begin() + 100, times.end());
  return times[100];
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder =
      argc > 1 ? std::filesystem::path(argv[1])
               : std::filesystem::path(argv[0]).parent_path().parent_path() / "wfdb-record-cache";
  const std::int64_t hours = argc > 2 ? std::stoll(argv[2]) : 24;
  const std::int64_t frames = hours * 3600 * kRate;
  std::filesystem::create_directories(folder);
  WriteRecord(folder, frames);

  std::vector<double> opens;
  for (int k = 0; k < 5; ++k) {
    const auto start = Clock::now();
    const auto record = Open(folder / "day.hea");
    opens.push_back(MillisecondsSince(start));
  }
  std::sort(opens.begin(), opens.end());
  auto record = Open(folder / "day.hea");
  std::printf("%lld h, %d signals at %lld Hz in format 212, %zu events\n", static_cast<long long>(hours),
              kSignals, static_cast<long long>(kRate), record->Events().size());
  std::printf("  open (annotations parsed)   %8.1f ms   (median of 5, %.1f..%.1f)\n", opens[2], opens[0], opens[4]);

  // Streaming in 60-s windows, warm, against reading and de-interleaving the format-16 bytes.
  const std::int64_t window = 60 * kRate;
  std::vector<std::int16_t> buffer;
  for (int pass = 0; pass < 2; ++pass) {  // the first pass brings the files into the cache
    auto start = Clock::now();
    for (std::int64_t first = 0; first < frames; first += window) {
      ReadWindow(*record, first, std::min(window, frames - first), buffer);
    }
    const double decoded = MillisecondsSince(start);

    auto file = edf::RandomAccessFile::OpenNative(folder / "day16.dat");
    std::vector<std::byte> bytes(static_cast<std::size_t>(window * kSignals * 2));
    std::vector<std::int16_t> channels(static_cast<std::size_t>(window * kSignals));
    start = Clock::now();
    for (std::int64_t first = 0; first < frames; first += window) {
      const std::int64_t count = std::min(window, frames - first);
      const auto part = std::span(bytes).first(static_cast<std::size_t>(count * kSignals * 2));
      if (!file.Value()->ReadAt(first * kSignals * 2, part)) return 1;
      const auto* stored = reinterpret_cast<const std::int16_t*>(bytes.data());  // little-endian samples
      for (std::int64_t f = 0; f < count; ++f) {
        for (int s = 0; s < kSignals; ++s) channels[static_cast<std::size_t>(s * count + f)] = stored[f * kSignals + s];
      }
    }
    const double floor = MillisecondsSince(start);
    if (pass == 1) {
      std::printf("  stream in 60-s windows      %8.0f ms   floor (format 16, read + de-interleave) %.0f ms: %.2f x\n",
                  decoded, floor, decoded / floor);
    }
  }
  std::printf("  4-s window, format 212      %8.1f us   (median of 200 anywhere)\n",
              MedianWindowMicroseconds(*record, frames));
  auto differences = Open(folder / "day8.hea");
  std::printf("  4-s window, format 8        %8.1f us   (median of 200 anywhere, first reads included)\n",
              MedianWindowMicroseconds(*differences, frames));
  return 0;
}
