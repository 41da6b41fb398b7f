#include "workbooktest.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace xlio::test {

bool HaveOpenpyxl()
{
    return std::system("/usr/bin/python3 -c 'import openpyxl' >/dev/null 2>&1") == 0;
}

namespace {

std::set<std::string> ScriptLines(const char* script, const std::string& path)
{
    const std::string command = std::string("/usr/bin/python3 " FENBAN_TEST_DATA "/") + script + " '" + path + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::set<std::string> facts;
    if (!pipe)
        return facts;
    std::string line;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe.get())) {
        line += buffer;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            facts.insert(line);
            line.clear();
        }
    }
    return facts;
}

}  // namespace

std::set<std::string> WorkbookFacts(const std::string& path)
{
    return ScriptLines("dump-workbook.py", path);
}

std::set<std::string> WorkbookTexts(const std::string& path)
{
    return ScriptLines("dump-texts.py", path);
}

}  // namespace xlio::test
