#include "cli/commands.h"
#include "xlgrid/sheet.h"
#include "xlio/sheetfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace cli {
namespace {

namespace fs = std::filesystem;

// A stream whose writes all fail, as on a full disk.
class TFullBuffer : public std::streambuf {
protected:
    int_type overflow(int_type) override
    {
        errno = ENOSPC;
        return traits_type::eof();
    }
    std::streamsize xsputn(const char*, std::streamsize) override
    {
        errno = ENOSPC;
        return 0;
    }
};

struct TRun {
    int Code = -1;
    std::string Out, Err;
};

// Runs the command line with a settings file of the test's own.
TRun RunWords(std::vector<std::string> words, bool outFull = false, bool errFull = false)
{
    const fs::path settings = fs::temp_directory_path() / ("cli-tests-" + std::to_string(::getpid()) + ".ini");
    std::ofstream(settings).close();
    if (!words.empty() && (words[0] == "divide" || words[0] == "check"))
        words.insert(words.begin() + 1, {"--config", settings.string()});
    std::vector<std::string> storage = {"fenban"};
    storage.insert(storage.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (auto& w : storage)
        argv.push_back(w.data());
    std::ostringstream out, err;
    TFullBuffer full;
    std::ostream fullOut(&full), fullErr(&full);
    TRun r;
    r.Code = RunCommandLine(static_cast<int>(argv.size()), argv.data(), outFull ? fullOut : out,
                            errFull ? fullErr : err);
    r.Out = out.str();
    r.Err = err.str();
    fs::remove(settings);
    return r;
}

const std::string Roster = std::string(FENBAN_TEST_DATA) + "/cli/roster-small.csv";
const std::string BadRoster = std::string(FENBAN_TEST_DATA) + "/cli/roster-bad.csv";

// A failed write to either stream is never a success; a message says so
// when stderr can still carry it.
TEST(CommandLine, AFailedWriteIsExitCodeTwo)
{
    struct Case {
        const char* name;
        std::vector<std::string> words;
        bool outFull, errFull;
        int code;
        std::string err;  // the start of stderr
    };
    const Case cases[] = {
        {"divide", {"divide", Roster}, false, false, 0, ""},
        {"divide, stdout full", {"divide", Roster}, true, false, 2,
         "fenban divide: cannot write the overview to standard output"},
        {"help, stdout full", {"--help"}, true, false, 2,
         "fenban: cannot write to standard output"},
        {"check help, stdout full", {"check", "--help"}, true, false, 2,
         "fenban check: cannot write to standard output"},
        {"check, nothing to write", {"check", Roster}, true, false, 0, ""},
        {"check fails, stderr full", {"check", BadRoster}, false, true, 2, ""},
        {"usage, stderr full", {"divide", "--colour"}, false, true, 2, ""},
        {"divide, stderr full but nothing to say", {"divide", Roster}, false, true, 0, ""},
    };
    for (const Case& c : cases) {
        const TRun r = RunWords(c.words, c.outFull, c.errFull);
        EXPECT_EQ(r.Code, c.code) << c.name;
        EXPECT_EQ(r.Err.substr(0, c.err.size()), c.err) << c.name;
        if (c.err.empty() && c.code == 0) {
            EXPECT_EQ(r.Err, "") << c.name;
        }
        if (!c.outFull && c.code == 0 && c.words[0] == "divide") {
            EXPECT_EQ(r.Out.rfind("班别\t总人数", 0), 0u) << c.name;
        }
    }
}

// A small sheet file that asks for millions of pages is refused before a
// page is written, in one line naming the file; a roster's PDF has its caption
// as the heading.
TEST(CommandLine, ConvertToPdfIsBounded)
{
    const fs::path dir = fs::temp_directory_path() / ("cli-pdf-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    xlgrid::TXLSheet huge;
    huge.SetColCount(1 << 20);
    huge.SetRowCount(1 << 20);
    huge.SetText(0, 0, "很大");
    const std::string sheetFile = (dir / "huge.xlf").string(), pdf = (dir / "huge.pdf").string();
    xlio::SaveSheet(huge, sheetFile);
    EXPECT_LT(fs::file_size(sheetFile), 8000u);
    TRun r = RunWords({"convert", sheetFile, pdf});
    EXPECT_EQ(r.Code, 2);
    EXPECT_EQ(r.Err.rfind("fenban convert: cannot write " + pdf + ": The sheet would print on ", 0), 0u) << r.Err;
    EXPECT_NE(r.Err.find("more than the 50000 one print job may have\n"), std::string::npos) << r.Err;
    EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
    EXPECT_FALSE(fs::exists(pdf));
    fs::remove_all(dir);
}

TEST(CommandLine, UnknownAndMissingCommands)
{
    TRun r = RunWords({"shuffle"});
    EXPECT_EQ(r.Code, 2);
    EXPECT_EQ(r.Err.rfind("fenban: unknown command shuffle\n", 0), 0u);
    r = RunWords({});
    EXPECT_EQ(r.Code, 2);
    EXPECT_EQ(r.Err.rfind("fenban: no command given\n", 0), 0u);
}

// Rosters saved by spreadsheet programs in other text forms divide exactly
// as the comma-separated original does.
TEST(CommandLine, OtherTextFormsOfARosterDivideAlike)
{
    const TRun original = RunWords({"divide", Roster, "--classes", "3", "--student-id"});
    ASSERT_EQ(original.Code, 0) << original.Err;
    for (const char* file : {"roster-utf16le-tabs.csv", "roster-utf16be-tabs.csv", "roster-utf8-tabs.csv",
                             "roster-gb18030-semicolons.csv"}) {
        const TRun r = RunWords({"divide", std::string(FENBAN_TEST_DATA) + "/text/" + file, "--classes", "3",
                                 "--student-id"});
        EXPECT_EQ(r.Code, 0) << file << ": " << r.Err;
        EXPECT_EQ(r.Out, original.Out) << file;
    }
}

// A FIFO named as roster or settings file is refused at once instead of
// waiting for a writer that never comes.
TEST(CommandLine, AFifoIsRefusedWithoutWaiting)
{
    const fs::path dir = fs::temp_directory_path() / ("cli-fifo-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string fifo = (dir / "roster.csv").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    TRun r = RunWords({"check", fifo});
    EXPECT_EQ(r.Code, 2);
    EXPECT_EQ(r.Err, "fenban check: " + fifo + ": cannot open: it is a pipe, not a file\n");
    const std::string ini = (dir / "Config.ini").string();
    ASSERT_EQ(::mkfifo(ini.c_str(), 0600), 0);
    std::vector<std::string> words = {"fenban", "check", Roster, "--config", ini};
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    std::ostringstream out, err;
    EXPECT_EQ(RunCommandLine(static_cast<int>(argv.size()), argv.data(), out, err), 2);
    EXPECT_NE(err.str().find("it is a pipe, not a file"), std::string::npos) << err.str();
    fs::remove_all(dir);
}

}  // namespace
}  // namespace cli
