#include "flac_decoder.h"

#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "sample_formats.h"

namespace wfdb {

namespace {

// A window that starts at most this many samples past the decoded ones is reached by decoding
// on: cheaper than a seek, which reads and decodes around its target anyway.
constexpr std::uint64_t kDecodeOnSamples = std::uint64_t{1} << 15;

struct DecoderDeleter {
  void operator()(FLAC__StreamDecoder* decoder) const { FLAC__stream_decoder_delete(decoder); }
};

class FlacReader final : public SignalFileReader {
 public:
  FlacReader(SignalGroup group, std::unique_ptr<ByteSource> file)
      : group(std::move(group)), file(std::move(file)) {}

  // Reads the stream's metadata; the reason when it cannot be read or disagrees with the group.
  std::optional<std::string> Start();

  const SignalGroup& Group() const override { return group; }
  std::int64_t FramesInFile() const override { return framesInFile; }
  bool Read(std::span<const MemberRead> reads) override;
  bool ScanValueRanges(std::int64_t frames, std::vector<ValueRange>& ranges) override;

 private:
  static FLAC__StreamDecoderReadStatus ReadBytes(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                                 size_t* bytes, void* self);
  static FLAC__StreamDecoderSeekStatus SeekBytes(const FLAC__StreamDecoder*, FLAC__uint64 offset, void* self);
  static FLAC__StreamDecoderTellStatus TellBytes(const FLAC__StreamDecoder*, FLAC__uint64* offset, void* self);
  static FLAC__StreamDecoderLengthStatus StreamLength(const FLAC__StreamDecoder*, FLAC__uint64* length,
                                                      void* self);
  static FLAC__bool AtEnd(const FLAC__StreamDecoder*, void* self);
  static FLAC__StreamDecoderWriteStatus TakeFrame(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                  const FLAC__int32* const buffer[], void* self);
  static void TakeMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* self);
  static void NoteError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* self);

  // Decodes the FLAC frame that follows the decoded one; false at the stream's end, on a
  // damaged frame, or on a frame that does not follow it.
  bool DecodeNext();
  // Decodes the FLAC frame that holds the sample, from that sample on.
  bool SeekTo(std::uint64_t sample);
  // After a failure: nothing is decoded, and the decoder waits for the next seek.
  void Forget();
  // Decodes from the start for as long as the frames follow each other: the samples held.
  std::uint64_t CountSamples();
  // The part of each read within the decoded frame.
  void Scatter(std::span<const MemberRead> reads) const;
  std::uint64_t StreamSampleOf(const MemberRead& read) const {
    return static_cast<std::uint64_t>(read.first + group.members[read.member].skew * samplesPerFrame);
  }

  SignalGroup group;
  std::unique_ptr<ByteSource> file;
  std::unique_ptr<FLAC__StreamDecoder, DecoderDeleter> decoder;
  std::int64_t position = 0;  // in the file, where the decoder reads next
  std::int64_t samplesPerFrame = 1;  // of each member: FLAC sample i of a channel is its sample i
  std::int64_t framesInFile = 0;
  std::int64_t invalid = 0;
  bool haveStreamInfo = false;
  unsigned channels = 0;
  unsigned bitsPerSample = 0;
  std::uint64_t totalSamples = 0;  // per channel; 0 when the stream does not say
  bool failed = false;             // the decoder reported an error since it was cleared
  // The last decoded frame as 16-bit values: channel c's samples from decodedStart,
  // decodedLength of them, at decoded[c x decodedLength].
  std::vector<std::int16_t> decoded;
  // While ScanValueRanges runs: each channel's range over the stream's samples [scanFrom[c],
  // scanEnd), taken from the decoded frames' stored values.
  std::vector<ValueRange>* scanning = nullptr;
  std::vector<std::uint64_t> scanFrom;
  std::uint64_t scanEnd = 0;
  std::uint64_t decodedStart = 0;
  std::size_t decodedLength = 0;
};

FLAC__StreamDecoderReadStatus FlacReader::ReadBytes(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                                    size_t* bytes, void* self) {
  auto& reader = *static_cast<FlacReader*>(self);
  const std::int64_t left = std::max<std::int64_t>(0, reader.file->Size() - reader.position);
  const auto take = static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(*bytes)));
  *bytes = take;
  if (take == 0) return FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
  // FLAC__byte is an unsigned char: the buffer's bytes.
  if (!reader.file->ReadAt(reader.position, std::as_writable_bytes(std::span(buffer, take)))) {
    return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
  }
  reader.position += static_cast<std::int64_t>(take);
  return FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
}

FLAC__StreamDecoderSeekStatus FlacReader::SeekBytes(const FLAC__StreamDecoder*, FLAC__uint64 offset, void* self) {
  auto& reader = *static_cast<FlacReader*>(self);
  const std::int64_t length = reader.file->Size() - reader.group.byteOffset;
  if (offset > static_cast<FLAC__uint64>(std::max<std::int64_t>(0, length))) {
    return FLAC__STREAM_DECODER_SEEK_STATUS_ERROR;
  }
  reader.position = reader.group.byteOffset + static_cast<std::int64_t>(offset);
  return FLAC__STREAM_DECODER_SEEK_STATUS_OK;
}

FLAC__StreamDecoderTellStatus FlacReader::TellBytes(const FLAC__StreamDecoder*, FLAC__uint64* offset, void* self) {
  const auto& reader = *static_cast<FlacReader*>(self);
  *offset = static_cast<FLAC__uint64>(reader.position - reader.group.byteOffset);
  return FLAC__STREAM_DECODER_TELL_STATUS_OK;
}

FLAC__StreamDecoderLengthStatus FlacReader::StreamLength(const FLAC__StreamDecoder*, FLAC__uint64* length,
                                                         void* self) {
  const auto& reader = *static_cast<FlacReader*>(self);
  *length = static_cast<FLAC__uint64>(std::max<std::int64_t>(0, reader.file->Size() - reader.group.byteOffset));
  return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
}

FLAC__bool FlacReader::AtEnd(const FLAC__StreamDecoder*, void* self) {
  const auto& reader = *static_cast<FlacReader*>(self);
  return reader.position >= reader.file->Size();
}

FLAC__StreamDecoderWriteStatus FlacReader::TakeFrame(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                     const FLAC__int32* const buffer[], void* self) {
  auto& reader = *static_cast<FlacReader*>(self);
  // libFLAC numbers every frame by its first sample, a fixed-block stream's too.
  if (frame->header.channels != reader.channels ||
      frame->header.number_type != FLAC__FRAME_NUMBER_TYPE_SAMPLE_NUMBER) {
    reader.failed = true;
    return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
  }
  const std::size_t length = frame->header.blocksize;
  const std::uint64_t start = frame->header.number.sample_number;
  reader.decoded.resize(length * reader.channels);
  const std::int32_t invalid = static_cast<std::int32_t>(reader.invalid);
  for (unsigned c = 0; c < reader.channels; ++c) {
    const FLAC__int32* in = buffer[c];
    std::int16_t* out = reader.decoded.data() + c * length;
    // Branch-free, so that it vectorises: the format's invalid value and anything beyond 16
    // bits become -32768.
    for (std::size_t k = 0; k < length; ++k) {
      const std::int32_t v = in[k];
      out[k] = static_cast<std::int16_t>(v == invalid || v < -32767 || v > 32767 ? -32768 : v);
    }
    if (reader.scanning) {
      const std::uint64_t from = std::max(start, reader.scanFrom[c]);
      const std::uint64_t to = std::min<std::uint64_t>(start + length, reader.scanEnd);
      for (std::uint64_t s = from; s < to; ++s) {
        if (in[s - start] != invalid) (*reader.scanning)[c].Add(in[s - start]);
      }
    }
  }
  reader.decodedStart = start;
  reader.decodedLength = length;
  return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void FlacReader::TakeMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* self) {
  auto& reader = *static_cast<FlacReader*>(self);
  if (metadata->type != FLAC__METADATA_TYPE_STREAMINFO) return;
  reader.haveStreamInfo = true;
  reader.channels = metadata->data.stream_info.channels;
  reader.bitsPerSample = metadata->data.stream_info.bits_per_sample;
  reader.totalSamples = metadata->data.stream_info.total_samples;
}

void FlacReader::NoteError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* self) {
  static_cast<FlacReader*>(self)->failed = true;
}

void FlacReader::Forget() {
  decodedLength = 0;
  FLAC__stream_decoder_flush(decoder.get());
}

bool FlacReader::DecodeNext() {
  const std::uint64_t expected = decodedStart + decodedLength;
  const std::size_t before = decodedLength;
  decodedLength = 0;
  failed = false;
  if (!FLAC__stream_decoder_process_single(decoder.get()) || failed || decodedLength == 0 ||
      (before != 0 && decodedStart != expected)) {
    Forget();
    return false;
  }
  return true;
}

bool FlacReader::SeekTo(std::uint64_t sample) {
  decodedLength = 0;
  failed = false;
  // The seek hands over the frame that holds the sample, cut to start there.
  if (!FLAC__stream_decoder_seek_absolute(decoder.get(), sample) || decodedLength == 0 ||
      decodedStart != sample) {
    Forget();
    return false;
  }
  return true;
}

std::uint64_t FlacReader::CountSamples() {
  if (!SeekTo(0)) return 0;
  std::uint64_t held = decodedLength;
  while (DecodeNext()) held = decodedStart + decodedLength;
  return held;
}

void FlacReader::Scatter(std::span<const MemberRead> reads) const {
  const std::uint64_t end = decodedStart + decodedLength;
  for (const MemberRead& read : reads) {
    const std::uint64_t first = StreamSampleOf(read);
    const std::uint64_t from = std::max(first, decodedStart);
    const std::uint64_t to = std::min(first + static_cast<std::uint64_t>(read.count), end);
    if (from >= to) continue;
    const std::int16_t* in = decoded.data() + read.member * decodedLength + (from - decodedStart);
    std::copy(in, in + (to - from), read.out + (from - first));
  }
}

std::optional<std::string> FlacReader::Start() {
  const std::string& name = group.fileName;
  std::byte signature[4] = {};
  if (file->Size() - group.byteOffset < 4 || !file->ReadAt(group.byteOffset, signature) ||
      std::memcmp(signature, "fLaC", 4) != 0) {
    return name + " is in format " + std::to_string(group.format) + " but holds no FLAC stream";
  }
  samplesPerFrame = group.members.front().samplesPerFrame;
  for (const GroupMember& member : group.members) {
    if (member.samplesPerFrame != samplesPerFrame) {
      return "the signals of " + name + " differ in samples per frame, which one FLAC stream cannot hold";
    }
  }
  decoder.reset(FLAC__stream_decoder_new());
  if (!decoder) return name + ": no memory for a FLAC decoder";
  FLAC__stream_decoder_set_md5_checking(decoder.get(), false);
  position = group.byteOffset;
  if (FLAC__stream_decoder_init_stream(decoder.get(), ReadBytes, SeekBytes, TellBytes, StreamLength, AtEnd,
                                       TakeFrame, TakeMetadata, NoteError,
                                       this) != FLAC__STREAM_DECODER_INIT_STATUS_OK) {
    return name + ": the FLAC decoder could not start";
  }
  if (!FLAC__stream_decoder_process_until_end_of_metadata(decoder.get()) || !haveStreamInfo) {
    return name + " holds no readable FLAC stream information";
  }
  if (channels != group.members.size()) {
    return name + " holds " + std::to_string(channels) + " FLAC channels where the header gives " +
           std::to_string(group.members.size()) + " signals";
  }
  const int width = FlacWidth(group.format);
  if (static_cast<int>(bitsPerSample) > width) {
    return name + " holds " + std::to_string(bitsPerSample) + "-bit FLAC samples where format " +
           std::to_string(group.format) + " holds at most " + std::to_string(width);
  }
  invalid = InvalidStoredValue(group.format);
  // A stream that says how long it is and holds its last sample holds them all; else (length
  // unknown, a file cut short) its samples are counted.
  std::uint64_t held = totalSamples;
  if (held == 0 || !SeekTo(held - 1)) held = CountSamples();
  framesInFile = static_cast<std::int64_t>(std::min<std::uint64_t>(held, std::uint64_t{1} << 62)) / samplesPerFrame;
  return std::nullopt;
}

bool FlacReader::Read(std::span<const MemberRead> reads) {
  std::uint64_t low = UINT64_MAX;
  std::uint64_t high = 0;
  for (const MemberRead& read : reads) {
    if (read.member >= group.members.size() || read.first < 0 || read.count < 0) return false;
    if (read.count == 0) continue;
    if (read.first > MemberSamples(group.members[read.member], framesInFile) - read.count) return false;
    low = std::min(low, StreamSampleOf(read));
    high = std::max(high, StreamSampleOf(read) + static_cast<std::uint64_t>(read.count));
  }
  if (high == 0) return true;
  const bool reachable = decodedLength != 0 && low >= decodedStart &&
                         low - decodedStart <= decodedLength + kDecodeOnSamples;
  if (!reachable && !SeekTo(low)) return false;
  while (true) {
    Scatter(reads);
    if (decodedStart + decodedLength >= high) return true;
    if (!DecodeNext()) return false;
  }
}

bool FlacReader::ScanValueRanges(std::int64_t frames, std::vector<ValueRange>& ranges) {
  ranges.assign(group.members.size(), ValueRange{});
  const auto end = static_cast<std::uint64_t>(std::min(frames, framesInFile) * samplesPerFrame);
  if (end == 0) return true;
  scanFrom.clear();
  for (const GroupMember& member : group.members) {
    scanFrom.push_back(static_cast<std::uint64_t>(member.skew * samplesPerFrame));  // before it, not the member's
  }
  scanEnd = end;
  scanning = &ranges;
  bool more = SeekTo(0);
  while (more && decodedStart + decodedLength < end) more = DecodeNext();
  scanning = nullptr;
  return more;
}

}  // namespace

bool HaveFlacDecoder() { return true; }

std::unique_ptr<SignalFileReader> OpenFlacReader(SignalGroup group, std::unique_ptr<ByteSource> file,
                                                 std::string& why) {
  auto reader = std::make_unique<FlacReader>(std::move(group), std::move(file));
  if (auto refused = reader->Start()) {
    why = *refused;
    return nullptr;
  }
  return reader;
}

}  // namespace wfdb
