// How a channel's stored values become physical ones, as its file says: physical = stored x
// gain + offset, in the file's unit. Hosts get it beside the channel tables, so that none has
// to parse a format's header again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace model {

struct Calibration {
  bool known = false;  // false: the file gives no physical values (then nothing else is set)
  double gain = 0.0;
  double offset = 0.0;
  std::string unit;  // UTF-8, as the file writes it
  // The physical values of the digital range's ends, in the formats that store them.
  bool hasPhysicalRange = false;
  double physicalMinimum = 0.0;
  double physicalMaximum = 0.0;
  // A stored value that stands for "no sample" rather than a measurement (WFDB's -32768).
  std::optional<std::int16_t> invalidValue;
};

// The calibration of a channel whose header gives the physical values of its digital range's
// ends (EDF, GDF): gain (pmax - pmin) / (dmax - dmin), offset pmin - gain x dmin. Unknown when
// either range is empty or a value is not finite.
Calibration CalibrationFromRanges(double physicalMinimum, double physicalMaximum,
                                  std::int32_t digitalMinimum, std::int32_t digitalMaximum,
                                  std::string unit);

}  // namespace model
