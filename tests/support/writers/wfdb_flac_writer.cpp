#include "wfdb_flac_writer.h"

#include <FLAC/stream_encoder.h>

#include <stdexcept>

namespace wfdb_test {

namespace {

struct EncoderDeleter {
  void operator()(FLAC__StreamEncoder* encoder) const { FLAC__stream_encoder_delete(encoder); }
};
using EncoderPointer = std::unique_ptr<FLAC__StreamEncoder, EncoderDeleter>;

EncoderPointer NewEncoder(unsigned channels, std::uint64_t totalSamples, const FlacOptions& options) {
  EncoderPointer encoder(FLAC__stream_encoder_new());
  if (!encoder) throw std::runtime_error("no FLAC encoder");
  FLAC__stream_encoder_set_channels(encoder.get(), channels);
  FLAC__stream_encoder_set_bits_per_sample(encoder.get(), options.bitsPerSample);
  FLAC__stream_encoder_set_sample_rate(encoder.get(), 500);  // WFDB takes its rates from the header
  FLAC__stream_encoder_set_blocksize(encoder.get(), options.blockSize);
  FLAC__stream_encoder_set_compression_level(encoder.get(), 5);
  // Any width and block size FLAC can hold, not only those of its streamable subset.
  FLAC__stream_encoder_set_streamable_subset(encoder.get(), false);
  FLAC__stream_encoder_set_total_samples_estimate(encoder.get(), options.totalInStreamInfo ? totalSamples : 0);
  return encoder;
}

FLAC__StreamEncoderWriteStatus AppendBytes(const FLAC__StreamEncoder*, const FLAC__byte buffer[], size_t bytes,
                                           uint32_t, uint32_t, void* out) {
  // FLAC__byte is an unsigned char: the stream's bytes.
  static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(buffer), bytes);
  return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
}

}  // namespace

std::string FlacStream(std::span<const std::vector<std::int32_t>> channels, const FlacOptions& options) {
  const std::size_t samples = channels.empty() ? 0 : channels[0].size();
  EncoderPointer encoder = NewEncoder(static_cast<unsigned>(channels.size()), samples, options);
  std::string out;
  // Without seek and tell callbacks the encoder leaves STREAMINFO as first written: the
  // estimate above, no MD5, and no seek table, which makes readers search by frame headers.
  if (FLAC__stream_encoder_init_stream(encoder.get(), AppendBytes, nullptr, nullptr, nullptr, &out) !=
      FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
    throw std::runtime_error("the FLAC encoder refuses these settings");
  }
  std::vector<const FLAC__int32*> columns;
  for (const auto& channel : channels) columns.push_back(channel.data());
  if ((samples > 0 && !FLAC__stream_encoder_process(encoder.get(), columns.data(), static_cast<uint32_t>(samples))) ||
      !FLAC__stream_encoder_finish(encoder.get())) {
    throw std::runtime_error("the FLAC encoder failed");
  }
  return out;
}

struct FlacFileStream::Encoder {
  EncoderPointer encoder;
};

FlacFileStream::FlacFileStream(const std::filesystem::path& path, unsigned channelCount,
                               std::uint64_t totalSamples, const FlacOptions& options)
    : encoder(std::make_unique<Encoder>()), channels(channelCount) {
  encoder->encoder = NewEncoder(channelCount, totalSamples, options);
  // The file's STREAMINFO is completed when it is finished; it has no seek table.
  if (FLAC__stream_encoder_init_file(encoder->encoder.get(), path.string().c_str(), nullptr, nullptr) !=
      FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

FlacFileStream::~FlacFileStream() = default;

void FlacFileStream::Write(std::span<const std::int32_t> interleaved) {
  if (!FLAC__stream_encoder_process_interleaved(encoder->encoder.get(), interleaved.data(),
                                                static_cast<uint32_t>(interleaved.size() / channels))) {
    throw std::runtime_error("the FLAC encoder failed");
  }
}

void FlacFileStream::Finish() {
  if (!FLAC__stream_encoder_finish(encoder->encoder.get())) throw std::runtime_error("the FLAC encoder failed");
}

}  // namespace wfdb_test
