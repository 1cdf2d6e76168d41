// quillmar-cli: the disk tools of Quillmar for scripts and batch work.

#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "core/ProgramInfo.h"

// One line per subcommand, in the order --help lists them.
extern const CommandInfo kBasicCommand;
extern const CommandInfo kCheckCommand;
extern const CommandInfo kConvertCommand;
extern const CommandInfo kDumpCommand;
extern const CommandInfo kExportCommand;
extern const CommandInfo kExtractCommand;
extern const CommandInfo kHexCommand;
extern const CommandInfo kListCommand;
extern const CommandInfo kReadCommand;
extern const CommandInfo kScanCommand;
extern const CommandInfo kSearchCommand;
extern const CommandInfo kVarsCommand;
extern const CommandInfo kWriteCommand;

namespace {

const CommandInfo* const kCommands[] = {
    &kBasicCommand,   &kCheckCommand, &kConvertCommand, &kDumpCommand, &kExportCommand,
    &kExtractCommand, &kHexCommand,   &kListCommand,    &kReadCommand, &kScanCommand,
    &kSearchCommand,  &kVarsCommand,  &kWriteCommand,
};

void printHelp(std::ostream& out) {
    out << "Usage: quillmar-cli COMMAND [ARGUMENTS]\n"
           "Lists, shows and exports the files of Opus Discovery disk images.\n"
           "IMAGE may be - for an image read from standard input.\n\n"
           "Commands:\n";
    for (const CommandInfo* c : kCommands) {
        out << "  " << c->usage << "\n      " << c->summary << "\n";
    }
    out << "\nOptions:\n"
           "  --help       show this help and exit (help COMMAND or COMMAND --help for one command)\n"
           "  --version    show the version and exit\n\n"
           "Exit status: 0 success, 1 the operation failed, 2 usage error.\n";
}

void printCommandHelp(std::ostream& out, const CommandInfo& command) {
    out << "Usage: quillmar-cli " << command.usage << "\n" << command.summary << "\n";
}

const CommandInfo* findCommand(const std::string& name) {
    for (const CommandInfo* c : kCommands) {
        if (name == c->name) {
            return c;
        }
    }
    return nullptr;
}

int unknownCommand(const std::string& name) {
    std::cerr << "quillmar-cli: unknown command \"" << name << "\" (see quillmar-cli --help)\n";
    return kExitUsage;
}

int runCommand(const std::vector<std::string>& args, CliContext& cli) {
    if (args.empty()) {
        printHelp(cli.err);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        if (args.size() > 1) {
            const CommandInfo* command = findCommand(args[1]);
            if (command == nullptr) {
                return unknownCommand(args[1]);
            }
            printCommandHelp(cli.out, *command);
        } else {
            printHelp(cli.out);
        }
        return kExitOk;
    }
    if (args[0] == "--version") {
        cli.out << "quillmar-cli " << VersionNumber() << " (" << ProgramTitle() << ")\n";
        return kExitOk;
    }
    const CommandInfo* command = findCommand(args[0]);
    if (command == nullptr) {
        return unknownCommand(args[0]);
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& a : rest) {
        if (a == "--help" || a == "-h") {
            printCommandHelp(cli.out, *command);
            return kExitOk;
        }
    }
    try {
        return command->run(rest, cli);
    } catch (const UsageError& e) {
        cli.out.flush();
        cli.err << "quillmar-cli: " << e.what() << "\nUsage: quillmar-cli " << command->usage << "\n";
        return kExitUsage;
    } catch (const std::bad_alloc&) {
        // Where the command knew which file it was opening, it said so itself.
        cli.out.flush();
        cli.err << "quillmar-cli: there is not enough memory\n";
        return kExitFailed;
    } catch (const std::exception& e) {
        cli.out.flush();
        cli.err << "quillmar-cli: " << e.what() << "\n";
        return kExitFailed;
    }
}

}  // namespace

int main(int argc, char** argv) {
    StdoutBuffer stdoutBuffer;
    std::ostream out(&stdoutBuffer);
    CliContext cli{out, std::cerr};
    const int rc = runCommand(std::vector<std::string>(argv + 1, argv + argc), cli);
    out.flush();
    if (stdoutBuffer.failed()) {
        // A reader that went away (a closed pipe) wants no more; say nothing.
        if (!stdoutBuffer.pipeClosed()) {
            std::cerr << "quillmar-cli: cannot write to standard output: " << stdoutBuffer.reason() << "\n";
        }
        return kExitFailed;
    }
    return rc;
}
