// quillmar-gwsim IMAGE [--faults LIST] [--no-index-ms N] [--wrprot] [--verbose] [--stats]
//
// A Greaseweazle without hardware: opens a pseudo-terminal, prints its path
// and answers the device's host protocol as if an 80-track PC drive on unit 0
// held the Opus disk IMAGE (an image file, or a flux recording: SCP, HFE or
// KryoFlux), until interrupted. What the host writes is kept for later reads
// (never written back to IMAGE). Try it with
//   QUILLMAR_FLOPPY=greaseweazle:PATH quillmar-cli read -o copy.opu

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "core/Failure.h"
#include "gwsim/PtyServer.h"
#include "open/FluxFiles.h"

namespace {

std::atomic<bool> g_stop{false};

extern "C" void onSignal(int) {
    g_stop = true;
}

int usage() {
    std::cerr
        << "usage: quillmar-gwsim IMAGE [--faults LIST] [--no-index-ms N] [--wrprot] [--verbose] [--stats]\n"
           "  --wrprot: the disk is write-protected\n"
           "  --stats: on exit, the revolutions the reads and writes took\n"
           "  LIST (also QUILLMAR_GWSIM_FAULTS): items separated by ';'\n"
           "    crc:H:T:R[:REV,...]  sector R of head H, track T has a bad data CRC\n"
           "                         (on the revolutions listed, counted from 0; else on all)\n"
           "    weak:H:T:R[:N]       the first N writes (default 1) of head H, track T leave\n"
           "                         sector R reading bad until the side is written again\n"
           "    nosync:H:T           head H, track T holds no sector marks at all\n"
           "    noindex              no disk: no index pulse ever comes\n"
           "    notrk0               every seek ends in No Track 0\n"
           "    mute:N               after N answers the device stops answering\n"
           "    overflow:N           the first N flux reads end in Flux Overflow\n"
           "    underflow:N          the first N flux writes end in Flux Underflow\n"
           "    endless              every flux read streams for ever\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string image;
    const char* envFaults = std::getenv("QUILLMAR_GWSIM_FAULTS");
    std::string faults = envFaults != nullptr ? envFaults : "";
    long noIndexMs = 2000;
    bool verbose = false;
    bool stats = false;
    bool writeProtected = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--faults" && i + 1 < argc) {
            faults = argv[++i];
        } else if (arg == "--no-index-ms" && i + 1 < argc) {
            noIndexMs = std::strtol(argv[++i], nullptr, 10);
        } else if (arg == "--wrprot") {
            writeProtected = true;
        } else if (arg == "--verbose") {
            verbose = true;
        } else if (arg == "--stats") {
            stats = true;
        } else if (image.empty() && !arg.empty() && arg[0] != '-') {
            image = arg;
        } else {
            return usage();
        }
    }
    if (image.empty()) {
        return usage();
    }
    try {
        gwsim::Options options;
        if (flux::DetectFluxFormat(image) != flux::FluxFormat::None) {
            options.recording = flux::LoadFluxFile(image);
        } else {
            std::ifstream in(image, std::ios::binary);
            if (!in) {
                std::cerr << "quillmar-gwsim: cannot read " << image << "\n";
                return 1;
            }
            options.image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        options.faults = gwsim::ParseFaults(faults);
        options.noIndexDelay = std::chrono::milliseconds(noIndexMs);
        options.writeProtected = writeProtected;
        gwsim::PtyServer server(std::move(options));
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::cout << server.path() << std::endl;
        server.serve(g_stop, [verbose](const std::string& command) {
            if (verbose) {
                std::cerr << command << std::endl;
            }
        });
        if (stats) {
            std::cerr << "revolutions read: " << server.revolutionsRead() << std::endl;
            std::cerr << "revolutions written: " << server.revolutionsWritten() << std::endl;
        }
    } catch (const Failure& f) {
        std::cerr << "quillmar-gwsim: " << f.description() << "\n";
        return 1;
    }
    return 0;
}
