// Fuzz target: one packet of a kind the input picks, driven through a sequence of operations
// the input spells out (adopt, copy, compare, clear, read fields, set the label, lay out
// sample blocks, reallocate), on blocks made from the input with their true lengths.
//
// Besides the sanitizers, the target checks the packets' promises: a refused operation
// changes nothing, an accepted copy equals its source, the held block is readable over the
// span the packet reports, a label reads back as it was set, and a built sample block holds
// exactly the counts it was built from.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "fuzz_input.h"
#include "packets/event_record_packet.h"
#include "packets/event_type_table_packet.h"
#include "packets/info_packet.h"
#include "packets/packet_bytes.h"
#include "packets/sample_block_packet.h"
#include "packets/sensor_info_packet.h"
#include "packets/ts_info_packet.h"
#include "reader/reader_ids.h"

namespace {

using packets::BlockView;
using packets::InfoPacket;
using packets::WritableBlockView;
using tapline_fuzz::FuzzInput;
using Bytes = std::vector<std::byte>;

enum class Kind : std::uint8_t { TsInfo, SensorInfo, EventTypeTable, EventRecord, SampleBlock };
constexpr std::uint8_t kKindCount = 5;

// Sample blocks larger than this are not built (the limit of 2^32 is still tried): larger
// blocks would only measure the allocator and the copies the checks take.
constexpr std::uint64_t kMaxBuiltBlock = 1u << 20;
// Blocks made from one input; the packet may hold any of them, so none is freed early.
constexpr std::size_t kMaxBlocks = 32;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "packet broke a promise: %s\n", what);
  std::abort();
}

const GUID& KindGuid(Kind kind) {
  switch (kind) {
    case Kind::TsInfo: return reader::kTsInfoKind;
    case Kind::SensorInfo: return reader::kSensorInfoKind;
    case Kind::EventTypeTable: return reader::kEventTypeTableKind;
    case Kind::EventRecord: return reader::kEventRecordKind;
    case Kind::SampleBlock: return reader::kSampleBlockKind;
  }
  return reader::kTsInfoKind;
}

std::unique_ptr<InfoPacket> MakePacket(Kind kind) {
  switch (kind) {
    case Kind::TsInfo: return std::make_unique<packets::TsInfoPacket>();
    case Kind::SensorInfo: return std::make_unique<packets::SensorInfoPacket>();
    case Kind::EventTypeTable: return std::make_unique<packets::EventTypeTablePacket>();
    case Kind::EventRecord: return std::make_unique<packets::EventRecordPacket>();
    case Kind::SampleBlock: return std::make_unique<packets::SampleBlockPacket>();
  }
  return nullptr;
}

// What a caller can observe of a packet without interpreting it.
struct Snapshot {
  const std::byte* data;
  std::size_t size;
  std::uint64_t ownedSize;
  Bytes bytes;
};

Snapshot Observe(const InfoPacket& packet) {
  const auto block = packet.Block();
  return {block.data(), block.size(), packet.OwnedSize(), Bytes(block.begin(), block.end())};
}

void ExpectUnchanged(const InfoPacket& packet, const Snapshot& before, const char* operation) {
  const auto block = packet.Block();
  if (block.data() != before.data || block.size() != before.size ||
      packet.OwnedSize() != before.ownedSize ||
      !std::equal(block.begin(), block.end(), before.bytes.begin(), before.bytes.end())) {
    Fail(operation);
  }
}

// Every byte of the held span; the sanitizer reports a span that overstates the block.
void TouchHeld(const InfoPacket& packet) {
  volatile std::uint8_t sum = 0;
  for (std::byte b : packet.Block()) sum = sum + static_cast<std::uint8_t>(b);
}

// A block of the length the input asks for: its first bytes from the input, the rest zero.
// Flags stamp the packet's kind GUID, the true length as `size`, and the 16-bit sample kind,
// so that mutations reach past the header checks.
Bytes MakeBlock(FuzzInput& input, Kind kind) {
  const auto flags = input.Take<std::uint8_t>();
  const auto length = input.Take<std::uint16_t>();
  Bytes block(length);
  const auto bytes = input.TakeBytes(length);
  if (!bytes.empty()) std::memcpy(block.data(), bytes.data(), bytes.size());
  if ((flags & 1) && length >= 16) std::memcpy(block.data(), &KindGuid(kind), 16);
  if ((flags & 2) && length >= 24) {
    const std::uint64_t size = length;
    std::memcpy(block.data() + 16, &size, 8);
  }
  if ((flags & 4) && length >= 40) std::memcpy(block.data() + 24, &reader::kSixteenBitSampleKind, 16);
  return block;
}

// Whether entry `at` is one the table counts and its held block really holds. A block laid out
// by Allocate or Resize is not validated, so its count may announce entries past its end; the
// accessors must then answer nothing for those, as for entries past the count.
template <typename Table>
bool HoldsEntry(const Table& table, std::int32_t count, std::int32_t at) {
  if (at < 0 || at >= count) return false;
  const std::uint64_t end = Table::kHeaderSize + std::uint64_t{Table::kEntrySize} * (static_cast<std::uint64_t>(at) + 1);
  return end <= table.Block().size();
}

void QueryFields(Kind kind, InfoPacket& packet, FuzzInput& input) {
  const auto index = input.Take<std::int32_t>();
  switch (kind) {
    case Kind::TsInfo: {
      auto& ts = static_cast<packets::TsInfoPacket&>(packet);
      const std::int32_t count = ts.GetEntryCount();
      for (std::int32_t at : {index, 0, count - 1, count}) {
        const bool inside = HoldsEntry(ts, count, at);
        if (ts.ChannelName(at).has_value() != inside) Fail("channel name outside the table");
        if (ts.ChannelValue(at).has_value() != inside) Fail("channel value outside the table");
        if (const auto name = ts.ChannelName(at); name && name->size() > 72) Fail("name field");
      }
      break;
    }
    case Kind::SensorInfo:
      static_cast<packets::SensorInfoPacket&>(packet).GetEntryCount();
      break;
    case Kind::EventTypeTable: {
      auto& table = static_cast<packets::EventTypeTablePacket&>(packet);
      const std::int32_t count = table.GetEntryCount();
      for (std::int32_t at : {index, 0, count - 1, count}) {
        const bool inside = HoldsEntry(table, count, at);
        const auto guid = table.TypeGuid(at);
        if (guid.has_value() != inside || table.Text1(at).has_value() != inside ||
            table.Text2(at).has_value() != inside) {
          Fail("event type entry outside the table");
        }
        if (guid) {
          const std::int32_t found = table.FindEventType(*guid);
          if (found < 0 || found > at) Fail("listed event type not found first");
        }
      }
      const GUID wanted = input.Take<GUID>();
      const std::int32_t found = table.FindEventType(wanted);
      if (found != -1 && (found < 0 || found >= count || !packets::SameGuid(*table.TypeGuid(found), wanted))) {
        Fail("event type found at the wrong place");
      }
      break;
    }
    case Kind::EventRecord: {
      auto& record = static_cast<packets::EventRecordPacket&>(packet);
      const bool holds = !record.Block().empty();
      const auto label = record.GetLabel();
      if (label.size() * 2 > record.Block().size()) Fail("label longer than the record");
      if (record.Time().has_value() != holds && record.Block().size() >= 48) Fail("event time");
      record.Duration();
      record.TypeGuid();
      break;
    }
    case Kind::SampleBlock: {
      auto& block = static_cast<packets::SampleBlockPacket&>(packet);
      const std::int32_t channels = block.ChannelCount();
      for (std::int32_t at : {index, 0, channels - 1, channels}) {
        const auto samples = block.ChannelSamples(at);
        if (!samples.empty() && (at < 0 || at >= channels)) Fail("channel outside the block");
        if (!samples.empty() && samples.size() != 2 * std::size_t(std::uint32_t(block.SampleCount(at)))) {
          Fail("channel samples disagree with their count");
        }
        volatile std::uint8_t sum = 0;
        for (std::byte b : samples) sum = sum + static_cast<std::uint8_t>(b);
      }
      break;
    }
  }
}

void SetLabel(packets::EventRecordPacket& record, FuzzInput& input) {
  const auto units = input.Take<std::uint8_t>();
  std::vector<OLECHAR> text(units + 1u, 0);
  for (std::size_t i = 0; i < units; ++i) text[i] = static_cast<OLECHAR>(input.Take<std::uint16_t>());
  const bool useNull = units == 0 && (input.Take<std::uint8_t>() & 1);
  const Snapshot before = Observe(record);
  if (!record.SetLabel(useNull ? nullptr : text.data())) {
    ExpectUnchanged(record, before, "refused SetLabel changed the record");
    return;
  }
  const packets::PacketText expected(useNull ? u"" : text.data());
  if (record.GetLabel() != expected) Fail("label does not read back");
  if (!record.IsValid(BlockView::OfLength(record.Block().data(), record.Block().size()))) {
    Fail("record invalid after SetLabel");
  }
}

void Build(packets::SampleBlockPacket& block, FuzzInput& input) {
  const auto channels = input.Take<std::int16_t>();
  std::vector<std::int32_t> counts(channels > 0 ? channels : 0);
  std::uint64_t total = 68 + 4 * std::uint64_t(counts.size());
  bool negative = channels < 0;
  for (auto& count : counts) {
    // Small counts mostly, so blocks stay buildable; the high bit of the selector lets a
    // count take any value.
    const auto selector = input.Take<std::uint8_t>();
    count = selector & 0x80 ? input.Take<std::int32_t>() : selector;
    if (count < 0) negative = true;
    total += 2 * std::uint64_t(std::uint32_t(count));
  }
  const bool fits = !negative && total < (std::uint64_t{1} << 32);
  if (fits && total > kMaxBuiltBlock) return;
  const Snapshot before = Observe(block);
  const bool built = block.Build(channels, counts.data());
  if (!built) {
    if (fits) Fail("buildable sample block refused");
    ExpectUnchanged(block, before, "refused Build changed the block");
    return;
  }
  if (!fits) Fail("impossible sample block built");
  if (block.Block().size() != total || block.ChannelCount() != channels) Fail("built block size");
  const std::byte* next = block.Block().data() + 68 + 4 * counts.size();
  for (std::int32_t ch = 0; ch < channels; ++ch) {
    const auto samples = block.ChannelSamples(ch);
    if (block.SampleCount(ch) != counts[ch] || samples.data() != next ||
        samples.size() != 2 * std::size_t(counts[ch])) {
      Fail("built block layout");
    }
    next += samples.size();
  }
  if (!block.IsValid(BlockView::OfLength(block.Block().data(), block.Block().size()))) {
    Fail("built block invalid");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const auto kind = static_cast<Kind>(input.Take<std::uint8_t>() % kKindCount);
  // Declared before the packet, so adopted blocks outlive it.
  std::vector<Bytes> blocks;
  blocks.reserve(kMaxBlocks);
  std::unique_ptr<InfoPacket> packet = MakePacket(kind);

  while (!input.Empty()) {
    const auto operation = input.Take<std::uint8_t>() % 10;
    if (operation == 0) {
      if (blocks.size() < kMaxBlocks) blocks.push_back(MakeBlock(input, kind));
      continue;
    }
    Bytes* block = blocks.empty() ? nullptr : &blocks[input.Take<std::uint8_t>() % blocks.size()];
    const BlockView view = block ? BlockView::OfLength(block->data(), block->size())
                                 : BlockView::OfLength(nullptr, 0);
    const Snapshot before = Observe(*packet);
    switch (operation) {
      case 1: {
        const bool valid = packet->IsValid(view);
        const bool attached = packet->Attach(block ? WritableBlockView::OfLength(block->data(), block->size())
                                                   : WritableBlockView::OfLength(nullptr, 0));
        if (attached != valid) Fail("Attach disagrees with IsValid");
        if (!attached) ExpectUnchanged(*packet, before, "refused Attach changed the packet");
        break;
      }
      case 2: {
        if (!packet->Assign(view)) {
          ExpectUnchanged(*packet, before, "refused Assign changed the packet");
        } else if (!packet->IsOwned() || !packet->Equals(view)) {
          Fail("copy differs from its source");
        }
        break;
      }
      case 3:
        packet->Equals(view);
        if (packet->Equals(BlockView::OfLength(nullptr, 0)) != packet->Block().empty()) {
          Fail("null block equality");
        }
        break;
      case 4:
        packet->Clear();
        if (!packet->Block().empty() || packet->IsOwned()) Fail("Clear kept bytes");
        break;
      case 5:
      case 6:
        QueryFields(kind, *packet, input);
        break;
      case 7:
        if (kind == Kind::EventRecord) SetLabel(static_cast<packets::EventRecordPacket&>(*packet), input);
        if (kind == Kind::SampleBlock) Build(static_cast<packets::SampleBlockPacket&>(*packet), input);
        break;
      case 8: {
        // The packet's own block handed back to it. (A block laid out by Allocate or Resize
        // need not be a valid table, and an invalid table equals nothing.)
        const auto held = packet->Block();
        const BlockView own = BlockView::OfLength(held.data(), held.size());
        if (packet->IsValid(own) && !packet->Equals(own)) Fail("packet differs from its own block");
        if (packet->Assign(own) && !packet->Equals(BlockView::OfLength(packet->Block().data(), packet->Block().size()))) {
          Fail("self-assignment changed the contents");
        }
        break;
      }
      case 9: {
        const auto n = input.Take<std::uint16_t>();
        const bool grow = input.Take<std::uint8_t>() & 1;
        const bool done = grow ? packet->Resize(n) : packet->Allocate(n);
        if (!done) ExpectUnchanged(*packet, before, "refused reallocation changed the packet");
        else if (packet->Block().size() != n) Fail("reallocated size");
        break;
      }
    }
    TouchHeld(*packet);
  }
  return 0;
}
