#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>

// File names made from names read off a disk. Those names are whatever bytes
// someone stored, so they are treated as hostile: the result is a plain file
// name that means the same on Windows, macOS and Linux and can never reach
// outside the folder it is joined to.
//
// Sanitize:
//   - characters below 32, 127 to 159, the bidirectional-override controls and
//     < > : " / \ | ? * become "_"; bytes that are not valid UTF-8 become "_";
//   - blanks are trimmed at both ends and dots at the end (Windows drops them);
//     dots at the start become "_" (no hidden files, no "." or "..");
//   - the name is cut to 100 bytes at a character boundary;
//   - a Windows device name (CON, PRN, AUX, NUL, COM0-9, LPT0-9, also with an
//     extension such as "NUL.txt", in any case) gets a leading "_";
//   - an empty result becomes "unnamed".
// Unique: the same name twice (compared without regard to case, as Windows and
// macOS do) gets " (2)", " (3)", ... before its extension.
class SafeFileNames {
public:
    static constexpr std::size_t kMaxNameBytes = 100;

    [[nodiscard]] static std::string Sanitize(std::string_view name);

    // A sanitized stem plus the extension (".bin", may be empty), numbered when
    // it collides with a name handed out before or reserved with reserve().
    [[nodiscard]] std::string unique(std::string_view name, const std::string& extension);
    void reserve(const std::string& fileName);

private:
    [[nodiscard]] static std::string foldCase(std::string_view name);
    std::set<std::string> m_taken;
    std::map<std::string, int> m_nextNumber;  // per folded first choice, the next " (n)" to try
};
