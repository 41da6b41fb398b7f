#include "app/start.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    return app::Run(argc, argv, std::cout, std::cerr);
}
