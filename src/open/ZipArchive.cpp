#include "open/ZipArchive.h"

#include <memory>

#include "core/Failure.h"

#if QUILLMAR_HAVE_ZIP
#include <zip.h>
#endif

namespace input {

bool LooksLikeZip(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && bytes[0] == 'P' && bytes[1] == 'K' &&
           ((bytes[2] == 3 && bytes[3] == 4) || (bytes[2] == 5 && bytes[3] == 6));
}

#if QUILLMAR_HAVE_ZIP

bool ZipSupported() {
    return true;
}

namespace {

// Names come from the archive: shown in messages, so nothing in them may
// drive a terminal.
std::string Printable(const char* name) {
    std::string out = name != nullptr ? name : "";
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            c = '?';
        }
    }
    return out;
}

struct ArchiveCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct EntryCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

std::string Reason(zip_error_t* error) {
    return zip_error_strerror(error);
}

std::vector<std::uint8_t> Unpack(zip_t* archive, zip_uint64_t index, std::uint64_t size,
                                 std::string& problem) {
    const std::unique_ptr<zip_file_t, EntryCloser> file(zip_fopen_index(archive, index, 0));
    if (!file) {
        problem = "it cannot be unpacked: " + Reason(zip_get_error(archive));
        return {};
    }
    // One byte more than the directory promises shows an entry that lies.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size) + 1);
    std::size_t got = 0;
    while (got < bytes.size()) {
        const zip_int64_t n = zip_fread(file.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            problem = "it cannot be unpacked: " + Reason(zip_file_get_error(file.get()));
            return {};
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    if (got != size) {
        problem = "it does not unpack to the size the archive gives";
        return {};
    }
    bytes.resize(got);
    return bytes;
}

}  // namespace

std::vector<InputFile> UnpackZip(std::span<const std::uint8_t> bytes,
                                 const std::function<bool(const std::string&)>& wanted) {
    zip_error_t error;
    zip_error_init(&error);
    // The source reads the caller's bytes in place; libzip never frees them.
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source == nullptr) {
        const std::string reason = Reason(&error);
        zip_error_fini(&error);
        throw Failure(failure::OutOfMemory, reason);
    }
    std::unique_ptr<zip_t, ArchiveCloser> archive(
        zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!archive) {
        zip_source_free(source);
        const std::string reason = Reason(&error);
        zip_error_fini(&error);
        throw Failure(failure::TypeMismatch, "it is not a readable zip archive (" + reason + ")");
    }
    zip_error_fini(&error);
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    if (count < 0 || static_cast<std::uint64_t>(count) > kZipMaxEntries) {
        throw Failure(failure::Overflow,
                      "the zip archive holds more than " + std::to_string(kZipMaxEntries) + " entries");
    }
    // The directory is judged whole before anything is unpacked, so that a
    // bomb costs nothing.
    struct Wanted {
        zip_uint64_t index;
        std::uint64_t size;
        InputFile file;
    };
    std::vector<Wanted> entries;
    std::uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive.get(), index, 0, &stat) != 0 || (stat.valid & ZIP_STAT_NAME) == 0) {
            continue;
        }
        const std::string name = Printable(stat.name);
        if (name.empty() || name.back() == '/' || !wanted(name)) {
            continue;
        }
        Wanted entry{index, stat.size, {name, {}, {}}};
        if ((stat.valid & ZIP_STAT_SIZE) == 0) {
            entry.file.problem = "the archive does not give its size";
        } else if (stat.size > kZipMaxEntryBytes) {
            entry.file.problem =
                "it would unpack to " + std::to_string(stat.size) + " bytes, more than a stream file holds";
        } else {
            total += stat.size;
        }
        entries.push_back(std::move(entry));
    }
    if (total > kZipMaxTotalBytes) {
        throw Failure(failure::Overflow, "the zip archive would unpack to more than " +
                                             std::to_string(kZipMaxTotalBytes >> 20) +
                                             " MB, more than a set of stream files holds");
    }
    std::vector<InputFile> files;
    files.reserve(entries.size());
    for (Wanted& entry : entries) {
        if (entry.file.problem.empty()) {
            entry.file.bytes = Unpack(archive.get(), entry.index, entry.size, entry.file.problem);
        }
        files.push_back(std::move(entry.file));
    }
    return files;
}

#else

bool ZipSupported() {
    return false;
}

std::vector<InputFile> UnpackZip(std::span<const std::uint8_t>,
                                 const std::function<bool(const std::string&)>&) {
    throw Failure(failure::TypeMismatch,
                  "this build of Quillmar cannot open zip archives; unpack it and open the folder instead");
}

#endif

}  // namespace input
