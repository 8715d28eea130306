#include "packets/fetch_packet.h"

#include <memory>
#include <new>

#include "platform/platform.h"

namespace packets {
namespace {

// Zero-filled, so that a component that writes less than it announced leaves defined bytes.
std::unique_ptr<BYTE[]> NewTemporaryBuffer(std::uint32_t size) noexcept {
  return std::unique_ptr<BYTE[]>(new (std::nothrow) BYTE[size]());
}

}  // namespace

bool FetchPacket(const GUID& kindGuid, reader::StorageManInterface* storageMan,
                 InfoPacket& packet) {
  const ComPtr<reader::PacketInterface> packets =
      reader::ObtainInterface(storageMan, &reader::StorageManInterface::GetPacketInterface);
  if (!packets) return false;
  std::int32_t size = 0;
  if (FAILED(packets->GetPacketSize(kindGuid, &size)) || size <= 0) return false;
  const std::unique_ptr<BYTE[]> buffer = NewTemporaryBuffer(static_cast<std::uint32_t>(size));
  if (!buffer) return false;
  if (FAILED(packets->ReadPacket(kindGuid, size, buffer.get()))) return false;
  return packet.Assign(BlockView::OfLength(buffer.get(), static_cast<std::uint32_t>(size)));
}

bool FetchSegmentPacket(const GUID& kindGuid, reader::StorageManInterface* storageMan,
                        std::int32_t segment, InfoPacket& packet) {
  const ComPtr<reader::PacketInterface> packets =
      reader::ObtainInterface(storageMan, &reader::StorageManInterface::GetPacketInterface);
  if (!packets) return false;
  const ComPtr<reader::SegmentInterface> segments =
      reader::ObtainInterface(storageMan, &reader::StorageManInterface::GetSegmentInterface);
  if (!segments) return false;
  double days = -1.0;
  double seconds = -1.0;
  if (FAILED(segments->GetSegmentStart(segment, &days, &seconds))) return false;
  std::uint32_t size = 0;
  std::uint32_t packetRef = 0;
  if (FAILED(packets->GetTimedPacketSize(kindGuid, days, seconds, &size, &packetRef)) ||
      size == 0) {
    return false;
  }
  const std::unique_ptr<BYTE[]> buffer = NewTemporaryBuffer(size);
  if (!buffer) return false;
  if (FAILED(packets->ReadTimedPacket(packetRef, size, buffer.get()))) return false;
  return packet.Assign(BlockView::OfLength(buffer.get(), size));
}

}  // namespace packets
