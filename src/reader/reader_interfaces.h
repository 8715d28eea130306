// The reader component's interfaces. Every operation sits at the vtable slot the component
// gives it (slots 0-2 are IUnknown's); the UnusedN methods hold the slots the library never
// calls and must never be called. Out-values are preset by the caller before each call.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace reader {

struct SegmentInterface;
struct PacketInterface;
struct EventInterface;

struct StorageManInterface : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Unused3() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused4() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused5() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused6() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused7() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused8() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSegmentInterface(SegmentInterface** segments) = 0;  // 9
  virtual HRESULT STDMETHODCALLTYPE Unused10() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPacketInterface(PacketInterface** packets) = 0;  // 11
  virtual HRESULT STDMETHODCALLTYPE Unused12() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetEventInterface(EventInterface** events) = 0;  // 13
  virtual HRESULT STDMETHODCALLTYPE Unused14() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused15() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused16() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused17() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused18() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused19() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused20() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused21() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused22() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused23() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused24() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused25() = 0;
  // 26. The library passes openMode 3, reserved 0 and flags 1; S_OK alone means opened.
  virtual HRESULT STDMETHODCALLTYPE OpenRecording(BSTR path, std::int32_t openMode,
                                                  std::int32_t reserved, std::int32_t flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused27() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused28() = 0;
  // 29. Also called with no recording open.
  virtual HRESULT STDMETHODCALLTYPE CloseRecording() = 0;
};

struct SegmentInterface : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Unused3() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused4() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused5() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused6() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSegmentCount(std::int32_t* count) = 0;  // 7
  virtual HRESULT STDMETHODCALLTYPE Unused8() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused9() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSegmentStart(std::int32_t segment, double* days,
                                                    double* seconds) = 0;  // 10
  virtual HRESULT STDMETHODCALLTYPE GetSegmentEnd(std::int32_t segment, double* days,
                                                  double* seconds) = 0;  // 11
  virtual HRESULT STDMETHODCALLTYPE GetSegmentDuration(std::int32_t segment,
                                                       double* seconds) = 0;  // 12
  virtual HRESULT STDMETHODCALLTYPE FindSegment(double days, double seconds, std::int32_t* segment,
                                                VARIANT_BOOL* found) = 0;  // 13
  virtual HRESULT STDMETHODCALLTYPE Unused14() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused15() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused16() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused17() = 0;
  // 18. Recording seconds (from the recording's beginning) to a time; S_OK alone means done.
  virtual HRESULT STDMETHODCALLTYPE SecondsToDate(double recordingSeconds, double* days,
                                                  double* seconds) = 0;
};

struct PacketInterface : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Unused3() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused4() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused5() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused6() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused7() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused8() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused9() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused10() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused11() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused12() = 0;
  // 13. Fills the sample area of a block the caller laid out; never writes past blockSize.
  virtual HRESULT STDMETHODCALLTYPE ReadSamples(double days, double seconds, double duration,
                                                std::uint32_t blockSize, BYTE* block) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSampleChannelCount(double days, double seconds,
                                                          std::int32_t* channelCount) = 0;  // 14
  virtual HRESULT STDMETHODCALLTYPE GetSampleCount(std::int32_t channel, double days,
                                                   double seconds, double duration,
                                                   std::int32_t* sampleCount) = 0;  // 15
  virtual HRESULT STDMETHODCALLTYPE Unused16() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused17() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused18() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused19() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTimedPacketSize(GUID kind, double days, double seconds,
                                                       std::uint32_t* size,
                                                       std::uint32_t* packetRef) = 0;  // 20
  virtual HRESULT STDMETHODCALLTYPE Unused21() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused22() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused23() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused24() = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadTimedPacket(std::uint32_t packetRef, std::uint32_t size,
                                                    BYTE* buffer) = 0;  // 25
  virtual HRESULT STDMETHODCALLTYPE GetPacketSize(GUID kind, std::int32_t* size) = 0;  // 26
  virtual HRESULT STDMETHODCALLTYPE ReadPacket(GUID kind, std::int32_t size,
                                               BYTE* buffer) = 0;  // 27
};

struct EventInterface : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Unused3() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused4() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused5() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused6() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused7() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused8() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused9() = 0;
  // 10. The record's bytes stay the component's; they stay readable until the recording closes.
  virtual HRESULT STDMETHODCALLTYPE GetEventPacket(std::int32_t index, BYTE** record) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused11() = 0;
  virtual HRESULT STDMETHODCALLTYPE CountEvents(std::int32_t* count) = 0;  // 12
};

// A sub-interface obtained afresh through one of StorageMan's Get...Interface operations, for
// one operation of the caller, which its ComPtr releases. Empty when there is no StorageMan or
// the component refuses (a negative status); a pointer handed out with a refusal is released
// at once.
template <typename Interface>
ComPtr<Interface> ObtainInterface(StorageManInterface* storageMan,
                                  HRESULT (STDMETHODCALLTYPE StorageManInterface::*request)(Interface**)) {
  ComPtr<Interface> obtained;
  if (storageMan == nullptr || FAILED((storageMan->*request)(obtained.put()))) obtained.reset();
  return obtained;
}

}  // namespace reader
