#include "com/thread_error_info.h"

#include "common/text_encoding.h"
#include "platform/platform.h"
#include "reader/reader_ids.h"

namespace open_formats {

namespace {

constexpr char16_t kSource[] = u"tapline_open_formats";

// Element by element: OLECHAR is a 16-bit unit on every system, of another type on some.
std::basic_string<OLECHAR> OleText(const std::u16string& text) {
  return std::basic_string<OLECHAR>(text.begin(), text.end());
}

}  // namespace

void LeaveErrorInfo(const std::string& description) noexcept {
  ClearErrorInfo();
  try {
    ComPtr<ICreateErrorInfo> created;
    if (CreateErrorInfo(created.put()) != S_OK) return;
    std::basic_string<OLECHAR> source = OleText(kSource);
    std::basic_string<OLECHAR> text = OleText(common::Utf8ToUtf16(description));
    ComPtr<IErrorInfo> info;
    if (created->SetGUID(reader::kStorageManInterfaceId) != S_OK ||
        created->SetSource(source.data()) != S_OK || created->SetDescription(text.data()) != S_OK ||
        created->QueryInterface(IID_IErrorInfo, info.put_void()) != S_OK) {
      return;
    }
    SetErrorInfo(0, info.get());
  } catch (...) {
    // The texts could not be made: the thread keeps no object rather than a partial one.
  }
}

void ClearErrorInfo() noexcept { SetErrorInfo(0, nullptr); }

}  // namespace open_formats
