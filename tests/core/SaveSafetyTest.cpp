// What a save shows to other users while it runs and what it leaves when it cannot finish:
// the new contents are private until complete, every permission bit of the target survives,
// the file-size limit fails the save instead of ending the process, and a killed saver
// leaves nothing behind.
#include "TextFileFixture.h"
#include "core/encoding/EncodingChoices.h"
#include "core/files/EncodedTextFiles.h"
#include "core/files/ReplacementFile.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Runs body in a child process and returns its wait status.
int InChild(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

class SaveSafetyTest : public TextFileTest {
protected:
    // Permission bits of every file of this process that lies in the test's folder.
    std::vector<mode_t> OpenFileModes() const {
        std::vector<mode_t> modes;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code error;
            const std::string file = std::filesystem::read_symlink(entry.path(), error);
            struct stat status {};
            if (!error && file.starts_with(folder_ + "/") &&
                stat(entry.path().c_str(), &status) == 0) {
                modes.push_back(status.st_mode & 07777);
            }
        }
        return modes;
    }
};

TEST_F(SaveSafetyTest, NewContentsAreOpenToTheSaverAloneUntilComplete) {
    WriteBytes("old.txt", "old");
    ASSERT_EQ(chmod(Path("old.txt").c_str(), 0644), 0);
    const mode_t previous = umask(022);
    for (const char* name : {"old.txt", "new.txt"}) {
        ReplacementFile file(Path(name));
        file.Write("secret");
        const std::vector<mode_t> modes = OpenFileModes();
        ASSERT_EQ(modes.size(), 1u) << name;
        EXPECT_EQ(modes[0] & 077, 0u) << name;
        for (const std::string& entry : Entries()) {
            EXPECT_TRUE(entry == "old.txt" || (PermissionBits(Path(entry)) & 077) == 0) << entry;
        }
        file.Commit();
        EXPECT_EQ(PermissionBits(Path(name)), 0644u) << name;
        EXPECT_EQ(ReadBytes(name), "secret");
    }
    umask(previous);
}

// The kernel clears these bits when a process without CAP_FSETID writes; the suite runs this
// case again as an unprivileged user.
TEST_F(SaveSafetyTest, SetIdBitsAreKept) {
    for (const mode_t mode : {04755, 02755, 06755}) {
        WriteBytes("tool", "old");
        ASSERT_EQ(chmod(Path("tool").c_str(), mode), 0);
        WriteUtf8Text(Path16("tool"), u"a\n");
        EXPECT_EQ(g_nError, 0);
        EXPECT_EQ(PermissionBits(Path("tool")), mode);
        EXPECT_EQ(ReadBytes("tool"), "\xEF\xBB\xBF"
                                     "a\r\n");
    }
}

// Two ways for a save to run out of room halfway: a full disk, and the file-size limit, whose
// signal would end the process unless the writer holds it back. Each runs in a child process,
// which sets the limit up for itself alone; false means it cannot.
struct RoomLimit {
    const char* name;
    bool (*impose)(const std::string& folder);
    friend void PrintTo(const RoomLimit& limit, std::ostream* out) { *out << limit.name; }
};

const RoomLimit kRoomLimits[] = {
    {"FullDisk",
     [](const std::string& folder) {
         // A 64 KiB file system over the test's folder, seen by this process alone.
         return unshare(CLONE_NEWNS) == 0 &&
                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") == 0;
     }},
    {"FileSizeLimit",
     [](const std::string&) {
         const rlimit limit{64 * 1024, RLIM_INFINITY};
         return setrlimit(RLIMIT_FSIZE, &limit) == 0;
     }},
};

class OutOfRoomTest : public SaveSafetyTest, public ::testing::WithParamInterface<RoomLimit> {};

TEST_P(OutOfRoomTest, SaveFailsAndLeavesTheTargetAsItWas) {
    constexpr int kCannotLimit = 77;
    const int status = InChild([&] {
        if (!GetParam().impose(folder_))
            return kCannotLimit;
        WriteBytes("out.txt", "old");
        // On a thread of its own, as a save may run off the window's thread.
        FileResult result;
        std::thread([&] {
            WriteUtf8Text(Path16("out.txt"), std::u16string(1 << 20, u'x'));
            result = WriteTextFile(Path16("out.txt"), kEncodingChoices[kUtf16LEChoice],
                                   std::u16string(1 << 20, u'x'));
        }).join();
        sigset_t pending;
        sigpending(&pending);
        const bool untouched =
            ReadBytes("out.txt") == "old" && Entries() == std::vector<std::string>{"out.txt"};
        return g_nError == 1 && result.failure == FileFailure::kDiskFull && untouched &&
                       sigismember(&pending, SIGXFSZ) == 0
                   ? 0
                   : 1;
    });
    if (WIFEXITED(status) && WEXITSTATUS(status) == kCannotLimit) {
        GTEST_SKIP() << "this process cannot set up the limit";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
}

INSTANTIATE_TEST_SUITE_P(Limits, OutOfRoomTest, ::testing::ValuesIn(kRoomLimits),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaveSafetyTest, KilledSaveLeavesOnlyTheTarget) {
    const int probe = open(folder_.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0) {
        GTEST_SKIP() << "the file system has no unnamed files: " << std::strerror(errno);
    }
    close(probe);
    WriteBytes("out.txt", "old");
    const int status = InChild([&] {
        ReplacementFile file(Path("out.txt"));
        file.Write(std::string(1 << 20, 'x'));
        raise(SIGKILL); // halfway through the save
        return 0;
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(ReadBytes("out.txt"), "old");
    EXPECT_EQ(Entries(), std::vector<std::string>{"out.txt"});
}

} // namespace
