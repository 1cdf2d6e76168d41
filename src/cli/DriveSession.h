#pragma once

#include <memory>

#include "cli/Cli.h"
#include "core/Prompter.h"
#include "floppy/modFDRawCmd.h"

// What the commands that use a drive (read, write) share: the driver that
// QUILLMAR_FLOPPY chooses, Ctrl-C as the dialogs' Cancel, and nobody to ask.

// Ctrl-C while the guard lives only sets a flag, which the command checks
// between track sides: a half-done side is never left behind.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    [[nodiscard]] static bool Interrupted();

private:
    void (*m_previous)(int);
};

// Nobody to ask: a drive that does not answer ends the command at once.
class NoQuestionsPrompter : public Prompter {
public:
    MsgAnswer message(const std::string&, const std::string&, MsgIcon, MsgButtons buttons) override {
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
};

// The driver, present and answering, or a CliFailure that says why not.
[[nodiscard]] std::unique_ptr<modFDRawCmd> OpenDriver(ActivityLog& log);
