#pragma once

#include <functional>

#include "core/Log.h"
#include "core/Prompter.h"
#include "disk/DiskBrowser.h"
#include "flux/FluxImage.h"

namespace flux {

// The disk browser's opener: image files as before, flux recordings decoded
// with a progress display, and one message after a recording whose sectors
// could not all be read.
class FluxDiskOpener : public DiskFileOpener {
public:
    // makeProgress is called once per recording opened; it may return an
    // empty function (no progress shown).
    FluxDiskOpener(Prompter& prompter, ActivityLog& log, std::function<DecodeProgress()> makeProgress = {});

    [[nodiscard]] std::vector<FileFilter> filters() override;
    bool open(const std::string& path, DiskImage& image) override;

private:
    Prompter& m_prompter;
    ActivityLog& m_log;
    std::function<DecodeProgress()> m_makeProgress;
};

}  // namespace flux
