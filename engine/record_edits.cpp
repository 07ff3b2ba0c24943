// The merge of a contact into a record, for both layouts, through the layout's table of
// where each field lies: first listed, then applied.
#include "engine/record_edits.h"

#include "engine/record_contact_mapping.h"

#include <algorithm>
#include <cstring>

namespace tarvenne {
namespace {

constexpr std::size_t kPhoneCapacity = 24;  // a contact's phone fields
constexpr std::size_t kEmailCapacity = 64;
constexpr std::size_t kAddressCapacity[5] = {64, 32, 32, 16, 32};

std::size_t CapacityOfLabel(std::int32_t label) { return label == kEmail ? kEmailCapacity : kPhoneCapacity; }

// The contact's text for a phone label, and which of its texts that is. The fax label takes
// the home fax when there is no other fax.
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
        case kPager: *id = ContactText::kPager; return c.pager;
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

std::uint32_t Bytes(std::size_t n) { return static_cast<std::uint32_t>(n); }

// The phone slots as the merge fills them: each value sees the slots as the values before it
// left them. Slots a short row does not save are never offered.
class PhoneSlots {
public:
    PhoneSlots(const PalmRecord& r, int saved_fields) : r_(r), l_(r.Layout()) {
        for (int i = 0; i < l_.phones; ++i) {
            text_[i] = r.Text(l_.phone[i]);
            label_[i] = r.Integer(l_.phone_label[i]);
            why_[i] = ContactText::kWorkPhone;
            usable_[i] = l_.phone[i] < saved_fields && l_.phone_label[i] < saved_fields;
        }
    }

    std::string_view Text(int i) const { return text_[i]; }
    bool Filled(int i) const { return usable_[i] && !UpToNul(text_[i]).empty(); }
    // The first slot of the label whose text reads non-empty, else the first slot carrying
    // the label, else -1: where a named field reads and is written.
    int Named(std::int32_t label) const {
        int labelled = -1;
        for (int i = 0; i < l_.phones; ++i) {
            if (!usable_[i] || label_[i] != label) continue;
            if (Filled(i)) return i;
            if (labelled < 0) labelled = i;
        }
        return labelled;
    }
    // A slot of the label (any label when label < 0) that holds the value, or -1.
    int Holding(std::string_view value, std::size_t capacity, std::int32_t label) const {
        for (int i = 0; i < l_.phones; ++i)
            if (usable_[i] && (label < 0 || label_[i] == label) &&
                SlotHolds(text_[i], value, l_.width[l_.phone[i]], capacity))
                return i;
        return -1;
    }
    // The first slot whose text is empty, from `from` on, or -1.
    int FirstEmpty(int from = 0) const {
        for (int i = from; i < l_.phones; ++i)
            if (usable_[i] && text_[i].empty()) return i;
        return -1;
    }
    // The first empty slot after every filled slot of the label.
    int FreeAfter(std::int32_t label) const {
        int last = -1;
        for (int i = 0; i < l_.phones; ++i)
            if (label_[i] == label && Filled(i)) last = i;
        return FirstEmpty(last + 1);
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
    bool usable_[kMaxPhones];
};

class EditLister {
public:
    EditLister(const ContactRecord& c, const PalmRecord& r, bool new_record, int saved_fields, RecordEdits* out)
        : c_(c), r_(r), l_(r.Layout()), new_(new_record), saved_(saved_fields), out_(*out) {}

    void Run() {
        // In the order a user reads a contact; the order changes nothing, as every entry has
        // a position of its own.
        Text(ContactText::kFirstName, c_.first_name, 32, l_.first_name);
        Text(ContactText::kLastName, c_.last_name, 32, l_.last_name);
        Text(ContactText::kCompany, c_.company, 64, l_.company);
        Text(ContactText::kTitle, c_.title, 32, l_.title);
        Phones();
        Addresses();
        Text(ContactText::kWebPage, c_.web_page, 256, l_.web_page);
        Text(ContactText::kNote, c_.note, 2048, l_.note);
        for (int i = 0; i < kMaxCustoms; ++i) Text(CustomText(i), c_.custom[i], 64, i < l_.customs ? l_.custom[i] : -1);
        Birthday();
        for (std::size_t i = 0; i < c_.extras.size(); ++i)
            if (c_.extras[i].label < 0) NoRoom(ContactText::kExtra, c_.extras[i].text, -1, static_cast<int>(i));
    }

private:
    // A value the record has no room for: it is not written, and the report names it.
    void NoRoom(ContactText id, std::string_view value, std::int32_t label = -1, int extra = -1) {
        RecordEdit e;
        e.text = id;
        e.label = label;
        e.extra = extra;
        if (extra >= 0) e.words = c_.extras[static_cast<std::size_t>(extra)].words;
        e.to = value;
        e.length = Bytes(value.size());
        out_.Add(e);
    }

    // A position a save writes: -1 for a role the layout lacks or a short row does not save.
    int Saved(int position) const { return position < saved_ ? position : -1; }

    // A value for a text position: written when the stored text, as a contact reads it
    // with `capacity` bytes, is another; cut to the position's width.
    void Text(ContactText id, std::string_view value, std::size_t capacity, int position) {
        if (value.empty()) return;
        position = Saved(position);
        if (position < 0) return NoRoom(id, value);
        RecordEdit e;
        e.position = position;
        e.text = id;
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

    // A value for a phone slot: held already, or written there (relabelled when need be).
    void PhoneText(PhoneSlots& slots, int slot, std::int32_t label, ContactText id, std::string_view value,
                   int extra = -1) {
        RecordEdit e;
        e.position = l_.phone[slot];
        e.text = id;
        e.label = label;
        e.extra = extra;
        e.from = TextAsRead(r_.Text(e.position), CapacityOfLabel(label));
        e.length = Bytes(value.size());
        if (SlotHolds(slots.Text(slot), value, l_.width[e.position], CapacityOfLabel(label))) {
            // Held as the slot's width let it be written: a value cut then is still cut.
            e.to = e.from;
            e.kept = Bytes(std::min(value.size(), UpToNul(slots.Text(slot)).size()));
        } else {
            e.to = Fit(value, l_.width[e.position]);
            e.kept = Bytes(e.to.size());
            e.write = e.to != slots.Text(slot);
        }
        out_.Add(e);
        slots.Claim(slot, label, id, e.write ? e.to : std::string_view());
    }

    // The named phones in label order, the pager last, then the extras. A new record fills
    // its slots from the first on: each label takes the slot already carrying it, else the
    // first empty slot, which it relabels even without a value (for the next label to take
    // over); the pager takes a slot only when the contact has one. An existing record's
    // value is kept where a slot of its label holds it, else written into the first filled
    // slot of its label, else the first slot carrying the label, else the first empty slot.
    // An extra is kept where any slot holds it, else written into the first empty slot
    // after every filled slot of its label.
    void Phones() {
        PhoneSlots slots(r_, saved_);
        constexpr std::int32_t kOrder[] = {kWorkPhone, kHomePhone, kFax,         kOtherPhone,
                                           kEmail,     kMainPhone, kMobilePhone, kPager};
        for (const std::int32_t label : kOrder) {
            ContactText id;
            const std::string_view value = PhoneSource(c_, label, &id);
            if (value.empty() && (!new_ || label == kPager)) continue;
            int slot = -1;
            if (new_) {
                const int named = slots.Named(label);
                slot = named >= 0 && !value.empty() ? named : slots.FirstEmpty();
            } else {
                slot = slots.Holding(value, CapacityOfLabel(label), label);
                if (slot < 0) slot = slots.Named(label);
                if (slot < 0) slot = slots.FirstEmpty();
            }
            if (slot < 0) {
                if (!value.empty()) NoRoom(id, value, label);
            } else if (value.empty()) {
                slots.Claim(slot, label, id, {});
            } else {
                PhoneText(slots, slot, label, id, value);
            }
        }
        for (std::size_t i = 0; i < c_.extras.size(); ++i) {
            const ContactExtra& extra = c_.extras[i];
            if (extra.label < 0 || extra.text.empty()) continue;
            int slot = slots.Holding(extra.text, CapacityOfLabel(extra.label), -1);
            if (slot < 0) slot = slots.FreeAfter(extra.label);
            if (slot < 0) NoRoom(ContactText::kExtra, extra.text, extra.label, static_cast<int>(i));
            else PhoneText(slots, slot, extra.label, ContactText::kExtra, extra.text, static_cast<int>(i));
        }
        slots.ListLabels(&out_);
    }

    // Whether the block holds the address whole, every part as a contact reads it.
    bool Holds(const AddressFields& f, const ContactAddress& address) const {
        for (int part = 0; part < 5; ++part)
            if (TextAsRead(r_.Text(AddressPosition(f, part)), kAddressCapacity[part]) != AddressPart(address, part))
                return false;
        return true;
    }

    // By kind where the layout has kinds, else the one block is the work address. An
    // existing record's address stays where a block holds it whole, whatever the block's
    // kind (one Palm Desktop does not name, say); else it goes into the first block of its
    // kind, else into the first block whose texts are all empty, which takes the kind.
    void Addresses() {
        std::int32_t kind[kMaxAddresses];
        bool empty[kMaxAddresses], usable[kMaxAddresses], taken[kMaxAddresses] = {};
        for (int b = 0; b < l_.addresses; ++b) {
            const AddressFields& f = l_.address[b];
            kind[b] = f.kind < 0 ? b : r_.Integer(f.kind);
            empty[b] = true;
            usable[b] = f.kind < saved_;  // its texts past a short row find no room one by one
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
                block = a < l_.addresses && usable[a] ? a : -1;
            } else {
                for (int b = 0; b < l_.addresses && block < 0; ++b)
                    if (usable[b] && !taken[b] && Holds(l_.address[b], address)) block = b;
                if (block >= 0) {
                    taken[block] = true;
                    for (int part = 0; part < 5; ++part)
                        Text(AddressText(a, part), AddressPart(address, part), kAddressCapacity[part],
                             AddressPosition(l_.address[block], part));
                    continue;
                }
                for (int b = 0; b < l_.addresses && block < 0; ++b)
                    if (kind[b] == a && usable[b] && !taken[b]) block = b;
                for (int b = 0; b < l_.addresses && block < 0; ++b)
                    if (empty[b] && usable[b] && !taken[b] && l_.address[b].kind >= 0) block = b;
            }
            if (block >= 0) {
                taken[block] = true;
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
            if (position < 0 || !usable[b] || kind[b] == r_.Integer(position)) continue;
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
        if (c_.birthday == 0.0) return;
        RecordEdit e;
        e.kind = EditKind::kDate;
        e.text = ContactText::kBirthday;
        e.position = Saved(l_.birthday);
        e.to_number = BitsOf(c_.birthday);
        if (e.position >= 0) {
            e.from_number = r_.Long(l_.birthday);
            e.write = e.from_number != e.to_number;
        }
        out_.Add(e);
    }

    const ContactRecord& c_;
    const PalmRecord& r_;
    const RecordLayout& l_;
    const bool new_;
    const int saved_;
    RecordEdits& out_;
};

}  // namespace

bool SlotHolds(std::string_view stored, std::string_view value, std::size_t width, std::size_t capacity) {
    const std::string_view text = UpToNul(stored);
    if (text == Fit(value, width)) return true;
    // A text wider than the slot (written by Palm Desktop, say) holds the value a read of it
    // gives: the value itself, or, where the contact's field cut it, its start. It stays.
    return capacity > 0 && TextAsRead(text, capacity) == value;
}

void ListEdits(const ContactRecord& contact, const PalmRecord& record, bool new_record, RecordEdits* out,
               int saved_fields) {
    out->Clear();
    EditLister(contact, record, new_record, saved_fields, out).Run();
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

}  // namespace tarvenne
