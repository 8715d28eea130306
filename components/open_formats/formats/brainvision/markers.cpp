#include "markers.h"

#include <algorithm>

#include "model/time_range.h"

namespace brainvision {

namespace {

using MarkersResult = common::Result<MarkerFile>;

// A New Segment's YYYYMMDDhhmmssuuuuuu as ticks since day 0; nullopt when it is not a real date.
std::optional<std::int64_t> DateTicks(std::string_view d) {
  const auto part = [&](std::size_t at, std::size_t length) {
    return static_cast<int>(ParseInteger(d.substr(at, length)).value_or(-1));
  };
  return d.size() == 20 && d.find_first_not_of("0123456789") == std::string_view::npos
             ? model::TicksOfDate(part(0, 4), part(4, 2), part(6, 2), part(8, 2), part(10, 2),
                                  part(12, 2), part(14, 6))
             : std::nullopt;
}

// The markers a warning names; the rest it counts.
constexpr std::size_t kLeftOutNamed = 5;

// What one Mk line gives.
enum class LineRead { Marker, LeftOut, BadDate };

LineRead ReadMarker(const IniFile::Entry& entry, Marker& marker, std::string_view& date) {
  marker.key = entry.key;
  const std::vector<std::string_view> fields = SplitFields(entry.value);
  const auto position = fields.size() >= 5 ? ParseInteger(fields[2]) : std::nullopt;
  const auto points = fields.size() >= 5 ? ParseInteger(fields[3]) : std::nullopt;
  if (!position || !points || *position < 1 || *points < 0) return LineRead::LeftOut;
  marker.type = fields[0];
  marker.description = fields[1];
  marker.position = *position;
  marker.points = *points;
  marker.channel = std::max<std::int64_t>(0, ParseInteger(fields[4]).value_or(0));
  if (fields.size() >= 6 && fields[5].find_first_not_of('0') != std::string_view::npos) {
    date = fields[5];
    marker.dateTicks = DateTicks(date);
    if (!marker.dateTicks) return LineRead::BadDate;
  }
  return LineRead::Marker;
}

}  // namespace

std::string MarkerName(const Marker& marker) { return "marker " + marker.key; }

std::optional<std::string> LeftOutWarning(const MarkerFile& file) {
  const std::vector<std::string>& keys = file.leftOut;
  if (keys.empty()) return std::nullopt;
  std::string names;
  for (std::size_t i = 0; i < keys.size() && i < kLeftOutNamed; ++i) {
    names += (i == 0 ? "" : ", ") + keys[i];
  }
  if (keys.size() > kLeftOutNamed) {
    names += " and " + std::to_string(keys.size() - kLeftOutNamed) + " more";
  }
  return (keys.size() == 1 ? "marker " + names + " is" : "markers " + names + " are") +
         " left out: not type,description,position,points,channel with a position from 1 and "
         "points from 0";
}

common::Result<MarkerFile> ParseMarkers(std::string_view bytes) {
  const IniFile file = ParseIni(bytes);
  MarkerFile markers;
  markers.codepage = CodepageOf(file);
  const auto section = file.sections.find("Marker Infos");
  if (section == file.sections.end()) return markers;
  markers.markers.reserve(section->second.size());
  for (const IniFile::Entry& entry : section->second) {
    if (entry.key.size() < 3 || entry.key.compare(0, 2, "Mk") != 0) continue;
    Marker marker;
    std::string_view date;
    switch (ReadMarker(entry, marker, date)) {
      case LineRead::Marker:
        markers.markers.push_back(std::move(marker));
        break;
      case LineRead::LeftOut:
        markers.leftOut.push_back(entry.key);
        break;
      case LineRead::BadDate:
        return MarkersResult::Refuse(MarkerName(marker) + "'s date " + std::string(date) +
                                     " is not a date YYYYMMDDhhmmssuuuuuu");
    }
  }
  return markers;
}

}  // namespace brainvision
