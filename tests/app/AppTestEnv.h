// A private world for application tests: registry file, lock folder (so a running copy of
// the utility does not count as a second instance) and working directory in a temporary
// folder; message boxes and pauses recorded.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win/MessageBox.h"
#include "platform/win/Sleep.h"
#include "win/QtTestApp.h"

class AppTestEnv : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApp();
        ASSERT_TRUE(m_dir.isValid());
        m_oldCwd = get_current_dir_name();
        ASSERT_EQ(chdir(m_dir.path().toLocal8Bit().constData()), 0);
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        m_oldRuntime = runtime ? runtime : "";
        setenv("XDG_RUNTIME_DIR", m_dir.path().toLocal8Bit().constData(), 1);
        setenv("NITIDOR_REGISTRY_FILE", RegistryFile().c_str(), 1);
        m_prevBox = SetMessageBoxHook([this](const MessageBoxCall& call) {
            boxes.push_back(call);
            return IDOK;
        });
        m_prevSleep = SetSleepHook([this](DWORD ms) { pauses.push_back(ms); });
    }
    void TearDown() override {
        SetMessageBoxHook(m_prevBox);
        SetSleepHook(m_prevSleep);
        unsetenv("NITIDOR_REGISTRY_FILE");
        if (m_oldRuntime.empty())
            unsetenv("XDG_RUNTIME_DIR");
        else
            setenv("XDG_RUNTIME_DIR", m_oldRuntime.c_str(), 1);
        if (m_oldCwd) {
            EXPECT_EQ(chdir(m_oldCwd), 0);
            std::free(m_oldCwd);
        }
    }

    std::string RegistryFile() const { return m_dir.filePath("registry.reg").toStdString(); }
    void WriteRegistry(const std::string& values) {
        std::ofstream(RegistryFile()) << "Windows Registry Editor Version 5.00\r\n\r\n"
                                      << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\PXV58R]\r\n"
                                      << values;
    }
    std::string ReadRegistry() const {
        std::ifstream file(RegistryFile());
        return std::string((std::istreambuf_iterator<char>(file)), {});
    }

    std::vector<MessageBoxCall> boxes;
    std::vector<DWORD> pauses;

private:
    QTemporaryDir m_dir;
    char* m_oldCwd = nullptr;
    std::string m_oldRuntime;
    MessageBoxHook m_prevBox;
    SleepHook m_prevSleep;
};
