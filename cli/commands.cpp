// The command table and the dispatch of tarvenne-cli.
#include "cli/commands.h"

#include "version.h"

namespace tarvenne::cli {

const std::vector<Command>& Commands() {
    static const std::vector<Command> table = {
        {"dump", "dump TARGET [--swap-names] [--codepage N] [--format text|json|csv]", RunDump},
        {"diff",
         "diff SOURCE TARGET [--swap-names] [--custom N=PROPERTY]... [--codepage N]\n"
         "                       [--format text|json]",
         RunDiff},
        {"convert",
         "convert SOURCE TARGET [--swap-names] [--custom N=PROPERTY]...\n"
         "                       [--select differing|all] [--desktop-version N] [--dry-run]\n"
         "                       [--ignore-running] [--codepage N] [--format text|json]",
         RunConvert},
        {"users", "users [--format text|json]", RunUsers},
        {"export",
         "export TARGET [--vcard 3.0|4.0] [--codepage N] [--swap-names] [--output FILE]\n"
         "                      [--include-deleted]",
         RunExport},
    };
    return table;
}

namespace {
void PrintUsage(std::ostream& to) {
    to << "usage:\n";
    for (const Command& c : Commands()) to << "  tarvenne-cli " << c.usage << "\n";
    to << "  tarvenne-cli version (or --version)\n";
    to << "TARGET is a contacts file (address.dat) or @user:ID for a Palm Desktop user's file.\n"
       << "--codepage N is the Windows code page of the file's texts (874, 932, 936, 949, 950,\n"
       << "1250 to 1258; default: the system's, 1252 outside Windows).\n"
       << "A contact is new when no record is the same person, changed when converting it\n"
       << "would change that person's record, and unchanged when it would change nothing.\n";
}
}  // namespace

namespace {

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        PrintUsage(err);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintUsage(out);
        return kExitDone;
    }
    if (args[0] == "--version" || args[0] == "version") {
        if (args.size() > 1) {
            err << "tarvenne-cli version: unexpected argument \"" << args[1] << "\"\n";
            return kExitUsage;
        }
        out << "tarvenne-cli " << TARVENNE_VERSION_TEXT << "\n";
        return kExitDone;
    }
    CommandIo io{out, err};
    for (const Command& c : Commands()) {
        if (args[0] == c.name) return c.run(std::vector<std::string>(args.begin() + 1, args.end()), io);
    }
    err << "tarvenne-cli: unknown command \"" << args[0] << "\"\n";
    PrintUsage(err);
    return kExitUsage;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const int status = RunCommand(args, out, err);
    // A command that failed has said why already (convert also when its report is lost).
    if (out.flush() || status != kExitDone) return status;
    err << "tarvenne-cli" << (args.empty() ? "" : " " + args[0]) << ": the output could not be written\n";
    return kExitNotWritten;
}

}  // namespace tarvenne::cli
