// NITIDOR_SIM: each item and what it sets, refusals that leave everything as it was.
#include <gtest/gtest.h>

#include <limits>

#include "sim/SimEnvironment.h"

namespace {

struct Item {
    const char* name;
    const char* text;
    bool (*holds)(const SimEnvironment& s);
};

const SimFirmwareConfig kDefaults;

const Item kItems[] = {
    {"Empty", "", [](const SimEnvironment& s) { return !s.bAbsent; }},
    {"Absent", "absent", [](const SimEnvironment& s) { return s.bAbsent; }},
    {"NoFirmware", "no-firmware",
     [](const SimEnvironment& s) { return !s.camera.firmware.bFirmwarePresent; }},
    {"SlowStart", "startup-ms=1500",
     [](const SimEnvironment& s) { return s.camera.firmware.startup_ms == 1500; }},
    {"NeverReady", "never-ready",
     [](const SimEnvironment& s) {
         return s.camera.firmware.startup_ms == std::numeric_limits<int64_t>::max();
     }},
    {"SilentMailbox", "silent-mailbox",
     [](const SimEnvironment& s) { return s.camera.firmware.bMailboxNeverAnswers != FALSE; }},
    {"UnpluggedByTime", "unplug-after-ms=4000",
     [](const SimEnvironment& s) { return s.camera.firmware.unplugAfter_ms == 4000; }},
    {"UnpluggedByCall", "unplug-at-call=30",
     [](const SimEnvironment& s) { return s.camera.firmware.failFromCall == 30u; }},
    {"RawPhase", "raw-phase=3",
     [](const SimEnvironment& s) { return s.camera.firmware.rawPhase == 3; }},
    {"TiltX", "tilt-x=-100",
     [](const SimEnvironment& s) {
         return s.camera.scene.tiltX == -100 && s.camera.scene.tiltY == 0;
     }},
    {"TiltY", "tilt-y=100", [](const SimEnvironment& s) { return s.camera.scene.tiltY == 100; }},
    {"LensStart", "lens=0",
     [](const SimEnvironment& s) { return s.camera.scene.startPosition == 0; }},
    {"SeveralWithEmptyItems", ",no-firmware,,raw-phase=2,",
     [](const SimEnvironment& s) {
         return !s.camera.firmware.bFirmwarePresent && s.camera.firmware.rawPhase == 2 &&
                s.camera.firmware.startup_ms == kDefaults.startup_ms;
     }},
};

TEST(SimEnvironmentTest, EachItemSetsWhatItNames) {
    for (const Item& item : kItems) {
        SimEnvironment settings;
        std::string error;
        ASSERT_TRUE(ParseSimEnvironment(item.text, settings, error)) << item.name << ": " << error;
        EXPECT_TRUE(item.holds(settings)) << item.name;
        EXPECT_TRUE(error.empty()) << item.name;
    }
}

// A refused item names itself and leaves even the good item before it untaken.
TEST(SimEnvironmentTest, ARefusalLeavesEverythingAndNamesTheItem) {
    for (const char* item :
         {"unplugged", "Absent", "startup-ms", "startup-ms=", "startup-ms=-5", "startup-ms=12x",
          "startup-ms=0x10", "unplug-after-ms=0", "unplug-at-call=0", "raw-phase=4",
          "never-ready=1", "tilt-x=101", "tilt-y=-101", "tilt-x=+5", "lens=1001", "lens=-1",
          "startup-ms=99999999999999999999", " absent"}) {
        SimEnvironment settings;
        std::string error;
        EXPECT_FALSE(ParseSimEnvironment(std::string("no-firmware,") + item, settings, error));
        EXPECT_TRUE(settings.camera.firmware.bFirmwarePresent) << item;
        EXPECT_EQ(error.rfind("NITIDOR_SIM: ", 0), 0u) << error;
        EXPECT_NE(error.find(std::string("'") + item + "'"), std::string::npos) << error;
    }
}

}  // namespace
