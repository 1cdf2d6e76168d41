#include "open/FluxFiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>

#include "core/Failure.h"
#include "core/FileIO.h"
#include "disk/ImageFile.h"
#include "flux/Hfe.h"
#include "flux/KryoFlux.h"
#include "flux/Scp.h"

namespace flux {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// trackNN.H.raw: prefix, track, head
struct StreamName {
    std::string prefix;
    int track = 0;
    int head = 0;
};

std::optional<StreamName> ParseStreamName(const std::string& fileName) {
    static const std::regex pattern(R"(^(.*?)(\d{1,3})\.([01])\.raw$)", std::regex::icase);
    std::smatch m;
    if (!std::regex_match(fileName, m, pattern)) {
        return std::nullopt;
    }
    return StreamName{m[1].str(), std::stoi(m[2].str()), std::stoi(m[3].str())};
}

std::vector<std::uint8_t> FirstBytes(const std::string& path, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(count);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return bytes;
}

std::vector<fs::path> StreamFiles(const fs::path& folder, const std::optional<std::string>& prefix) {
    std::vector<std::pair<StreamName, fs::path>> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec))
            continue;
        const auto name = ParseStreamName(entry.path().filename().string());
        if (name && (!prefix || Lower(name->prefix) == Lower(*prefix))) {
            found.emplace_back(*name, entry.path());
        }
    }
    if (!prefix && !found.empty()) {
        // A folder may hold more than one set; take the first name's.
        std::sort(found.begin(), found.end(),
                  [](const auto& a, const auto& b) { return a.second < b.second; });
        const std::string first = Lower(found.front().first.prefix);
        std::erase_if(found, [&](const auto& f) { return Lower(f.first.prefix) != first; });
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return std::tie(a.first.track, a.first.head) < std::tie(b.first.track, b.first.head);
    });
    std::vector<fs::path> paths;
    paths.reserve(found.size());
    for (const auto& f : found) {
        paths.push_back(f.second);
    }
    return paths;
}

FluxDisk LoadKryoFluxSet(const std::string& path) {
    std::error_code ec;
    const bool folder = fs::is_directory(path, ec);
    std::optional<std::string> prefix;
    fs::path dir = path;
    if (!folder) {
        const auto name = ParseStreamName(fs::path(path).filename().string());
        prefix = name ? name->prefix : std::string("track");
        dir = fs::path(path).parent_path();
        if (dir.empty())
            dir = ".";
    }
    FluxDisk disk;
    disk.format = "kryoflux";
    for (const fs::path& file : StreamFiles(dir, prefix)) {
        const auto name = ParseStreamName(file.filename().string());
        const std::vector<std::uint8_t> bytes = readWholeFile(file.string());
        FluxTrack track = ReadKryoFluxStream(bytes, name->track, name->head);
        disk.revolutions = std::max(disk.revolutions, static_cast<int>(track.indexTicks.size()) - 1);
        disk.tracks.push_back(std::move(track));
    }
    if (disk.tracks.empty()) {
        throw Failure(failure::FileNotFound, "no KryoFlux stream files (trackNN.H.raw) in " + dir.string());
    }
    return disk;
}

}  // namespace

FluxFormat DetectFluxFormat(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        return StreamFiles(path, std::nullopt).empty() ? FluxFormat::None : FluxFormat::KryoFlux;
    }
    const std::vector<std::uint8_t> head = FirstBytes(path, 8);
    if (LooksLikeScp(head))
        return FluxFormat::Scp;
    if (LooksLikeHfe(head))
        return FluxFormat::Hfe;
    if (LooksLikeKryoFluxStream(head))
        return FluxFormat::KryoFlux;
    const std::string ext = Lower(fs::path(path).extension().string());
    if (ext == ".scp")
        return FluxFormat::Scp;
    if (ext == ".hfe")
        return FluxFormat::Hfe;
    if (ext == ".raw" && ParseStreamName(fs::path(path).filename().string()))
        return FluxFormat::KryoFlux;
    return FluxFormat::None;
}

FluxDisk LoadFluxFile(const std::string& path) {
    switch (DetectFluxFormat(path)) {
        case FluxFormat::Scp:
            return ReadScp(readWholeFile(path));
        case FluxFormat::Hfe:
            return ReadHfe(readWholeFile(path));
        case FluxFormat::KryoFlux:
            return LoadKryoFluxSet(path);
        case FluxFormat::None:
            break;
    }
    throw Failure(failure::TypeMismatch, path + " is not a flux recording");
}

DecodedImage LoadRecording(const std::string& path, std::uint8_t filler, const DecodeProgress& progress) {
    std::optional<DecodedImage> decoded = BuildImage(DecodeFluxDisk(LoadFluxFile(path), progress), filler);
    if (!decoded) {
        throw Failure(failure::DeviceIO, "not one sector could be decoded from " + path);
    }
    return std::move(*decoded);
}

DiskShape OpusShapeForLength(std::size_t length) {
    constexpr std::size_t kSide = kSectorsPerTrack * kBlockSize;
    const std::size_t sides = std::max<std::size_t>(1, (length + kSide - 1) / kSide);
    DiskShape shape;
    shape.geometry.heads = sides > kTracks ? 2 : 1;
    shape.geometry.cylinders = sides > 2 * kTracks ? 80 : 40;
    return shape;
}

LoadedDiskFile LoadDiskFile(const std::string& path, DiskImage& image, Prompter& prompter, ActivityLog& log,
                            const DecodeProgress& progress) {
    LoadedDiskFile result;
    if (DetectFluxFormat(path) == FluxFormat::None) {
        image.sectorMap.reset();  // whatever the last recording said is no longer true
        result.loaded = LoadImageFile(path, image, prompter, log);
        return result;
    }
    result.fromRecording = true;
    bool cancelled = false;
    const DecodeProgress watched = [&](int done, int total) {
        cancelled = progress && !progress(done, total);
        return !cancelled;
    };
    try {
        const DecodedImage decoded = LoadRecording(path, 0xE5, watched);
        if (cancelled) {
            return result;
        }
        image = decoded.image;
        result.loaded = true;
        result.warning = UnreadableSummary(decoded);
        if (!result.warning.empty()) {
            log.LogThis(result.warning, kSeverityWARNING, false);
        }
    } catch (const Failure& f) {
        result.error = "Cannot read " + path + ": " + f.description();
        log.LogThis(result.error, kSeverityERROR, false);
    }
    return result;
}

std::vector<FileFilter> DiskFileFilters() {
    std::vector<FileFilter> filters = ImageFileFilters();
    filters.insert(filters.begin() + 1,
                   FileFilter{"Flux Recordings (*.scp;*.hfe;*.raw)", {"*.scp", "*.hfe", "*.raw"}});
    return filters;
}

}  // namespace flux
