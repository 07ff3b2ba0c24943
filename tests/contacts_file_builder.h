// Contacts files of both layouts assembled byte by byte from the layout tables as the file
// format describes them (not through the program's writers), with every encoding choice a
// reader must accept, and records described either position by position (Row) or by what
// they hold (Person).
#pragma once

#include "tests/byte_builder.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

// People and rows are written with only the members a test needs.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace tarvenne::testing {

enum class Layout { kClassic, kPalmSg };

// One letter per position: I integer, B boolean, T text, O blob, L eight-byte value.
inline const char* Kinds(Layout l) {
    return l == Layout::kClassic
               ? "IIITTTTITITITITITTTTTTTBITTTTI"
               : "IIIIIIBOOOOTTTTTTITTTTTTTTIIIIIIITTTTTTTTTITTTTTITTTTTITTTTTTTIITLBIITTTT";
}
inline int FieldsOf(Layout l) { return static_cast<int>(std::strlen(Kinds(l))); }
// The name a test of either layout runs under, as a test name generator takes it.
inline const auto kLayoutName = [](const auto& info) { return info.param == Layout::kClassic ? "Classic" : "PalmSg"; };

// A record as the file holds it: per position a number (integers, booleans, the eight-byte
// value, a blob's w0) or bytes (texts, a blob's data: none makes w1 = 0).
struct Row {
    explicit Row(Layout layout) : number(FieldsOf(layout), 0), text(FieldsOf(layout)) {}
    Row& Set(int position, std::uint64_t value) {
        number[position] = value;
        return *this;
    }
    Row& Set(int position, std::string value) {
        text[position] = std::move(value);
        return *this;
    }
    std::vector<std::uint64_t> number;
    std::vector<std::string> text;
};

struct Category {
    std::int32_t slot, id;
    std::string name, safe_name;
};

// Everything a file holds besides its records, and the encodings a reader must accept.
struct FileOptions {
    std::string stored_name = "C:\\Palm\\User\\address\\address.dat";
    std::string header = "Address book\r\n";  // classic only
    std::vector<Category> categories;
    std::uint32_t category_count_high = 0;    // bits above the low 16 of the count word
    int fields_per_record = -1;               // -1: the full row
    std::int64_t entry_count = -1;            // -1: records x fields per record
    std::vector<std::uint8_t> trailing;
    std::uint32_t integer_tag = 1, boolean_tag = 6, marker = 1, long_tag = 68;
    bool long_form = false;  // every text in the FF-length form
    std::uint32_t next_id_bytes = 0xFFFFFFFF;  // palmsg header bytes 12 and 13; default: 0x1000 + n
    std::vector<std::string> custom_labels = {"Birthday club"};  // palmsg; the rest empty
};

inline std::vector<std::uint8_t> BuildFile(Layout layout, const std::vector<Row>& rows,
                                           const FileOptions& o = FileOptions()) {
    const bool palmsg = layout == Layout::kPalmSg;
    const char* kinds = Kinds(layout);
    const int full = FieldsOf(layout);
    const int fields = o.fields_per_record >= 0 ? o.fields_per_record : full;
    ByteBuilder b;
    if (palmsg) {
        b.Raw("\xBE\xBA\xFE\xCA\x0F" "PalmSG Database00RV");
        b.Int32(0x41420200);
        const std::uint32_t next = o.next_id_bytes != 0xFFFFFFFF ? o.next_id_bytes
                                                                 : 0x1000 + static_cast<std::uint32_t>(rows.size());
        for (int i = 0; i < 24; ++i)  // carried bytes, but for the next record id
            b.Byte(i == 12 ? static_cast<std::uint8_t>(next) : i == 13 ? static_cast<std::uint8_t>(next >> 8)
                                                                      : static_cast<std::uint8_t>(0xA0 + i));
        b.CString(o.stored_name);
        for (int i = 0; i < 11; ++i) b.Byte(static_cast<std::uint8_t>(i + 1));
        for (std::size_t i = 0; i < 9; ++i) b.CString(i < o.custom_labels.size() ? o.custom_labels[i] : "").Int32(0);
        for (int i = 0; i < 42; ++i) b.Byte(static_cast<std::uint8_t>(0x40 + i));
    } else {
        b.Int32(0x41420100).CString(o.stored_name).CString(o.header);
    }
    b.Int32(128 + static_cast<std::uint32_t>(o.categories.size()))
        .Int32(static_cast<std::uint32_t>(o.categories.size()) | o.category_count_high << 16);
    for (const Category& c : o.categories)
        b.Int32(c.slot).Int32(c.id).Int32(0).CString(c.name).CString(c.safe_name);
    b.Int32(74).Int32(fields).Int32(0).Int32(palmsg ? 2 : 1).Int32(palmsg ? 4 : 2).Int16(fields);
    std::uint16_t blob_tag = 64;
    for (int p = 0; p < fields; ++p) {
        const char k = p < full ? kinds[p] : 'I';
        b.Int16(k == 'T' ? 5 : k == 'B' ? 6 : k == 'O' ? blob_tag++ : k == 'L' ? 68 : 1);
    }
    b.Int32(o.entry_count >= 0 ? static_cast<std::uint32_t>(o.entry_count)
                               : static_cast<std::uint32_t>(rows.size() * fields));
    for (const Row& r : rows) {
        for (int p = 0; p < fields; ++p) {
            const auto n = static_cast<std::uint32_t>(r.number[p]);
            switch (kinds[p]) {
                case 'I': b.Int32(o.integer_tag).Int32(n); break;
                case 'B': b.Int32(o.boolean_tag).Int32(n); break;
                case 'L': b.Int32(o.long_tag).Int64(r.number[p]); break;
                case 'O':
                    b.Int32(n);
                    if (r.text[p].empty()) {
                        b.Int32(0);
                    } else {
                        b.Int32(1).Int32(2).Int32(3).Int32(static_cast<std::uint32_t>(r.text[p].size()));
                        b.Raw(r.text[p]);
                    }
                    break;
                default:
                    b.Int32(5).Int32(o.marker);
                    if (o.long_form) b.Byte(0xFF).Int16(static_cast<std::uint16_t>(r.text[p].size())).Raw(r.text[p]);
                    else b.CString(r.text[p]);
                    break;
            }
        }
    }
    b.Raw(std::string(o.trailing.begin(), o.trailing.end()));
    return b.Bytes();
}

// What a record holds, as a contact would see it; RowOf lays it out for a layout.
struct Person {
    struct Address {
        std::int32_t kind;  // newer layout; the classic record's one address ignores it
        std::string street, city, state, zip, country;
    };
    std::string first, last, title, company, note;
    std::vector<std::pair<std::int32_t, std::string>> phones;  // label, text, slot by slot
    std::vector<Address> addresses;                            // block by block
    std::vector<std::string> customs;
    std::int32_t is_private = 0;
    std::uint32_t status = 0;
    std::uint64_t birthday_bits = 0;
};

inline Row RowOf(Layout layout, const Person& p) {
    Row r(layout);
    if (layout == Layout::kClassic) {
        r.Set(1, p.status).Set(3, p.last).Set(4, p.first).Set(5, p.title).Set(6, p.company);
        for (std::size_t i = 0; i < p.phones.size(); ++i)
            r.Set(7 + 2 * static_cast<int>(i), static_cast<std::uint64_t>(p.phones[i].first))
                .Set(8 + 2 * static_cast<int>(i), p.phones[i].second);
        if (!p.addresses.empty()) {
            const Person::Address& a = p.addresses[0];
            r.Set(17, a.street).Set(18, a.city).Set(19, a.state).Set(20, a.zip).Set(21, a.country);
        }
        r.Set(22, p.note).Set(23, static_cast<std::uint64_t>(p.is_private));
        for (std::size_t i = 0; i < p.customs.size(); ++i) r.Set(25 + static_cast<int>(i), p.customs[i]);
        return r;
    }
    r.Set(2, p.status).Set(6, static_cast<std::uint64_t>(p.is_private)).Set(13, p.first).Set(14, p.last);
    r.Set(15, p.title).Set(16, p.company).Set(18, p.note).Set(65, p.birthday_bits);
    for (std::size_t i = 0; i < p.phones.size(); ++i)
        r.Set(19 + static_cast<int>(i), p.phones[i].second)
            .Set(26 + static_cast<int>(i), static_cast<std::uint64_t>(p.phones[i].first));
    for (int b = 0; b < 3; ++b) {
        const int k = 42 + 6 * b;
        if (static_cast<std::size_t>(b) >= p.addresses.size()) {
            r.Set(k, static_cast<std::uint64_t>(b));
            continue;
        }
        const Person::Address& a = p.addresses[b];
        r.Set(k, static_cast<std::uint64_t>(static_cast<std::uint32_t>(a.kind)))
            .Set(k + 1, a.street).Set(k + 2, a.city).Set(k + 3, a.state).Set(k + 4, a.zip).Set(k + 5, a.country);
    }
    for (std::size_t i = 0; i < p.customs.size(); ++i) r.Set(33 + static_cast<int>(i), p.customs[i]);
    return r;
}

}  // namespace tarvenne::testing
