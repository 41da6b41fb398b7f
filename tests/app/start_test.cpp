#include "app/start.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace app {
namespace {

struct TArgs {
    explicit TArgs(std::vector<std::string> words) : Words(std::move(words))
    {
        Words.insert(Words.begin(), "fenban");
        for (auto& w : Words)
            Argv.push_back(w.data());
    }
    int Argc() { return static_cast<int>(Argv.size()); }
    std::vector<std::string> Words;
    std::vector<char*> Argv;
};

TEST(Start, TheWindowOrACommand)
{
    struct Case {
        std::vector<std::string> words;
        bool window;
    };
    const Case cases[] = {
        {{}, true},
        {{"edit"}, true},
        {{"edit", "名单.xlf"}, true},
        {{"名单.csv"}, true},
        {{"/tmp/Roster.XLSX"}, true},
        {{"old.xls"}, true},
        {{"divide", "a.csv"}, false},
        {{"check", "a.csv"}, false},
        {{"convert", "a.csv", "b.xlf"}, false},
        {{"--help"}, false},
        {{"shuffle"}, false},
        {{"notes.txt"}, false},
        {{"--x.csv"}, false},
    };
    for (const Case& c : cases) {
        TArgs args(c.words);
        EXPECT_EQ(WantsWindow(args.Argc(), args.Argv.data()), c.window) << (c.words.empty() ? "" : c.words[0]);
    }
}

TEST(Start, TheWindowIsNotBuiltYet)
{
    for (std::vector<std::string> words : {std::vector<std::string>{}, {"edit"}, {"名单.csv"}}) {
        TArgs args(words);
        std::ostringstream out, err;
        EXPECT_EQ(app::Run(args.Argc(), args.Argv.data(), out, err), 2);
        EXPECT_EQ(out.str(), "");
        EXPECT_NE(err.str().find("桌面窗口尚未构建"), std::string::npos);
        EXPECT_NE(err.str().find("the desktop window is not built yet"), std::string::npos);
    }
    TArgs help({"--help"});
    std::ostringstream out, err;
    EXPECT_EQ(app::Run(help.Argc(), help.Argv.data(), out, err), 0);
    EXPECT_NE(out.str().find("divide ROSTER"), std::string::npos);
    EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace app
