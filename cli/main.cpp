// tarvenne-cli: hands the arguments to the command table and returns its exit status.
#include "cli/commands.h"

#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#else
#include <csignal>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // The output is UTF-8 bytes with the line ends the formats chose (CSV rows end in
    // CR LF already); text mode would add a CR before every LF.
    _setmode(_fileno(stdout), _O_BINARY);
#else
    // A reader that went away (a closed pipe) is output that could not be written, which the
    // tool reports with its status, as Windows does; the signal would end it without a word,
    // after a save even.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    // Reports of large books run to millions of small writes; the streams need not wait
    // for C's stdio, which the tool does not use.
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    const int status = tarvenne::cli::RunCli(args, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
