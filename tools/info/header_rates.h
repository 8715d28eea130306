// Channel rates from an EDF header, read the way the reader component reads them. A segment
// whose channels hold more than 2^31 - 1 samples each has counts no int can carry, so
// GetSegmentInf refuses it (with a report on the console); the header gives such a segment's
// rates without asking the library, and its windows are then read like any other's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recording_queries.h"
#include "tapline_library.h"

namespace tapline_info {

// The rate in Hz of each channel (annotation signals left out, as the component leaves them
// out), the same doubles the component reports as channel values; nullopt when the file has
// no EDF header the parser accepts.
std::optional<std::vector<double>> EdfChannelRates(const std::string& file);

// Whether a channel of that rate holds more samples in a segment of that length than an int
// carries: N = round(seconds x rate) above 2^31 - 1.
bool CountsPassInt(double segmentSeconds, const std::vector<double>& rates);

// The segment's channels: through GetSegmentInf, or without it (ReadSegmentChannelsAtRates)
// when the file's rates say that its counts pass an int.
std::optional<SegmentChannels> ReadChannelsOfSegment(
    const TaplineLibrary& library, int segment, double segmentSeconds,
    const std::optional<std::vector<double>>& fileRates);

}  // namespace tapline_info
