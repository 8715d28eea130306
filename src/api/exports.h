// What every exports_*.cpp file needs: the public declarations, the context and the reports,
// and the guard that takes one call at a time and keeps C++ exceptions inside the library.
#pragma once

#include <mutex>
#include <utility>

#include "api/failure_report.h"
#include "api/reader_context.h"
#include "tapline.h"

namespace api {

// Held by every export for the whole call. Hosts do call from several threads, and the
// context, the component's objects and the console are shared: calls are taken one at a time,
// so that no call frees what another still uses and no answer mixes two calls. Constant
// initialised, so that it is usable before any other static initialisation has run.
inline std::mutex exportLock;

// Runs an export's body under exportLock and turns anything that escapes it (an allocation
// failure, an error raised by the component) into the export's failure result: no exception
// may reach a host that cannot unwind C++ frames.
template <typename Body>
int GuardExport(int failureResult, Body&& body) noexcept {
  try {
    const std::lock_guard<std::mutex> oneCallAtATime(exportLock);
    return std::forward<Body>(body)();
  } catch (...) {
    return failureResult;
  }
}

}  // namespace api
