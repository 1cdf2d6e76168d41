// quillmar-cli: the disk tools of Quillmar for scripts and batch work.

#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "core/ProgramInfo.h"

namespace {

void printHelp(std::ostream& out) {
    out << "Usage: quillmar-cli COMMAND [ARGUMENTS]\n"
           "Lists, shows and exports the files of Opus Discovery disk images.\n\n"
           "Commands:\n";
    for (const CommandInfo& c : registeredCommands()) {
        out << "  " << c.usage << "\n      " << c.summary << "\n";
    }
    out << "\nOptions:\n"
           "  --help       show this help and exit\n"
           "  --version    show the version and exit\n\n"
           "Exit status: 0 success, 1 the operation failed, 2 usage error.\n";
}

const CommandInfo* findCommand(const std::string& name) {
    for (const CommandInfo& c : registeredCommands()) {
        if (name == c.name) {
            return &c;
        }
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    CliContext cli{std::cout, std::cerr};
    if (args.empty()) {
        printHelp(std::cerr);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printHelp(std::cout);
        return kExitOk;
    }
    if (args[0] == "--version") {
        std::cout << "quillmar-cli " << VersionNumber() << " (" << ProgramTitle() << ")\n";
        return kExitOk;
    }
    const CommandInfo* command = findCommand(args[0]);
    if (command == nullptr) {
        std::cerr << "quillmar-cli: unknown command \"" << args[0] << "\" (see quillmar-cli --help)\n";
        return kExitUsage;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& a : rest) {
        if (a == "--help" || a == "-h") {
            std::cout << "Usage: quillmar-cli " << command->usage << "\n" << command->summary << "\n";
            return kExitOk;
        }
    }
    try {
        const int rc = command->run(rest, cli);
        std::cout.flush();
        return rc;
    } catch (const UsageError& e) {
        std::cerr << "quillmar-cli: " << e.what() << "\nUsage: quillmar-cli " << command->usage << "\n";
        return kExitUsage;
    } catch (const CliFailure& e) {
        std::cout.flush();
        std::cerr << "quillmar-cli: " << e.what() << "\n";
        return kExitFailed;
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << "quillmar-cli: " << e.what() << "\n";
        return kExitFailed;
    }
}
