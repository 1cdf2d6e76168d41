#include "open/FluxDiskOpener.h"

#include <cctype>
#include <new>

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
    LoadedDiskFile result;
    try {
        const DecodeProgress progress = m_makeProgress ? m_makeProgress() : DecodeProgress{};
        result = LoadDiskFile(path, image, m_prompter, m_log, progress);
    } catch (const std::bad_alloc&) {
        // Nothing of a failed allocation may reach the window's event loop.
        result = {};
        result.error = "There is not enough memory to open " + path + ".";
    }
    if (!result.error.empty()) {
        m_prompter.message(result.error, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
    } else if (!result.warnings.empty()) {
        // One sentence a line, each starting with a capital.
        std::string text;
        for (std::string warning : result.warnings) {
            warning[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(warning[0])));
            text += (text.empty() ? "" : "\r\n") + warning + ".";
        }
        m_prompter.message(text, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
    }
    return result.loaded;
}

}  // namespace flux
