// What diff and convert share: reading SOURCE, TARGET and --custom from the command line,
// and opening the target and the address book in the order the wizard's options page
// does, up to the marking of every contact against the target.
#pragma once

#include "cli/arguments.h"
#include "cli/commands.h"
#include "engine/conversion_job.h"
#include "wab/property_mapping.h"
#include "wab/wab_loader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvenne::cli {

// A TARGET of the command line.
struct TargetArgument {
    bool for_user = false;
    std::int32_t user_id = 0;  // with for_user
    std::string path;          // without for_user
};

// False, with the reason, for a text that is neither a path nor @user:ID.
bool ParseTargetArgument(const std::string& text, TargetArgument* target, std::string* why);

// "1=Comment" or "1=0x3004001E" into map[0]; every value must name a text property the
// address book's contacts carry. False, with the reason, otherwise. Later values for the
// same field replace earlier ones.
bool ParseCustomMappings(const std::vector<std::string>& values, wab::CustomFieldMap* map,
                         std::string* why);

// "classic" or "palmsg".
const char* LayoutName(std::int32_t loaded_layout);
// "new", "changed" or "unchanged".
const char* StatusName(std::int32_t difference_status);

// The opened target and the marked address book. The job is created with the version
// given, or, when none is, the installed Palm Desktop's; without an installation with
// the version that writes the layout the target was read in.
struct OpenedConversion {
    std::unique_ptr<ConversionJob> job;
    std::unique_ptr<wab::WabLoader> loader;
    std::string source_label;  // SOURCE as given
    std::string target_path;   // the contacts file that was opened
};

struct OpenRequest {
    std::string source;  // a file or "@current"
    TargetArgument target;
    std::string target_text;  // TARGET as given, for messages
    bool swap_names = false;
    bool version_given = false;
    std::uint32_t desktop_version = 0;
    // The custom fields take part in marking: a contact is unchanged only when converting
    // it, custom fields included, changes nothing.
    wab::CustomFieldMap custom{};
};

// SOURCE, TARGET, --swap-names and --custom of diff and convert into *request and *custom;
// false, with the reason in *why, for a target or a mapping that does not parse.
bool ParseOpenRequest(const ParsedArguments& parsed, OpenRequest* request,
                      wab::CustomFieldMap* custom, std::string* why);

// Probes a path target, sets the name order, opens the target, loads the address book
// and marks its contacts. On failure returns kExitUnreadable with the message in *why.
int OpenConversion(const OpenRequest& request, OpenedConversion* opened, std::string* why);

// One line for standard error when the address book holds characters the text code page
// has no letter for: how many, and the --codepage that would keep most of them when one
// would; empty when there are none.
std::string UnmappedAdvice(const wab::WabLoader& loader);

// Binds Palm Desktop's user library for as long as it lives (for @user:ID targets and
// the user list); unbinds it again at the end.
class UserLibraryScope {
public:
    UserLibraryScope();
    ~UserLibraryScope();
    UserLibraryScope(const UserLibraryScope&) = delete;
    UserLibraryScope& operator=(const UserLibraryScope&) = delete;
    bool Loaded() const { return loaded_; }

private:
    bool loaded_;
};

}  // namespace tarvenne::cli
