// Records into contacts, for both layouts, through the layout's table of where each field
// lies.
#include "engine/record_contact_mapping.h"

#include <cstring>

namespace tarvenne {
std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

std::string_view TextAsRead(std::string_view stored, std::size_t capacity) {
    return Fit(UpToNul(stored), capacity);
}

int PhoneSlotRead(const PalmRecord& record, std::int32_t label) {
    const RecordLayout& l = record.Layout();
    int read = -1;
    for (int i = 0; i < l.phones; ++i) {
        // Reads non-empty: holds a byte before any NUL.
        const std::string_view text = record.Text(l.phone[i]);
        if (record.Integer(l.phone_label[i]) == label && !text.empty() && text[0] != '\0') return i;
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
    bool named[8] = {};
    for (int i = 0; i < l.phones; ++i) {
        const std::string_view text = read(l.phone[i]);
        const std::int32_t label = r.Integer(l.phone_label[i]);
        if (text.empty() || label < 0 || label > 7) continue;
        if (named[label]) {
            ContactExtra extra;
            extra.label = label;
            extra.text = text;
            c.extras.push_back(std::move(extra));
            continue;
        }
        named[label] = true;
        switch (label) {
            case kWorkPhone: c.work_phone = text; break;
            case kHomePhone: c.home_phone = text; break;
            case kFax: c.fax = text; break;
            case kOtherPhone: c.other_phone = text; break;
            case kEmail: c.email = text; break;
            case kMainPhone: c.main_phone = text; break;
            case kPager: c.pager = text; break;
            default: c.mobile_phone = text; break;
        }
    }
    if (l.web_page >= 0) c.web_page = read(l.web_page);
    if (l.birthday >= 0) {
        const std::uint64_t bits = r.Long(l.birthday);
        std::memcpy(&c.birthday, &bits, sizeof bits);
    }
}

}  // namespace tarvenne
