// Fuzz target: the twelve exports against a hostile component. The input scripts the fake
// reader component of the tests: every operation's result code, whether it writes its
// out-values or raises, the recording's counts and times, every packet's bytes and announced
// size, the sample counts and the event records. Then a host calls every export, sizing its
// buffers from what the component will say, as tapline.h tells hosts to.
//
// Besides the sanitizers (out-of-bounds writes into the host's buffers, leaks), the target
// checks that no export lets an exception through (one that did would end the process), that
// the fake saw no fault (calls after release, out-values not preset, malformed sample
// blocks), that every reference is released by Close, that a failed export leaves the host's
// buffers untouched, and that a sample read succeeds only when every count call and the read
// itself did, copying the component's samples with zeros where it wrote none. Counts whose
// block would reach 2^32 bytes are announced without any block behind them: GetData refuses
// them, GetSegmentInf hands them out unread.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "fake_component.h"
#include "fuzz_input.h"
#include "reader/reader_ids.h"
#include "tapline.h"

namespace {

using fake::Operation;
using tapline_fuzz::FuzzInput;

// Keeps a single input from scripting gigabytes or minutes of work (a block holds up to
// kMaxChannels x kSmallCountLimit samples); each limit is far above what a branch needs.
constexpr std::uint8_t kMaxSegments = 8;
constexpr std::int32_t kMaxChannels = 256;
constexpr std::uint8_t kMaxCountedChannels = 16;
constexpr std::uint8_t kMaxRecords = 6;
constexpr std::int32_t kEventsAsked = 16;
constexpr std::int32_t kSmallCountLimit = 4096;
constexpr std::uint32_t kMaxPacketBytes = 1 << 20;
constexpr std::int32_t kLongChannel = 1 << 30;
constexpr std::uint64_t kBlockLimit = std::uint64_t{1} << 32;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "export broke a promise: %s\n", what.c_str());
  std::abort();
}

constexpr HRESULT kResults[8] = {S_OK, S_OK, S_OK, S_FALSE, E_FAIL, E_INVALIDARG,
                                 static_cast<HRESULT>(0x80040205), 2};

void ScriptOutcome(fake::Component& component, Operation operation, std::uint8_t choice) {
  fake::Outcome& outcome = component.On(operation);
  outcome.result = kResults[choice & 7];
  outcome.writesOutValues = (choice & 0x08) == 0;
  if (choice == 0xFF) {
    outcome.raisesBadAlloc = true;
  } else if ((choice & 0x30) == 0x30) {
    // The texts carry percent signs: the report writes them verbatim.
    outcome.raise = fake::RaisedError{choice & 0x80 ? E_OUTOFMEMORY : static_cast<HRESULT>(0x80040205),
                                      (choice & 0x40) != 0, u"src %s%n", u"desc %d"};
  }
}

// Packet bytes of the length the input asks for, optionally stamped with the kind GUID and
// the true length as `size` so that mutations reach past the header checks.
std::vector<std::uint8_t> PacketBytes(FuzzInput& input, const GUID& kind) {
  const auto flags = input.Take<std::uint8_t>();
  const auto length = input.Take<std::uint16_t>();
  std::vector<std::uint8_t> bytes(length);
  const auto taken = input.TakeBytes(length);
  if (!taken.empty()) std::memcpy(bytes.data(), taken.data(), taken.size());
  if ((flags & 1) && length >= 16) std::memcpy(bytes.data(), &kind, 16);
  if ((flags & 2) && length >= 24) {
    const std::uint64_t size = length;
    std::memcpy(bytes.data() + 16, &size, 8);
  }
  return bytes;
}

// A size the component announces: the true one, one off either way, or any small value.
// Negative values stay for the signed size; no size reaches a megabyte, since the library
// rightly allocates whatever size it is told and gigabytes would only measure the allocator.
template <typename T>
std::optional<T> AnnouncedSize(FuzzInput& input, std::size_t trueSize) {
  const auto choice = input.Take<std::uint8_t>();
  switch (choice & 3) {
    case 0: return std::nullopt;
    case 1: return static_cast<T>(trueSize + 1);
    case 2:
      if (trueSize > 0) return static_cast<T>(trueSize - 1);
      return std::is_signed_v<T> ? static_cast<T>(-1) : T{0};
    default: {
      const auto any = input.Take<std::int32_t>();
      if (any < 0 && std::is_signed_v<T>) return static_cast<T>(any);
      return static_cast<T>(static_cast<std::uint32_t>(any) % kMaxPacketBytes);
    }
  }
}

// Event records laid out so that each ends where an unreadable page begins: a record that
// announces more bytes than it has is caught by the readability test, as it would be at the
// end of the component's memory.
class GuardedRecords {
 public:
  GuardedRecords() = default;
  GuardedRecords(const GuardedRecords&) = delete;
  GuardedRecords& operator=(const GuardedRecords&) = delete;
  ~GuardedRecords() {
    for (const auto& [address, length] : mappings) munmap(address, length);
  }

  BYTE* Add(const std::vector<std::uint8_t>& bytes) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t dataPages = (bytes.size() + page - 1) / page + 1;
    const std::size_t length = (dataPages + 1) * page;
    void* mapping = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) Fail("no memory for an event record");
    mappings.emplace_back(mapping, length);
    auto* guard = static_cast<BYTE*>(mapping) + dataPages * page;
    if (mprotect(guard, page, PROT_NONE) != 0) Fail("no guard page");
    BYTE* record = guard - bytes.size();
    if (!bytes.empty()) std::memcpy(record, bytes.data(), bytes.size());
    return record;
  }

 private:
  std::vector<std::pair<void*, std::size_t>> mappings;
};

// A count: small mostly, sometimes negative, sometimes the largest there is or one of a
// channel too long for any block (2^30 and more; see KeepLargeBlocksUnbuildable).
std::int32_t Count(FuzzInput& input) {
  const auto choice = input.Take<std::uint8_t>();
  if (choice < 0xC0) return choice;
  if (choice < 0xE0) return -static_cast<std::int32_t>(choice & 0x1F) - 1;
  if (choice < 0xF0) return input.Take<std::uint16_t>() % kSmallCountLimit;
  if (choice < 0xF8) return INT32_MAX;
  return kLongChannel | static_cast<std::int32_t>(input.Take<std::uint32_t>() & (kLongChannel - 1));
}

struct HostPlan {
  double date, windowDuration, recordingSeconds;
  std::int32_t segment, channel, eventIndex;
  bool openTwice;
};

// What the library learns of any window from the component, following its answers as the
// library asks them: the window check aside, the counts do not depend on the window here.
struct ExpectedWindow {
  // Every count call succeeded and told a count that is not negative, for a channel count the
  // library accepts.
  bool countsKnown = false;
  std::vector<std::int32_t> counts;
  std::uint64_t blockBytes = 0;
  bool tooLarge = false;       // 2^32 bytes or more: never read, never copied
  bool readSucceeds = false;   // ReadSamples' status is not negative
  // What a successful read copies: each channel's scripted samples, zeros after them.
  std::vector<std::int16_t> samples;
};

ExpectedWindow Expect(fake::Component& component) {
  ExpectedWindow expected;
  const fake::Recording& recording = component.recording;
  const fake::Outcome& channelCall = component.On(Operation::GetSampleChannelCount);
  if (FAILED(channelCall.result)) return expected;
  const std::int32_t channels = channelCall.writesOutValues ? recording.sampleChannelCount : 0;
  if (channels < 0 || channels > kMaxChannels) return expected;
  const fake::Outcome& countCall = component.On(Operation::GetSampleCount);
  std::int32_t count = 0;  // preset once: a channel told nothing keeps the count before it
  for (std::int32_t ch = 0; ch < channels; ++ch) {
    if (countCall.writesOutValues) {
      // The fake refuses channels beyond its table, whatever it was scripted to return.
      if (static_cast<std::size_t>(ch) >= recording.sampleCounts.size()) return expected;
      count = recording.sampleCounts[ch];
    }
    if (FAILED(countCall.result) || count < 0) return expected;
    expected.counts.push_back(count);
  }
  expected.countsKnown = true;
  expected.blockBytes = 68 + 4 * std::uint64_t(channels);
  for (std::int32_t c : expected.counts) expected.blockBytes += 2 * std::uint64_t(c);
  expected.tooLarge = expected.blockBytes >= kBlockLimit;
  expected.readSucceeds = SUCCEEDED(component.On(Operation::ReadSamples).result);
  // Larger blocks that could still be built only exist until KeepLargeBlocksUnbuildable has
  // seen them, and their samples are not needed.
  if (expected.tooLarge || expected.blockBytes >= kMaxPacketBytes) return expected;
  const bool filled = component.On(Operation::ReadSamples).writesOutValues;
  for (std::size_t ch = 0; ch < expected.counts.size(); ++ch) {
    std::vector<std::int16_t> channel(static_cast<std::size_t>(expected.counts[ch]), 0);
    if (filled && ch < recording.samples.size()) {
      const auto& scripted = recording.samples[ch];
      std::copy_n(scripted.begin(), std::min(channel.size(), scripted.size()), channel.begin());
    }
    expected.samples.insert(expected.samples.end(), channel.begin(), channel.end());
  }
  return expected;
}

// Long channels announce counts whose block no read can carry; one that would still fit
// below 2^32 bytes would have the library allocate gigabytes, which only measures the
// allocator. Such a block gets the largest count instead.
void KeepLargeBlocksUnbuildable(fake::Component& component) {
  const ExpectedWindow expected = Expect(component);
  if (!expected.countsKnown || expected.tooLarge || expected.blockBytes < kMaxPacketBytes) return;
  for (std::int32_t& count : component.recording.sampleCounts) {
    if (count >= kLongChannel) {
      count = INT32_MAX;
      return;
    }
  }
}

void ScriptComponent(fake::Component& component, FuzzInput& input, GuardedRecords& guarded) {
  for (int op = static_cast<int>(Operation::CreateInstance); op <= static_cast<int>(Operation::CountEvents); ++op) {
    ScriptOutcome(component, static_cast<Operation>(op), input.Take<std::uint8_t>());
  }
  // A class factory that fails hands out nothing: COM clears what it leaves and never releases
  // it, so an object handed out anyway would be the factory's own leak.
  fake::Outcome& creation = component.On(Operation::CreateInstance);
  if (FAILED(creation.result)) creation.writesOutValues = false;
  fake::Recording& recording = component.recording;
  const auto segments = input.Take<std::uint8_t>() % (kMaxSegments + 1);
  for (std::uint8_t s = 0; s < segments; ++s) {
    fake::SegmentData segment;
    // Whole days and small offsets mostly, so that windows fit; raw doubles otherwise.
    const auto choice = input.Take<std::uint8_t>();
    if (choice & 1) {
      segment.start = {input.Take<double>(), input.Take<double>()};
      segment.end = {input.Take<double>(), input.Take<double>()};
      segment.duration = input.Take<double>();
    } else {
      const double day = 40000 + s;
      const double length = input.Take<std::uint16_t>() % 4096;
      segment.start = {day, (choice >> 1) / 256.0};
      segment.end = {day + length / 86400.0, 0.0};
      segment.duration = length;
    }
    recording.segments.push_back(segment);
  }
  if (const std::int32_t count = Count(input); count != 0 && count <= kMaxSegments) {
    recording.segmentCount = count;
  }
  recording.foundSegment = input.Take<std::int32_t>() % (kMaxSegments + 2);
  recording.segmentFound = input.Take<VARIANT_BOOL>();
  recording.convertedTime = {input.Take<double>(), input.Take<double>()};

  recording.sampleChannelCount = Count(input);
  if (recording.sampleChannelCount > kMaxChannels && recording.sampleChannelCount != INT32_MAX) {
    recording.sampleChannelCount = kMaxChannels;
  }
  const auto counted = input.Take<std::uint8_t>() % (kMaxCountedChannels + 1);
  for (std::uint8_t ch = 0; ch < counted; ++ch) {
    recording.sampleCounts.push_back(Count(input));
    // Fewer samples than counted, sometimes: the block's rest is left as laid out.
    std::vector<std::int16_t> samples(input.Take<std::uint8_t>() % 64);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>(ch * 1000 + i + 1);
    recording.samples.push_back(samples);
  }

  KeepLargeBlocksUnbuildable(component);

  const auto tsInfo = PacketBytes(input, reader::kTsInfoKind);
  const auto tsSize = AnnouncedSize<std::uint32_t>(input, tsInfo.size());
  for (const fake::SegmentData& segment : recording.segments) {
    fake::TimedPacket packet{reader::kTsInfoKind, segment.start, tsInfo, tsSize, std::nullopt};
    if (input.Take<std::uint8_t>() == 0xFF) packet.reference = input.Take<std::uint32_t>();
    recording.timedPackets.push_back(packet);
  }
  for (const GUID* kind : {&reader::kSensorInfoKind, &reader::kEventTypeTableKind}) {
    fake::RecordingPacket packet{*kind, PacketBytes(input, *kind), std::nullopt};
    packet.reportedSize = AnnouncedSize<std::int32_t>(input, packet.bytes.size());
    recording.packets.push_back(packet);
  }

  const auto records = input.Take<std::uint8_t>() % (kMaxRecords + 1);
  for (std::uint8_t e = 0; e < records; ++e) {
    recording.eventRecords.push_back(PacketBytes(input, reader::kEventRecordKind));
    recording.eventRecordAddresses.push_back(guarded.Add(recording.eventRecords.back()));
  }
  const auto eventCount = Count(input);
  recording.eventCount = eventCount == 0 ? std::optional<std::int32_t>() : eventCount;
}

HostPlan TakeHostPlan(FuzzInput& input) {
  HostPlan plan{};
  const auto choice = input.Take<std::uint8_t>();
  plan.date = choice & 1 ? input.Take<double>() : 40000 + (choice >> 1) % kMaxSegments;
  plan.windowDuration = choice & 2 ? input.Take<double>() : (choice >> 2);
  plan.recordingSeconds = input.Take<double>();
  plan.segment = input.Take<std::int8_t>();
  plan.channel = input.Take<std::int8_t>();
  plan.eventIndex = input.Take<std::int8_t>();
  plan.openTwice = choice & 0x80;
  return plan;
}

// A host buffer of exactly n elements, filled with a pattern to tell later whether it was
// written.
template <typename T>
struct HostBuffer {
  explicit HostBuffer(std::size_t n) : size(n), data(new T[n]), pattern(new T[n]) {
    std::memset(data.get(), 0xA5, n * sizeof(T));
    std::memset(pattern.get(), 0xA5, n * sizeof(T));
  }
  bool Untouched() const { return std::memcmp(data.get(), pattern.get(), size * sizeof(T)) == 0; }
  std::size_t size;
  std::unique_ptr<T[]> data;
  std::unique_ptr<T[]> pattern;
};

void CallEveryExport(fake::Component& component, const HostPlan& plan) {
  int segmentCount = -7;
  OpenEx("hostile.edf", &segmentCount);
  if (plan.openTwice) OpenEx("hostile.edf", &segmentCount);

  // Sized from what the component can say, which is what OpenEx reports when it succeeds.
  const auto& recording = component.recording;
  const std::int32_t segments = std::max<std::int32_t>(
      0, recording.segmentCount.value_or(static_cast<std::int32_t>(recording.segments.size())));
  HostBuffer<double> durations(segments), starts(segments);
  if (GetSegmentTime(durations.data.get(), starts.data.get()) != 1) Fail("GetSegmentTime result");
  GetSegment(plan.date);
  double date = 0;
  if (RecSecToDate(plan.recordingSeconds, &date) != 1) Fail("RecSecToDate result");

  const ExpectedWindow expected = Expect(component);
  // A read copies exactly these samples, or nothing.
  const bool readable = expected.countsKnown && !expected.tooLarge && expected.readSucceeds;
  const std::size_t sampleChannels =
      recording.sampleChannelCount > 0 && recording.sampleChannelCount <= kMaxChannels ? recording.sampleChannelCount : 0;
  const auto expectSamples = [&](int result, const HostBuffer<short>& samples, const char* what) {
    if (result == 0) {
      if (!samples.Untouched()) Fail(std::string("failed ") + what + " wrote");
    } else if (!readable) {
      Fail(std::string(what) + " succeeded on counts or a read that failed, or a block that cannot be built");
    } else if (!expected.samples.empty() &&
               std::memcmp(samples.data.get(), expected.samples.data(), 2 * expected.samples.size()) != 0) {
      Fail(std::string(what) + " copied other samples than the component's, zeros after them");
    }
  };
  for (std::int32_t segment : {0, plan.segment}) {
    const int channels = GetChannelCount(segment);
    if (channels < 0) Fail("negative channel count");
    HostBuffer<char> name(32);
    if (GetChannelInf(segment, plan.channel, name.data.get()) == 0 && !name.Untouched()) {
      Fail("failed GetChannelInf wrote the name");
    }
    GetChannelInf(segment, 0, name.data.get());
    HostBuffer<double> values(static_cast<std::size_t>(channels));
    HostBuffer<int> sampleCounts(sampleChannels);
    if (GetSegmentInf(segment, values.data.get(), sampleCounts.data.get()) == 0) {
      if (!sampleCounts.Untouched()) Fail("failed GetSegmentInf wrote sample counts");
    } else if (!expected.countsKnown || (!expected.tooLarge && !expected.readSucceeds)) {
      Fail("GetSegmentInf succeeded on counts or a read that failed");
    } else if (!expected.counts.empty() &&
               std::memcmp(sampleCounts.data.get(), expected.counts.data(), 4 * expected.counts.size()) != 0) {
      Fail("GetSegmentInf wrote other counts than the component's");
    }
    HostBuffer<short> samples(readable ? expected.samples.size() : 0);
    expectSamples(GetData(segment, samples.data.get()), samples, "GetData");
  }
  HostBuffer<short> window(readable ? expected.samples.size() : 0);
  expectSamples(GetData2(plan.date, plan.windowDuration, window.data.get()), window, "GetData2");

  int events = -7;
  if (GetEventCount(&events) != 1) Fail("GetEventCount result");
  for (std::int32_t e : {-1, 0, 1, 2, 3, 4, 5, 6, kEventsAsked, plan.eventIndex, events - 1, events}) {
    int typeIndex = -7;
    HostBuffer<char> text1(32), text2(32), label(32);
    double duration = -7, time = -7;
    if (GetEvents(e, &typeIndex, text1.data.get(), text2.data.get(), label.data.get(), &duration, &time) != 1) {
      Fail("GetEvents result");
    }
    if (typeIndex == -7 && (!text1.Untouched() || !text2.Untouched() || !label.Untouched() ||
                            duration != -7 || time != -7)) {
      Fail("GetEvents wrote some outputs only");
    }
  }
  if (Close() != 1) Fail("Close result");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The failure reports pause for a key only at a terminal, and their text is not needed.
  const int null = open("/dev/null", O_RDWR);
  if (null < 0 || dup2(null, 0) < 0 || dup2(null, 1) < 0) Fail("no /dev/null");
  close(null);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  GuardedRecords guarded;
  fake::Component component;
  ScriptComponent(component, input, guarded);
  CallEveryExport(component, TakeHostPlan(input));

  // TAPLINE_FUZZ_CALLS=1 lists the component calls, to see what a crashing input made happen.
  if (std::getenv("TAPLINE_FUZZ_CALLS")) {
    for (const std::string& call : component.Calls()) std::fprintf(stderr, "%s\n", call.c_str());
  }
  if (!component.Faults().empty()) Fail("component saw a fault: " + component.Faults().front());
  if (const auto held = component.HeldObjects(); !held.empty()) Fail("still referenced after Close: " + held.front());
  return 0;
}
