#include "sim/SimEnvironment.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace {

// A day is far longer than any test waits; it keeps sums with the clock far from overflow.
constexpr int64_t kMaxDelay_ms = 24LL * 60 * 60 * 1000;

bool ReadNumber(std::string_view digits, int64_t min, int64_t max, int64_t& value) {
    int64_t n = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || n < min ||
        n > max) {
        return false;
    }
    value = n;
    return true;
}

bool ApplyItem(std::string_view item, SimEnvironment& s) {
    const size_t equals = item.find('=');
    const std::string_view name = item.substr(0, equals);
    if (equals == std::string_view::npos) {
        if (name == "absent")
            s.bAbsent = true;
        else if (name == "no-firmware")
            s.camera.firmware.bFirmwarePresent = FALSE;
        else if (name == "never-ready")
            s.camera.firmware.startup_ms = std::numeric_limits<int64_t>::max();
        else if (name == "silent-mailbox")
            s.camera.firmware.bMailboxNeverAnswers = TRUE;
        else
            return false;
        return true;
    }
    const std::string_view digits = item.substr(equals + 1);
    int64_t n = 0;
    SimSceneConfig& scene = s.camera.scene;
    if (name == "startup-ms" && ReadNumber(digits, 0, kMaxDelay_ms, n))
        s.camera.firmware.startup_ms = n;
    else if (name == "unplug-after-ms" && ReadNumber(digits, 1, kMaxDelay_ms, n))
        s.camera.firmware.unplugAfter_ms = n;
    else if (name == "unplug-at-call" && ReadNumber(digits, 1, kMaxDelay_ms, n))
        s.camera.firmware.failFromCall = static_cast<uint64_t>(n);
    else if (name == "raw-phase" && ReadNumber(digits, 0, 3, n))
        s.camera.firmware.rawPhase = static_cast<int>(n);
    else if (name == "tilt-x" && ReadNumber(digits, -CSimScene::kTiltMax, CSimScene::kTiltMax, n))
        scene.tiltX = static_cast<int>(n);
    else if (name == "tilt-y" && ReadNumber(digits, -CSimScene::kTiltMax, CSimScene::kTiltMax, n))
        scene.tiltY = static_cast<int>(n);
    else if (name == "lens" && ReadNumber(digits, scene.lensMin, scene.lensMax, n))
        scene.startPosition = static_cast<int>(n);
    else
        return false;
    return true;
}

}  // namespace

bool ParseSimEnvironment(std::string_view text, SimEnvironment& settings, std::string& error) {
    SimEnvironment parsed = settings;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (item.empty())
            continue;
        if (!ApplyItem(item, parsed)) {
            error = std::string(kSimEnvironmentVariable) + ": '" + std::string(item) +
                    "' is not absent, no-firmware, startup-ms=N, never-ready, silent-mailbox, "
                    "unplug-after-ms=N, unplug-at-call=N, raw-phase=0..3, tilt-x=-100..100, "
                    "tilt-y=-100..100 or lens=" +
                    std::to_string(parsed.camera.scene.lensMin) + ".." +
                    std::to_string(parsed.camera.scene.lensMax);
            return false;
        }
    }
    settings = parsed;
    return true;
}
