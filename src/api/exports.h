// What every exports_*.cpp file needs: the public declarations, the context and the reports,
// and the guard that keeps C++ exceptions inside the library.
#pragma once

#include <utility>

#include "api/failure_report.h"
#include "api/reader_context.h"
#include "tapline.h"

namespace api {

// Runs an export's body and turns anything that escapes it (an allocation failure, an error
// raised by the component) into the export's failure result: no exception may reach a host
// that cannot unwind C++ frames.
template <typename Body>
int GuardExport(int failureResult, Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return failureResult;
  }
}

}  // namespace api
