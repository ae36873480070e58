// The single-instance mutex: visible to a second handle and to another process, released when
// its owner closes it or dies.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/win/NamedMutex.h"

namespace {

std::string UniqueName(const char* tag) {
    return std::string("test-") + tag + "-" + std::to_string(getpid());
}

// Runs CreateMutex in a child process; the child reports its last error through a pipe and
// either exits at once or holds the mutex until killed.
struct Child {
    pid_t pid = -1;
    DWORD lastError = 0xFFFFFFFF;
};

Child SpawnHolder(const std::string& name, bool hold) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    Child child;
    child.pid = fork();
    if (child.pid == 0) {
        close(fds[0]);
        HANDLE h = CreateMutex(nullptr, TRUE, name.c_str());
        DWORD err = h ? GetLastError() : 0xFFFFFFFE;
        (void)!write(fds[1], &err, sizeof(err));
        if (hold)
            pause();
        _exit(0);
    }
    close(fds[1]);
    EXPECT_EQ(read(fds[0], &child.lastError, sizeof(child.lastError)),
              static_cast<ssize_t>(sizeof(child.lastError)));
    close(fds[0]);
    return child;
}

void Reap(pid_t pid, bool kill_first) {
    if (kill_first)
        kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
}

}  // namespace

TEST(NamedMutex, SecondHandleInSameProcessSeesItUntilTheOwnerCloses) {
    const std::string name = UniqueName("same");
    HANDLE first = CreateMutex(nullptr, TRUE, name.c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), 0u);

    HANDLE second = CreateMutex(nullptr, TRUE, name.c_str());
    ASSERT_NE(second, nullptr);  // the platform hands out a handle even when it existed
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(CloseHandle(second));

    // Closing the refused handle must not release the owner's hold.
    HANDLE third = CreateMutex(nullptr, TRUE, name.c_str());
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    CloseHandle(third);

    EXPECT_TRUE(CloseHandle(first));
    HANDLE again = CreateMutex(nullptr, TRUE, name.c_str());
    EXPECT_EQ(GetLastError(), 0u);
    CloseHandle(again);
}

TEST(NamedMutex, AnotherProcessSeesItAndItVanishesWhenTheOwnerDies) {
    const std::string name = UniqueName("proc");
    HANDLE mine = CreateMutex(nullptr, TRUE, name.c_str());
    ASSERT_NE(mine, nullptr);
    Child refused = SpawnHolder(name, false);
    Reap(refused.pid, false);
    EXPECT_EQ(refused.lastError, ERROR_ALREADY_EXISTS);
    CloseHandle(mine);

    Child holder = SpawnHolder(name, true);
    EXPECT_EQ(holder.lastError, 0u);
    HANDLE blocked = CreateMutex(nullptr, TRUE, name.c_str());
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    CloseHandle(blocked);

    Reap(holder.pid, true);  // killed, never closed its handle
    HANDLE after = CreateMutex(nullptr, TRUE, name.c_str());
    EXPECT_EQ(GetLastError(), 0u);
    CloseHandle(after);
}

TEST(NamedMutex, RefusesNamesThatWouldLeaveTheLockFolder) {
    EXPECT_EQ(CreateMutex(nullptr, TRUE, "../escape"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
    EXPECT_EQ(CreateMutex(nullptr, TRUE, ""), nullptr);
    EXPECT_EQ(CreateMutex(nullptr, TRUE, nullptr), nullptr);
    EXPECT_FALSE(CloseHandle(nullptr));
}
