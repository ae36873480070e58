#include "ui/StringTable.h"

#include <array>
#include <utility>

#include "ui/Resource.h"

namespace {
struct StringEntry {
    unsigned id;
    const char* text;
};

constexpr std::array kStrings{
    StringEntry{IDS_ABOUTBOX, "&About Nitidor..."},
    StringEntry{IDS_START, "Start"},
    StringEntry{IDS_STOP, "Stop"},
    StringEntry{IDP_DEVICE_INIT_FAILED,
                "Device can't be initialized. Please check driver or hardware settings."},
    StringEntry{IDP_DEVICE_ACCESS_FAILED,
                "An error has occurred when accessing the device. It is possible that USB "
                "connection is dropped unexpectly or some other hardware setting problem. The "
                "application will be terminated. Please verify USB connection and hardware "
                "settings and then restart the application."},
};
}  // namespace

std::string LoadResString(unsigned id) {
    for (const StringEntry& entry : kStrings) {
        if (entry.id == id)
            return entry.text;
    }
    return {};
}
