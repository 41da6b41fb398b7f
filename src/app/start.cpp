#include "app/start.h"

#include "app/appglobal.h"
#include "app/editor.h"

#include "cli/commands.h"
#include "xlio/sheetfiles.h"

#include <csignal>
#include <ostream>
#include <string>

namespace app {

bool WantsWindow(int argc, char** argv)
{
    if (argc < 2)
        return true;
    const std::string first = argv[1];
    if (first == "edit")
        return true;
    // A roster to open: a file name of a kind the window reads.
    const std::string ext = xlio::LowerExtension(first);
    return first[0] != '-' && (ext == ".csv" || ext == ".xlsx" || ext == ".xls" || ext == ".xlf");
}

int Run(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    // A file growing past the size limit then fails to write (EFBIG) and is
    // reported like any other failed write, instead of killing the process
    // with its temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    if (!WantsWindow(argc, argv))
        return cli::RunCommandLine(argc, argv, out, err);
    if (std::string(argv[1] ? argv[1] : "") == "edit")
        return RunEditor(argc, argv, err);
    out.flush();
    return RunDesktop(argc, argv);
}

}  // namespace app
