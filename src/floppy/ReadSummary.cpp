#include "floppy/ReadSummary.h"

std::string ReadSummary(const ReadReport& report) {
    std::string line = "Read finished: " + std::to_string(report.failedSides.size()) + " of " +
                       std::to_string(report.statusLines.size()) + " track sides failed";
    for (std::size_t i = 0; i < report.failedSides.size(); ++i) {
        const FailedSide& f = report.failedSides[i];
        line += (i == 0 ? ": " : ", ") + std::to_string(f.head) + ":" + std::to_string(f.track);
    }
    return line;
}
