#include "cli/FluxOpen.h"

#include <ostream>

#include "core/Failure.h"
#include "flux/FluxFiles.h"

bool loadFluxRecording(const std::string& path, DiskImage& image, CliContext& cli) {
    if (flux::DetectFluxFormat(path) == flux::FluxFormat::None) {
        return false;
    }
    try {
        const flux::DecodedImage decoded = flux::LoadRecording(path);
        image = decoded.image;
        if (decoded.unreadable > 0) {
            cli.err << "warning: " << flux::UnreadableSummary(decoded) << '\n';
        }
    } catch (const Failure& f) {
        throw CliFailure("cannot read " + path + ": " + f.description());
    }
    return true;
}
