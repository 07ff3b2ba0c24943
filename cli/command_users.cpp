// tarvenne-cli users: the Palm Desktop users as the options page lists them, with the ids
// that @user:ID takes.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/conversion_setup.h"
#include "cli/output_format.h"
#include "palminstall/palm_desktop_libraries.h"
#include "palminstall/palm_desktop_locator.h"

#include <string>

namespace tarvenne::cli {

int RunUsers(const std::vector<std::string>& args, CommandIo& io) {
    ArgumentSpec accepted;
    accepted.valued = {"--format"};
    const ParsedArguments parsed = ParseArguments(args, accepted);
    const std::string format = parsed.Value("--format", "text");
    std::string usage_error = parsed.error;
    if (usage_error.empty() && format != "text" && format != "json")
        usage_error = "unknown format \"" + format + "\" (text or json)";
    if (!usage_error.empty()) {
        io.err << "tarvenne-cli users: " << usage_error
               << "\nusage: tarvenne-cli users [--format text|json]\n";
        return kExitUsage;
    }

    UserLibraryScope user_library;
    ContactList<PalmUserEntry> users;
    ListUsers(&users, nullptr, -1);
    // No library means no users can be seen; that is reported, but it is not a failure
    // of the listing: the list is simply empty.
    if (!BoundUserDataEntryPoints().UmGetUserCount)
        io.err << "tarvenne-cli users: Palm Desktop's user library (UserData.dll) was not "
                  "found, so no users are listed\n";

    if (format == "json") {
        JsonWriter j(io.out);
        j.BeginObject();
        j.Key("users");
        j.BeginArray();
        for (PalmUserEntry* u = users.First(); u; u = users.Next()) {
            j.BeginObject();
            j.Key("id"); j.Int(u->user_id);
            j.Key("name"); j.Text(u->name);
            j.Key("directory"); j.String(SystemTextToUtf8(u->directory));
            j.EndObject();
        }
        j.EndArray();
        j.EndObject();
        j.Finish();
    } else {
        for (PalmUserEntry* u = users.First(); u; u = users.Next()) {
            io.out << "@user:" << u->user_id << "  " << Windows1252ToUtf8(u->name);
            if (!u->directory.empty()) io.out << "  (" << SystemTextToUtf8(u->directory) << ")";
            io.out << "\n";
        }
    }
    users.Clear(true);
    io.out.flush();
    return kExitDone;
}

}  // namespace tarvenne::cli
