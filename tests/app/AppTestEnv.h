// A private world for tests of the application and its dialogs: registry file, lock folder
// (so a running copy of the utility is no second instance) and working directory ("Temp.jpg")
// in a temporary folder; message boxes and pauses recorded instead of shown or waited for;
// every COM object and task block made during a test must be gone at its end.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/mfc/MessageBox.h"
#include "platform/win/Sleep.h"
#include "support/LeakCheck.h"

class AppTestEnv : public LeakCheckedTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(m_dir.path().toStdString());
        m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", m_dir.path().toLocal8Bit());
        qputenv("NITIDOR_REGISTRY_FILE", RegistryFile().c_str());
        SetMessageBoxHook([this](const MessageBoxCall& call) {
            boxes.push_back(call);
            return IDOK;
        });
        SetSleepHook([this](DWORD ms) { pauses.push_back(ms); });
    }
    void TearDown() override {
        SetMessageBoxHook({});  // no test binary sets its own
        SetSleepHook({});
        qunsetenv("NITIDOR_REGISTRY_FILE");
        if (m_oldRuntime.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
        std::filesystem::current_path(m_oldCwd);
    }

    std::string RegistryFile() const { return m_dir.filePath("registry.reg").toStdString(); }
    std::string ReadRegistry() const {
        std::ifstream file(RegistryFile());
        return std::string((std::istreambuf_iterator<char>(file)), {});
    }

    std::vector<MessageBoxCall> boxes;
    std::vector<DWORD> pauses;

private:
    QTemporaryDir m_dir;
    std::filesystem::path m_oldCwd;
    QByteArray m_oldRuntime;
};
