#include "ExportTestSupport.h"

#include <filesystem>
#include <sstream>

CatalogueEntry makeEntry(int type, const std::string& rawName, std::vector<std::uint8_t> data, int param1,
                         int param2) {
    CatalogueEntry e;
    e.EntryKind = 1;
    e.RawName = rawName;
    e.Name = rawName;
    e.Type = type;
    e.Length = static_cast<int>(data.size());
    e.Param1 = param1;
    e.Param2 = param2;
    e.Data = std::move(data);
    return e;
}

std::string pythonWithPil() {
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        const CommandResult r = runCommand({python, "-c", "import PIL.Image"});
        if (r.exitCode == 0) {
            return python;
        }
    }
    return {};
}

bool decodeWithPil(const std::string& python, const std::string& imagePath, RgbPicture& out,
                   std::string& error) {
    const std::string rawPath = imagePath + ".rgb";
    static const char* kScript =
        "import sys\n"
        "from PIL import Image\n"
        "im = Image.open(sys.argv[1])\n"
        "im.load()\n"
        "print(im.format, im.mode, im.size[0], im.size[1])\n"
        "open(sys.argv[2], 'wb').write(im.convert('RGB').tobytes())\n";
    const CommandResult r = runCommand({python, "-c", kScript, imagePath, rawPath});
    if (r.exitCode != 0) {
        error = r.err;
        return false;
    }
    std::istringstream words(r.out);
    std::string format;
    std::string mode;
    words >> format >> mode >> out.width >> out.height;
    out.rgb = readBytes(rawPath);
    std::filesystem::remove(rawPath);
    error = format + " " + mode;
    return out.valid();
}
