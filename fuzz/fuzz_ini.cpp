// Settings file text -> IniMgr reads and writes. Invariants: a read value is
// never longer than the profile limit, and a written key reads back.

#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/IniMgr.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("quillmar-fuzz-ini-" + std::to_string(::getpid()) + ".ini"))
                                        .string();
    const std::string text(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
    }
    // Section and key names taken from the input itself reach its odd corners.
    const std::string section = text.substr(0, std::min<std::size_t>(size, 8));
    const std::string key = size > 8 ? text.substr(8, 8) : std::string("k");
    const std::string value = IniMgr::Read(section, key, "default", path);
    if (value.size() > IniMgr::kMaxValueLength) {
        std::abort();
    }
    if (value != IniMgr::Read(section, key, "default", path)) {
        std::abort();
    }
    IniMgr::Write("Fuzz Section", "Fuzz Key", "value 1", path);
    if (IniMgr::Read("fuzz section", "FUZZ KEY", "", path) != "value 1") {
        std::abort();
    }
    return 0;
}
