// The commands of tarvenne-cli: one table, one entry per command, each command in its own
// file (command_dump.cpp, ...). A new command is a new file and a new row in commands.cpp.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tarvenne::cli {

// Exit status of the tool.
enum ExitCode : int {
    kExitDone = 0,
    kExitNotWritten = 1,  // the conversion ran but the file was not written
    kExitUsage = 2,
    kExitUnreadable = 3,  // the source or the target could not be read
    kExitReportLost = 4,  // convert: the file was saved, but its report could not be written
};

// Everything a command may touch: its arguments (after the command name) and the two
// output streams. Commands write results to out and messages to err, and return an ExitCode.
struct CommandIo {
    std::ostream& out;
    std::ostream& err;
};

struct Command {
    const char* name;
    const char* usage;  // the synopsis line, without "tarvenne-cli "
    int (*run)(const std::vector<std::string>& args, CommandIo& io);
};

const std::vector<Command>& Commands();

// The whole tool: args are argv[1..]. Prints the usage for no or unknown commands. Output
// that cannot be written (a full disk, a reader that went away) fails a command that
// succeeded otherwise: a message on err and kExitNotWritten.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

int RunDump(const std::vector<std::string>& args, CommandIo& io);
int RunDiff(const std::vector<std::string>& args, CommandIo& io);
int RunConvert(const std::vector<std::string>& args, CommandIo& io);
int RunUsers(const std::vector<std::string>& args, CommandIo& io);
int RunExport(const std::vector<std::string>& args, CommandIo& io);

}  // namespace tarvenne::cli
