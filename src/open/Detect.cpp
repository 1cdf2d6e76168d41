#include "open/Detect.h"

#include <filesystem>

#include "core/AsciiCase.h"
#include "core/ByteReader.h"
#include "flux/Hfe.h"
#include "flux/Scp.h"
#include "open/InputFiles.h"

namespace flux {

namespace {

// KryoFlux stream blocks (see flux/KryoFlux.cpp for the whole layout).
constexpr std::uint8_t kOob = 0x0D;
constexpr std::uint8_t kStreamInfo = 0x01;
constexpr std::uint8_t kIndex = 0x02;
constexpr std::uint8_t kStreamEnd = 0x03;
constexpr std::uint8_t kHardwareInfo = 0x04;
constexpr std::uint8_t kEof = 0x0D;

// Real streams carry an index or a stream-position block within their first
// few hundred bytes; this much is plenty to judge by.
constexpr std::size_t kJudgedBytes = 64 * 1024;

std::size_t InBandLength(std::uint8_t b) {
    if (b <= 0x07)
        return 2;  // Flux2
    if (b <= 0x0A)
        return b - 0x07u;  // Nop1..Nop3
    if (b == 0x0C)
        return 3;  // Flux3
    return 1;      // Ovl16 or Flux1
}

bool IsInfoText(std::span<const std::uint8_t> text) {
    for (const std::uint8_t c : text) {
        if (c != 0 && (c < 0x20 || c > 0x7E)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<std::string> KryoFluxStreamProblem(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return "it is empty";
    }
    if (bytes[0] != kOob) {
        return "it does not start with a stream block";
    }
    const ByteReader r(bytes);
    const std::size_t judged = std::min(bytes.size(), kJudgedBytes);
    bool positioned = false;  // an index or stream-position block seen
    bool cut = false;
    bool overflow = false;  // the last block added 0x10000 to the next flux
    std::size_t at = 0;
    while (at < judged) {
        const std::uint8_t b = bytes[at];
        if (b != kOob) {
            const std::size_t length = InBandLength(b);
            if (b == 0 && !overflow && r.has(at, 2) && bytes[at + 1] == 0) {
                return "it holds a flux of no length at byte " + std::to_string(at);
            }
            overflow = b == 0x0B;
            at += length;
            continue;
        }
        if (!r.has(at, 4)) {
            if (at == 0) {
                return "it ends inside its first block";
            }
            cut = true;  // the reader keeps what came before
            break;
        }
        const std::uint8_t type = r.u8(at + 1);
        if (type == kEof) {
            return at == 0 ? std::optional<std::string>("it holds no stream") : std::nullopt;
        }
        const std::size_t size = r.u16le(at + 2);
        const std::string where = " at byte " + std::to_string(at);
        const bool whole = r.has(at + 4, size);
        if (!whole && at == 0) {
            return "it ends inside its first block";
        }
        bool fits = true;
        switch (type) {
            case kStreamInfo:
                // Only the first is held to its position: later ones in a
                // damaged stream may be off, and the reader ignores them.
                fits = size == 8 && (!whole || at != 0 || r.u32le(at + 4) == 0);
                positioned = positioned || fits;
                break;
            case kIndex:
                fits = size == 12;
                positioned = true;
                break;
            case kStreamEnd:
                fits = size == 8;
                break;
            case kHardwareInfo:
                fits = !whole || IsInfoText(bytes.subspan(at + 4, size));
                break;
            default:
                return "it holds an unknown block" + where;
        }
        if (!fits) {
            return "it holds a damaged block" + where;
        }
        if (!whole) {
            cut = true;
            break;
        }
        at += 4 + size;
    }
    if (!positioned && !cut && at < bytes.size()) {
        return "its first " + std::to_string(judged) + " bytes hold no index block";
    }
    return std::nullopt;
}

FluxFormat DetectFluxFormat(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    if (LooksLikeScp(bytes))
        return FluxFormat::Scp;
    if (LooksLikeHfe(bytes))
        return FluxFormat::Hfe;
    if (!KryoFluxStreamProblem(bytes))
        return FluxFormat::KryoFlux;
    // A file the bytes say nothing about, named as a recording: its reader
    // says what is wrong with it, and a damaged stream file leaves the rest
    // of its set readable.
    const std::string ext = asciiLower(std::filesystem::path(fileName).extension().string());
    if (ext == ".scp")
        return FluxFormat::Scp;
    if (ext == ".hfe")
        return FluxFormat::Hfe;
    if (input::ParseStreamName(std::filesystem::path(fileName).filename().string()))
        return FluxFormat::KryoFlux;
    return FluxFormat::None;
}

}  // namespace flux
