// The merge of a contact into a record, for both layouts, through the layout's table of
// where each field lies: first listed, then applied.
#include "engine/record_edits.h"

#include "engine/record_contact_mapping.h"

#include <cstdio>
#include <cstring>

namespace tarvenne {
namespace {

constexpr std::size_t kPhoneCapacity = 24;  // a contact's phone fields
constexpr std::size_t kEmailCapacity = 64;
constexpr std::size_t kAddressCapacity[5] = {64, 32, 32, 16, 32};

std::size_t CapacityOfLabel(std::int32_t label) { return label == kEmail ? kEmailCapacity : kPhoneCapacity; }

// The contact's text for a phone label, and which of its texts that is; label 6 (pager)
// has no source. The fax label takes the home fax when there is no fax.
std::string_view PhoneSource(const ContactRecord& c, std::int32_t label, ContactText* id) {
    switch (label) {
        case kWorkPhone: *id = ContactText::kWorkPhone; return c.work_phone;
        case kHomePhone: *id = ContactText::kHomePhone; return c.home_phone;
        case kFax:
            if (!c.fax.empty()) {
                *id = ContactText::kFax;
                return c.fax;
            }
            *id = ContactText::kHomeFax;
            return c.home_fax;
        case kOtherPhone: *id = ContactText::kOtherPhone; return c.other_phone;
        case kEmail: *id = ContactText::kEmail; return c.email;
        case kMainPhone: *id = ContactText::kMainPhone; return c.main_phone;
        case kMobilePhone: *id = ContactText::kMobilePhone; return c.mobile_phone;
        default: *id = ContactText::kOtherPhone; return {};
    }
}

const ContactAddress& AddressOf(const ContactRecord& c, int kind) {
    return kind == 0 ? c.work : kind == 1 ? c.home : c.other;
}

std::string_view AddressPart(const ContactAddress& a, int part) {
    switch (part) {
        case 0: return a.street;
        case 1: return a.city;
        case 2: return a.state;
        case 3: return a.postal_code;
        default: return a.country;
    }
}

int AddressPosition(const AddressFields& f, int part) {
    const int positions[5] = {f.street, f.city, f.state, f.zip, f.country};
    return positions[part];
}

std::uint64_t BitsOf(double date) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &date, sizeof bits);
    return bits;
}

double DateOf(std::uint64_t bits) {
    double date = 0;
    std::memcpy(&date, &bits, sizeof date);
    return date;
}

std::uint32_t Bytes(std::size_t n) { return static_cast<std::uint32_t>(n); }

// The phone slots as the merge fills them. A value put into an empty slot takes that slot
// from every label after it, so each label looks at the slots as the labels before it
// left them.
class PhoneSlots {
public:
    explicit PhoneSlots(const PalmRecord& r) : r_(r), l_(r.Layout()) {
        for (int i = 0; i < l_.phones; ++i) {
            text_[i] = r.Text(l_.phone[i]);
            label_[i] = r.Integer(l_.phone_label[i]);
            why_[i] = ContactText::kWorkPhone;
        }
    }

    int Count() const { return l_.phones; }
    std::string_view Text(int i) const { return text_[i]; }
    std::int32_t Label(int i) const { return label_[i]; }
    // The first slot carrying the label, or -1.
    int FirstLabelled(std::int32_t label) const {
        for (int i = 0; i < l_.phones; ++i)
            if (label_[i] == label) return i;
        return -1;
    }
    // The slot a read takes for the label: the last whose text reads non-empty, or -1.
    int Read(std::int32_t label) const {
        int read = -1;
        for (int i = 0; i < l_.phones; ++i)
            if (label_[i] == label && !TextAsRead(text_[i], CapacityOfLabel(label)).empty()) read = i;
        return read;
    }
    // The first slot whose text is empty, or -1.
    int FirstEmpty() const {
        for (int i = 0; i < l_.phones; ++i)
            if (text_[i].empty()) return i;
        return -1;
    }
    void Claim(int i, std::int32_t label, ContactText why, std::string_view text) {
        if (label_[i] != label) why_[i] = why;
        label_[i] = label;
        if (!text.empty()) text_[i] = text;
    }
    // One entry per slot whose label ends up other than the record's.
    void ListLabels(RecordEdits* out) const {
        for (int i = 0; i < l_.phones; ++i) {
            const std::int32_t was = r_.Integer(l_.phone_label[i]);
            if (label_[i] == was) continue;
            RecordEdit e;
            e.kind = EditKind::kLabel;
            e.position = l_.phone_label[i];
            e.text = why_[i];
            e.label = label_[i];
            e.from_number = static_cast<std::uint32_t>(was);
            e.to_number = static_cast<std::uint32_t>(label_[i]);
            e.write = true;
            out->Add(e);
        }
    }

private:
    const PalmRecord& r_;
    const RecordLayout& l_;
    std::string_view text_[kMaxPhones];
    std::int32_t label_[kMaxPhones];
    ContactText why_[kMaxPhones];  // the value that relabelled the slot
};

class EditLister {
public:
    EditLister(const ContactRecord& c, const PalmRecord& r, bool new_record, RecordEdits* out)
        : c_(c), r_(r), l_(r.Layout()), new_(new_record), out_(*out) {}

    void Run() {
        // In the order a user reads a contact; the order changes nothing, as every entry has
        // a position of its own.
        Text(ContactText::kFirstName, c_.first_name, 32, l_.first_name);
        Text(ContactText::kLastName, c_.last_name, 32, l_.last_name);
        Text(ContactText::kCompany, c_.company, 64, l_.company);
        Text(ContactText::kTitle, c_.title, 32, l_.title);
        Phones();
        Addresses();
        Text(ContactText::kNote, c_.note, 2048, l_.note);
        for (int i = 0; i < kMaxCustoms; ++i) Text(CustomText(i), c_.custom[i], 64, i < l_.customs ? l_.custom[i] : -1);
        Birthday();
    }

private:
    // A value the record has no room for.
    void NoRoom(ContactText id, std::string_view value, std::int32_t label = -1) {
        RecordEdit e;
        e.text = id;
        e.label = label;
        e.to = value;
        e.length = Bytes(value.size());
        out_.Add(e);
    }

    // A value for a text position: written when the stored text, as a contact reads it
    // with `capacity` bytes, is another; cut to the position's width.
    void Text(ContactText id, std::string_view value, std::size_t capacity, int position,
              std::int32_t label = -1) {
        if (value.empty()) return;
        if (position < 0) return NoRoom(id, value, label);
        RecordEdit e;
        e.position = position;
        e.text = id;
        e.label = label;
        e.length = Bytes(value.size());
        const std::string_view stored = r_.Text(position);
        e.from = TextAsRead(stored, capacity);
        if (!new_ && e.from == value) {
            e.to = value;
            e.kept = e.length;
        } else {
            e.to = Fit(value, l_.width[position]);
            e.kept = Bytes(e.to.size());
            e.write = e.to != stored;
        }
        out_.Add(e);
    }

    // Each label in turn. A new record's label takes the slot already carrying it, else
    // the first empty slot, which it relabels even without a value (for the next label to
    // take over). An existing record's label is written where a read finds it, else into
    // the first slot carrying it, else into the first empty slot, relabelled.
    void Phones() {
        PhoneSlots slots(r_);
        for (std::int32_t label = kWorkPhone; label <= kMobilePhone; ++label) {
            ContactText id;
            const std::string_view value = PhoneSource(c_, label, &id);
            const int labelled = slots.FirstLabelled(label);
            int slot = -1;
            if (new_) {
                if (labelled >= 0 && label == kPager) continue;
                slot = labelled >= 0 && !value.empty() ? labelled : slots.FirstEmpty();
            } else {
                if (value.empty()) continue;
                const int read = slots.Read(label);
                slot = read >= 0 ? read : labelled >= 0 ? labelled : slots.FirstEmpty();
                if (read >= 0 && TextAsRead(slots.Text(read), CapacityOfLabel(label)) == value) {
                    // Held already, as a read gives it: nothing to write.
                    RecordEdit e;
                    e.position = l_.phone[read];
                    e.text = id;
                    e.label = label;
                    e.from = e.to = value;
                    e.length = e.kept = Bytes(value.size());
                    out_.Add(e);
                    continue;
                }
            }
            if (slot < 0) {
                if (!value.empty()) NoRoom(id, value, label);
                continue;
            }
            if (!value.empty()) PhoneText(slots, slot, label, id, value);
            slots.Claim(slot, label, id, value.empty() ? std::string_view() : out_.All().back().to);
        }
        slots.ListLabels(&out_);
        // The fax label holds one number: with a fax, the home fax finds no room.
        if (!c_.fax.empty() && !c_.home_fax.empty()) NoRoom(ContactText::kHomeFax, c_.home_fax, kFax);
    }

    void PhoneText(const PhoneSlots& slots, int slot, std::int32_t label, ContactText id, std::string_view value) {
        RecordEdit e;
        e.position = l_.phone[slot];
        e.text = id;
        e.label = label;
        e.from = TextAsRead(r_.Text(e.position), CapacityOfLabel(label));
        e.to = Fit(value, l_.width[e.position]);
        e.length = Bytes(value.size());
        e.kept = Bytes(e.to.size());
        e.write = e.to != slots.Text(slot);
        out_.Add(e);
    }

    // By kind where the layout has kinds, else the one block is the work address. An
    // existing record's address goes into the first block of its kind, else into the
    // first block whose texts are all empty, which takes the kind.
    void Addresses() {
        std::int32_t kind[kMaxAddresses];
        bool empty[kMaxAddresses];
        for (int b = 0; b < l_.addresses; ++b) {
            const AddressFields& f = l_.address[b];
            kind[b] = f.kind < 0 ? b : r_.Integer(f.kind);
            empty[b] = true;
            for (int part = 0; part < 5; ++part) empty[b] = empty[b] && r_.Text(AddressPosition(f, part)).empty();
        }
        ContactText why[kMaxAddresses] = {AddressText(0, 0), AddressText(1, 0), AddressText(2, 0)};
        for (int a = 0; a < kMaxAddresses; ++a) {
            const ContactAddress& address = AddressOf(c_, a);
            bool has_text = false;
            for (int part = 0; part < 5; ++part) has_text = has_text || !AddressPart(address, part).empty();
            if (!has_text) continue;
            int block = -1;
            if (new_) {
                block = a < l_.addresses ? a : -1;
            } else {
                for (int b = 0; b < l_.addresses && block < 0; ++b)
                    if (kind[b] == a) block = b;
                for (int b = 0; b < l_.addresses && block < 0; ++b)
                    if (empty[b] && l_.address[b].kind >= 0) block = b;
            }
            if (block >= 0) {
                if (kind[block] != a) why[block] = AddressText(a, 0);
                kind[block] = a;
                empty[block] = false;
            }
            for (int part = 0; part < 5; ++part)
                Text(AddressText(a, part), AddressPart(address, part), kAddressCapacity[part],
                     block >= 0 ? AddressPosition(l_.address[block], part) : -1);
        }
        // A new record of the newer layout has its three blocks of kind 0, 1 and 2 whatever
        // the contact holds.
        for (int b = 0; new_ && b < l_.addresses; ++b) kind[b] = b;
        for (int b = 0; b < l_.addresses; ++b) {
            const int position = l_.address[b].kind;
            if (position < 0 || kind[b] == r_.Integer(position)) continue;
            RecordEdit e;
            e.kind = EditKind::kKind;
            e.position = position;
            e.text = why[b];
            e.from_number = static_cast<std::uint32_t>(r_.Integer(position));
            e.to_number = static_cast<std::uint32_t>(kind[b]);
            e.write = true;
            out_.Add(e);
        }
    }

    // A contact without a birthday (0) is no reason to drop the one the record has.
    void Birthday() {
        if (l_.birthday < 0 || c_.birthday == 0.0) return;
        RecordEdit e;
        e.kind = EditKind::kDate;
        e.position = l_.birthday;
        e.from_number = r_.Long(l_.birthday);
        e.to_number = BitsOf(c_.birthday);
        e.write = e.from_number != e.to_number;
        out_.Add(e);
    }

    const ContactRecord& c_;
    const PalmRecord& r_;
    const RecordLayout& l_;
    const bool new_;
    RecordEdits& out_;
};

const char* const kLabelWords[8] = {"Work Phone", "Home Phone", "Fax",         "Other Phone",
                                    "E-Mail",     "Main Phone", "Pager",       "Mobile Phone"};
const char* const kKindWords[3] = {"Work address", "Home address", "Other address"};
const char* const kAddressWords[3][5] = {
    {"Work address: Street", "Work address: City", "Work address: State", "Work address: Postal Code",
     "Work address: Country"},
    {"Home address: Street", "Home address: City", "Home address: State", "Home address: Postal Code",
     "Home address: Country"},
    {"Other address: Street", "Other address: City", "Other address: State", "Other address: Postal Code",
     "Other address: Country"}};
const char* const kCustomWords[kMaxCustoms] = {"Custom 1", "Custom 2", "Custom 3", "Custom 4", "Custom 5",
                                               "Custom 6", "Custom 7", "Custom 8", "Custom 9"};

}  // namespace

void ListEdits(const ContactRecord& contact, const PalmRecord& record, bool new_record, RecordEdits* out) {
    out->Clear();
    EditLister(contact, record, new_record, out).Run();
}

bool ApplyEdits(const RecordEdits& edits, PalmRecord* record) {
    for (const RecordEdit& e : edits.All()) {
        if (!e.write) continue;
        switch (e.kind) {
            case EditKind::kText:
                if (!record->SetText(e.position, e.to)) return false;
                break;
            case EditKind::kLabel:
            case EditKind::kKind: record->SetInteger(e.position, static_cast<std::int32_t>(e.to_number)); break;
            case EditKind::kDate: record->SetLong(e.position, e.to_number); break;
        }
    }
    return true;
}

const PalmRecord& BlankRecord(const RecordLayout& layout) {
    // Every slot zero: integers 0, texts and blobs of no bytes, which no store is asked for.
    static FieldSlot zeros[kMaxRecordFields] = {};
    static FieldStore nothing;
    static const PalmRecord classic(zeros, &nothing, &ClassicLayout());
    static const PalmRecord palmsg(zeros, &nothing, &PalmSgLayout());
    return &layout == &ClassicLayout() ? classic : palmsg;
}

const char* FieldWords(const RecordEdit& e) {
    if (e.kind == EditKind::kDate) return "Birthday";
    if (e.label >= 0 && e.label < 8) return kLabelWords[e.label];
    const int t = static_cast<int>(e.text);
    if (e.text >= ContactText::kWorkStreet && e.text <= ContactText::kOtherCountry) {
        const int at = t - static_cast<int>(ContactText::kWorkStreet);
        return e.kind == EditKind::kKind ? kKindWords[at / 5] : kAddressWords[at / 5][at % 5];
    }
    if (e.text >= ContactText::kCustom1) {
        const int i = t - static_cast<int>(ContactText::kCustom1);
        return i < kMaxCustoms ? kCustomWords[i] : "Custom";
    }
    switch (e.text) {
        case ContactText::kFirstName: return "First Name";
        case ContactText::kLastName: return "Last Name";
        case ContactText::kHomePhone: return kLabelWords[kHomePhone];
        case ContactText::kWorkPhone: return kLabelWords[kWorkPhone];
        case ContactText::kMobilePhone: return kLabelWords[kMobilePhone];
        case ContactText::kMainPhone: return kLabelWords[kMainPhone];
        case ContactText::kOtherPhone: return kLabelWords[kOtherPhone];
        case ContactText::kEmail: return kLabelWords[kEmail];
        case ContactText::kFax: return "Fax";
        case ContactText::kHomeFax: return "Home Fax";
        case ContactText::kCompany: return "Company";
        case ContactText::kTitle: return "Title";
        case ContactText::kWebPage: return "Web Page";
        case ContactText::kNote: return "Note";
        default: return "";
    }
}

std::string EditValueText(const RecordEdit& e, bool after) {
    const std::uint64_t number = after ? e.to_number : e.from_number;
    switch (e.kind) {
        case EditKind::kText: return std::string(after ? e.to : e.from);
        case EditKind::kDate: return IsoDate(DateOf(number));
        case EditKind::kLabel: return number < 8 ? kLabelWords[number] : std::to_string(number);
        case EditKind::kKind: return number < 3 ? kKindWords[number] : std::to_string(number);
    }
    return std::string();
}

std::string EditLine(const RecordEdit& e, std::size_t shown) {
    const auto value = [shown](const std::string& text) {
        if (text.empty()) return std::string("(empty)");
        std::string line;
        const std::size_t keep = CharacterSafeLength(text, shown, TextCodePage());
        for (std::size_t i = 0; i < keep; ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
            if (text[i] == '\r' || text[i] == '\n') line += "\\n";
            else line += text[i];
        }
        return keep < text.size() ? line + "..." : line;
    };
    return std::string(FieldWords(e)) + ": " + value(EditValueText(e, false)) + " -> " + value(EditValueText(e, true));
}

std::string IsoDate(double automation_date) {
    // The whole days count toward 30 December 1899 from either side; the fraction is the
    // time of that day, also before it.
    if (!(automation_date > -657435.0 && automation_date < 2958466.0) || automation_date == 0.0)
        return std::string();
    const long long days = static_cast<long long>(automation_date) - 25569;  // from 1970-01-01
    // The civil date of a day count (the proleptic Gregorian calendar).
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long day = doy - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[16];  // the range above keeps the year to four digits
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", static_cast<int>(year), static_cast<int>(month),
                  static_cast<int>(day));
    return text;
}

}  // namespace tarvenne
