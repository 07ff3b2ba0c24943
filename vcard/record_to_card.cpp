// Each field of a record to its property: names, phones by label, addresses by kind,
// note, web page, birthday, custom fields, chats, category and the private flag.
#include "vcard/record_to_card.h"

#include "engine/bounded_text.h"
#include "engine/record_contact_mapping.h"
#include "palmfile/palmsg_address_file.h"
#include "wab/ansi_text.h"
#include "engine/contact_record.h"

#include <algorithm>

namespace tarvenne::vcard {
namespace {

std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

// Reads empty: nothing before the first NUL.
bool Empty(const PalmRecord& r, int slot) {
    const std::string_view text = r.Text(slot);
    return text.empty() || text[0] == '\0';
}

// The TYPE of each label's line in 3.0 and 4.0: TEL lines, but for the e-mail label's EMAIL
// line. The main phone is 3.0's preferred one; 4.0 names it "main", since a PREF there
// ranks it above the work phone in the clients that sort by it.
struct PhoneType {
    const char* v3;
    const char* v4;
};
constexpr PhoneType kPhoneTypes[8] = {{"WORK,VOICE", "work,voice"}, {"HOME,VOICE", "home,voice"},
                                      {"FAX", "fax"},               {"VOICE", "voice"},
                                      {"INTERNET", nullptr},        {"VOICE,PREF", "main,voice"},
                                      {"PAGER", "pager"},           {"CELL,VOICE", "cell,voice"}};
constexpr const char* kAddressTypes[3][2] = {{"WORK", "work"}, {"HOME", "home"}, {"OTHER", "other"}};

}  // namespace

std::string_view CardMaker::TextDecoder::Utf8Of(std::string_view ansi) {
    unsigned char high = 0;
    for (std::size_t i = 0; i < ansi.size(); ++i) {
        if (ansi[i] == '\0') {
            ansi = ansi.substr(0, i);
            break;
        }
        high |= static_cast<unsigned char>(ansi[i]);
    }
    // Every code page of the tool keeps ASCII as it is, so only other texts need converting.
    if (high < 0x80) return ansi;
    scratch_ = wab::Utf8FromAnsi(ansi, TextCodePage());  // from the text code page (--codepage)
    return scratch_;
}

void CardMaker::Write(const AddressFile& file, const PalmRecord& r) {
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
            w_.QuotedParam("LABEL", decoder_.Utf8Of(palmsg_->CustomLabel(i)), v4_);
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

void CardMaker::Line(std::string_view name, std::string_view plain) {
    w_.Name(name);
    w_.BeginValue();
    w_.Plain(plain);
    w_.End();
}

// FN, which a card must have and a list shows, is the name, else what an address-book
// program shows for a contact without one: the company, else the e-mail address a read
// takes, else the first phone number.
void CardMaker::WriteNames(const PalmRecord& r) {
    const RecordLayout& l = r.Layout();
    const std::string_view first = UpToNul(r.Text(l.first_name)), last = UpToNul(r.Text(l.last_name));
    std::string shown(first);
    if (!first.empty() && !last.empty()) shown += ' ';
    shown += last;
    if (shown.empty()) shown = UpToNul(r.Text(l.company));
    const int email = shown.empty() ? PhoneSlotRead(r, kEmail) : -1;
    if (email >= 0) shown = UpToNul(r.Text(l.phone[email]));
    for (int i = 0; i < l.phones && shown.empty(); ++i) shown = UpToNul(r.Text(l.phone[i]));
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
void CardMaker::WritePhones(const PalmRecord& r) {
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

void CardMaker::WritePhone(const PalmRecord& r, int slot, std::int32_t label) {
    const int text = r.Layout().phone[slot];
    if (Empty(r, text)) return;
    const bool known = label >= kWorkPhone && label <= kMobilePhone;
    w_.Name(label == kEmail ? "EMAIL" : "TEL");
    const char* type = !known ? nullptr : v4_ ? kPhoneTypes[label].v4 : kPhoneTypes[label].v3;
    if (type) w_.Param("TYPE", type);
    w_.BeginValue();
    w_.Text(Utf8(r, text));
    w_.End();
}

// Kind by kind (work, home, other), every block of that kind in file order, then the
// blocks of kinds Palm Desktop does not name, untyped (a reader takes them for other
// addresses); blocks with no text are left out. The classic record's one address is the
// work address.
void CardMaker::WriteAddresses(const PalmRecord& r) {
    const RecordLayout& l = r.Layout();
    const auto kind_of = [&](int b) { return l.address[b].kind < 0 ? 0 : r.Integer(l.address[b].kind); };
    for (std::int32_t kind = 0; kind <= 2; ++kind)
        for (int b = 0; b < l.addresses; ++b)
            if (kind_of(b) == kind) WriteAddress(r, l.address[b], kind);
    for (int b = 0; b < l.addresses; ++b)
        if (kind_of(b) < 0 || kind_of(b) > 2) WriteAddress(r, l.address[b], kind_of(b));
}

void CardMaker::WriteAddress(const PalmRecord& r, const AddressFields& f, std::int32_t kind) {
    const int parts[5] = {f.street, f.city, f.state, f.zip, f.country};
    if (std::all_of(parts, parts + 5, [&](int slot) { return Empty(r, slot); })) return;
    w_.Name("ADR");
    if (kind >= 0 && kind <= 2) w_.Param("TYPE", kAddressTypes[kind][v4_ ? 1 : 0]);
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
void CardMaker::WriteBirthday(double date) {
    std::string day = IsoDate(date);
    if (day.empty()) return;
    // 4.0 knows only the basic form of a date.
    if (v4_) day.erase(std::remove(day.begin(), day.end(), '-'), day.end());
    Line("BDAY", day);
}

}  // namespace tarvenne::vcard
