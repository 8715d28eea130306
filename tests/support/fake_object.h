// The memory shape of a fake component object: what a caller's virtual call reads first is
// the address of the slot table, and every slot function takes the object as its first
// argument, exactly as a COM method receives its interface pointer.
#pragma once

#include <string>
#include <type_traits>

#include "fake_component.h"

namespace fake {

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
