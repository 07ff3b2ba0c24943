// tarvenne-cli dump: prints a contacts file's categories and records as text, JSON or CSV.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/conversion_setup.h"
#include "cli/output_format.h"
#include "cli/target_loader.h"

#include <cstdio>
#include <string>

namespace tarvenne::cli {
namespace {

const char* PhoneLabelName(std::int32_t label) {
    static const char* const kNames[] = {"Work Phone", "Home Phone", "Fax",        "Other Phone",
                                         "E-Mail",     "Main Phone", "Pager",      "Mobile Phone"};
    return label >= 0 && label < 8 ? kNames[label] : "Phone";
}

const char* AddressKindName(int slot) {
    static const char* const kNames[] = {"Work address", "Home address", "Other address"};
    return kNames[slot];
}

std::string U(const std::string& ansi) { return AnsiToUtf8(ansi); }

std::string Hex(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", static_cast<unsigned>(v));
    return buf;
}

// ---------------------------------------------------------------- JSON

void JsonCategories(JsonWriter& j, const CategoryTable* table) {
    j.Key("categories");
    j.BeginArray();
    for (int slot = 0; table && slot < CategoryTable::kSlots; ++slot) {
        const CategoryEntry* e = table->GetByIndex(slot);
        if (!e) continue;
        j.BeginObject();
        j.Key("index");
        j.Int(e->GetIndex());
        j.Key("id");
        j.Int(e->GetId());
        j.Key("name");
        j.Text(e->Name());
        j.EndObject();
    }
    j.EndArray();
}

void JsonPhone(JsonWriter& j, std::int32_t label, const std::string& text) {
    j.BeginObject();
    j.Key("label");
    j.Int(label);
    j.Key("text");
    j.Text(text);
    j.EndObject();
}

void JsonClassic(JsonWriter& j, ClassicAddressFile& file) {
    j.Key("records");
    j.BeginArray();
    ClassicRecordList& list = file.Records();
    for (std::uint32_t i = 0; i < list.Count(); ++i) {
        const ClassicRecord& r = *list.Get(i);
        j.BeginObject();
        j.Key("record_id"); j.Int(r.record_id);
        j.Key("status"); j.Int(r.status);
        j.Key("placement"); j.Int(r.placement);
        j.Key("last_name"); j.Text(r.last_name);
        j.Key("first_name"); j.Text(r.first_name);
        j.Key("title"); j.Text(r.title);
        j.Key("company"); j.Text(r.company);
        j.Key("phones");
        j.BeginArray();
        for (int p = 0; p < ClassicRecord::kPhones; ++p) JsonPhone(j, r.phone_label[p], r.phone[p]);
        j.EndArray();
        j.Key("address"); j.Text(r.address);
        j.Key("city"); j.Text(r.city);
        j.Key("state"); j.Text(r.state);
        j.Key("zip"); j.Text(r.zip);
        j.Key("country"); j.Text(r.country);
        j.Key("note"); j.Text(r.note);
        j.Key("private"); j.Int(r.is_private);
        j.Key("category_id"); j.Int(r.category_id);
        j.Key("category_name"); j.Text(r.category_name);
        j.Key("custom");
        j.BeginArray();
        for (const std::string& c : r.custom) j.Text(c);
        j.EndArray();
        j.Key("display_phone"); j.Int(r.display_phone);
        j.EndObject();
    }
    j.EndArray();
}

void JsonPalmSg(JsonWriter& j, PalmSgAddressFile& file) {
    j.Key("records");
    j.BeginArray();
    PalmSgRecordList& list = file.Records();
    for (std::uint32_t i = 0; i < list.Count(); ++i) {
        const PalmSgRecord& r = *list.Get(i);
        j.BeginObject();
        j.Key("record_id"); j.Int(r.record_id);
        j.Key("record_number"); j.Int(r.record_number);
        j.Key("status"); j.Int(r.status);
        j.Key("entry_index"); j.Int(r.entry_index);
        j.Key("placement"); j.Int(r.placement);
        j.Key("category_id"); j.Int(r.category_id);
        j.Key("private"); j.Int(r.is_private);
        j.Key("first_name"); j.Text(r.first_name);
        j.Key("last_name"); j.Text(r.last_name);
        j.Key("title"); j.Text(r.title);
        j.Key("company"); j.Text(r.company);
        j.Key("note"); j.Text(r.note);
        j.Key("phones");
        j.BeginArray();
        for (int p = 0; p < PalmSgRecord::kPhones; ++p) JsonPhone(j, r.phone_label[p], r.phone[p]);
        j.EndArray();
        j.Key("custom");
        j.BeginArray();
        for (const std::string& c : r.custom) j.Text(c);
        j.EndArray();
        j.Key("addresses");
        j.BeginArray();
        for (const PalmSgAddress& a : r.address) {
            j.BeginObject();
            j.Key("kind"); j.Int(a.kind);
            j.Key("street"); j.Text(a.street);
            j.Key("city"); j.Text(a.city);
            j.Key("state"); j.Text(a.state);
            j.Key("zip"); j.Text(a.zip);
            j.Key("country"); j.Text(a.country);
            j.EndObject();
        }
        j.EndArray();
        j.Key("chat");
        j.BeginArray();
        j.Text(r.chat[0]);
        j.Text(r.chat[1]);
        j.EndArray();
        j.Key("web_page"); j.Text(r.web_page);
        j.Key("birthday"); j.Number(r.Birthday());
        j.Key("category_name"); j.Text(r.category_name);
        j.EndObject();
    }
    j.EndArray();
}

// ---------------------------------------------------------------- CSV

void CsvRow(std::ostream& out, const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) out << (i ? "," : "") << CsvField(cells[i]);
    out << "\r\n";  // RFC 4180 line ends
}

void CsvClassic(std::ostream& out, ClassicAddressFile& file) {
    std::vector<std::string> head = {"record_id", "status", "placement", "last_name",
                                     "first_name", "title", "company"};
    for (int p = 1; p <= ClassicRecord::kPhones; ++p) {
        head.push_back("phone" + std::to_string(p) + "_label");
        head.push_back("phone" + std::to_string(p));
    }
    for (const char* h : {"address", "city", "state", "zip", "country", "note", "private",
                          "category_id", "category_name", "custom1", "custom2", "custom3",
                          "custom4", "display_phone"})
        head.push_back(h);
    CsvRow(out, head);
    ClassicRecordList& list = file.Records();
    for (std::uint32_t i = 0; i < list.Count(); ++i) {
        const ClassicRecord& r = *list.Get(i);
        std::vector<std::string> row = {std::to_string(r.record_id), std::to_string(r.status),
                                        std::to_string(r.placement), U(r.last_name),
                                        U(r.first_name), U(r.title), U(r.company)};
        for (int p = 0; p < ClassicRecord::kPhones; ++p) {
            row.push_back(std::to_string(r.phone_label[p]));
            row.push_back(U(r.phone[p]));
        }
        for (const std::string* t : {&r.address, &r.city, &r.state, &r.zip, &r.country, &r.note})
            row.push_back(U(*t));
        row.push_back(std::to_string(r.is_private));
        row.push_back(std::to_string(r.category_id));
        row.push_back(U(r.category_name));
        for (const std::string& c : r.custom) row.push_back(U(c));
        row.push_back(std::to_string(r.display_phone));
        CsvRow(out, row);
    }
}

void CsvPalmSg(std::ostream& out, PalmSgAddressFile& file) {
    std::vector<std::string> head = {"record_id", "record_number", "status", "entry_index",
                                     "placement", "category_id", "category_name", "private",
                                     "first_name", "last_name", "title", "company", "note"};
    for (int p = 1; p <= PalmSgRecord::kPhones; ++p) {
        head.push_back("phone" + std::to_string(p) + "_label");
        head.push_back("phone" + std::to_string(p));
    }
    for (int c = 1; c <= PalmSgRecord::kCustoms; ++c) head.push_back("custom" + std::to_string(c));
    for (const char* a : {"work", "home", "other"}) {
        for (const char* part : {"kind", "street", "city", "state", "zip", "country"})
            head.push_back(std::string(a) + "_" + part);
    }
    for (const char* h : {"chat1", "chat2", "web_page", "birthday"}) head.push_back(h);
    CsvRow(out, head);
    PalmSgRecordList& list = file.Records();
    for (std::uint32_t i = 0; i < list.Count(); ++i) {
        const PalmSgRecord& r = *list.Get(i);
        std::vector<std::string> row = {
            std::to_string(r.record_id),   std::to_string(r.record_number),
            std::to_string(r.status),      std::to_string(r.entry_index),
            std::to_string(r.placement),   std::to_string(r.category_id),
            U(r.category_name),            std::to_string(r.is_private),
            U(r.first_name),               U(r.last_name),
            U(r.title),                    U(r.company),
            U(r.note)};
        for (int p = 0; p < PalmSgRecord::kPhones; ++p) {
            row.push_back(std::to_string(r.phone_label[p]));
            row.push_back(U(r.phone[p]));
        }
        for (const std::string& c : r.custom) row.push_back(U(c));
        for (const PalmSgAddress& a : r.address) {
            row.push_back(std::to_string(a.kind));
            for (const std::string* t : {&a.street, &a.city, &a.state, &a.zip, &a.country})
                row.push_back(U(*t));
        }
        row.push_back(U(r.chat[0]));
        row.push_back(U(r.chat[1]));
        row.push_back(U(r.web_page));
        const std::string bday = JsonNumber(r.Birthday());
        row.push_back(bday == "null" ? "" : bday);
        CsvRow(out, row);
    }
}

// ---------------------------------------------------------------- text

// "  Label: value", with the lines of a multi-line value indented under it.
void Line(std::ostream& out, const char* label, const std::string& ansi) {
    if (ansi.empty()) return;
    std::string value = U(ansi);
    std::string shown;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r') continue;
        shown += value[i];
        if (value[i] == '\n') shown += "      ";
    }
    out << "    " << label << ": " << shown << "\n";
}

void TextCategories(std::ostream& out, const CategoryTable* table) {
    out << "Categories:\n";
    for (int slot = 0; table && slot < CategoryTable::kSlots; ++slot) {
        const CategoryEntry* e = table->GetByIndex(slot);
        if (e) out << "  " << slot << ". " << U(e->Name()) << " (id " << e->GetId() << ")\n";
    }
}

std::string FullName(const std::string& first, const std::string& last) {
    if (first.empty()) return last.empty() ? "(no name)" : U(last);
    return last.empty() ? U(first) : U(last) + ", " + U(first);
}

void TextClassic(std::ostream& out, ClassicAddressFile& file) {
    ClassicRecordList& list = file.Records();
    out << "Records: " << list.Count() << "\n";
    for (std::uint32_t i = 0; i < list.Count(); ++i) {
        const ClassicRecord& r = *list.Get(i);
        out << "\n" << (i + 1) << ". " << FullName(r.first_name, r.last_name) << "  [id "
            << r.record_id << ", status " << Hex(r.status) << ", category "
            << (r.category_name.empty() ? std::to_string(r.category_id) : U(r.category_name))
            << (r.is_private ? ", private" : "") << "]\n";
        Line(out, "Title", r.title);
        Line(out, "Company", r.company);
        for (int p = 0; p < ClassicRecord::kPhones; ++p)
            Line(out, PhoneLabelName(r.phone_label[p]), r.phone[p]);
        Line(out, "Address", r.address);
        Line(out, "City", r.city);
        Line(out, "State", r.state);
        Line(out, "Zip", r.zip);
        Line(out, "Country", r.country);
        for (int c = 0; c < ClassicRecord::kCustoms; ++c)
            Line(out, ("Custom " + std::to_string(c + 1)).c_str(), r.custom[c]);
        Line(out, "Note", r.note);
    }
}

void TextPalmSg(std::ostream& out, PalmSgAddressFile& file) {
    PalmSgRecordList& list = file.Records();
    out << "Records: " << list.Count() << "\n";
    for (std::uint32_t i = 0; i < list.Count(); ++i) {
        const PalmSgRecord& r = *list.Get(i);
        out << "\n" << (i + 1) << ". " << FullName(r.first_name, r.last_name) << "  [id "
            << r.record_id << ", number " << Hex(static_cast<std::uint32_t>(r.record_number))
            << ", status " << Hex(r.status) << ", category "
            << (r.category_name.empty() ? std::to_string(r.category_id) : U(r.category_name))
            << (r.is_private ? ", private" : "") << "]\n";
        Line(out, "Title", r.title);
        Line(out, "Company", r.company);
        for (int p = 0; p < PalmSgRecord::kPhones; ++p)
            Line(out, PhoneLabelName(r.phone_label[p]), r.phone[p]);
        for (int a = 0; a < 3; ++a) {
            const PalmSgAddress& ad = r.address[a];
            std::string joined;
            for (const std::string* t : {&ad.street, &ad.city, &ad.state, &ad.zip, &ad.country}) {
                if (t->empty()) continue;
                if (!joined.empty()) joined += ", ";
                joined += *t;
            }
            Line(out, AddressKindName(a), joined);
        }
        for (int c = 0; c < PalmSgRecord::kCustoms; ++c)
            Line(out, ("Custom " + std::to_string(c + 1)).c_str(), r.custom[c]);
        Line(out, "Chat 1", r.chat[0]);
        Line(out, "Chat 2", r.chat[1]);
        Line(out, "Web page", r.web_page);
        if (r.birthday_bits != 0) Line(out, "Birthday", JsonNumber(r.Birthday()));
        Line(out, "Note", r.note);
    }
}

}  // namespace

int RunDump(const std::vector<std::string>& args, CommandIo& io) {
    ArgumentSpec accepted;
    accepted.switches = {"--swap-names"};
    accepted.valued = {"--format", "--codepage"};
    accepted.min_positionals = accepted.max_positionals = 1;
    const ParsedArguments parsed = ParseArguments(args, accepted);
    const std::string format = parsed.Value("--format", "text");
    std::string usage_error = parsed.error;
    if (usage_error.empty() && format != "text" && format != "json" && format != "csv")
        usage_error = "unknown format \"" + format + "\" (text, json or csv)";
    if (usage_error.empty()) ApplyCodePageOption(parsed, &usage_error);
    if (!usage_error.empty()) {
        io.err << "tarvenne-cli dump: " << usage_error << "\n"
               << "usage: tarvenne-cli dump TARGET [--swap-names] [--codepage N] [--format text|json|csv]\n";
        return kExitUsage;
    }

    const std::string& target = parsed.positionals[0];
    LoadedTarget loaded;
    std::string why;
    // An @user:ID target is found through Palm Desktop's user library.
    UserLibraryScope user_library;
    switch (LoadTarget(target, parsed.Has("--swap-names"), &loaded, &why)) {
        case TargetResult::BadTarget:
            io.err << "tarvenne-cli dump: " << why << "\n";
            return kExitUsage;
        case TargetResult::Unreadable:
            io.err << "tarvenne-cli dump: cannot read \"" << target << "\": " << why << "\n";
            return kExitUnreadable;
        case TargetResult::Loaded: break;
    }

    const CategoryTable* categories =
        loaded.classic ? loaded.classic->Categories() : loaded.palmsg->Categories();
    if (format == "json") {
        JsonWriter j(io.out);
        j.BeginObject();
        j.Key("layout");
        j.String(loaded.Layout());
        JsonCategories(j, categories);
        if (loaded.classic) JsonClassic(j, *loaded.classic);
        else JsonPalmSg(j, *loaded.palmsg);
        j.EndObject();
        j.Finish();
    } else if (format == "csv") {
        if (loaded.classic) CsvClassic(io.out, *loaded.classic);
        else CsvPalmSg(io.out, *loaded.palmsg);
    } else {
        io.out << "File: " << target << "\nLayout: " << loaded.Layout() << "\n";
        TextCategories(io.out, categories);
        if (loaded.classic) TextClassic(io.out, *loaded.classic);
        else TextPalmSg(io.out, *loaded.palmsg);
    }
    io.out.flush();
    return kExitDone;
}

}  // namespace tarvenne::cli
