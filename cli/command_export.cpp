// tarvenne-cli export: every record of a contacts file of either layout as a vCard (3.0 or
// 4.0), on standard output or into a file that appears whole or not at all. The contacts
// file is only read. docs/export-mapping.md gives the place of every field.
//
// The cards are made so that the program's own vCard reader, and so a conversion back
// into a contacts file, reads each record's contact as ReadContact reads it from the file:
// of the slots that share a label, the one a read takes comes first, and of the address
// blocks that share a kind, the first.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/conversion_setup.h"
#include "cli/output_format.h"
#include "cli/target_loader.h"
#include "engine/record_contact_mapping.h"
#include "palmfile/palmsg_address_file.h"
#include "platform/file_system.h"
#include "vcard/vcard_writer.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>

namespace tarvenne::cli {
namespace {

using vcard::VCardWriter;

constexpr const char* kExportUsage =
    "export TARGET [--vcard 3.0|4.0] [--codepage N] [--swap-names] [--output FILE]\n"
    "                      [--include-deleted]";
constexpr std::size_t kChunk = 256u << 10;  // bytes of cards handed on at a time

// The one place the file's 8-bit texts become UTF-8.
class TextDecoder {
public:
    // The text up to its first NUL, as UTF-8; valid until the next call. Every code page
    // of the tool keeps ASCII as it is, so only other texts need converting.
    std::string_view Utf8Of(std::string_view ansi) {
        unsigned char high = 0;
        for (std::size_t i = 0; i < ansi.size(); ++i) {
            if (ansi[i] == '\0') {
                ansi = ansi.substr(0, i);
                break;
            }
            high |= static_cast<unsigned char>(ansi[i]);
        }
        if (high < 0x80) return ansi;
        scratch_ = AnsiToUtf8(ansi);  // from the text code page (--codepage)
        return scratch_;
    }

private:
    std::string scratch_;
};

std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

// The TYPE of each label's line in 3.0 and 4.0: TEL lines, but for the e-mail label's EMAIL
// line; the main phone is the preferred one.
struct PhoneType {
    const char* v3;
    const char* v4;
};
constexpr PhoneType kPhoneTypes[8] = {{"WORK,VOICE", "work,voice"}, {"HOME,VOICE", "home,voice"},
                                      {"FAX", "fax"},               {"VOICE", "voice"},
                                      {"INTERNET", nullptr},        {"VOICE,PREF", "voice"},
                                      {"PAGER", "pager"},           {"CELL,VOICE", "cell,voice"}};

class CardMaker {
public:
    CardMaker(bool v4, TextDecoder& decoder, VCardWriter* out) : v4_(v4), decoder_(decoder), w_(*out) {}

    // A record with the file it lies in, whose categories and custom labels it takes.
    void Write(const AddressFile& file, const PalmRecord& r) {
        const RecordLayout& l = r.Layout();
        if (&file != file_) {
            file_ = &file;
            palmsg_ = dynamic_cast<const PalmSgAddressFile*>(&file);
        }
        Line("BEGIN", "VCARD");
        Line("VERSION", v4_ ? "4.0" : "3.0");
        WriteNames(r);
        if (!Empty(r, l.company)) w_.TextLine("ORG", Utf8(r, l.company));
        if (!Empty(r, l.title)) w_.TextLine("TITLE", Utf8(r, l.title));
        WritePhones(r);
        WriteAddresses(r);
        if (!Empty(r, l.note)) w_.TextLine("NOTE", Utf8(r, l.note));
        if (l.web_page >= 0 && !Empty(r, l.web_page)) {
            w_.Name("URL");
            w_.BeginValue();
            w_.Uri(Utf8(r, l.web_page));
            w_.End();
        }
        if (l.birthday >= 0) WriteBirthday(BirthdayOf(r));
        for (int i = 0; i < l.customs; ++i) {
            if (Empty(r, l.custom[i])) continue;
            w_.Name("X-CUSTOM" + std::to_string(i + 1));
            if (palmsg_ && !UpToNul(palmsg_->CustomLabel(i)).empty())
                w_.QuotedParam("LABEL", decoder_.Utf8Of(palmsg_->CustomLabel(i)));
            w_.BeginValue();
            w_.Text(Utf8(r, l.custom[i]));
            w_.End();
        }
        for (int i = 0; i < l.chats; ++i)
            if (!Empty(r, l.chat[i])) w_.TextLine("X-CHAT" + std::to_string(i + 1), Utf8(r, l.chat[i]));
        // Category 0 is the file's built-in "Unfiled", which is no category at all.
        if (r.Integer(l.category_id) != 0) {
            const std::string category = file.CategoryNameOf(r);
            if (!UpToNul(category).empty()) w_.TextLine("CATEGORIES", decoder_.Utf8Of(category));
        }
        // 4.0 has no CLASS; an x-name keeps the flag for whoever reads it.
        if (r.Integer(l.is_private) != 0) Line(v4_ ? "X-CLASS" : "CLASS", "PRIVATE");
        Line("END", "VCARD");
    }

private:
    // Reads empty: nothing before the first NUL.
    static bool Empty(const PalmRecord& r, int slot) {
        const std::string_view text = r.Text(slot);
        return text.empty() || text[0] == '\0';
    }
    std::string_view Utf8(const PalmRecord& r, int slot) { return decoder_.Utf8Of(r.Text(slot)); }

    void Line(std::string_view name, std::string_view plain) {
        w_.Name(name);
        w_.BeginValue();
        w_.Plain(plain);
        w_.End();
    }

    // FN is the name, else what an address-book program shows for a contact without one:
    // the company, else the e-mail address.
    void WriteNames(const PalmRecord& r) {
        const RecordLayout& l = r.Layout();
        const std::string_view first = UpToNul(r.Text(l.first_name)), last = UpToNul(r.Text(l.last_name));
        std::string shown(first);
        if (!first.empty() && !last.empty()) shown += ' ';
        shown += last;
        if (shown.empty()) shown = UpToNul(r.Text(l.company));
        const int email = shown.empty() ? PhoneSlotRead(r, kEmail) : -1;
        if (email >= 0) shown = UpToNul(r.Text(l.phone[email]));
        w_.TextLine("FN", decoder_.Utf8Of(shown));
        if (v4_ && first.empty() && last.empty()) return;  // N is optional in 4.0 only
        w_.Name("N");
        w_.BeginValue();
        w_.Text(decoder_.Utf8Of(last));
        w_.Separator();
        w_.Text(decoder_.Utf8Of(first));
        w_.Plain(";;;");
        w_.End();
    }

    // Label by label, the slot a read takes before the others of its label (the reader
    // keeps the first of a kind); labels outside 0 to 7 last, as untyped TEL lines.
    void WritePhones(const PalmRecord& r) {
        const RecordLayout& l = r.Layout();
        for (std::int32_t label = kWorkPhone; label <= kMobilePhone; ++label) {
            const int read = PhoneSlotRead(r, label);
            if (read >= 0) WritePhone(r, read, label);
            for (int i = 0; i < l.phones; ++i)
                if (i != read && r.Integer(l.phone_label[i]) == label) WritePhone(r, i, label);
        }
        for (int i = 0; i < l.phones; ++i) {
            const std::int32_t label = r.Integer(l.phone_label[i]);
            if (label < kWorkPhone || label > kMobilePhone) WritePhone(r, i, label);
        }
    }

    void WritePhone(const PalmRecord& r, int slot, std::int32_t label) {
        const int text = r.Layout().phone[slot];
        if (Empty(r, text)) return;
        const bool known = label >= kWorkPhone && label <= kMobilePhone;
        w_.Name(label == kEmail ? "EMAIL" : "TEL");
        const char* type = !known ? nullptr : v4_ ? kPhoneTypes[label].v4 : kPhoneTypes[label].v3;
        if (type) w_.Param("TYPE", type);
        if (v4_ && label == kMainPhone) w_.Param("PREF", "1");
        w_.BeginValue();
        w_.Text(Utf8(r, text));
        w_.End();
    }

    // Kind by kind (work, home, other), every block of that kind in file order, then the
    // blocks of other kinds, untyped; blocks with no text are left out. The classic
    // record's one address is the work address.
    void WriteAddresses(const PalmRecord& r) {
        const RecordLayout& l = r.Layout();
        const auto kind_of = [&](int b) { return l.address[b].kind < 0 ? 0 : r.Integer(l.address[b].kind); };
        for (std::int32_t kind = 0; kind <= 2; ++kind)
            for (int b = 0; b < l.addresses; ++b)
                if (kind_of(b) == kind) WriteAddress(r, l.address[b], kind);
        for (int b = 0; b < l.addresses; ++b)
            if (kind_of(b) < 0 || kind_of(b) > 2) WriteAddress(r, l.address[b], kind_of(b));
    }

    void WriteAddress(const PalmRecord& r, const AddressFields& f, std::int32_t kind) {
        const int parts[5] = {f.street, f.city, f.state, f.zip, f.country};
        if (std::all_of(parts, parts + 5, [&](int slot) { return Empty(r, slot); })) return;
        w_.Name("ADR");
        if (kind == 0) w_.Param("TYPE", v4_ ? "work" : "WORK");
        if (kind == 1) w_.Param("TYPE", v4_ ? "home" : "HOME");
        w_.BeginValue();
        w_.Plain(";;");  // no post-office box, no extended address
        for (int k = 0; k < 5; ++k) {
            if (k > 0) w_.Separator();
            w_.Text(Utf8(r, parts[k]));
        }
        w_.End();
    }

    // The day of the automation date (a time of day is no part of a birthday); none for 0
    // and for dates outside the years 100 to 9999.
    void WriteBirthday(double date) {
        std::string day = IsoDate(date);
        if (day.empty()) return;
        // 4.0 knows only the basic form of a date.
        if (v4_) day.erase(std::remove(day.begin(), day.end(), '-'), day.end());
        Line("BDAY", day);
    }

    bool v4_;
    TextDecoder& decoder_;
    VCardWriter& w_;
    const AddressFile* file_ = nullptr;        // the file of the last record written
    const PalmSgAddressFile* palmsg_ = nullptr;  // the same when it is of the newer layout
};

// Where the cards go: standard output, or a temporary file beside FILE that takes FILE's
// name only when it is complete and flushed, so FILE is never seen half-written.
class CardSink {
public:
    CardSink(std::ostream& out, std::string path)
        : out_(out), path_(std::move(path)), temp_(path_ + ".tmp~") {}
    ~CardSink() {
        if (path_.empty() || finished_) return;
        file_.Close();
        platform::RemoveFile(temp_);
    }
    CardSink(const CardSink&) = delete;
    CardSink& operator=(const CardSink&) = delete;

    bool Open() {
        if (path_.empty() || file_.Open(temp_, platform::OpenMode::CreateAlways)) return true;
        const std::size_t end = path_.find_last_of(platform::kPathSeparator == '/' ? "/" : "/\\");
        if (end != std::string::npos && end > 0 && !platform::PathExists(path_.substr(0, end))) {
            why_ = "cannot write \"" + path_ + "\": the folder \"" + path_.substr(0, end) + "\" does not exist";
            return false;
        }
        return Fail(file_.LastError());
    }
    bool Put(std::string_view bytes) {
        if (!path_.empty()) return file_.Write(bytes.data(), bytes.size()) || Fail(file_.LastError());
        out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out_) || Fail(platform::FileError{"write", "standard output", 0});
    }
    bool Finish() {
        if (path_.empty())
            return static_cast<bool>(out_.flush()) || Fail(platform::FileError{"write", "standard output", 0});
        if (!file_.Flush()) return Fail(file_.LastError());
        file_.Close();
        platform::FileError error;
        if (!platform::RenameReplacing(temp_, path_, &error)) return Fail(error);
        finished_ = true;
        return true;
    }
    const std::string& Why() const { return why_; }

private:
    bool Fail(const platform::FileError& error) {
        why_ = path_.empty() ? error.Describe()
                             : "cannot write \"" + path_ + "\": " + error.Describe() + "; nothing was written";
        return false;
    }

    std::ostream& out_;
    const std::string path_;  // empty: standard output
    const std::string temp_;
    platform::ExclusiveFile file_;
    bool finished_ = false;
    std::string why_;
};

}  // namespace

int RunExport(const std::vector<std::string>& args, CommandIo& io) {
    ArgumentSpec accepted;
    accepted.switches = {"--swap-names", "--include-deleted"};
    accepted.valued = {"--vcard", "--codepage", "--output"};
    accepted.min_positionals = accepted.max_positionals = 1;
    const ParsedArguments parsed = ParseArguments(args, accepted);
    const std::string version = parsed.Value("--vcard", "3.0");
    const std::string output = parsed.Value("--output", "");
    std::string usage_error = parsed.error;
    if (usage_error.empty() && version != "3.0" && version != "4.0")
        usage_error = "--vcard \"" + version + "\": 3.0 or 4.0";
    if (usage_error.empty()) ApplyCodePageOption(parsed, &usage_error);
    if (usage_error.empty() && parsed.values.count("--output") && output.empty())
        usage_error = "--output needs a file name";
    if (!usage_error.empty()) {
        io.err << "tarvenne-cli export: " << usage_error << "\nusage: tarvenne-cli " << kExportUsage << "\n";
        return kExitUsage;
    }

    const std::string& target = parsed.positionals[0];
    CardSink sink(io.out, output);
    if (!sink.Open()) {
        io.err << "tarvenne-cli export: " << sink.Why() << "\n";
        return kExitNotWritten;
    }
    TextDecoder decoder;
    VCardWriter cards;
    CardMaker maker(version == "4.0", decoder, &cards);
    const bool include_deleted = parsed.Has("--include-deleted");
    bool written = true;
    const auto each = [&](const AddressFile& file, const PalmRecord& r) {
        if (!include_deleted && (r.Status() & kStatusNotListed) != 0) return true;
        maker.Write(file, r);
        if (cards.Written().size() < kChunk) return true;
        written = sink.Put(cards.Written());
        cards.Clear();
        return written;
    };
    std::string read_path, why;
    UserLibraryScope user_library;  // for @user:ID
    // Standard output cannot be taken back: a damaged file must be found before the first
    // card. A file's temporary is simply dropped, so one reading does.
    switch (VisitTarget(target, parsed.Has("--swap-names"), output.empty(), each, &read_path, &why)) {
        case TargetResult::BadTarget:
            io.err << "tarvenne-cli export: " << why << "\n";
            return kExitUsage;
        case TargetResult::Unreadable:
            io.err << "tarvenne-cli export: cannot read \"" << target << "\": " << why << "\n";
            return kExitUnreadable;
        case TargetResult::Loaded: break;
    }
    if (!output.empty() && platform::SameFile(output, read_path)) {
        io.err << "tarvenne-cli export: --output \"" << output
               << "\" is the contacts file itself; nothing was written\n";
        return kExitUsage;
    }
    if (!written || !sink.Put(cards.Written()) || !sink.Finish()) {
        io.err << "tarvenne-cli export: " << sink.Why() << "\n";
        return kExitNotWritten;
    }
    return kExitDone;
}

}  // namespace tarvenne::cli
