// The dialog's failure paths leave a trace at information level: why the sequence ended (the
// session) and which message box the operator got (the dialog).
#include "FocusDlgFixture.h"
#include "fakes/RecordingLogSink.h"
#include "session/SessionLog.h"
#include "ui/UiLog.h"

namespace {

using FocusDlgLogTest = FocusDlgFixture;

TEST_F(FocusDlgLogTest, AConnectWithoutACameraSaysWhyAndWhichBox) {
    CRecordingLogSink log;
    Press(IDC_NEW);  // no camera is registered here
    EXPECT_EQ(log.Count(kLogSession, LogLevel::Info, {"connect failed", "Standard_Camera"}), 1);
    EXPECT_EQ(log.Count(kLogUi, LogLevel::Info, {"message box 61205"}), 1);
}

}  // namespace
