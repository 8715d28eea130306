#include "model/calibration.h"

#include <cmath>
#include <utility>

namespace model {

Calibration CalibrationFromRanges(double physicalMinimum, double physicalMaximum,
                                  std::int32_t digitalMinimum, std::int32_t digitalMaximum,
                                  std::string unit) {
  const double digitalSpan = static_cast<double>(digitalMaximum) - digitalMinimum;
  const double physicalSpan = physicalMaximum - physicalMinimum;
  Calibration calibration;
  if (digitalSpan == 0 || physicalSpan == 0 || !std::isfinite(physicalSpan)) return calibration;
  calibration.known = true;
  calibration.gain = physicalSpan / digitalSpan;
  calibration.offset = physicalMinimum - calibration.gain * digitalMinimum;
  calibration.unit = std::move(unit);
  calibration.hasPhysicalRange = true;
  calibration.physicalMinimum = physicalMinimum;
  calibration.physicalMaximum = physicalMaximum;
  return calibration;
}

}  // namespace model
