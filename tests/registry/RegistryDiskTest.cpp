// The registry file as the file system sees it: what is read, what a write leaves behind, and
// what is logged of a file that cannot be read.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "RegistryFixture.h"
#include "fakes/RecordingLogSink.h"
#include "platform/registry/RegistryFile.h"
#include "platform/registry/RegistryLog.h"

namespace {

namespace fs = std::filesystem;

class RegistryDiskTest : public RegistryTest {
protected:
    // Stops the test binary instead of letting a read that never ends hang the suite.
    void SetUp() override { alarm(20); }
    void TearDown() override { alarm(0); }

    void UseFile(const std::string& path) { setenv("NITIDOR_REGISTRY_FILE", path.c_str(), 1); }
};

// What a write leaves alone: the kind of file, its size and its last change.
std::tuple<mode_t, off_t, long, long> Footprint(const std::string& path) {
    struct stat st {};
    lstat(path.c_str(), &st);
    return {st.st_mode, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

unsigned Mode(const fs::path& path) {
    return static_cast<unsigned>(fs::status(path).permissions());
}

TEST_F(RegistryDiskTest, WhatIsNoRegistryFileIsRefusedWithoutReadingForeverOrWritingAnything) {
    const std::pair<const char*, std::function<std::string(const fs::path& dir)>> made[] = {
        {"Fifo",
         [](const fs::path& dir) {
             const fs::path fifo = dir / "fifo.reg";
             mkfifo(fifo.c_str(), 0600);
             return fifo.string();
         }},
        {"DevZero", [](const fs::path&) { return std::string("/dev/zero"); }},
        {"LinkToDevZero",
         [](const fs::path& dir) {
             fs::create_symlink("/dev/zero", dir / "zero.reg");
             return (dir / "zero.reg").string();
         }},
        {"Folder",
         [](const fs::path& dir) {
             fs::create_directory(dir / "folder.reg");
             return (dir / "folder.reg").string();
         }},
        {"LargerThanTheRegistryReads",
         [](const fs::path& dir) {
             std::string text = CTempRegistry::WithKey();
             const std::string comment = "; " + std::string(1000, 'x') + "\n";
             while (text.size() <= CRegistryFile::kMaxFileBytes)
                 text += comment;
             const fs::path big = dir / "big.reg";
             std::ofstream(big, std::ios::binary) << text;
             return big.string();
         }},
    };
    for (const auto& [name, make] : made) {
        SCOPED_TRACE(name);
        UseFile(m_registry.m_path.string());
        ASSERT_EQ(Open(m_hkey), ERROR_SUCCESS);  // opened while the file was sound
        const std::string path = make(m_registry.m_dir.m_path);
        UseFile(path);
        const auto before = Footprint(path);
        EXPECT_EQ(Set(m_hkey, "Cap10Bpp", 1), ERROR_ACCESS_DENIED);
        EXPECT_EQ(Query(m_hkey, "Cap10Bpp", m_value, &m_size, &m_type), ERROR_ACCESS_DENIED);
        HKEY other = nullptr;
        EXPECT_EQ(Open(other), ERROR_ACCESS_DENIED);
        EXPECT_EQ(Footprint(path), before);
        EXPECT_EQ(RegCloseKey(m_hkey), ERROR_SUCCESS);
    }
}

TEST_F(RegistryDiskTest, AWriteThatWouldOutgrowWhatIsReadIsRefused) {
    ASSERT_EQ(Open(m_hkey), ERROR_SUCCESS);
    ASSERT_EQ(Set(m_hkey, "EnhanceJPEG", 1), ERROR_SUCCESS);
    const std::string before = m_registry.Read();
    // Written as hex, 3 bytes of text for each byte of data.
    const std::vector<BYTE> blob(CRegistryFile::kMaxFileBytes / 2, 0xAB);
    EXPECT_EQ(
        RegSetValueEx(m_hkey, "Blob", 0, REG_BINARY, blob.data(), static_cast<DWORD>(blob.size())),
        ERROR_ACCESS_DENIED);
    EXPECT_EQ(m_registry.Read(), before);
    EXPECT_EQ(Set(m_hkey, "Cap10Bpp", 1), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(m_hkey), ERROR_SUCCESS);
}

TEST_F(RegistryDiskTest, ARewriteKeepsTheFileModeAndANewFileFollowsTheUmask) {
    const mode_t umaskWas = umask(077);
    ASSERT_EQ(Open(m_hkey), ERROR_SUCCESS);
    umask(umaskWas);
    EXPECT_EQ(Mode(m_registry.m_path), 0600u);
    for (const unsigned mode : {0600u, 0640u, 0664u}) {
        fs::permissions(m_registry.m_path, fs::perms(mode));
        EXPECT_EQ(Set(m_hkey, "Cap10Bpp", mode), ERROR_SUCCESS);
        EXPECT_EQ(Mode(m_registry.m_path), mode);
    }
    EXPECT_EQ(RegCloseKey(m_hkey), ERROR_SUCCESS);
}

// A chain of two links, the second relative to its own folder: each is followed to the file.
TEST_F(RegistryDiskTest, ALinkIsWrittenThroughToItsTargetAndStaysALink) {
    fs::create_directories(m_registry.m_path.parent_path());
    const fs::path real = m_registry.m_path.parent_path().parent_path() / "real";
    fs::create_directories(real);
    fs::create_symlink(real / "middle.reg", m_registry.m_path);
    fs::create_symlink("settings.reg", real / "middle.reg");
    const fs::path target = real / "settings.reg";
    const fs::path linkTarget = fs::read_symlink(m_registry.m_path);
    ASSERT_EQ(Open(m_hkey), ERROR_SUCCESS);  // creates the target through the link
    EXPECT_EQ(Set(m_hkey, "Cap10Bpp", 1), ERROR_SUCCESS);
    fs::permissions(target, fs::perms(0600));  // kept through the link too
    EXPECT_EQ(Set(m_hkey, "EnhanceJPEG", 1), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(m_hkey), ERROR_SUCCESS);

    ASSERT_TRUE(fs::is_symlink(m_registry.m_path));
    EXPECT_EQ(fs::read_symlink(m_registry.m_path), linkTarget);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(target)));
    EXPECT_EQ(Mode(target), 0600u);
    std::ostringstream text;
    text << std::ifstream(target).rdbuf();
    EXPECT_EQ(text.str(),
              m_key + "\"Cap10Bpp\"=dword:00000001\n\"EnhanceJPEG\"=dword:00000001\n\n");
}

TEST_F(RegistryDiskTest, TwoProcessesSettingAtOnceLoseNothing) {
    constexpr int kSets = 200;
    ASSERT_EQ(Open(m_hkey), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(m_hkey), ERROR_SUCCESS);
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    pid_t writers[2];
    for (const char prefix : {'A', 'B'}) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(start[1]);
            char go;
            (void)!read(start[0], &go, 1);  // returns when the parent closes its end
            HKEY key = nullptr;
            int failed = Open(key) == ERROR_SUCCESS ? 0 : 1;
            for (int i = 0; i < kSets; ++i)
                failed += Set(key, (prefix + std::to_string(i)).c_str(), i) != ERROR_SUCCESS;
            _exit(failed == 0 ? 0 : 1);  // no test teardown in the child
        }
        writers[prefix - 'A'] = pid;
    }
    close(start[0]);
    close(start[1]);
    for (const pid_t pid : writers) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }

    auto file = CRegistryFile::Parse(m_registry.Read());
    ASSERT_TRUE(file);
    CRegistryFile::Key* key = file->FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\PXV58R");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->values.size(), 2u * kSets);
    for (const char prefix : {'A', 'B'}) {
        for (int i = 0; i < kSets; ++i) {
            const auto* value = CRegistryFile::FindValue(*key, prefix + std::to_string(i));
            ASSERT_TRUE(value) << prefix << i;
            EXPECT_EQ(value->data[0], i) << prefix << i;
        }
    }
}

// An unparseable file is warned of once, with where and why, however many calls read it.
TEST_F(RegistryDiskTest, AnUnparseableFileIsWarnedOnceWithItsPathLineAndReason) {
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
