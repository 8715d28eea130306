// Where each packet operation sits among the virtual functions: the six every packet has come
// first, in their fixed order, and every operation added later follows them, so that code
// built against the six finds each in its place.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "packets/event_record_packet.h"
#include "packets/info_packet.h"
#include "packets/sample_block_packet_base.h"

namespace packets::test {
namespace {

#if defined(__GNUC__)
// The position of a virtual function among its class's entries, counted from the first after
// the two destructor entries. Under the Itanium C++ ABI (GCC and Clang, mingw-w64 included) a
// pointer to a virtual member function holds 1 + the entry's byte offset in the table.
template <typename Class, typename Function>
std::ptrdiff_t SlotAfterDestructor(Function Class::*member) {
  std::uintptr_t raw = 0;
  std::memcpy(&raw, &member, sizeof raw);
  return static_cast<std::ptrdiff_t>((raw - 1) / sizeof(void*)) - 2;
}

TEST(VirtualSlotsTest, TheSixOperationsComeFirstInTheirOrder) {
  EXPECT_EQ(SlotAfterDestructor(&InfoPacket::Clear), 0);
  EXPECT_EQ(SlotAfterDestructor(&InfoPacket::IsValid), 1);
  EXPECT_EQ(SlotAfterDestructor(&InfoPacket::Attach), 2);
  EXPECT_EQ(SlotAfterDestructor(&InfoPacket::Assign), 3);
  EXPECT_EQ(SlotAfterDestructor(&InfoPacket::Equals), 4);
}

TEST(VirtualSlotsTest, AddedOperationsFollowTheSix) {
  EXPECT_EQ(SlotAfterDestructor(&InfoPacket::TakeBlock), 5);
  EXPECT_EQ(SlotAfterDestructor(&SampleBlockPacketBase::Build), 6);
  EXPECT_EQ(SlotAfterDestructor(&EventRecordPacket::SetLabel), 6);
}
#endif

}  // namespace
}  // namespace packets::test
