#ifdef _WIN32

#include <windows.h>

#include <vector>

#include "core/IniMgr.h"

namespace IniMgr {

std::string ProfileRead(const std::string& sSection, const std::string& sKey, const std::string& sDefault,
                        const std::string& sFilePath) {
    // One character of the buffer is never offered, as the classic module did.
    std::vector<char> buffer(kBufferSize, '\0');
    (void)::GetPrivateProfileStringA(sSection.c_str(), sKey.c_str(), sDefault.c_str(), buffer.data(),
                                     static_cast<DWORD>(kBufferSize - 1), sFilePath.c_str());
    return std::string(buffer.data());
}

void ProfileWrite(const std::string& sSection, const std::string& sKey, const std::string& sValue,
                  const std::string& sFilePath) {
    (void)::WritePrivateProfileStringA(sSection.c_str(), sKey.c_str(), sValue.c_str(), sFilePath.c_str());
}

}  // namespace IniMgr

#endif
