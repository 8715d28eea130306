// The packets and samples of StorageMan's open recording. Every method answers E_UNEXPECTED
// (nothing written) when no recording is open, E_POINTER for a null out-pointer, E_INVALIDARG
// for a packet kind it does not serve, a time no segment holds (window_rule.h), a negative or NaN
// duration (a longer one than the segment reads to its end), a channel outside the recording or
// a sample count beyond 2^31 - 1, and HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) (nothing
// written) for a buffer smaller than the packet.
#pragma once

#include "com/storage_man_part.h"
#include "reader/reader_interfaces.h"

namespace open_formats {

class PacketObject final : public StorageManPart<PacketObject, reader::PacketInterface> {
 public:
  using StorageManPart::StorageManPart;

  COMPONENT_UNUSED_SLOT(Unused3)
  COMPONENT_UNUSED_SLOT(Unused4)
  COMPONENT_UNUSED_SLOT(Unused5)
  COMPONENT_UNUSED_SLOT(Unused6)
  COMPONENT_UNUSED_SLOT(Unused7)
  COMPONENT_UNUSED_SLOT(Unused8)
  COMPONENT_UNUSED_SLOT(Unused9)
  COMPONENT_UNUSED_SLOT(Unused10)
  COMPONENT_UNUSED_SLOT(Unused11)
  COMPONENT_UNUSED_SLOT(Unused12)
  // Fills the block laid out for the window (see FillSampleBlock).
  HRESULT STDMETHODCALLTYPE ReadSamples(double days, double seconds, double duration,
                                        std::uint32_t blockSize, BYTE* block) override;
  HRESULT STDMETHODCALLTYPE GetSampleChannelCount(double days, double seconds,
                                                  std::int32_t* channelCount) override;
  HRESULT STDMETHODCALLTYPE GetSampleCount(std::int32_t channel, double days, double seconds,
                                           double duration, std::int32_t* sampleCount) override;
  COMPONENT_UNUSED_SLOT(Unused16)
  COMPONENT_UNUSED_SLOT(Unused17)
  COMPONENT_UNUSED_SLOT(Unused18)
  COMPONENT_UNUSED_SLOT(Unused19)
  // TsInfo only: the packet of the segment that holds the time; packetRef names it for
  // ReadTimedPacket.
  HRESULT STDMETHODCALLTYPE GetTimedPacketSize(GUID kind, double days, double seconds,
                                               std::uint32_t* size,
                                               std::uint32_t* packetRef) override;
  COMPONENT_UNUSED_SLOT(Unused21)
  COMPONENT_UNUSED_SLOT(Unused22)
  COMPONENT_UNUSED_SLOT(Unused23)
  COMPONENT_UNUSED_SLOT(Unused24)
  HRESULT STDMETHODCALLTYPE ReadTimedPacket(std::uint32_t packetRef, std::uint32_t size,
                                            BYTE* buffer) override;
  // SensorInfo and the event type table.
  HRESULT STDMETHODCALLTYPE GetPacketSize(GUID kind, std::int32_t* size) override;
  HRESULT STDMETHODCALLTYPE ReadPacket(GUID kind, std::int32_t size, BYTE* buffer) override;
};

}  // namespace open_formats
