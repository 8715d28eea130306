// GetOpenMessage: what the calling thread's last OpenEx was told.
#include "api/exports.h"
#include "api/open_message.h"
#include "api/whole_text.h"
#include "tapline_ext.h"

extern "C" TAPLINE_API int TAPLINE_CALL GetOpenMessage(char* text, int textBytes) {
  return api::GuardExport(0, [&] {
    const std::optional<std::string> message = api::LastOpenMessage();
    return message ? api::CopyWholeText(*message, text, textBytes) : 0;
  });
}
