#include "packets/fetch_packet.h"

#include "platform/memory.h"
#include "platform/platform.h"

namespace packets {
namespace {

// The one temporary buffer of a fetch, nothing kept from an earlier one: it lives no longer
// than the packet that takes it, which the export destroys before it returns. Zero-filled when
// it is allocated, so that a component that writes less than it announced leaves zeros, never bytes
// of an earlier fetch; handed to the packet whole, so that no fetch copies it.
class FetchBuffer {
 public:
  explicit FetchBuffer(std::uint32_t size) noexcept : size(size), bytes(platform::AllocateBuffer(size)) {}
  ~FetchBuffer() { platform::FreeBuffer(bytes, size); }
  FetchBuffer(const FetchBuffer&) = delete;
  FetchBuffer& operator=(const FetchBuffer&) = delete;

  bool IsAllocated() const noexcept { return bytes != nullptr; }
  BYTE* Data() const noexcept { return reinterpret_cast<BYTE*>(bytes); }  // std::byte and BYTE are both bytes
  // The packet takes the bytes when they are a valid block of its kind; false, and they stay
  // here to be freed, when it refuses them.
  bool HandTo(InfoPacket& packet) noexcept {
    if (!packet.TakeBlock(bytes, size)) return false;
    bytes = nullptr;
    return true;
  }

 private:
  std::uint32_t size;
  std::byte* bytes;
};

}  // namespace

bool FetchPacket(const GUID& kindGuid, reader::StorageManInterface* storageMan,
                 InfoPacket& packet) {
  const ComPtr<reader::PacketInterface> packets =
      reader::ObtainInterface(storageMan, &reader::StorageManInterface::GetPacketInterface);
  if (!packets) return false;
  std::int32_t size = 0;
  if (FAILED(packets->GetPacketSize(kindGuid, &size)) || size <= 0) return false;
  FetchBuffer buffer(static_cast<std::uint32_t>(size));
  if (!buffer.IsAllocated()) return false;
  if (FAILED(packets->ReadPacket(kindGuid, size, buffer.Data()))) return false;
  return buffer.HandTo(packet);
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
  FetchBuffer buffer(size);
  if (!buffer.IsAllocated()) return false;
  if (FAILED(packets->ReadTimedPacket(packetRef, size, buffer.Data()))) return false;
  return buffer.HandTo(packet);
}

}  // namespace packets
