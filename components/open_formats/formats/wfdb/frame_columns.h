// Takes the signals of interleaved frames apart: the frames' samples one after the other, each
// frame holding one sample of every signal.
#pragma once

#include <cstdint>

namespace wfdb {

// columns[c][k] = frames[k x stride + c] for every column c < columnCount <= stride and every
// frame k < frameCount.
void CopyFrameColumns(const std::int16_t* frames, std::int64_t stride, std::int64_t frameCount,
                      std::int16_t* const* columns, std::int64_t columnCount);

}  // namespace wfdb
