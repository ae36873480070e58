// The diagnostics' sink: its hand-over, its default without Qt, and Qt's rules switching our
// categories once it is connected to Qt's logger.
#include <gtest/gtest.h>

#include <QLoggingCategory>
#include <string>
#include <utility>
#include <vector>

#include "fakes/RecordingLogSink.h"
#include "platform/log/Log.h"
#include "platform/qtlog/QtLogSink.h"

namespace {

// Categories of the names the layers use; the sink knows none of them in advance.
constexpr LogCategory kLogDevice{"nitidor.device"};
constexpr LogCategory kLogCapture{"nitidor.capture"};
constexpr LogCategory kLogImaging{"nitidor.imaging"};
constexpr LogCategory kLogSim{"nitidor.sim"};
constexpr LogCategory kLogUi{"nitidor.ui"};

TEST(LogSinkTest, ASinkTakesEveryMessageWhileConnectedThenGivesTheOneBeforeBack) {
    ILogSink* const mains = SetLogSink(nullptr);  // the test main's, connected to Qt
    SetLogSink(mains);
    {
        CRecordingLogSink outer;
        {
            CRecordingLogSink inner;
            LogWarning(kLogDevice, "Get of property %u failed: 0x%08X", 34u,
                       LogStatus(int32_t(0x8007048F)));
            ASSERT_EQ(inner.Entries().size(), 1u);
            EXPECT_EQ(inner.Entries()[0].category, "nitidor.device");
            EXPECT_EQ(inner.Entries()[0].message, "Get of property 34 failed: 0x8007048F");
            EXPECT_TRUE(outer.Entries().empty());
        }
        LogDebug(kLogSim, "after");
        EXPECT_EQ(outer.Count(kLogSim, LogLevel::Debug, {"after"}), 1);
    }
    EXPECT_EQ(SetLogSink(mains), mains);
}

TEST(LogSinkTest, WithoutASinkInformationAndWarningsGoToStandardErrorAndDebugNowhere) {
    ILogSink* const mains = SetLogSink(nullptr);
    testing::internal::CaptureStderr();
    LogDebug(kLogCapture, "chatter");
    LogInfo(kLogUi, "told");
    LogWarning(kLogCapture, "failed: 0x%08X", LogStatus(int32_t(0x80004005)));
    LogWarning(kLogImaging, "%s", std::string(2000, 'x').c_str());  // cut, not overrun
    const std::string written = testing::internal::GetCapturedStderr();
    SetLogSink(mains);
    EXPECT_EQ(written, "nitidor.ui: told\nnitidor.capture: failed: 0x80004005\nnitidor.imaging: " +
                           std::string(1023, 'x') + "\n");
}

std::vector<std::pair<std::string, std::string>> g_seen;

void Record(QtMsgType, const QMessageLogContext& context, const QString& message) {
    g_seen.emplace_back(context.category, message.toStdString());
}

TEST(QtLogSinkTest, ACategoryShowsInformationUntilItsRuleSwitchesItsLevels) {
    CQtLogSink sink;
    g_seen.clear();
    const QtMessageHandler previous = qInstallMessageHandler(Record);
    LogDebug(kLogCapture, "one");
    LogInfo(kLogCapture, "two");
    QLoggingCategory::setFilterRules("nitidor.capture.debug=true\nnitidor.device.warning=false");
    LogDebug(kLogCapture, "three");
    LogDebug(kLogDevice, "four");
    LogWarning(kLogDevice, "five");
    QLoggingCategory::setFilterRules(QString());
    LogWarning(kLogDevice, "six");
    qInstallMessageHandler(previous);
    using Seen = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(g_seen, (Seen{{"nitidor.capture", "two"},
                            {"nitidor.capture", "three"},
                            {"nitidor.device", "six"}}));
}

}  // namespace
