// The single-instance mutex: seen by a second handle and by another process, released when its
// owner closes it or dies.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/win/NamedMutex.h"

namespace {

// Forks a child that calls CreateMutex, reports its last error through a pipe and then exits
// or, when asked, holds the mutex until killed.
pid_t SpawnChild(const std::string& name, bool hold, DWORD& error) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        const DWORD err = CreateMutex(nullptr, TRUE, name.c_str()) ? GetLastError() : 0xFFFFFFFE;
        (void)!write(fds[1], &err, sizeof err);
        if (hold)
            pause();
        _exit(0);
    }
    close(fds[1]);
    EXPECT_EQ(read(fds[0], &error, sizeof error), static_cast<ssize_t>(sizeof error));
    close(fds[0]);
    return pid;
}

DWORD TryCreate(const std::string& name) {
    HANDLE h = CreateMutex(nullptr, TRUE, name.c_str());
    EXPECT_NE(h, nullptr);  // the platform hands out a handle even when the mutex existed
    const DWORD error = GetLastError();
    EXPECT_TRUE(CloseHandle(h));
    return error;
}

TEST(NamedMutexTest, SeenByEveryOtherHandleUntilTheOwnerClosesOrDies) {
    const std::string name = "test-" + std::to_string(getpid());
    HANDLE owner = CreateMutex(nullptr, TRUE, name.c_str());
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(GetLastError(), 0u);
    // Closing a refused handle must not release the owner's hold.
    EXPECT_EQ(TryCreate(name), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(TryCreate(name), ERROR_ALREADY_EXISTS);
    DWORD error = 0;
    waitpid(SpawnChild(name, false, error), nullptr, 0);
    EXPECT_EQ(error, ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(CloseHandle(owner));

    const pid_t holder = SpawnChild(name, true, error);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(TryCreate(name), ERROR_ALREADY_EXISTS);
    kill(holder, SIGKILL);  // dies without closing its handle
    waitpid(holder, nullptr, 0);
    EXPECT_EQ(TryCreate(name), 0u);
}

TEST(NamedMutexTest, RefusesNamesThatWouldLeaveTheLockFolder) {
    EXPECT_EQ(CreateMutex(nullptr, TRUE, "../escape"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
    EXPECT_EQ(CreateMutex(nullptr, TRUE, ""), nullptr);
    EXPECT_EQ(CreateMutex(nullptr, TRUE, nullptr), nullptr);
    EXPECT_FALSE(CloseHandle(nullptr));
}

}  // namespace
