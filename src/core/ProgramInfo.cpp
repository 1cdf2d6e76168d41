#include "core/ProgramInfo.h"

#include "core/BuildInfo.h"

std::string ProductName() {
    return QUILLMAR_PRODUCT_NAME;
}

std::string VersionNumber() {
    return std::to_string(QUILLMAR_VERSION_MAJOR) + "." + std::to_string(QUILLMAR_VERSION_MINOR) + "." +
           std::to_string(QUILLMAR_VERSION_PATCH);
}

std::string ProgramTitle() {
    return ProductName() + " v" + VersionNumber();
}
