#pragma once

#include <string>

// The settings module: read and write one key of an INI file, with the
// behaviour of the classic profile functions. Section and key names match
// without regard to case; a value comes back trimmed, with one pair of
// enclosing quotes removed, and cut to 1,022 characters; a default comes back
// without its trailing blanks.
//
// On Windows, Read and Write go through the system's own profile functions,
// so the file reads and changes exactly as every other Windows program that
// edits an INI file would have it. Elsewhere they use the portable reader and
// writer, which follow the same rules; the Windows build carries both so
// that one test suite can hold them to each other.
namespace IniMgr {

inline constexpr std::size_t kBufferSize = 1024;
inline constexpr std::size_t kMaxValueLength = kBufferSize - 2;  // 1,023 offered, one kept for the NUL

// An empty file path means the module's default file; nothing sets that to
// anything but the program's own settings file.
[[nodiscard]] std::string Read(const std::string& sSection, const std::string& sKey,
                               const std::string& sDefault, const std::string& sFilePath);

// Creates the file and the section when they are missing and keeps every other
// line as it was. Failures are not reported.
void Write(const std::string& sSection, const std::string& sKey, const std::string& sValue,
           const std::string& sFilePath);

// The file an empty path stands for.
void SetDefaultFile(const std::string& sPath);
[[nodiscard]] std::string DefaultFile();

// The implementations behind Read and Write. They take a path that is not
// empty and whose folder exists; Write may throw.
[[nodiscard]] std::string PortableRead(const std::string& sSection, const std::string& sKey,
                                       const std::string& sDefault, const std::string& sFilePath);
void PortableWrite(const std::string& sSection, const std::string& sKey, const std::string& sValue,
                   const std::string& sFilePath);
#ifdef _WIN32
// GetPrivateProfileStringA and WritePrivateProfileStringA.
[[nodiscard]] std::string ProfileRead(const std::string& sSection, const std::string& sKey,
                                      const std::string& sDefault, const std::string& sFilePath);
void ProfileWrite(const std::string& sSection, const std::string& sKey, const std::string& sValue,
                  const std::string& sFilePath);
#endif

}  // namespace IniMgr

// The leading decimal number of a text as the classic Val() reads it ("2.5x"
// gives 2.5, "abc" and "" give 0); "&H" introduces a hexadecimal number.
[[nodiscard]] double leadingNumber(const std::string& text);

// Rounds to the nearest whole number, a half going to the even neighbour.
[[nodiscard]] long long roundHalfEven(double value);
