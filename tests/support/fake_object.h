// The memory shape of a fake component object: what a caller's virtual call reads first is
// the address of the slot table, and every slot function takes the object as its first
// argument, exactly as a COM method receives its interface pointer.
#pragma once

#include <string>
#include <type_traits>

#include "fake_component.h"

namespace fake {

// Own copies of the identifiers, written from the component's documentation, so that a wrong
// id in the library's declarations is refused here.
inline constexpr CLSID kStorageManClassId = {
    0x57DDCF4E, 0xD7BF, 0x4446, {0x95, 0x7D, 0x1F, 0x45, 0xB9, 0xD8, 0xCC, 0x62}};
inline constexpr IID kStorageManInterfaceId = {
    0x18F60508, 0x0347, 0x4884, {0x9D, 0x0C, 0xF1, 0x30, 0x7B, 0x8C, 0x02, 0x9E}};

using SlotFunction = void (*)();

struct FakeObject {
  const SlotFunction* slots;  // first: the caller reads it as the object's table
  Component* component;
  ObjectKind kind;
  std::string name;
  ULONG references = 1;
  bool released = false;  // reached zero once; any call afterwards is a fault
};
static_assert(std::is_standard_layout_v<FakeObject>, "slots must sit at offset 0");

// The slot table for objects of a kind; every slot the component does not serve records
// "unexpected slot N" when called.
const SlotFunction* SlotTable(ObjectKind kind);
const char* KindName(ObjectKind kind);

}  // namespace fake
