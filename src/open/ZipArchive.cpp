#include "open/ZipArchive.h"

#include <memory>
#include <optional>
#include <type_traits>

#include "core/Failure.h"

#if QUILLMAR_HAVE_ZIP
#include <dlfcn.h>
#include <zip.h>
#endif

namespace input {

bool LooksLikeZip(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && bytes[0] == 'P' && bytes[1] == 'K' &&
           ((bytes[2] == 3 && bytes[3] == 4) || (bytes[2] == 5 && bytes[3] == 6));
}

#if QUILLMAR_HAVE_ZIP

namespace {

// libzip is loaded when the first archive is opened, not when the program
// starts: linked in, it and the crypto library it needs would cost every
// run of quillmar-cli more time in the dynamic loader than a list takes.
struct LibZip {
    decltype(&zip_discard) discard;
    decltype(&zip_error_fini) error_fini;
    decltype(&zip_error_init) error_init;
    decltype(&zip_error_strerror) error_strerror;
    decltype(&zip_fclose) fclose;
    decltype(&zip_file_get_error) file_get_error;
    decltype(&zip_fopen_index) fopen_index;
    decltype(&zip_fread) fread;
    decltype(&zip_get_error) get_error;
    decltype(&zip_get_num_entries) get_num_entries;
    decltype(&zip_open_from_source) open_from_source;
    decltype(&zip_source_buffer_create) source_buffer_create;
    decltype(&zip_source_free) source_free;
    decltype(&zip_stat_index) stat_index;
    decltype(&zip_stat_init) stat_init;
};

const LibZip* LoadLibZip() {
    static const std::optional<LibZip> loaded = []() -> std::optional<LibZip> {
        void* handle = nullptr;
        for (const char* name : {"libzip.so.5", "libzip.so.4", "libzip.so"}) {
            if ((handle = dlopen(name, RTLD_NOW | RTLD_LOCAL)) != nullptr)
                break;
        }
        if (handle == nullptr)
            return std::nullopt;
        LibZip z{};
        bool all = true;
        const auto bind = [&](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, name));
            all = all && function != nullptr;
        };
        bind(z.discard, "zip_discard");
        bind(z.error_fini, "zip_error_fini");
        bind(z.error_init, "zip_error_init");
        bind(z.error_strerror, "zip_error_strerror");
        bind(z.fclose, "zip_fclose");
        bind(z.file_get_error, "zip_file_get_error");
        bind(z.fopen_index, "zip_fopen_index");
        bind(z.fread, "zip_fread");
        bind(z.get_error, "zip_get_error");
        bind(z.get_num_entries, "zip_get_num_entries");
        bind(z.open_from_source, "zip_open_from_source");
        bind(z.source_buffer_create, "zip_source_buffer_create");
        bind(z.source_free, "zip_source_free");
        bind(z.stat_index, "zip_stat_index");
        bind(z.stat_init, "zip_stat_init");
        return all ? std::optional<LibZip>(z) : std::nullopt;
    }();
    return loaded ? &*loaded : nullptr;
}

const LibZip& Zip() {
    const LibZip* zip = LoadLibZip();
    if (zip == nullptr) {
        throw Failure(failure::FileNotFound,
                      "zip archives cannot be opened: the libzip library is not installed");
    }
    return *zip;
}

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
    void operator()(zip_t* z) const { Zip().discard(z); }
};
struct EntryCloser {
    void operator()(zip_file_t* f) const { Zip().fclose(f); }
};

std::string Reason(zip_error_t* error) {
    return Zip().error_strerror(error);
}

std::vector<std::uint8_t> Unpack(zip_t* archive, zip_uint64_t index, std::uint64_t size,
                                 std::string& problem) {
    const LibZip& lib = Zip();
    const std::unique_ptr<zip_file_t, EntryCloser> file(lib.fopen_index(archive, index, 0));
    if (!file) {
        problem = "it cannot be unpacked: " + Reason(lib.get_error(archive));
        return {};
    }
    // One byte more than the directory promises shows an entry that lies.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size) + 1);
    std::size_t got = 0;
    while (got < bytes.size()) {
        const zip_int64_t n = lib.fread(file.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            problem = "it cannot be unpacked: " + Reason(lib.file_get_error(file.get()));
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

bool ZipSupported() {
    return LoadLibZip() != nullptr;
}

std::vector<InputFile> UnpackZip(std::span<const std::uint8_t> bytes,
                                 const std::function<bool(const std::string&)>& wanted) {
    const LibZip& lib = Zip();
    zip_error_t error;
    lib.error_init(&error);
    // The source reads the caller's bytes in place; libzip never frees them.
    zip_source_t* source = lib.source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source == nullptr) {
        const std::string reason = Reason(&error);
        lib.error_fini(&error);
        throw Failure(failure::OutOfMemory, reason);
    }
    std::unique_ptr<zip_t, ArchiveCloser> archive(
        lib.open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!archive) {
        lib.source_free(source);
        const std::string reason = Reason(&error);
        lib.error_fini(&error);
        throw Failure(failure::TypeMismatch, "it is not a readable zip archive (" + reason + ")");
    }
    lib.error_fini(&error);
    const zip_int64_t count = lib.get_num_entries(archive.get(), 0);
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
        lib.stat_init(&stat);
        if (lib.stat_index(archive.get(), index, 0, &stat) != 0 || (stat.valid & ZIP_STAT_NAME) == 0) {
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
