// tarvenne-cli convert: the wizard's whole run without windows or pacing. Opens the target
// and the address book, marks every contact, converts the ones the record list page
// would check (or all), and saves as the progress page does; then reports what happened.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/conversion_setup.h"
#include "cli/output_format.h"
#include "engine/contact_record.h"
#include "palminstall/palm_desktop_locator.h"
#include "wab/property_table.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace tarvenne::cli {
namespace {

constexpr const char* kConvertUsage =
    "convert SOURCE TARGET [--swap-names] [--custom N=PROPERTY]...\n"
    "                     [--select differing|all] [--desktop-version N] [--dry-run]\n"
    "                     [--ignore-running] [--codepage N] [--format text|json]";

// A text that reached the file shorter than the address book holds it.
struct Cut {
    const wab::SourceContact* contact;  // the loader's, which outlives the report
    wab::TextCut text;
};

struct ConvertReport {
    std::string source, target;
    std::string read_layout, write_layout;
    std::uint32_t contacts = 0, fresh = 0, changed = 0, unchanged = 0, selected = 0;
    std::uint32_t added = 0, updated = 0, skipped = 0;
    std::uint32_t skipped_cards = 0;  // cards that feed nothing: no contacts at all
    bool saved = false;
    bool dry_run = false;
    std::string backup;  // empty: none made
    std::string error;   // why the file was not written; empty when it was, or need not be
    std::vector<Cut> cuts;
};

// The texts of a contact just added or updated that the file holds shorter than given.
void AddCuts(const wab::SourceContact& contact, const ContactRecord& record, const RecordEdits& edits,
             std::vector<Cut>* cuts) {
    for (const wab::TextCut& cut : wab::CutTexts(contact, record, edits)) cuts->push_back(Cut{&contact, cut});
}

std::string NameOf(const Cut& c) { return wab::ContactListName(*c.contact); }
const char* FieldOf(const Cut& c) { return wab::PropertyTable()[wab::FindPropertyRow(c.text.tag)].name; }

void PrintJson(std::ostream& out, const ConvertReport& r) {
    JsonWriter j(out);
    j.BeginObject();
    j.Key("source"); j.String(SystemTextToUtf8(r.source));
    j.Key("target"); j.String(SystemTextToUtf8(r.target));
    j.Key("read_layout"); j.String(r.read_layout);
    j.Key("write_layout"); j.String(r.write_layout);
    j.Key("contacts"); j.Int(r.contacts);
    j.Key("new"); j.Int(r.fresh);
    j.Key("changed"); j.Int(r.changed);
    j.Key("unchanged"); j.Int(r.unchanged);
    j.Key("selected"); j.Int(r.selected);
    j.Key("added"); j.Int(r.added);
    j.Key("updated"); j.Int(r.updated);
    j.Key("skipped"); j.Int(r.skipped);
    j.Key("skipped_cards"); j.Int(r.skipped_cards);
    j.Key("saved"); j.Bool(r.saved);
    j.Key("backup");
    if (r.backup.empty()) j.Null();
    else j.String(SystemTextToUtf8(r.backup));
    j.Key("error");
    if (r.error.empty()) j.Null();
    else j.String(SystemTextToUtf8(r.error));
    j.Key("cut");
    j.BeginArray();
    for (const Cut& c : r.cuts) {
        j.BeginObject();
        j.Key("name"); j.Text(NameOf(c));
        j.Key("field"); j.String(FieldOf(c));
        j.Key("length"); j.Int(static_cast<std::int64_t>(c.text.length));
        j.Key("kept"); j.Int(static_cast<std::int64_t>(c.text.kept));
        j.Key("unmapped"); j.Int(c.text.unmapped);
        j.EndObject();
    }
    j.EndArray();
    j.EndObject();
    j.Finish();
}

void PrintText(std::ostream& out, const ConvertReport& r) {
    out << "Source:    " << SystemTextToUtf8(r.source) << "\n"
        << "Target:    " << SystemTextToUtf8(r.target) << " (read as " << r.read_layout
        << ", written as " << r.write_layout << ")\n"
        << "Contacts:  " << r.contacts << " (" << r.fresh << " new, " << r.changed
        << " changed, " << r.unchanged << " unchanged)\n"
        << "Selected:  " << r.selected << "\n"
        << "Converted: " << r.added << " added, " << r.updated << " updated, " << r.skipped
        << " skipped\n";
    if (r.skipped_cards > 0) out << "Skipped:   " << r.skipped_cards << " cards without a value to convert\n";
    for (const Cut& c : r.cuts) {
        out << "cut: " << AnsiToUtf8(NameOf(c)) << ": " << FieldOf(c);
        if (c.text.kept < c.text.length) out << " " << c.text.length << " -> " << c.text.kept;
        if (c.text.unmapped > 0) out << " (" << c.text.unmapped << " characters stored as '?')";
        out << "\n";
    }
    if (r.saved) {
        out << "Result:    Succeeded. Backup: " << SystemTextToUtf8(r.backup) << "\n";
    } else if (!r.error.empty()) {
        out << "Result:    Not written. " << SystemTextToUtf8(r.error) << "\n";
    } else if (r.dry_run) {
        out << "Result:    Dry run; nothing was written.\n";
    } else {
        out << "Result:    No contact selected; nothing was converted or written.\n";
    }
}

}  // namespace

int RunConvert(const std::vector<std::string>& args, CommandIo& io) {
    ArgumentSpec accepted;
    accepted.switches = {"--swap-names", "--dry-run", "--ignore-running"};
    accepted.valued = {"--format", "--custom", "--select", "--desktop-version", "--codepage"};
    accepted.repeatable = {"--custom"};
    accepted.min_positionals = accepted.max_positionals = 2;
    const ParsedArguments parsed = ParseArguments(args, accepted);
    const std::string format = parsed.Value("--format", "text");
    const std::string select = parsed.Value("--select", "differing");
    std::string usage_error = parsed.error;
    if (usage_error.empty() && format != "text" && format != "json")
        usage_error = "unknown format \"" + format + "\" (text or json)";
    if (usage_error.empty() && select != "differing" && select != "all")
        usage_error = "unknown selection \"" + select + "\" (differing or all)";
    if (usage_error.empty()) ApplyCodePageOption(parsed, &usage_error);
    OpenRequest request;
    if (usage_error.empty() && ParseOpenRequest(parsed, &request, &request.custom, &usage_error)) {
        const auto version = parsed.values.find("--desktop-version");
        if (version != parsed.values.end()) {
            const std::string& text = version->second.back();
            char* end = nullptr;
            const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
            if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
                *end != '\0' || v > 0xFFFFFFFFull)
                usage_error = "--desktop-version \"" + text + "\" is not a version number such as 40101";
            request.version_given = true;
            request.desktop_version = static_cast<std::uint32_t>(v);
        }
    }
    if (!usage_error.empty()) {
        io.err << "tarvenne-cli convert: " << usage_error << "\nusage: tarvenne-cli "
               << kConvertUsage << "\n";
        return kExitUsage;
    }

    UserLibraryScope user_library;
    OpenedConversion opened;
    std::string why;
    if (OpenConversion(request, &opened, &why) != kExitDone) {
        io.err << "tarvenne-cli convert: " << why << "\n";
        return kExitUnreadable;
    }
    ConversionJob& job = *opened.job;
    wab::WabLoader& loader = *opened.loader;

    ConvertReport report;
    report.source = request.source;
    report.target = opened.target_path;
    report.read_layout = LayoutName(job.LoadedLayout());
    report.write_layout = job.UsesNewLayout() ? "palmsg" : "classic";
    report.dry_run = parsed.Has("--dry-run");

    // The record list page's choice: the differing contacts are the checked ones.
    std::vector<const wab::SourceContact*> chosen;
    for (wab::SourceContact* c = loader.First(); c; c = loader.Next()) {
        if (c->difference_status == wab::kFeedsNothing) {
            ++report.skipped_cards;
            continue;
        }
        ++report.contacts;
        if (c->difference_status == wab::kNew) ++report.fresh;
        else if (c->difference_status == wab::kChanged) ++report.changed;
        else ++report.unchanged;
        if (select == "all" || c->difference_status != wab::kUnchanged) chosen.push_back(c);
    }
    report.selected = static_cast<std::uint32_t>(chosen.size());

    int status = kExitDone;
    if (!chosen.empty()) {
        bool failed = false;
        for (const wab::SourceContact* c : chosen) {
            ContactRecord record;
            wab::ConvertSourceContact(c, &record);
            job.AddContact(&record);
            switch (job.LastOutcome()) {
                case AddOutcome::kAdded:
                    ++report.added;
                    AddCuts(*c, record, job.LastEdits(), &report.cuts);
                    break;
                case AddOutcome::kUpdated:
                    ++report.updated;
                    AddCuts(*c, record, job.LastEdits(), &report.cuts);
                    break;
                case AddOutcome::kSkipped: ++report.skipped; break;
                default:
                    // Counted nowhere; the file must not be written without it.
                    failed = true;
                    io.err << "tarvenne-cli convert: \""
                           << AnsiToUtf8(wab::ContactListName(*c))
                           << "\" could not be added to the contacts file\n";
                    break;
            }
        }
        if (failed) {
            report.error = job.LastError();
            status = kExitNotWritten;
        } else if (report.dry_run) {
            // A save the installed version would refuse is refused before anything is
            // written, so asking is safe and tells the truth about the real run.
            const std::int32_t writer = job.UsesNewLayout() ? kLayoutPalmSg : kLayoutClassic;
            if (writer != job.LoadedLayout() && !job.SaveTarget()) {
                report.error = job.LastError();
                status = kExitNotWritten;
            }
        } else if (!parsed.Has("--ignore-running") && PalmDesktopIsRunning()) {
            // Its copy of the contacts, written back when it closes, would undo the save.
            report.error = kPalmDesktopRunningMessage;
            status = kExitNotWritten;
        } else if (job.SaveTarget()) {
            report.saved = true;
            report.backup = report.target + ".xbk";
        } else {
            report.error = job.LastError().empty() ? "The contacts file was not written."
                                                   : job.LastError();
            status = kExitNotWritten;
        }
    }

    if (format == "json") PrintJson(io.out, report);
    else PrintText(io.out, report);
    if (!report.error.empty()) io.err << "tarvenne-cli convert: " << report.error << "\n";
    const std::string advice = UnmappedAdvice(loader);
    if (!advice.empty()) io.err << "tarvenne-cli convert: " << advice << "\n";
    io.out.flush();
    if (!io.out) {
        io.err << "tarvenne-cli convert: " << (report.saved ? "saved; " : "") << "the report could not be written\n";
        return report.saved ? kExitReportLost : kExitNotWritten;
    }
    return status;
}

}  // namespace tarvenne::cli
