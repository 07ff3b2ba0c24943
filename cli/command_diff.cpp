// tarvenne-cli diff: every address-book contact with its status against the target (new,
// changed, unchanged), as the record list page shows them, and what converting it would
// write: each changed field with its value before and after, each field of a new record.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/conversion_setup.h"
#include "cli/output_format.h"
#include "engine/record_edits.h"
#include "wab/property_table.h"

#include <string>

namespace tarvenne::cli {
namespace {

constexpr const char* kDiffUsage =
    "diff SOURCE TARGET [--swap-names] [--custom N=PROPERTY]... [--codepage N]\n"
    "                  [--brief] [--format text|json]";

void PrintEditsJson(JsonWriter& j, std::int32_t status, const RecordEdits& edits) {
    if (status == wab::kUnchanged) return;
    const bool fresh = status == wab::kNew;
    j.Key(fresh ? "fields" : "changes");
    j.BeginArray();
    for (const RecordEdit& e : edits.All()) {
        if (!e.Shown()) continue;
        j.BeginObject();
        j.Key("field");
        j.String(FieldWords(e));
        if (!fresh) {
            j.Key("from");
            j.Text(EditValueText(e, false));
        }
        j.Key(fresh ? "value" : "to");
        j.Text(EditValueText(e, true));
        j.EndObject();
    }
    j.EndArray();
}

void PrintEditsText(std::ostream& out, const RecordEdits& edits) {
    for (const RecordEdit& e : edits.All())
        if (e.Shown()) out << "    " << AnsiToUtf8(EditLine(e)) << "\n";
}

}  // namespace

int RunDiff(const std::vector<std::string>& args, CommandIo& io) {
    ArgumentSpec accepted;
    accepted.switches = {"--swap-names", "--brief"};
    accepted.valued = {"--format", "--custom", "--codepage"};
    accepted.repeatable = {"--custom"};
    accepted.min_positionals = accepted.max_positionals = 2;
    const ParsedArguments parsed = ParseArguments(args, accepted);
    const std::string format = parsed.Value("--format", "text");
    std::string usage_error = parsed.error;
    if (usage_error.empty() && format != "text" && format != "json")
        usage_error = "unknown format \"" + format + "\" (text or json)";
    OpenRequest request;
    if (usage_error.empty()) ApplyCodePageOption(parsed, &usage_error);
    if (usage_error.empty()) ParseOpenRequest(parsed, &request, &request.custom, &usage_error);
    if (!usage_error.empty()) {
        io.err << "tarvenne-cli diff: " << usage_error << "\nusage: tarvenne-cli " << kDiffUsage
               << "\n";
        return kExitUsage;
    }

    UserLibraryScope user_library;
    OpenedConversion opened;
    std::string why;
    if (OpenConversion(request, &opened, &why) != kExitDone) {
        io.err << "tarvenne-cli diff: " << why << "\n";
        return kExitUnreadable;
    }

    wab::WabLoader& loader = *opened.loader;
    const bool brief = parsed.Has("--brief");
    // What converting the contact would write, as the conversion lists it; the edits point
    // into the contact they were made for.
    ContactRecord record;
    RecordEdits edits;
    const auto list_edits = [&](const wab::SourceContact& c) {
        edits.Clear();
        if (brief || c.difference_status == wab::kUnchanged) return;
        record = ContactRecord();
        wab::ConvertSourceContact(&c, &record);
        opened.job->ListEditsFor(record, &edits);
    };
    // Cards that feed nothing are no contacts: counted, never listed.
    std::uint32_t skipped = 0;
    for (wab::SourceContact* c = loader.First(); c; c = loader.Next()) skipped += c->difference_status == wab::kFeedsNothing;
    if (format == "json") {
        JsonWriter j(io.out);
        j.BeginObject();
        j.Key("contacts");
        j.BeginArray();
        for (wab::SourceContact* c = loader.First(); c; c = loader.Next()) {
            if (c->difference_status == wab::kFeedsNothing) continue;
            j.BeginObject();
            j.Key("name");
            j.Text(wab::ContactListName(*c));
            j.Key("email");
            j.Text(c->Text(wab::tag::kEmailAddress));
            j.Key("status");
            j.String(StatusName(c->difference_status));
            list_edits(*c);
            if (!brief) PrintEditsJson(j, c->difference_status, edits);
            j.EndObject();
        }
        j.EndArray();
        j.Key("skipped_cards");
        j.Int(skipped);
        j.EndObject();
        j.Finish();
    } else {
        std::uint32_t counts[3] = {0, 0, 0};
        for (wab::SourceContact* c = loader.First(); c; c = loader.Next()) {
            const std::int32_t s = c->difference_status;
            if (s == wab::kFeedsNothing) continue;
            ++counts[s == wab::kNew ? 0 : s == wab::kChanged ? 1 : 2];
            std::string status = StatusName(s);
            status.resize(10, ' ');
            io.out << status << AnsiToUtf8(wab::ContactListName(*c));
            const std::string_view email = c->Text(wab::tag::kEmailAddress);
            if (!email.empty()) io.out << " <" << AnsiToUtf8(email) << ">";
            io.out << "\n";
            list_edits(*c);
            if (s == wab::kChanged) PrintEditsText(io.out, edits);
        }
        io.out << loader.Count() - skipped << " contacts: " << counts[0] << " new, " << counts[1]
               << " changed, " << counts[2] << " unchanged (" << LayoutName(opened.job->LoadedLayout())
               << " file " << SystemTextToUtf8(opened.target_path) << ")\n";
        if (skipped > 0) io.out << skipped << " cards without a value to convert were skipped\n";
    }
    const std::string advice = UnmappedAdvice(loader);
    if (!advice.empty()) io.err << "tarvenne-cli diff: " << advice << "\n";
    io.out.flush();
    return kExitDone;
}

}  // namespace tarvenne::cli
