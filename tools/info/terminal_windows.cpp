#include <io.h>

#include "terminal.h"

namespace tapline_info {

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

std::FILE* TakeStandardOutputForData() { return stdout; }

}  // namespace tapline_info
