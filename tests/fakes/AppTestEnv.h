// A private world for tests of the application and its dialogs: settings in a temporary registry,
// the lock folder (so a running copy of the utility is no second instance) and the working
// directory ("Temp.jpg") in a temporary folder; message boxes and pauses recorded instead of
// shown or waited for; every COM object and task block made during a test gone at its end.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/mfc/MessageBox.h"
#include "platform/win/Sleep.h"
#include "support/LeakCheck.h"
#include "support/TempDir.h"
#include "support/TempRegistry.h"

class AppTestEnv : public LeakCheckedTest {
protected:
    void SetUp() override {
        if (const char* runtime = getenv("XDG_RUNTIME_DIR"))
            m_oldRuntime = runtime;
        setenv("XDG_RUNTIME_DIR", m_dir.m_path.c_str(), 1);
        SetMessageBoxHook([this](const MessageBoxCall& call) {
            boxes.push_back(call);
            return IDOK;
        });
        SetSleepHook([this](DWORD ms) { pauses.push_back(ms); });
    }
    void TearDown() override {
        SetMessageBoxHook({});  // no test binary sets its own
        SetSleepHook({});
        if (m_oldRuntime)
            setenv("XDG_RUNTIME_DIR", m_oldRuntime->c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
    }

    CTempRegistry m_registry;
    std::vector<MessageBoxCall> boxes;
    std::vector<DWORD> pauses;

private:
    CTempDir m_dir{CTempDir::kEnter};
    std::optional<std::string> m_oldRuntime;
};
