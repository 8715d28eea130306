// An open GDF file: its header, the data records in use, the event table, which channels are
// served as 16-bit samples, and the samples of a run of records on demand. Opening reads the
// header and the event table, and the records only when a channel stores values wider than 16
// bits: those are read once, in bounded batches, to learn whether every value fits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/random_access_file.h"
#include "common/result.h"
#include "event_table.h"
#include "gdf_header.h"
#include "model/recording_model.h"

namespace gdf {

class DataFile {
 public:
  // Refuses, with a reason for the user, what is not a readable GDF 1.x or 2.x file.
  static common::Result<std::unique_ptr<DataFile>> Open(const std::filesystem::path& path);

  const Header& FileHeader() const { return header; }
  // Complete data records in use.
  std::int64_t RecordCount() const { return recordCount; }
  const EventTableHeader& EventTable() const { return eventTable; }
  const std::vector<StoredEvent>& Events() const { return events; }
  // The channels served, as indices into FileHeader().channels, in file order.
  const std::vector<std::size_t>& ServedChannels() const { return served; }
  // What opening forgave or left out, each a sentence for the user.
  const std::vector<std::string>& Warnings() const { return warnings; }

  // The reads' samples (channel: an index into ServedChannels(), first: counted from record
  // `firstRecord`), within `records` records from it. False when the file no longer holds
  // them; destinations may then be partly written.
  bool Read(std::int64_t firstRecord, std::int64_t records,
            std::span<const model::ChannelRead> reads);

 private:
  DataFile() = default;
  std::optional<std::string> CountRecords();
  std::optional<std::string> ReadEventTable(std::int64_t tableStart);
  // Serves every channel whose values fit in 16 bits; says why each other one is left out.
  bool ChooseChannels();
  // For each channel of `wide`, whether every stored value is a whole number within 16 bits;
  // false when the file cannot be read.
  bool ScanWideChannels(const std::vector<std::size_t>& wide, std::vector<bool>& fits);
  // Records [first, first + count) into the kept buffer.
  std::span<const std::byte> ReadRecords(std::int64_t first, std::int64_t count);

  std::unique_ptr<common::RandomAccessFile> file;
  Header header;
  std::int64_t recordCount = 0;
  EventTableHeader eventTable;
  std::vector<StoredEvent> events;
  std::vector<std::size_t> served;
  std::vector<std::string> warnings;
  // Kept between reads: fresh memory for every window would cost a page fault per page.
  std::unique_ptr<std::byte[]> readBuffer;
  std::size_t readBufferBytes = 0;
};

}  // namespace gdf
