#include "api/failure_report.h"

#include <string>

namespace api {

std::FILE* const diagnosticStream = nullptr;

bool ReportPacketFailure(std::FILE* stream, const OLECHAR* packetWord) {
  std::basic_string<OLECHAR> message = OLESTR("ERROR in ");
  if (packetWord != nullptr) message += packetWord;
  message += OLESTR(" packet please contact SDK provider for support\n\n");
  platform::WriteConsoleText(message.c_str());
  platform::Pause();
  if (stream != nullptr) platform::WriteStreamText(stream, message.c_str());
  return false;
}

void ReportComponentError(const _com_error& error) {
  char codeLine[48];
  std::snprintf(codeLine, sizeof codeLine, "We got _com_error, hr = %d\n",
                static_cast<int>(error.Error()));
  platform::WriteConsoleText(_bstr_t(codeLine));

  // Joined as OLE strings and written as one text, so a '%' in any part stays a '%'.
  const _bstr_t code = _variant_t(static_cast<long>(error.Error()));
  const _bstr_t details = _bstr_t(OLESTR("Sorce; ")) + error.Source() + _bstr_t(OLESTR(" Desc:")) +
                          error.Description() + _bstr_t(OLESTR(" Error:")) + code +
                          _bstr_t(OLESTR(" ErrorMessage:")) + _bstr_t(error.ErrorMessage()) +
                          _bstr_t(OLESTR("\n"));
  platform::WriteConsoleText(details);
}

}  // namespace api
