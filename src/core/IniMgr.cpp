#include "core/IniMgr.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "core/FileIO.h"
#include "core/Paths.h"

namespace {

std::string& defaultFile() {
    static std::string file;
    return file;
}

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

bool equalsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string resolve(const std::string& path) {
    if (!path.empty()) {
        return path;
    }
    return IniMgr::DefaultFile();
}

struct IniLines {
    std::vector<std::string> lines;
    std::string eol = "\r\n";
};

IniLines loadLines(const std::string& path) {
    IniLines result;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return result;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    if (text.find("\r\n") == std::string::npos && text.find('\n') != std::string::npos) {
        result.eol = "\n";
    }
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        result.lines.push_back(line);
        start = end + 1;
    }
    return result;
}

// "[name]" gives name; anything else gives nothing.
bool sectionName(const std::string& line, std::string& name) {
    const std::string t = trim(line);
    if (t.size() < 2 || t.front() != '[') {
        return false;
    }
    const auto close = t.find(']');
    if (close == std::string::npos) {
        return false;
    }
    name = trim(t.substr(1, close - 1));
    return true;
}

bool keyOf(const std::string& line, std::string& key, std::string& value) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) {
        return false;
    }
    key = trim(line.substr(0, eq));
    value = trim(line.substr(eq + 1));
    return !key.empty();
}

std::string unquote(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// A default loses its trailing blanks, as the profile read strips them; its
// leading ones stay.
std::string withoutTrailingBlanks(const std::string& s) {
    const auto last = s.find_last_not_of(' ');
    return last == std::string::npos ? std::string() : s.substr(0, last + 1);
}

std::string cut(std::string value) {
    if (value.size() > IniMgr::kMaxValueLength) {
        value.resize(IniMgr::kMaxValueLength);
    }
    return value;
}

}  // namespace

namespace IniMgr {

void SetDefaultFile(const std::string& sPath) {
    defaultFile() = sPath;
}

std::string DefaultFile() {
    if (defaultFile().empty()) {
        return SettingsFilePath();
    }
    return defaultFile();
}

std::string PortableRead(const std::string& sSection, const std::string& sKey, const std::string& sDefault,
                         const std::string& sFilePath) {
    const IniLines ini = loadLines(sFilePath);
    bool inSection = false;
    for (const std::string& line : ini.lines) {
        std::string name;
        if (sectionName(line, name)) {
            inSection = equalsNoCase(name, sSection);
            continue;
        }
        std::string key;
        std::string value;
        if (inSection && keyOf(line, key, value) && equalsNoCase(key, sKey)) {
            return cut(unquote(value));
        }
    }
    return cut(withoutTrailingBlanks(sDefault));
}

void PortableWrite(const std::string& sSection, const std::string& sKey, const std::string& sValue,
                   const std::string& sFilePath) {
    IniLines ini = loadLines(sFilePath);

    bool inSection = false;
    std::ptrdiff_t sectionEnd = -1;  // index after the section's last non-blank line
    bool replaced = false;
    for (std::size_t i = 0; i < ini.lines.size() && !replaced; ++i) {
        std::string name;
        if (sectionName(ini.lines[i], name)) {
            if (inSection) {
                break;
            }
            inSection = equalsNoCase(name, sSection);
            if (inSection) {
                sectionEnd = static_cast<std::ptrdiff_t>(i) + 1;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        std::string key;
        std::string value;
        if (keyOf(ini.lines[i], key, value) && equalsNoCase(key, sKey)) {
            // The key keeps the spelling it has in the file, as the profile
            // functions keep it.
            ini.lines[i] = key + "=" + sValue;
            replaced = true;
        } else if (!trim(ini.lines[i]).empty()) {
            sectionEnd = static_cast<std::ptrdiff_t>(i) + 1;
        }
    }
    if (!replaced) {
        const std::string newLine = sKey + "=" + sValue;
        if (sectionEnd >= 0) {
            ini.lines.insert(ini.lines.begin() + sectionEnd, newLine);
        } else {
            while (!ini.lines.empty() && trim(ini.lines.back()).empty()) {
                ini.lines.pop_back();
            }
            ini.lines.push_back("[" + sSection + "]");
            ini.lines.push_back(newLine);
        }
    }
    while (!ini.lines.empty() && ini.lines.back().empty()) {
        ini.lines.pop_back();
    }
    std::string text;
    for (const std::string& line : ini.lines) {
        text += line + ini.eol;
    }
    writeFileReplacing(sFilePath, text);
}

std::string Read(const std::string& sSection, const std::string& sKey, const std::string& sDefault,
                 const std::string& sFilePath) {
#ifdef _WIN32
    return ProfileRead(sSection, sKey, sDefault, resolve(sFilePath));
#else
    return PortableRead(sSection, sKey, sDefault, resolve(sFilePath));
#endif
}

void Write(const std::string& sSection, const std::string& sKey, const std::string& sValue,
           const std::string& sFilePath) {
    try {
        const std::string path = resolve(sFilePath);
        // The settings folder of a first run may not exist yet, and the
        // profile write would not make it.
        const auto parent = std::filesystem::path(path).parent_path();
        if (!parent.empty()) {
            std::filesystem::create_directories(parent);
        }
#ifdef _WIN32
        ProfileWrite(sSection, sKey, sValue, path);
#else
        PortableWrite(sSection, sKey, sValue, path);
#endif
    } catch (...) {
        // The profile write reports nothing to its caller.
    }
}

}  // namespace IniMgr

double leadingNumber(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    if (i + 1 < text.size() && text[i] == '&' && (text[i + 1] == 'H' || text[i + 1] == 'h')) {
        i += 2;
        long long v = 0;
        bool any = false;
        while (i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])) && v < (1LL << 40)) {
            v = v * 16 + std::stoi(std::string(1, text[i]), nullptr, 16);
            any = true;
            ++i;
        }
        return any ? static_cast<double>(v) : 0.0;
    }
    std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    bool digits = false;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        ++i;
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
            digits = true;
        }
    }
    if (!digits) {
        return 0.0;
    }
    // from_chars never looks at the user's locale, so "." is always the point.
    double value = 0.0;
    const char* first = text.data() + start;
    if (*first == '+') {
        ++first;
    }
    std::from_chars(first, text.data() + i, value);
    return value;
}

long long roundHalfEven(double value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    value = std::clamp(value, -1e18, 1e18);
    return static_cast<long long>(std::nearbyint(value));
}
