// Records into contacts and contacts into records, for both layouts, through the layout's
// table of where each field lies.
#include "engine/record_contact_mapping.h"

#include <cstring>

namespace tarvenne {
namespace {

constexpr std::size_t kPhoneCapacity = 24;  // a contact's phone fields
constexpr std::size_t kEmailCapacity = 64;

std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

std::size_t CapacityOfLabel(std::int32_t label) {
    return label == kEmail ? kEmailCapacity : kPhoneCapacity;
}

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
        default: return {};
    }
}

const ContactAddress& AddressOf(const ContactRecord& c, int i) {
    return i == 0 ? c.work : i == 1 ? c.home : c.other;
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

constexpr std::size_t kAddressCapacity[5] = {64, 32, 32, 16, 32};

int AddressSlot(const AddressFields& f, int part) {
    const int slots[5] = {f.street, f.city, f.state, f.zip, f.country};
    return slots[part];
}

std::uint64_t BitsOf(double date) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &date, sizeof bits);
    return bits;
}

// Walks what writing the contact into the record changes, in the order a write makes the
// changes, and hands each one to the sink (a change that would leave the bytes as they
// are is not one). The record is only read: the phone slots and address blocks are
// followed here, because a value written into an empty slot takes it from the next one.
//
// A sink has Text(slot, text), Integer(slot, value) and Long(slot, value), each returning
// false to stop the walk, and Kept(ContactText, bytes).
template <class Sink>
bool Plan(const ContactRecord& c, bool new_record, const PalmRecord& r, Sink& sink) {
    const RecordLayout& l = r.Layout();

    const auto text = [&](ContactText id, std::string_view value, std::size_t capacity,
                          int slot) {
        if (value.empty()) return true;
        if (slot < 0) {
            sink.Kept(id, 0);
            return true;
        }
        const std::string_view stored = r.Text(slot);
        if (!new_record && TextAsRead(stored, capacity) == value) {
            sink.Kept(id, static_cast<std::uint32_t>(value.size()));
            return true;
        }
        const std::string_view fitted = Fit(value, l.width[slot]);
        sink.Kept(id, static_cast<std::uint32_t>(fitted.size()));
        return fitted == stored || sink.Text(slot, fitted);
    };

    // Phones.
    std::string_view phone[kMaxPhones];
    std::int32_t label[kMaxPhones];
    for (int i = 0; i < l.phones; ++i) {
        phone[i] = r.Text(l.phone[i]);
        label[i] = r.Integer(l.phone_label[i]);
    }
    const auto put_phone = [&](int i, std::int32_t to, ContactText id, std::string_view value) {
        if (label[i] != to) {
            label[i] = to;
            if (!sink.Integer(l.phone_label[i], to)) return false;
        }
        if (value.empty()) return true;
        const std::string_view fitted = Fit(value, l.width[l.phone[i]]);
        sink.Kept(id, static_cast<std::uint32_t>(fitted.size()));
        if (fitted == phone[i]) return true;
        phone[i] = fitted;
        return sink.Text(l.phone[i], fitted);
    };
    for (std::int32_t to = kWorkPhone; to <= kMobilePhone; ++to) {
        ContactText id = ContactText::kWorkPhone;
        const std::string_view value = PhoneSource(c, to, &id);
        int labelled = -1, read = -1, empty = -1;
        for (int i = 0; i < l.phones; ++i) {
            if (label[i] == to && labelled < 0) labelled = i;
            if (label[i] == to && !TextAsRead(phone[i], CapacityOfLabel(to)).empty()) read = i;
            if (phone[i].empty() && empty < 0) empty = i;
        }
        if (new_record) {
            // Each label takes the slot already carrying it, else the first empty slot,
            // which it relabels even without a value (for the next label to take over).
            if (labelled >= 0 && to == kPager) continue;
            const int slot = labelled >= 0 && !value.empty() ? labelled : empty;
            if (slot >= 0) {
                if (!put_phone(slot, to, id, value)) return false;
            } else if (!value.empty()) {
                sink.Kept(id, 0);
            }
            continue;
        }
        if (value.empty()) continue;
        // The slot a read takes, so that what is written is what the next read sees.
        const int slot = read >= 0 ? read : labelled >= 0 ? labelled : empty;
        if (slot < 0) {
            sink.Kept(id, 0);
        } else if (read >= 0 && TextAsRead(phone[read], CapacityOfLabel(to)) == value) {
            sink.Kept(id, static_cast<std::uint32_t>(value.size()));
        } else if (!put_phone(slot, to, id, value)) {
            return false;
        }
    }
    if (!c.fax.empty() && !c.home_fax.empty()) sink.Kept(ContactText::kHomeFax, 0);

    // Names, company, title, note, custom texts.
    if (!text(ContactText::kFirstName, c.first_name, 32, l.first_name) ||
        !text(ContactText::kLastName, c.last_name, 32, l.last_name) ||
        !text(ContactText::kCompany, c.company, 64, l.company) ||
        !text(ContactText::kTitle, c.title, 32, l.title) ||
        !text(ContactText::kNote, c.note, 2048, l.note))
        return false;
    for (int i = 0; i < kMaxCustoms; ++i)
        if (!text(CustomText(i), c.custom[i], 64, i < l.customs ? l.custom[i] : -1)) return false;

    // Addresses: by kind where the layout has kinds, else the one block is the work address.
    std::int32_t kind[kMaxAddresses];
    bool block_empty[kMaxAddresses];
    for (int b = 0; b < l.addresses; ++b) {
        const AddressFields& f = l.address[b];
        kind[b] = f.kind < 0 ? b : r.Integer(f.kind);
        block_empty[b] = true;
        for (int part = 0; part < 5; ++part)
            block_empty[b] = block_empty[b] && r.Text(AddressSlot(f, part)).empty();
    }
    for (int a = 0; a < kMaxAddresses; ++a) {
        const ContactAddress& address = AddressOf(c, a);
        bool has_text = false;
        for (int part = 0; part < 5; ++part) has_text = has_text || !AddressPart(address, part).empty();
        if (!has_text) continue;
        int block = -1;
        if (new_record) {
            block = a < l.addresses ? a : -1;
        } else {
            for (int b = 0; b < l.addresses && block < 0; ++b)
                if (kind[b] == a) block = b;
            for (int b = 0; b < l.addresses && block < 0; ++b)
                if (block_empty[b] && l.address[b].kind >= 0) block = b;
        }
        if (block >= 0 && l.address[block].kind >= 0 && kind[block] != a) {
            kind[block] = a;
            if (!sink.Integer(l.address[block].kind, a)) return false;
        }
        if (block >= 0) block_empty[block] = false;
        for (int part = 0; part < 5; ++part) {
            const int slot = block >= 0 ? AddressSlot(l.address[block], part) : -1;
            if (!text(AddressText(a, part), AddressPart(address, part), kAddressCapacity[part], slot))
                return false;
        }
    }
    // A new record of the newer layout has its three blocks of kind 0, 1 and 2 whatever
    // the contact holds.
    for (int b = 0; new_record && b < l.addresses; ++b) {
        if (l.address[b].kind >= 0 && kind[b] != b && !sink.Integer(l.address[b].kind, b))
            return false;
    }

    // A contact without a birthday (0) is no reason to drop the one the record has.
    if (l.birthday >= 0 && c.birthday != 0.0 && BitsOf(c.birthday) != r.Long(l.birthday) &&
        !sink.Long(l.birthday, BitsOf(c.birthday)))
        return false;
    return true;
}

struct ChangeFinder {
    bool changed = false;
    bool Text(int, std::string_view) { return Stop(); }
    bool Integer(int, std::int32_t) { return Stop(); }
    bool Long(int, std::uint64_t) { return Stop(); }
    void Kept(ContactText, std::uint32_t) {}
    bool Stop() {
        changed = true;
        return false;
    }
};

struct RecordWriter {
    PalmRecord& record;
    std::vector<TextKept>* kept;
    bool Text(int slot, std::string_view text) { return record.SetText(slot, text); }
    bool Integer(int slot, std::int32_t value) {
        record.SetInteger(slot, value);
        return true;
    }
    bool Long(int slot, std::uint64_t value) {
        record.SetLong(slot, value);
        return true;
    }
    void Kept(ContactText text, std::uint32_t bytes) {
        if (kept) kept->push_back(TextKept{text, bytes});
    }
};

}  // namespace

std::string_view TextAsRead(std::string_view stored, std::size_t capacity) {
    return Fit(UpToNul(stored), capacity);
}

int PhoneSlotRead(const PalmRecord& record, std::int32_t label) {
    const RecordLayout& l = record.Layout();
    int read = -1;
    for (int i = 0; i < l.phones; ++i) {
        // Reads non-empty: holds a byte before any NUL.
        const std::string_view text = record.Text(l.phone[i]);
        if (record.Integer(l.phone_label[i]) == label && !text.empty() && text[0] != '\0') read = i;
    }
    return read;
}

void ReadContact(const PalmRecord& r, ContactRecord* contact) {
    const RecordLayout& l = r.Layout();
    ContactRecord& c = *contact;
    const auto read = [&r](int slot) { return UpToNul(r.Text(slot)); };
    c.first_name = read(l.first_name);
    c.last_name = read(l.last_name);
    c.company = read(l.company);
    c.title = read(l.title);
    c.note = read(l.note);
    for (int i = 0; i < l.customs; ++i) c.custom[i] = read(l.custom[i]);
    for (int a = 0; a < kMaxAddresses; ++a) {
        int block = -1;
        for (int b = 0; b < l.addresses && block < 0; ++b) {
            const int kind = l.address[b].kind < 0 ? b : r.Integer(l.address[b].kind);
            if (kind == a) block = b;
        }
        if (block < 0) continue;
        const AddressFields& f = l.address[block];
        ContactAddress& to = a == 0 ? c.work : a == 1 ? c.home : c.other;
        to.street = read(f.street);
        to.city = read(f.city);
        to.state = read(f.state);
        to.postal_code = read(f.zip);
        to.country = read(f.country);
    }
    for (int i = 0; i < l.phones; ++i) {
        const std::string_view text = read(l.phone[i]);
        if (text.empty()) continue;
        switch (r.Integer(l.phone_label[i])) {
            case kWorkPhone: c.work_phone = text; break;
            case kHomePhone: c.home_phone = text; break;
            case kFax: c.fax = text; break;
            case kOtherPhone: c.other_phone = text; break;
            case kEmail: c.email = text; break;
            case kMainPhone: c.main_phone = text; break;
            case kMobilePhone: c.mobile_phone = text; break;
            default: break;
        }
    }
    if (l.birthday >= 0) {
        const std::uint64_t bits = r.Long(l.birthday);
        std::memcpy(&c.birthday, &bits, sizeof bits);
    }
}

bool WriteContact(const ContactRecord& contact, bool new_record, PalmRecord* record,
                  std::vector<TextKept>* kept) {
    RecordWriter writer{*record, kept};
    return Plan(contact, new_record, *record, writer);
}

bool MergeLeavesRecordUnchanged(const ContactRecord& contact, const PalmRecord& record) {
    ChangeFinder finder;
    Plan(contact, false, record, finder);
    return !finder.changed;
}

}  // namespace tarvenne
