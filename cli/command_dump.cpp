// tarvenne-cli dump: prints a contacts file's categories and records as text, JSON or CSV.
// One list of columns per layout drives all three formats.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/conversion_setup.h"
#include "cli/output_format.h"
#include "engine/contact_record.h"
#include "cli/target_loader.h"
#include "palmfile/palmsg_address_file.h"

#include <cstdio>
#include <string>

namespace tarvenne::cli {
namespace {

enum class Column { kInteger, kText, kPhones, kCustoms, kAddresses, kChats, kBirthday, kCategoryName };

struct Field {
    const char* key;
    Column column;
    int slot = -1;
};

const std::vector<Field>& FieldsOf(const RecordLayout& l) {
    using C = Column;
    static const std::vector<Field> classic = {
        {"record_id", C::kInteger, 0}, {"status", C::kInteger, 1}, {"placement", C::kInteger, 2},
        {"last_name", C::kText, 3}, {"first_name", C::kText, 4},
        {"title", C::kText, 5}, {"company", C::kText, 6}, {"phones", C::kPhones},
        {"address", C::kText, 17}, {"city", C::kText, 18}, {"state", C::kText, 19},
        {"zip", C::kText, 20}, {"country", C::kText, 21}, {"note", C::kText, 22},
        {"private", C::kInteger, 23}, {"category_id", C::kInteger, 24},
        {"category_name", C::kCategoryName}, {"custom", C::kCustoms},
        {"display_phone", C::kInteger, 29}};
    static const std::vector<Field> palmsg = {
        {"record_id", C::kInteger, 0}, {"record_number", C::kInteger, 1},
        {"status", C::kInteger, 2}, {"entry_index", C::kInteger, 3},
        {"placement", C::kInteger, 4}, {"category_id", C::kInteger, 5},
        {"private", C::kInteger, 6}, {"first_name", C::kText, 13}, {"last_name", C::kText, 14},
        {"title", C::kText, 15}, {"company", C::kText, 16}, {"note", C::kText, 18},
        {"phones", C::kPhones}, {"custom", C::kCustoms}, {"addresses", C::kAddresses},
        {"chat", C::kChats}, {"web_page", C::kText, 64}, {"birthday", C::kBirthday},
        {"category_name", C::kCategoryName}};
    return l.fields == ClassicLayout().fields ? classic : palmsg;
}

const char* PhoneLabelName(std::int32_t label) {
    static const char* const kNames[] = {"Work Phone", "Home Phone", "Fax",   "Other Phone",
                                         "E-Mail",     "Main Phone", "Pager", "Mobile Phone"};
    return label >= 0 && label < 8 ? kNames[label] : "Phone";
}

std::string AddressKindName(std::int32_t kind) {
    static const char* const kNames[] = {"Work address", "Home address", "Other address"};
    return kind >= 0 && kind < 3 ? kNames[kind] : "Address (kind " + std::to_string(kind) + ")";
}

std::string U(std::string_view ansi) { return AnsiToUtf8(ansi); }

std::string Hex(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", static_cast<unsigned>(v));
    return buf;
}

std::int64_t IntegerOf(const PalmRecord& r, int slot) {
    // The status is a set of flag bits: shown unsigned.
    return slot == r.Layout().status ? static_cast<std::int64_t>(r.Status()) : r.Integer(slot);
}

// ---------------------------------------------------------------- JSON

void JsonRecord(JsonWriter& j, const AddressFile& file, const PalmRecord& r) {
    const RecordLayout& l = r.Layout();
    j.BeginObject();
    for (const Field& f : FieldsOf(l)) {
        j.Key(f.key);
        switch (f.column) {
            case Column::kInteger: j.Int(IntegerOf(r, f.slot)); break;
            case Column::kText: j.Text(r.Text(f.slot)); break;
            case Column::kCategoryName: j.Text(file.CategoryNameOf(r)); break;
            case Column::kPhones:
                j.BeginArray();
                for (int p = 0; p < l.phones; ++p) {
                    j.BeginObject();
                    j.Key("label");
                    j.Int(r.Integer(l.phone_label[p]));
                    j.Key("text");
                    j.Text(r.Text(l.phone[p]));
                    j.EndObject();
                }
                j.EndArray();
                break;
            case Column::kCustoms:
                j.BeginArray();
                for (int c = 0; c < l.customs; ++c) j.Text(r.Text(l.custom[c]));
                j.EndArray();
                break;
            case Column::kAddresses:
                j.BeginArray();
                for (int a = 0; a < l.addresses; ++a) {
                    const AddressFields& ad = l.address[a];
                    j.BeginObject();
                    j.Key("kind");
                    j.Int(r.Integer(ad.kind));
                    const std::pair<const char*, int> parts[] = {{"street", ad.street}, {"city", ad.city},
                                                                 {"state", ad.state}, {"zip", ad.zip},
                                                                 {"country", ad.country}};
                    for (const auto& [key, slot] : parts) {
                        j.Key(key);
                        j.Text(r.Text(slot));
                    }
                    j.EndObject();
                }
                j.EndArray();
                break;
            case Column::kChats:
                j.BeginArray();
                for (int c = 0; c < l.chats; ++c) j.Text(r.Text(l.chat[c]));
                j.EndArray();
                break;
            case Column::kBirthday: {
                const double date = BirthdayOf(r);
                j.Number(date);
                j.Key("birthday_date");
                const std::string iso = IsoDate(date);
                if (iso.empty()) j.Null();
                else j.String(iso);
                break;
            }
        }
    }
    j.EndObject();
}

// ---------------------------------------------------------------- CSV

void CsvRow(std::ostream& out, const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) out << (i ? "," : "") << CsvField(cells[i]);
    out << "\r\n";  // RFC 4180 line ends
}

// The header row (record null) or a record's row, in the order of the JSON keys with the
// arrays spread out.
std::vector<std::string> CsvCells(const AddressFile& file, const PalmRecord* r) {
    const RecordLayout& l = file.Layout();
    std::vector<std::string> cells;
    const auto cell = [&](const std::string& head, const std::string& value) {
        cells.push_back(r ? value : head);
    };
    const auto text = [&](int slot) { return r ? U(r->Text(slot)) : std::string(); };
    const auto number = [&](int slot) { return r ? std::to_string(IntegerOf(*r, slot)) : std::string(); };
    for (const Field& f : FieldsOf(l)) {
        switch (f.column) {
            case Column::kInteger: cell(f.key, number(f.slot)); break;
            case Column::kText: cell(f.key, text(f.slot)); break;
            case Column::kCategoryName: cell(f.key, r ? U(file.CategoryNameOf(*r)) : ""); break;
            case Column::kPhones:
                for (int p = 0; p < l.phones; ++p) {
                    const std::string n = "phone" + std::to_string(p + 1);
                    cell(n + "_label", number(l.phone_label[p]));
                    cell(n, text(l.phone[p]));
                }
                break;
            case Column::kCustoms:
                for (int c = 0; c < l.customs; ++c) cell("custom" + std::to_string(c + 1), text(l.custom[c]));
                break;
            case Column::kAddresses:
                for (int a = 0; a < l.addresses; ++a) {
                    const AddressFields& ad = l.address[a];
                    const std::string n = "address" + std::to_string(a + 1) + "_";
                    cell(n + "kind", number(ad.kind));
                    cell(n + "street", text(ad.street));
                    cell(n + "city", text(ad.city));
                    cell(n + "state", text(ad.state));
                    cell(n + "zip", text(ad.zip));
                    cell(n + "country", text(ad.country));
                }
                break;
            case Column::kChats:
                for (int c = 0; c < l.chats; ++c) cell("chat" + std::to_string(c + 1), text(l.chat[c]));
                break;
            case Column::kBirthday: cell("birthday", r ? IsoDate(BirthdayOf(*r)) : ""); break;
        }
    }
    return cells;
}

// ---------------------------------------------------------------- text

// "    Label: value", with the lines of a multi-line value indented under it.
void Line(std::ostream& out, const std::string& label, std::string_view ansi) {
    if (ansi.empty()) return;
    const std::string value = U(ansi);
    std::string shown;
    for (char c : value) {
        if (c == '\r') continue;
        shown += c;
        if (c == '\n') shown += "      ";
    }
    out << "    " << label << ": " << shown << "\n";
}

std::string FullName(std::string_view first, std::string_view last) {
    if (first.empty()) return last.empty() ? "(no name)" : U(last);
    return last.empty() ? U(first) : U(last) + ", " + U(first);
}

void TextRecord(std::ostream& out, const AddressFile& file, const PalmRecord& r, std::uint32_t n) {
    const RecordLayout& l = r.Layout();
    const std::string category = file.CategoryNameOf(r);
    out << "\n" << n << ". " << FullName(r.Text(l.first_name), r.Text(l.last_name)) << "  [id "
        << r.Integer(l.record_id);
    if (l.record_number >= 0) out << ", number " << Hex(static_cast<std::uint32_t>(r.Integer(l.record_number)));
    out << ", status " << Hex(r.Status()) << ", category "
        << (category.empty() ? std::to_string(r.Integer(l.category_id)) : U(category))
        << (r.Integer(l.is_private) ? ", private" : "") << "]\n";
    Line(out, "Title", r.Text(l.title));
    Line(out, "Company", r.Text(l.company));
    for (int p = 0; p < l.phones; ++p)
        Line(out, PhoneLabelName(r.Integer(l.phone_label[p])), r.Text(l.phone[p]));
    for (int a = 0; a < l.addresses; ++a) {
        const AddressFields& ad = l.address[a];
        if (ad.kind < 0) {  // the classic record's one address, a line per part
            Line(out, "Address", r.Text(ad.street));
            Line(out, "City", r.Text(ad.city));
            Line(out, "State", r.Text(ad.state));
            Line(out, "Zip", r.Text(ad.zip));
            Line(out, "Country", r.Text(ad.country));
            continue;
        }
        std::string joined;
        for (int slot : {ad.street, ad.city, ad.state, ad.zip, ad.country}) {
            if (r.Text(slot).empty()) continue;
            if (!joined.empty()) joined += ", ";
            joined += r.Text(slot);
        }
        Line(out, AddressKindName(r.Integer(ad.kind)), joined);
    }
    for (int c = 0; c < l.customs; ++c) Line(out, "Custom " + std::to_string(c + 1), r.Text(l.custom[c]));
    for (int c = 0; c < l.chats; ++c) Line(out, "Chat " + std::to_string(c + 1), r.Text(l.chat[c]));
    if (l.web_page >= 0) Line(out, "Web page", r.Text(l.web_page));
    if (l.birthday >= 0) Line(out, "Birthday", IsoDate(BirthdayOf(r)));
    Line(out, "Note", r.Text(l.note));
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
    std::unique_ptr<AddressFile> file;
    std::string why;
    // An @user:ID target is found through Palm Desktop's user library.
    UserLibraryScope user_library;
    switch (LoadTarget(target, parsed.Has("--swap-names"), &file, &why)) {
        case TargetResult::BadTarget:
            io.err << "tarvenne-cli dump: " << why << "\n";
            return kExitUsage;
        case TargetResult::Unreadable:
            io.err << "tarvenne-cli dump: cannot read \"" << target << "\": " << why << "\n";
            return kExitUnreadable;
        case TargetResult::Loaded: break;
    }

    const CategoryTable* categories = file->Categories();
    RecordList& records = file->Records();
    if (format == "json") {
        JsonWriter j(io.out);
        j.BeginObject();
        j.Key("layout");
        j.String(file->Layout().name);
        j.Key("categories");
        j.BeginArray();
        for (int slot = 0; categories && slot < CategoryTable::kSlots; ++slot) {
            const CategoryEntry* e = categories->GetByIndex(slot);
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
        j.Key("records");
        j.BeginArray();
        for (const PalmRecord* r = records.First(); r; r = records.Next()) JsonRecord(j, *file, *r);
        j.EndArray();
        j.EndObject();
        j.Finish();
    } else if (format == "csv") {
        CsvRow(io.out, CsvCells(*file, nullptr));
        for (const PalmRecord* r = records.First(); r; r = records.Next()) CsvRow(io.out, CsvCells(*file, r));
    } else {
        io.out << "File: " << SystemTextToUtf8(target) << "\nLayout: " << file->Layout().name << "\nCategories:\n";
        for (int slot = 0; categories && slot < CategoryTable::kSlots; ++slot) {
            const CategoryEntry* e = categories->GetByIndex(slot);
            if (e) io.out << "  " << slot << ". " << U(e->Name()) << " (id " << e->GetId() << ")\n";
        }
        io.out << "Records: " << records.Count() << "\n";
        for (std::uint32_t i = 0; i < records.Count(); ++i) TextRecord(io.out, *file, *records.At(i), i + 1);
    }
    io.out.flush();
    return kExitDone;
}

}  // namespace tarvenne::cli
