#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disk/Catalogue.h"
#include "screen/RgbPicture.h"
#include "support/TestSupport.h"

// Helpers shared by the export tests: entries and the outside tools that
// check what we write.

[[nodiscard]] CatalogueEntry makeEntry(int type, const std::string& rawName, std::vector<std::uint8_t> data,
                                       int param1 = 0, int param2 = 0);

// Records whether the busy pointer was showing when each message came.
class BusyAwarePrompter : public ScriptedPrompter {
public:
    MsgAnswer message(const std::string& text, const std::string& title, MsgIcon icon,
                      MsgButtons buttons) override {
        busyAtMessage.push_back(busyDepth);
        return ScriptedPrompter::message(text, title, icon, buttons);
    }
    std::vector<int> busyAtMessage;
};

// Debian's python3 with PIL, if present (a virtualenv's python3 may lack it).
[[nodiscard]] std::string pythonWithPil();
// Decodes an image file with PIL into RGB; false when the tool failed.
[[nodiscard]] bool decodeWithPil(const std::string& python, const std::string& imagePath, RgbPicture& out,
                                 std::string& error);
