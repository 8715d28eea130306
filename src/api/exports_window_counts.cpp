// GetWindowCounts: the layout GetData2 would give a window, without reading it.
#include <algorithm>
#include <cmath>
#include <vector>

#include "api/exports.h"
#include "tapline_ext.h"

extern "C" TAPLINE_API int TAPLINE_CALL GetWindowCounts(double startDate, double duration, int* counts,
                                                        int countCapacity) {
  return api::GuardExport(0, [&] {
    if (counts == nullptr || countCapacity < 1) return 0;
    if (!std::isfinite(startDate) || !std::isfinite(duration) || duration < 0.0) return 0;
    std::vector<std::int32_t> windowCounts;
    if (!api::readerContext.WindowSampleCounts({startDate, 0.0}, duration, windowCounts)) return 0;
    if (windowCounts.size() > static_cast<std::size_t>(countCapacity)) return 0;
    std::copy(windowCounts.begin(), windowCounts.end(), counts);
    return 1;
  });
}
