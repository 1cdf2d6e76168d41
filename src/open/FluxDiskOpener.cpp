#include "open/FluxDiskOpener.h"

#include "core/ProgramInfo.h"
#include "open/FluxFiles.h"

namespace flux {

FluxDiskOpener::FluxDiskOpener(Prompter& prompter, ActivityLog& log,
                               std::function<DecodeProgress()> makeProgress)
    : m_prompter(prompter), m_log(log), m_makeProgress(std::move(makeProgress)) {}

std::vector<FileFilter> FluxDiskOpener::filters() {
    return DiskFileFilters();
}

bool FluxDiskOpener::open(const std::string& path, DiskImage& image) {
    const DecodeProgress progress = m_makeProgress ? m_makeProgress() : DecodeProgress{};
    const LoadedDiskFile result = LoadDiskFile(path, image, m_prompter, m_log, progress);
    if (!result.error.empty()) {
        m_prompter.message(result.error, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
    } else if (!result.warning.empty()) {
        m_prompter.message(result.warning + ".", ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
    }
    return result.loaded;
}

}  // namespace flux
