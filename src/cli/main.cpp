#include "cli/commands.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    int code = cli::RunCommandLine(argc, argv, std::cout, std::cerr);
    std::cout.flush();
    return code;
}
