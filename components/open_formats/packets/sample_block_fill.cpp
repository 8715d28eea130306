#include "packets/sample_block_fill.h"

#include <cstring>
#include <vector>

#include "packets/packet_layout.h"
#include "reader/reader_ids.h"

namespace open_formats {

namespace {

using namespace packet_layout;

bool GuidAt(const BYTE* block, std::size_t offset, const GUID& expected) {
  return std::memcmp(block + offset, &expected, sizeof(GUID)) == 0;
}

}  // namespace

HRESULT FillSampleBlock(model::Recording& recording, const model::Window& window,
                        std::uint32_t blockSize, BYTE* block) {
  if (!block) return E_POINTER;
  if (blockSize < sample_block::kSampleCounts ||
      !GuidAt(block, packet_header::kKind, reader::kSampleBlockKind) ||
      !GuidAt(block, sample_block::kSampleKind, reader::kSixteenBitSampleKind)) {
    return E_INVALIDARG;
  }
  std::int32_t channelCount = 0;
  // Unaligned field of the caller's block.
  std::memcpy(&channelCount, block + sample_block::kChannelCount, sizeof channelCount);
  const std::size_t channels = window.channels.size();
  if (channelCount < 0 || static_cast<std::size_t>(channelCount) != channels) return E_INVALIDARG;
  // 64-bit sums: the counts come from the caller.
  std::uint64_t needed = sample_block::kSampleCounts + 4 * std::uint64_t{channels};
  if (needed > blockSize) return E_INVALIDARG;
  for (std::size_t i = 0; i < channels; ++i) {
    std::int32_t count = 0;
    std::memcpy(&count, block + sample_block::kSampleCounts + 4 * i, sizeof count);  // unaligned
    if (count != window.channels[i].count) return E_INVALIDARG;
    needed += 2 * std::uint64_t(static_cast<std::uint32_t>(count));
  }
  if (needed > blockSize) return E_INVALIDARG;
  std::vector<model::ChannelRead> reads;
  reads.reserve(channels);
  // Byte pointers into the caller's block; every range was just checked against blockSize.
  auto* next = reinterpret_cast<std::byte*>(block) + sample_block::kSampleCounts + 4 * channels;
  for (std::size_t i = 0; i < channels; ++i) {
    const model::SampleRange& range = window.channels[i];
    if (range.count > 0) reads.push_back({i, range.first, range.count, next});
    next += 2 * range.count;
  }
  if (reads.empty()) return S_OK;
  return recording.samples->Fill(window.segment, reads) ? S_OK : E_FAIL;
}

}  // namespace open_formats
