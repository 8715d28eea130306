// tapline-regsvr --list: the class registry's entries as a person reads them.
#pragma once

#include <cstdio>
#include <string>

// The folder, then one line per entry: class id, module path, and "(missing)" when no file is
// there any more. Files that are no entry (a temporary one of a write in progress) are skipped.
void PrintRegistry(std::FILE* out, const std::string& directory);
