// The two ways a packet is filled from the component: the recording-wide packet of a kind, or
// the one of a segment. Each asks for the size, reads into a buffer of exactly that many bytes
// and lets the packet validate it with that length as the bound and take it as its own, as a
// copy would be but without copying it. Every
// interface obtained is released on the way out, also when a component error passes through
// (component errors are left to the export that called).
#pragma once

#include <cstdint>

#include "packets/info_packet.h"
#include "reader/reader_interfaces.h"

namespace packets {

// False, with the packet unchanged, when storageMan is null, the component gives no packet
// interface, reports a size that is not above 0, fails to read the packet, when memory is
// short, or when the packet refuses the bytes.
bool FetchPacket(const GUID& kindGuid, reader::StorageManInterface* storageMan,
                 InfoPacket& packet);
// The packet of the kind at the start of segment `segment`. False, with the packet unchanged,
// when storageMan is null, the component gives no packet or segment interface, cannot tell
// the segment's start, reports a size of 0, fails to read the packet, when memory is short,
// or when the packet refuses the bytes.
bool FetchSegmentPacket(const GUID& kindGuid, reader::StorageManInterface* storageMan,
                        std::int32_t segment, InfoPacket& packet);

}  // namespace packets
