#pragma once

#include <string>

#include "floppy/DiskReader.h"

// The line that ends a read, for the read dialog and `quillmar-cli read`
// alike: "Read finished: 2 of 80 track sides failed: 0:12, 1:30".
[[nodiscard]] std::string ReadSummary(const ReadReport& report);
