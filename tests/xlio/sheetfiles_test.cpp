#include "xlio/fileerror.h"
#include "xlio/resultworkbook.h"
#include "xlio/sheetfiles.h"
#include "testutil/fulldisk.h"
#include "ziptestutil.h"

#include "xlgrid/atomicfile.h"
#include "xlgrid/encoding.h"
#include "xlgrid/sheet.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace xlio {
namespace {

namespace fs = std::filesystem;
using xlgrid::TXLSheet;

const std::string Data = FENBAN_TEST_DATA;

Table Texts(const TXLSheet& sheet) { return ClientTexts(sheet, "sheet"); }

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// A fresh folder of its own.
fs::path Folder(const std::string& name)
{
    const fs::path dir = test::TempPath(name);
    fs::create_directories(dir);
    return dir;
}

// One sheet through every format that keeps its texts: the roster read from
// CSV is written as .csv, .xlsx and .xlf and read back the same.
TEST(SheetFiles, EveryFormatGivesTheSameTexts)
{
    TXLSheet roster;
    LoadSheet(Data + "/cli/roster-utf8.csv", roster);
    EXPECT_EQ(roster.Title(), "roster-utf8");
    EXPECT_EQ(roster.TitleRows(), 1);
    EXPECT_EQ(roster.BaseTitleStyle().Color(), SheetTitleColor);
    const Table texts = Texts(roster);
    ASSERT_GT(texts.size(), 2u);
    const fs::path dir = Folder("formats");
    for (const char* ext : {".csv", ".xlsx", ".xlf", ".XLSX"}) {
        const std::string file = (dir / (std::string("copy") + ext)).string();
        SaveSheet(roster, file);
        TXLSheet back;
        LoadSheet(file, back);
        EXPECT_EQ(Texts(back), texts) << ext;
        const TLoadedRoster loaded = LoadRoster(file);
        EXPECT_EQ(loaded.ColCount, roster.ColCount()) << ext;
        EXPECT_EQ(static_cast<int>(loaded.Rows.size()), roster.RowCount()) << ext;
        EXPECT_EQ(loaded.Sheet != nullptr, LowerExtension(file) == ".xlf") << ext;
        EXPECT_EQ(Texts(*RosterSheet(loaded)), texts) << ext;
    }
    // The CSV is GB18030 with CR LF.
    const std::string bytes = test::ReadAll((dir / "copy.csv").string());
    EXPECT_NE(bytes.find("\r\n"), std::string::npos);
    EXPECT_EQ(xlgrid::Gb18030ToUtf8(bytes).rfind("\"" + texts[0][0] + "\"", 0), 0u);  // the caption holds a comma
    EXPECT_EQ(RosterSheet(LoadRoster(Data + "/cli/roster-utf8.csv"))->Title(), texts[0][0]);
}

// Every refusal names the file exactly once, and the sheet stays as it was.
TEST(SheetFiles, FailuresNameTheFileOnceAndChangeNothing)
{
    const fs::path dir = Folder("failures");
    const std::string folderAsFile = (dir / "folder.xlf").string();
    fs::create_directories(folderAsFile);
    struct Case {
        const char* name;
        std::string file;
        std::function<void(const std::string&, TXLSheet&)> act;
        std::string message;  // exact, or the part it must hold
        bool exact;
    };
    auto load = [](const std::string& f, TXLSheet& s) { LoadSheet(f, s); };
    auto roster = [](const std::string& f, TXLSheet&) { LoadRoster(f); };
    auto save = [](const std::string& f, TXLSheet& s) { SaveSheet(s, f); };
    const std::string missingCsv = (dir / "none.csv").string();
    const std::string missingXlf = (dir / "none.xlf").string();
    const std::string damaged = Data + "/cli/roster.xlf";
    const std::string unknown = (dir / "a.doc").string();
    const std::string noFolder = (dir / "no" / "a.xlf").string();
    const Case cases[] = {
        {"missing csv", missingCsv, load, missingCsv + ": cannot open: No such file or directory", true},
        {"missing xlf", missingXlf, roster,
         "cannot read the sheet file \"" + missingXlf + "\": cannot open: No such file or directory", true},
        {"damaged xlf", damaged, load,
         "cannot read the sheet file \"" + damaged + "\": Not a sheet stream: it does not begin with the signature TPF0",
         true},
        {"folder as xlf", folderAsFile, load, "folder", false},
        {"unknown input", unknown, load, "unknown file type of " + unknown + " (expected .csv, .xlsx, .xls or .xlf)",
         true},
        {"unknown output", unknown, save, "unknown file type of " + unknown + " (expected .csv, .xlsx or .xlf)", true},
        {"missing output folder", noFolder, save, "temporary file", false},
        {"missing csv folder", (dir / "no" / "a.csv").string(), save, "temporary file", false},
    };
    for (const Case& c : cases) {
        TXLSheet sheet;
        sheet.SetText(0, 0, "before");
        try {
            c.act(c.file, sheet);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const EFileError& e) {
            const std::string text = e.what();
            if (c.exact)
                EXPECT_EQ(text, c.message) << c.name;
            else
                EXPECT_NE(text.find(c.message), std::string::npos) << c.name << ": " << text;
            EXPECT_EQ(Count(text, c.file), 1u) << c.name << ": " << text;
            EXPECT_EQ(e.File(), c.file) << c.name;
        }
        EXPECT_EQ(sheet.FindCell(0, 0)->AsString(), "before") << c.name;
    }
    EXPECT_EQ(testutil::FolderEntries(dir), std::vector<std::string>{"folder.xlf"});
}

// A full disk while saving: the old file stays as it was and nothing else is
// left in the folder, for every format the sheet files write and for the
// result workbook.
TEST(SheetFiles, FullDiskKeepsTheOldFile)
{
    TXLSheet sheet;
    sheet.SetColCount(3);
    sheet.SetRowCount(400);
    for (int r = 0; r < 400; ++r)
        for (int c = 0; c < 3; ++c)
            sheet.SetText(c, r, "一段较长的文字 " + std::to_string(r * 3 + c));
    std::vector<TResultSheet> workbook = {{rkDataSource, "数据源", &sheet}, {rkGrade, "全年级", &sheet}};
    struct Case {
        const char* ext;
        std::function<void(const std::string&)> save;
    };
    const Case cases[] = {
        {".csv", [&](const std::string& f) { SaveSheet(sheet, f); }},
        {".xlsx", [&](const std::string& f) { SaveSheet(sheet, f); }},
        {".xlf", [&](const std::string& f) { SaveSheet(sheet, f); }},
        {".xlsx", [&](const std::string& f) { WriteResultWorkbook(f, workbook); }},
    };
    for (const Case& c : cases) {
        const fs::path dir = Folder("full");
        const std::string file = (dir / (std::string("old") + c.ext)).string();
        test::WriteAll(file, "the old contents");
        const testutil::TSaveOutcome outcome = testutil::SaveOnFullDisk([&]() { c.save(file); }, 4000);
        EXPECT_TRUE(outcome.Exited) << c.ext;
        EXPECT_TRUE(outcome.Failed) << c.ext;
        EXPECT_EQ(Count(outcome.Message, file), 1u) << c.ext << ": " << outcome.Message;
        EXPECT_EQ(test::ReadAll(file), "the old contents") << c.ext;
        EXPECT_EQ(testutil::FolderEntries(dir), std::vector<std::string>{fs::path(file).filename().string()}) << c.ext;
    }
}

TEST(SheetFiles, LowerExtension)
{
    EXPECT_EQ(LowerExtension("a/Roster.XLSX"), ".xlsx");
    EXPECT_EQ(LowerExtension("名单.Csv"), ".csv");
    EXPECT_EQ(LowerExtension("noext"), "");
}

}  // namespace
}  // namespace xlio
