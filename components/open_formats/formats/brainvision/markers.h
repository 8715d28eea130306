// The marker file (.vmrk) of a BrainVision recording: the [Marker Infos] lines
// Mk<n>=<type>,<description>,<position>,<points>,<channel>[,<date>] read from the file's bytes
// alone, in the order written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brainvision_text.h"
#include "common/result.h"

namespace brainvision {

struct Marker {
  std::string key;            // "Mk<n>", as written
  std::string type;           // bytes in the file's code page, comma placeholders kept
  std::string description;    // the same; often empty
  std::int64_t position = 0;  // the first sample it marks, from 1
  std::int64_t points = 0;    // how many samples it spans, from 0
  std::int64_t channel = 0;   // from 1; 0 for every channel, and for a channel not a number
  std::optional<std::int64_t> dateTicks;  // a New Segment's date (ticks since day 0), if given

  bool operator==(const Marker&) const = default;
};

struct MarkerFile {
  Codepage codepage = Codepage::Unspecified;
  std::vector<Marker> markers;
  // The keys of the Mk lines left out, whose fields do not read as a marker, in file order.
  std::vector<std::string> leftOut;
};

// "marker Mk<n>", as the reasons name a marker.
std::string MarkerName(const Marker& marker);

// Parses the bytes of a marker file. Leaves out (in `leftOut`) a line with fewer than five
// fields, a position that is not a number from 1 or points not a number from 0; refuses,
// naming the marker, a date that is not YYYYMMDDhhmmssuuuuuu of a real date (a date of zeros
// is none), since it would move every later segment.
common::Result<MarkerFile> ParseMarkers(std::string_view bytes);

// The warning that names the markers left out, when there are any.
std::optional<std::string> LeftOutWarning(const MarkerFile& file);

}  // namespace brainvision
