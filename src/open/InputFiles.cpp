#include "open/InputFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "core/AsciiCase.h"
#include "core/Failure.h"
#include "core/FileIO.h"
#include "open/Detect.h"
#include "open/ZipArchive.h"

namespace input {

namespace fs = std::filesystem;

namespace {

// The sets a folder or an archive holds, by prefix (without regard to case).
// The one taken is "track"'s, as KryoFlux names them unasked, or else the
// largest; a stray file of another prefix never decides.
template <typename Item>
std::vector<Item> ChooseSet(std::vector<std::pair<std::string, Item>> found) {
    std::map<std::string, std::vector<Item>> sets;
    for (auto& [key, item] : found) {
        sets[asciiLower(key)].push_back(std::move(item));
    }
    const auto named = [](const std::string& key) { return fs::path(key).filename() == "track"; };
    auto chosen = sets.begin();
    for (auto it = sets.begin(); it != sets.end(); ++it) {
        if (named(it->first) != named(chosen->first) ? named(it->first)
                                                     : it->second.size() > chosen->second.size()) {
            chosen = it;
        }
    }
    return chosen == sets.end() ? std::vector<Item>{} : std::move(chosen->second);
}

InputFile ReadSetMember(const fs::path& path) {
    InputFile file{path.filename().string(), {}, {}};
    try {
        file.bytes = readRegularFile(path.string());
    } catch (const Failure& f) {
        file.problem = f.description();
    }
    return file;
}

InputFiles ReadFolder(const std::string& path) {
    std::vector<std::pair<std::string, fs::path>> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(path, ec)) {
        const std::string name = entry.path().filename().string();
        if (const auto stream = ParseStreamName(name)) {
            found.emplace_back(stream->prefix, entry.path());
        }
    }
    if (ec) {
        throw systemFailure(ec.value());
    }
    std::vector<fs::path> set = ChooseSet(std::move(found));
    if (set.empty()) {
        throw OpenRefusal(failure::PathFileAccess, "it is a folder");
    }
    std::sort(set.begin(), set.end());
    InputFiles input{path, true, {}};
    for (const fs::path& file : set) {
        input.files.push_back(ReadSetMember(file));
    }
    return input;
}

InputFiles ReadZip(const std::string& label, std::span<const std::uint8_t> bytes) {
    std::vector<InputFile> entries = UnpackZip(bytes, [](const std::string& name) {
        return ParseStreamName(fs::path(name).filename().string()).has_value();
    });
    std::vector<std::pair<std::string, InputFile>> found;
    for (InputFile& entry : entries) {
        const std::string folder = fs::path(entry.name).parent_path().string();
        const auto stream = ParseStreamName(fs::path(entry.name).filename().string());
        found.emplace_back(folder.empty() ? stream->prefix : folder + "/" + stream->prefix, std::move(entry));
    }
    InputFiles input{label, true, ChooseSet(std::move(found))};
    if (input.files.empty()) {
        throw Failure(failure::FileNotFound, "it holds no KryoFlux stream files (trackNN.H.raw)");
    }
    return input;
}

// The stream files of the same prefix beside the one named, in name order.
void AddSiblings(const fs::path& given, const StreamName& name, InputFiles& input) {
    const fs::path folder = given.has_parent_path() ? given.parent_path() : fs::path(".");
    std::vector<fs::path> siblings;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string file = entry.path().filename().string();
        const auto stream = ParseStreamName(file);
        if (stream && asciiLower(stream->prefix) == asciiLower(name.prefix) &&
            file != given.filename().string()) {
            siblings.push_back(entry.path());
        }
    }
    std::sort(siblings.begin(), siblings.end());
    for (const fs::path& sibling : siblings) {
        input.files.push_back(ReadSetMember(sibling));
    }
}

}  // namespace

std::optional<StreamName> ParseStreamName(const std::string& fileName) {
    static const std::regex pattern(R"(^(.*?)(\d{1,3})\.([01])\.raw$)", std::regex::icase);
    std::smatch m;
    if (!std::regex_match(fileName, m, pattern)) {
        return std::nullopt;
    }
    return StreamName{m[1].str(), std::stoi(m[2].str()), std::stoi(m[3].str())};
}

std::vector<std::uint8_t> ReadStandardInput() {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    std::vector<std::uint8_t> bytes;
    std::uint8_t piece[65536];
    for (;;) {
        const std::size_t n = std::fread(piece, 1, sizeof piece, stdin);
        bytes.insert(bytes.end(), piece, piece + n);
        if (n < sizeof piece) {
            break;
        }
    }
    if (std::ferror(stdin)) {
        throw systemFailure(errno != 0 ? errno : EIO);
    }
    return bytes;
}

InputFiles ReadInput(const std::string& path) {
    if (path == "-") {
        InputFiles input{"standard input", false, {}};
        input.files.push_back({"standard input", ReadStandardInput(), {}});
        if (LooksLikeZip(input.files[0].bytes)) {
            return ReadZip(input.label, input.files[0].bytes);
        }
        return input;
    }
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        return ReadFolder(path);
    }
    InputFiles input{path, false, {}};
    input.files.push_back({path, readRegularFile(path), {}});
    const std::vector<std::uint8_t>& bytes = input.files[0].bytes;
    if (LooksLikeZip(bytes)) {
        return ReadZip(path, bytes);
    }
    const std::string fileName = fs::path(path).filename().string();
    const auto stream = ParseStreamName(fileName);
    if (stream && flux::DetectFluxFormat(bytes, fileName) == flux::FluxFormat::KryoFlux) {
        AddSiblings(fs::path(path), *stream, input);
    }
    return input;
}

}  // namespace input
