// tarvenne-cli: hands the arguments to the command table and returns its exit status.
#include "cli/commands.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const int status = tarvenne::cli::RunCli(args, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
