// Opening a conversion from the command line: the options page's checks and loads,
// without its windows.
#include "cli/conversion_setup.h"

#include "engine/bounded_text.h"
#include "palminstall/palm_desktop_libraries.h"
#include "palminstall/palm_desktop_locator.h"
#include "platform/file_system.h"
#include "vcard/vcard_reader.h"
#include "wab/property_table.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace tarvenne::cli {
namespace {

constexpr const char* kCurrentSource = "@current";
constexpr std::uint32_t kClassicWriterVersion = DesktopVersionThreshold - 1;  // 4.1.1

// A whole decimal number from lowest to highest, as a user types it: digits, leading zeros
// allowed (010 is ten, not an octal eight), a minus sign only where lowest is below 0.
bool ParseDecimal(const std::string& text, std::int64_t lowest, std::int64_t highest, std::int64_t* value) {
    const bool negative = !text.empty() && text[0] == '-' && lowest < 0;
    std::string digits = text.substr(negative ? 1 : 0);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return false;
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    if (digits.size() > 12) return false;  // past every range asked for, and short of overflow
    const std::int64_t v = std::stoll(digits);
    *value = negative ? -v : v;
    return *value >= lowest && *value <= highest;
}

// A 0x-hex number that fits 32 bits (a property tag).
bool ParseHex(const std::string& text, std::uint32_t* value) {
    if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X') ||
        text.find_first_not_of("0123456789abcdefABCDEF", 2) != std::string::npos)
        return false;
    *value = static_cast<std::uint32_t>(std::strtoul(text.c_str() + 2, nullptr, 16));
    return true;
}

}  // namespace

bool ParseTargetArgument(const std::string& text, TargetArgument* target, std::string* why) {
    static const std::string kUserPrefix = "@user:";
    *target = TargetArgument();
    if (text.compare(0, kUserPrefix.size(), kUserPrefix) == 0) {
        // Every id `users` prints, negative ones too: the library's ids are 32-bit numbers.
        std::int64_t id = 0;
        if (!ParseDecimal(text.substr(kUserPrefix.size()), INT32_MIN, INT32_MAX, &id)) {
            *why = "\"" + text + "\" is not @user:ID with a number for ID";
            return false;
        }
        target->for_user = true;
        target->user_id = static_cast<std::int32_t>(id);
        return true;
    }
    if (text.empty() || text[0] == '@') {
        *why = "\"" + text + "\" is neither a file nor @user:ID";
        return false;
    }
    target->path = text;
    return true;
}

bool ParseCustomMappings(const std::vector<std::string>& values, wab::CustomFieldMap* map,
                         std::string* why) {
    map->fill(0);
    for (const std::string& value : values) {
        const std::size_t eq = value.find('=');
        std::int64_t field = 0;
        if (eq == std::string::npos || !ParseDecimal(value.substr(0, eq), 1, wab::kCustomFieldCount, &field)) {
            *why = "--custom \"" + value + "\": expected N=PROPERTY with N from 1 to 9";
            return false;
        }
        const std::string property = value.substr(eq + 1);
        std::uint32_t tag = 0;
        int row = -1;
        if (property.size() > 2 && property[0] == '0' && (property[1] == 'x' || property[1] == 'X')) {
            if (ParseHex(property, &tag)) row = wab::FindTextRow(tag);
        } else if (!property.empty()) {
            row = wab::FindPropertyRowByName(property.c_str());
            if (row >= 0) {
                tag = wab::PropertyTable()[row].tag;
                if (wab::PropertyTable()[row].kind != wab::SlotKind::Text) row = -1;
            }
        }
        if (row < 0) {
            *why = "--custom \"" + value +
                   "\": not a text property of the address book (a name such as Comment, or "
                   "a tag such as 0x3004001E)";
            return false;
        }
        (*map)[field - 1] = tag;
    }
    return true;
}

const char* LayoutName(std::int32_t loaded_layout) {
    return loaded_layout == kLayoutClassic ? "classic" : "palmsg";
}

const char* StatusName(std::int32_t difference_status) {
    switch (difference_status) {
        case wab::kNew: return "new";
        case wab::kChanged: return "changed";
        default: return "unchanged";
    }
}

std::string UnmappedAdvice(const wab::WabLoader& loader) {
    const wab::UnmappedCharacters& unmapped = loader.Unmapped();
    if (unmapped.total == 0) return {};
    std::string advice = std::to_string(unmapped.total) + " characters of the address book have no letter in code page " +
                         std::to_string(TextCodePage()) + " and become '?'";
    const unsigned mostly = unmapped.MostlyOf();
    if (mostly != 0 && mostly != TextCodePage())
        advice += "; most of them are " + std::string(wab::ScriptName(mostly)) + ": try --codepage " + std::to_string(mostly);
    return advice;
}

UserLibraryScope::UserLibraryScope() {
    // Calls bound already (by a test, or by an earlier scope) are left as they are.
    if (BoundUserDataEntryPoints().UmGetUserCount) {
        loaded_ = false;
        return;
    }
    loaded_ = LoadLibraries(kUserDataLibrary);
}

UserLibraryScope::~UserLibraryScope() {
    if (loaded_) UnloadLibraries(kUserDataLibrary);
}

bool ParseOpenRequest(const ParsedArguments& parsed, OpenRequest* request,
                      wab::CustomFieldMap* custom, std::string* why) {
    request->source = parsed.positionals[0];
    request->target_text = parsed.positionals[1];
    request->swap_names = parsed.Has("--swap-names");
    if (!ParseTargetArgument(request->target_text, &request->target, why)) return false;
    const auto it = parsed.values.find("--custom");
    return it == parsed.values.end() || ParseCustomMappings(it->second, custom, why);
}

int OpenConversion(const OpenRequest& request, OpenedConversion* opened, std::string* why) {
    const TargetArgument& target = request.target;
    opened->source_label = request.source;

    std::uint32_t version = request.desktop_version;
    const bool follow_target = !request.version_given && (version = GetDesktopVersion()) == kNoDesktopVersion;
    opened->job = std::make_unique<ConversionJob>(version);
    opened->job->SetSwapNames(request.swap_names);
    const bool loaded = target.for_user ? opened->job->LoadTargetForUser(target.user_id)
                                        : opened->job->LoadTargetFromFile(target.path);
    if (!loaded) {
        const std::string reason =
            opened->job->LastError().empty() ? std::string(".") : ": " + opened->job->LastError();
        *why = target.for_user ? "cannot read the contacts file of \"" + request.target_text + "\"" + reason
                               : "Invalid Palm Desktop contacts file \"" + target.path + "\"" + reason;
        return kExitUnreadable;
    }
    // Without an installation the file is written in the layout it was read in.
    if (follow_target)
        opened->job->SetDesktopVersion(opened->job->LoadedLayout() == kLayoutClassic ? kClassicWriterVersion
                                                                                     : DesktopVersionThreshold);
    const ConversionJob& job = *opened->job;
    opened->target_path = job.LoadedLayout() == kLayoutClassic ? job.ClassicFile().Path()
                                                                 : job.PalmSgFile().Path();
    if (opened->target_path.empty()) opened->target_path = target.path;

    std::string book;
    if (request.source != kCurrentSource) {
        book = request.source;
        if (book.empty() || !platform::PathExists(book)) {
            *why = "Invalid Outlook Express Address Book File: nothing exists at \"" + book + "\".";
            return kExitUnreadable;
        }
    }
    opened->loader = std::make_unique<wab::WabLoader>(vcard::ReadVCardBook);
    if (!opened->loader->Load(book)) {
        *why = "cannot read the address book: " + opened->loader->LastError();
        return kExitUnreadable;
    }
    opened->loader->SetCustomFieldMap(request.custom.data(), wab::kCustomFieldCount);
    wab::MarkAgainstTarget(opened->loader.get(), &opened->job->TargetContacts());
    return kExitDone;
}

}  // namespace tarvenne::cli
