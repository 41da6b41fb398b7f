#include "xlgrid/atomicfile.h"
#include "testutil/fulldisk.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace xlgrid {
namespace {

namespace fs = std::filesystem;

class AtomicFile : public testing::Test {
protected:
    void SetUp() override
    {
        std::string dir = testing::TempDir() + "atomicfile_XXXXXX";
        ASSERT_NE(::mkdtemp(dir.data()), nullptr);
        m_dir = dir;
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string File(const std::string& name) const { return (m_dir / name).string(); }
    std::vector<std::string> Entries() const { return testutil::FolderEntries(m_dir); }
    fs::path m_dir;
};

TEST_F(AtomicFile, NothingAppearsBeforeTheCommitAndNothingIsLeftWithout)
{
    WriteFileAtomic(File("a.txt"), "old");
    {
        TXLAtomicFile file(File("a.txt"));
        file.Write("new");
        file.Finish();
        EXPECT_EQ(ReadWholeFile(File("a.txt"), 100), "old");
    }
    EXPECT_EQ(ReadWholeFile(File("a.txt"), 100), "old");
    EXPECT_EQ(Entries(), std::vector<std::string>{"a.txt"});
    TXLAtomicFile file(File("a.txt"));
    file.Write("new");
    file.Commit();
    EXPECT_EQ(ReadWholeFile(File("a.txt"), 100), "new");
    EXPECT_EQ(Entries(), std::vector<std::string>{"a.txt"});
}

// Libraries that write to a file name (the workbook and PDF writers) write
// to the temporary file's path.
TEST_F(AtomicFile, ALibraryWritesThroughTheTemporaryPath)
{
    TXLAtomicFile file(File("book.xlsx"));
    {
        std::ofstream out(file.TempPath(), std::ios::binary | std::ios::trunc);
        out << "written by name";
    }
    EXPECT_FALSE(fs::exists(File("book.xlsx")));
    file.Commit();
    EXPECT_EQ(ReadWholeFile(File("book.xlsx"), 100), "written by name");
    EXPECT_EQ(Entries(), std::vector<std::string>{"book.xlsx"});
}

TEST_F(AtomicFile, ASetAppearsTogether)
{
    WriteFileAtomic(File("1.csv"), "old 1");
    {
        std::vector<TXLAtomicFile> set;
        for (const char* name : {"1.csv", "2.csv", "3.csv"}) {
            set.emplace_back(File(name)).Write(std::string("new ") + name);
            set.back().Finish();
        }
        set[1].Park();  // waits under a hidden name, its descriptor closed
        EXPECT_EQ(ReadWholeFile(File("1.csv"), 100), "old 1");
        EXPECT_FALSE(fs::exists(File("2.csv")));
    }
    // Abandoned: the parked file went too.
    EXPECT_EQ(Entries(), std::vector<std::string>{"1.csv"});
    std::vector<TXLAtomicFile> set;
    for (const char* name : {"1.csv", "2.csv", "3.csv"})
        set.emplace_back(File(name)).Write(std::string("new ") + name);
    set[2].Park();
    CommitAll(set);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"1.csv", "2.csv", "3.csv"}));
    for (const char* name : {"1.csv", "2.csv", "3.csv"})
        EXPECT_EQ(ReadWholeFile(File(name), 100), std::string("new ") + name);
}

// The temporary names do not grow with the target's: a name of the 255
// bytes a folder holds is saved, also when it waits under a hidden name.
TEST_F(AtomicFile, TheLongestNameIsSaved)
{
    const std::string name = std::string(251, 'n') + ".csv";
    WriteFileAtomic(File(name), "old");
    std::vector<TXLAtomicFile> set;
    set.emplace_back(File(name)).Write("new");
    set.back().Park();
    EXPECT_EQ(Entries().size(), 2u);
    CommitAll(set);
    EXPECT_EQ(Entries(), std::vector<std::string>{name});
    EXPECT_EQ(ReadWholeFile(File(name), 100), "new");
}

TEST_F(AtomicFile, AFolderIsNotReplaced)
{
    fs::create_directories(m_dir / "book.xlsx");
    try {
        TXLAtomicFile file(File("book.xlsx"));
        FAIL() << "no error";
    } catch (const EXLFileError& e) {
        EXPECT_EQ(e.Reason(), "it is a folder, not a file");
        EXPECT_EQ(e.Path(), File("book.xlsx"));
    }
    EXPECT_TRUE(fs::is_directory(m_dir / "book.xlsx"));
    EXPECT_EQ(Entries(), std::vector<std::string>{"book.xlsx"});
}

TEST_F(AtomicFile, KilledHalfWayLeavesTheOldFileAndNothingElse)
{
    WriteFileAtomic(File("a.xlf"), "old");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::string data(100000, 'x');
        WriteFileAtomic(File("a.xlf"), data, [](size_t, size_t) { ::kill(::getpid(), SIGKILL); }, 1024);
        ::_exit(3);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(ReadWholeFile(File("a.xlf"), 100), "old");
    EXPECT_EQ(Entries(), std::vector<std::string>{"a.xlf"});
}

TEST_F(AtomicFile, FullDiskKeepsTheOldFile)
{
    WriteFileAtomic(File("a.txt"), "old");
    const testutil::TSaveOutcome outcome =
        testutil::SaveOnFullDisk([&]() { WriteFileAtomic(File("a.txt"), std::string(5000, 'x')); }, 1000);
    EXPECT_TRUE(outcome.Exited);
    EXPECT_TRUE(outcome.Failed);
    EXPECT_EQ(outcome.Message, "Cannot write \"" + File("a.txt") + "\": File too large");
    EXPECT_EQ(ReadWholeFile(File("a.txt"), 100), "old");
    EXPECT_EQ(Entries(), std::vector<std::string>{"a.txt"});
}

TEST_F(AtomicFile, RefusalsKeepTheirParts)
{
    struct Case {
        const char* name;
        std::string path;
        std::function<void()> act;
        const char* action;
        std::string reason;
    };
    const std::string missing = File("missing.txt"), folder = m_dir.string(), noFolder = File("no/a.txt");
    WriteFileAtomic(File("big.txt"), std::string(20, 'x'));
    const Case cases[] = {
        {"missing", missing, [&]() { ReadWholeFile(missing, 10); }, "open", "No such file or directory"},
        {"folder", folder, [&]() { ReadWholeFile(folder, 10); }, "open", "it is a folder, not a file"},
        {"too large", File("big.txt"), [&]() { ReadWholeFile(File("big.txt"), 10); }, "open",
         "the file is larger than 10 bytes"},
        {"no folder", noFolder, [&]() { WriteFileAtomic(noFolder, "x"); }, "save",
         "no temporary file can be made in its folder: No such file or directory"},
    };
    for (const Case& c : cases) {
        try {
            c.act();
            ADD_FAILURE() << c.name;
        } catch (const EXLFileError& e) {
            EXPECT_EQ(e.Path(), c.path) << c.name;
            EXPECT_EQ(e.Action(), c.action) << c.name;
            EXPECT_EQ(e.Reason(), c.reason) << c.name;
            EXPECT_EQ(std::string(e.what()), "Cannot " + std::string(c.action) + " \"" + c.path + "\": " + c.reason);
        }
    }
    EXPECT_THROW(WriteFileAtomic("", "x"), EXLFileError);
}

// A FIFO without a writer would block a plain open() forever, and a pipe or
// device has no size to bound: each is refused before anything is read
// (a FIFO test that hangs here is the fault coming back).
TEST_F(AtomicFile, RefusesWhatIsNotARegularFileWithoutBlocking)
{
    const std::string fifo = File("roster.csv");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_EQ(::write(fds[1], "a,b\n", 4), 4);
    struct Case {
        const char* name;
        std::string path;
        const char* reason;
    };
    const Case cases[] = {
        {"fifo without a writer", fifo, "it is a pipe, not a file"},
        {"pipe with data", "/proc/self/fd/" + std::to_string(fds[0]), "it is a pipe, not a file"},
        {"character device", "/dev/null", "it is a device or socket, not a file"},
    };
    for (const Case& c : cases) {
        try {
            ReadWholeFile(c.path, 100);
            ADD_FAILURE() << c.name;
        } catch (const EXLFileError& e) {
            EXPECT_EQ(e.Action(), "open") << c.name;
            EXPECT_EQ(e.Reason(), c.reason) << c.name;
        }
    }
    ::close(fds[0]);
    ::close(fds[1]);
    // A regular file reached through a descriptor (as /dev/stdin redirected
    // from a file is) still reads.
    WriteFileAtomic(File("real.csv"), "x,y\n");
    const int fd = ::open(File("real.csv").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReadWholeFile("/proc/self/fd/" + std::to_string(fd), 100), "x,y\n");
    ::close(fd);
}

}  // namespace
}  // namespace xlgrid
