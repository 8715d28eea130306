#include "fake_component.h"

#include <cinttypes>
#include <cstdio>
#include <new>
#include <utility>

#include "fake_error_info.h"
#include "fake_object.h"
#include "reader/reader_ids.h"

namespace fake {

// Hands out StorageMan objects. Owned by the Component; the runtime's references only count.
class Component::ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(Component& component) : component(component) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      AddRef();
      *object = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return references > 0 ? --references : 0; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    component.Log("StorageManClass.CreateInstance(" + FormatGuid(iid) + ")");
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    if (FAILED(CoGetApartmentType(&type, &qualifier))) {
      component.Fault("StorageManClass.CreateInstance without a COM apartment");
    }
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (!(iid == reader::kStorageManInterfaceId)) return E_NOINTERFACE;
    const Outcome& outcome = component.On(Operation::CreateInstance);
    if (outcome.writesOutValues) *object = component.NewObject(ObjectKind::StorageMan);
    return outcome.result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  Component& component;
  ULONG references = 0;
};

Component::Component() : factory(std::make_unique<ClassFactory>(*this)) {
  const HRESULT result =
      CoRegisterClassObject(reader::kStorageManClassId, factory.get(), CLSCTX_INPROC_SERVER,
                            REGCLS_MULTIPLEUSE, &registrationCookie);
  registered = SUCCEEDED(result);
  if (!registered) Fault("CoRegisterClassObject failed: " + std::to_string(result));
}

Component::~Component() {
  if (registered) CoRevokeClassObject(registrationCookie);
}

void Component::Refuse(Operation operation, HRESULT result) {
  Outcome& outcome = On(operation);
  outcome.result = result;
  outcome.writesOutValues = false;
}

void Component::Raise(Operation operation, RaisedError error) { On(operation).raise = std::move(error); }

FakeObject* Component::NewObject(ObjectKind kind) {
  const std::string name = std::string(KindName(kind)) + "#" + std::to_string(ObjectsCreated(kind) + 1);
  objects.push_back(std::make_unique<FakeObject>(FakeObject{SlotTable(kind), this, kind, name}));
  return objects.back().get();
}

int Component::ObjectsCreated(ObjectKind kind) const {
  int count = 0;
  for (const auto& object : objects) count += object->kind == kind ? 1 : 0;
  return count;
}

std::vector<std::string> Component::HeldObjects() const {
  std::vector<std::string> held;
  for (const auto& object : objects) {
    if (object->references != 0) held.push_back(object->name + " (" + std::to_string(object->references) + ")");
  }
  return held;
}

void Component::Check(const FakeObject* self, const std::string& operation) {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  if (FAILED(CoGetApartmentType(&type, &qualifier))) {
    Fault(self->name + "." + operation + " without a COM apartment");
  }
  if (self->released) Fault(self->name + "." + operation + " after release to zero");
}

const Outcome& Component::Enter(FakeObject* self, Operation operation, const std::string& call) {
  Log(self->name + "." + call);
  Check(self, call.substr(0, call.find('(')));
  if (operation == Operation::CloseRecording) ++closeRecordingCount;
  const Outcome& outcome = On(operation);
  if (outcome.raisesBadAlloc) throw std::bad_alloc();
  if (outcome.raise) {
    const RaisedError& error = *outcome.raise;
    IErrorInfo* info = error.withErrorInfo ? new FakeErrorInfo(error.source, error.description) : nullptr;
    throw _com_error(error.code, info);  // the error adopts the information's one reference
  }
  return outcome;
}

const char* KindName(ObjectKind kind) {
  switch (kind) {
    case ObjectKind::StorageMan: return "StorageMan";
    case ObjectKind::Segment: return "Segment";
    case ObjectKind::Packet: return "Packet";
    case ObjectKind::Event: return "Event";
  }
  return "?";
}

std::string FormatDouble(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

std::string FormatGuid(const GUID& guid) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08" PRIX32 "-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<std::uint32_t>(guid.Data1),  // unsigned long on Windows
                guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

std::string FormatText(const OLECHAR* text) {
  if (text == nullptr) return "null";
  // UTF-16 to UTF-8 by hand, so the log does not depend on the conversions under test.
  std::string utf8 = "\"";
  for (const OLECHAR* unit = text; *unit != 0; ++unit) {
    std::uint32_t code = *unit;
    if (code >= 0xD800 && code < 0xDC00 && unit[1] >= 0xDC00 && unit[1] < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<std::uint32_t>(unit[1]) - 0xDC00);
      ++unit;
    }
    if (code < 0x80) {
      utf8 += static_cast<char>(code);
    } else if (code < 0x800) {
      utf8 += static_cast<char>(0xC0 | (code >> 6));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      utf8 += static_cast<char>(0xE0 | (code >> 12));
      utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | (code >> 18));
      utf8 += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return utf8 + "\"";
}

}  // namespace fake
