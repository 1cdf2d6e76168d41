#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/Failure.h"
#include "disk/SectorMapFile.h"

namespace {

const SectorMap kMap{{80, 2, 18, 256},
                     {{0, 1, 4, SectorState::Recovered, 0},
                      {12, 0, 5, SectorState::Bad, 23},
                      {79, 1, 17, SectorState::Missing, 1122}}};

TEST(SectorMapFile, WritesTheDocumentedFieldsAndReadsThemBack) {
    const std::string text = SectorMapToJson(kMap);
    const auto json = nlohmann::json::parse(text);
    EXPECT_EQ(json["geometry"],
              nlohmann::json::parse(R"({"cylinders": 80, "heads": 2, "sectors": 18, "size": 256})"));
    EXPECT_EQ(
        json["sectors"][1],
        nlohmann::json::parse(R"({"cylinder": 12, "head": 0, "sector": 5, "state": "bad", "error": 23})"));

    const SectorMap back = SectorMapFromJson(text);
    EXPECT_EQ(back.geometry, kMap.geometry);
    EXPECT_EQ(SectorMapToJson(back), text);
}

TEST(SectorMapFile, DamagedMapsAreRefusedSayingWhatIsWrong) {
    const std::string geometry = R"("geometry": {"cylinders": 40, "heads": 1, "sectors": 18, "size": 256})";
    struct Case {
        const char* name;
        std::string text;
        const char* mentions;
    };
    const Case cases[] = {
        {"not JSON", "{\"geometry\": ", "not a JSON object"},
        {"no geometry", R"({"sectors": []})", "no \"geometry\" object"},
        {"three heads", R"({"geometry": {"cylinders": 40, "heads": 3, "sectors": 18, "size": 256}})",
         "geometry \"heads\" 3 is outside 1 to 2"},
        {"sector past the track", "{" + geometry + R"(, "sectors": [{"cylinder": 0, "head": 0, "sector": 18,
          "state": "bad", "error": 23}]})",
         "sectors[0] \"sector\" 18 is outside 0 to 17"},
        {"unknown state", "{" + geometry + R"(, "sectors": [{"cylinder": 0, "head": 0, "sector": 1,
          "state": "ugly", "error": 23}]})",
         "sectors[0] has no \"state\""},
    };
    for (const Case& c : cases) {
        try {
            (void)SectorMapFromJson(c.text);
            ADD_FAILURE() << c.name << " was accepted";
        } catch (const Failure& f) {
            EXPECT_NE(f.description().find(c.mentions), std::string::npos)
                << c.name << ": " << f.description();
        }
    }
}

}  // namespace
