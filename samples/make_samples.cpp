// Writes the two sample Palm Desktop contacts files, address-classic.dat and
// address-palmsg.dat, byte by byte as Palm Desktop lays them out (not through the
// program's own writers, so the samples also check its readers).
//
//   g++ -std=c++17 -I. samples/make_samples.cpp -o build/make_samples
//   build/make_samples samples
#include "tests/byte_builder.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using tarvenne::testing::ByteBuilder;

struct Phone {
    std::int32_t label;  // 0 Work, 1 Home, 2 Fax, 3 Other, 4 E-Mail, 5 Main, 6 Pager, 7 Mobile
    std::string text;
};

struct Address {
    std::string street, city, state, zip, country;
};

// One contact as both layouts can hold it; texts in Windows-1252.
struct SampleRecord {
    std::int32_t record_id;
    std::uint32_t status;  // 0x80: deleted, kept in the file but not listed
    std::int32_t category_id;
    std::string last_name, first_name, title, company;
    std::vector<Phone> phones;
    Address work, home;
    std::string note;
    std::string custom1;
    std::int32_t is_private = 0;
};

// Anna Berger matches her vCard exactly; J\xF6rg M\xFCller has an older title; Kim Lee and
// the deleted record are not in the address book and must come through untouched.
std::vector<SampleRecord> Records() {
    return {
        {1, 0, 1, "Berger", "Anna", "Head of Purchasing", "Berger & S\xF6hne GmbH",
         {{0, "+49 30 1234567"}, {4, "anna@berger-soehne.example"}},
         {"Friedrichstra\xDF" "e 12", "Berlin", "", "10117", "Germany"}, {},
         "Prefers e-mail.\r\nCalls back on Fridays.", "", 0},
        {2, 0, 1, "M\xFCller", "J\xF6rg", "Projektleiter", "Kessler Maschinenbau AG",
         {{0, "+49 89 5550123"}, {7, "+49 171 5550199"}, {4, "j.mueller@kessler.example"}},
         {"Leopoldstra\xDF" "e 200", "M\xFCnchen", "Bayern", "80804", "Deutschland"}, {},
         "Met at the Hannover fair.", "", 0},
        {3, 0, 2, "Lee", "Kim", "", "",
         {{1, "+1 415 555 0111"}, {7, "+1 415 555 0112"}},
         {}, {"1450 Valencia Street", "San Francisco", "CA", "94110", "USA"},
         "Old friend from university.", "Birthday in June", 1},
        {4, 0x80, 0, "Obsolete", "Olga", "", "Closed Company", {{0, "+1 555 0100"}}, {}, {},
         "Deleted in Palm Desktop, still in the file.", "", 0},
    };
}

constexpr std::uint16_t kClassicTags[30] = {1, 1, 1, 5, 5, 5, 5, 1, 5, 1, 5, 1, 5, 1, 5,
                                            1, 5, 5, 5, 5, 5, 5, 5, 6, 1, 5, 5, 5, 5, 1};

void Categories(ByteBuilder& b) {
    b.Int32(130).Int32(2);  // next free id; two stored categories after Unfiled
    b.Int32(1).Int32(1).Int32(0).CString("Business").CString("Business");
    b.Int32(2).Int32(2).Int32(0).CString("Personal").CString("Personal");
}

std::vector<std::uint8_t> ClassicFile(const std::vector<SampleRecord>& records) {
    ByteBuilder b;
    b.Int32(0x41420100).CString("C:\\Palm\\BergerA\\address\\address.dat");
    b.CString("Palm Desktop address book\r\n");
    Categories(b);
    b.Int32(74).Int32(30).Int32(0).Int32(1).Int32(2).Int16(30);
    for (std::uint16_t tag : kClassicTags) b.Int16(tag);
    b.Int32(static_cast<std::uint32_t>(records.size() * 30));
    for (const SampleRecord& r : records) {
        b.IntField(r.record_id).IntField(static_cast<std::int32_t>(r.status)).IntField(r.record_id);
        b.TextField(r.last_name).TextField(r.first_name).TextField(r.title).TextField(r.company);
        // A classic record holds one address: the work one, else the home one.
        const Address& a = r.work.street.empty() && r.work.city.empty() ? r.home : r.work;
        for (std::size_t p = 0; p < 5; ++p) {
            const bool has = p < r.phones.size();
            b.IntField(has ? r.phones[p].label : 0).TextField(has ? r.phones[p].text : "");
        }
        b.TextField(a.street).TextField(a.city).TextField(a.state).TextField(a.zip);
        b.TextField(a.country).TextField(r.note);
        b.IntField(r.is_private, 6).IntField(r.category_id);
        b.TextField(r.custom1).TextField("").TextField("").TextField("");
        b.IntField(0);  // display phone: the first slot
    }
    return b.Bytes();
}

std::vector<std::uint8_t> PalmSgFile(const std::vector<SampleRecord>& records) {
    ByteBuilder b;
    b.Raw(std::vector<std::uint8_t>{0xBE, 0xBA, 0xFE, 0xCA, 0x0F}).Raw("PalmSG Database00RV");
    b.Int32(0x41420200);
    std::vector<std::uint8_t> header(24, 0);
    const std::uint32_t next_id = 0x1000 + static_cast<std::uint32_t>(records.size());
    header[12] = static_cast<std::uint8_t>(next_id);
    header[13] = static_cast<std::uint8_t>(next_id >> 8);
    b.Raw(header);
    b.CString("C:\\Program Files\\Palm\\BergerA\\address\\address.dat");
    b.Zeros(11);
    for (int i = 0; i < 9; ++i) b.CString(i == 0 ? "Birthday" : "").Int32(0);  // custom labels
    b.Zeros(42);
    Categories(b);
    b.Int32(74).Int32(73).Int32(0).Int32(2).Int32(4).Int16(73);
    for (int f = 0; f < 73; ++f) {
        int tag = 5;
        if (f <= 5 || f == 17 || (f >= 26 && f <= 32) || f == 42 || f == 48 || f == 54 ||
            f == 62 || f == 63 || f == 67 || f == 68)
            tag = 1;
        else if (f == 6 || f == 66)
            tag = 6;
        else if (f >= 7 && f <= 10)
            tag = 64 + (f - 7);
        else if (f == 65)
            tag = 68;
        b.Int16(static_cast<std::uint16_t>(tag));
    }
    b.Int32(static_cast<std::uint32_t>(records.size() * 73));
    std::int32_t n = 0;
    for (const SampleRecord& r : records) {
        b.IntField(r.record_id).IntField(0x1000 + n).IntField(static_cast<std::int32_t>(r.status));
        b.IntField(n * 73).IntField(r.record_id).IntField(r.category_id);
        b.IntField(r.is_private, 6);
        for (int blob = 0; blob < 4; ++blob) b.Int32(64 + blob).Int32(0);
        b.TextField("").TextField("");
        b.TextField(r.first_name).TextField(r.last_name).TextField(r.title).TextField(r.company);
        b.IntField(0).TextField(r.note);
        for (std::size_t p = 0; p < 7; ++p) b.TextField(p < r.phones.size() ? r.phones[p].text : "");
        for (std::size_t p = 0; p < 7; ++p) b.IntField(p < r.phones.size() ? r.phones[p].label : 0);
        b.TextField(r.custom1);
        for (int c = 1; c < 9; ++c) b.TextField("");
        const Address* blocks[3] = {&r.work, &r.home, nullptr};
        for (int k = 0; k < 3; ++k) {
            const Address empty;
            const Address& a = blocks[k] ? *blocks[k] : empty;
            b.IntField(k).TextField(a.street).TextField(a.city).TextField(a.state);
            b.TextField(a.zip).TextField(a.country);
        }
        b.TextField("").TextField("").IntField(0).IntField(0);  // chat, two carried fields
        b.TextField("").LongField(0).IntField(0, 6);            // web page, no birthday
        b.IntField(0).IntField(0);
        for (int t = 0; t < 4; ++t) b.TextField("");
        ++n;
    }
    return b.Bytes();
}

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) std::fprintf(stderr, "make_samples: cannot write %s\n", path.c_str());
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    const std::vector<SampleRecord> records = Records();
    const bool ok = Write(folder + "/address-classic.dat", ClassicFile(records)) &&
                    Write(folder + "/address-palmsg.dat", PalmSgFile(records));
    return ok ? 0 : 1;
}
