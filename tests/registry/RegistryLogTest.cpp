// What the registry logs about a settings file it will not touch: where and why it cannot be
// parsed, once however many calls read it.
#include "RegistryFixture.h"
#include "fakes/RecordingLogSink.h"
#include "platform/registry/RegistryLog.h"

namespace {

using RegistryLogTest = RegistryTest;

TEST_F(RegistryLogTest, AnUnparseableFileIsWarnedOnceWithItsPathLineAndReason) {
    CRecordingLogSink log;
    m_registry.Write(m_key + "\"Cap10Bpp\"=dword:1\n\"EnhanceJPEG\"=dword:xyz\n");
    EXPECT_EQ(Open(m_hkey), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Open(m_hkey), ERROR_ACCESS_DENIED);  // every call reads the file afresh
    const std::string path = m_registry.m_path.string();
    EXPECT_EQ(log.Count(kLogRegistry, LogLevel::Warning,
                        {path, "line 5: a value line that cannot be read"}),
              1);
    EXPECT_EQ(log.Count(kLogRegistry, LogLevel::Debug, {path, "line 5"}), 1);
}

}  // namespace
