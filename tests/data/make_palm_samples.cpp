// make_palm_samples FOLDER: writes address-classic.dat and address-palmsg.dat into FOLDER,
// a dozen varied contacts each (categories, every phone kind, a long note, accented names
// in Windows-1252), written by the layouts' own writers.
#include "palmfile/classic_address_file.h"
#include "palmfile/palmsg_address_file.h"
#include "platform/file_system.h"
#include "platform/module_folder.h"
#include "tests/byte_builder.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tarvenne {
namespace {

using testing::ByteBuilder;

struct Sample {
    const char* first;
    const char* last;
    const char* title;
    const char* company;
    std::vector<std::pair<int, std::string>> phones;  // label, text
    const char* street;
    const char* city;
    const char* state;
    const char* zip;
    const char* country;
    std::string note;
    int category;  // 0 Unfiled, 1 Business, 2 Personal, 3 QuickList
    bool is_private;
    double birthday;  // automation date, 0 for none
    const char* web;
};

std::string LongNote() {
    std::string note = "Project history, kept for reference:\r\n";
    for (int i = 1; i <= 14; ++i)
        note += std::to_string(i) + ". Meeting about the r\xE9sum\xE9 archive and the "
                "delivery schedule; next steps agreed, minutes sent by e-mail.\r\n";
    return note;  // about 1,500 bytes
}

std::vector<Sample> Samples() {
    return {
        {"Ann", "Lovelace", "Analyst", "Analytical Engines Ltd",
         {{0, "+44 20 7946 0101"}, {4, "ann@example.org"}, {7, "+44 7700 900101"}},
         "12 St James's Square", "London", "", "SW1Y 4JH", "United Kingdom",
         "Prefers e-mail.", 1, false, 5825.0, "http://www.example.org/ann"},
        {"J\xF6rg", "M\xFCller", "Gesch\xE4" "ftsf\xFChrer", "M\xFCller & S\xF6hne GmbH",
         {{0, "+49 30 1234567"}, {2, "+49 30 1234568"}, {4, "j.mueller@example.de"}},
         "Hauptstra\xDF" "e 5", "Berlin", "", "10115", "Deutschland", LongNote(), 1, false, 0, ""},
        {"Fran\xE7ois", "L\xE9vesque", "Directeur", "Caf\xE9 de la Gare",
         {{5, "+33 1 23 45 67 89"}, {1, "+33 1 98 76 54 32"}},
         "3, rue de l'\xC9glise", "Paris", "\xCE" "le-de-France", "75004", "France",
         "Rendez-vous \xE0 9 h \x96 apporter le dossier \x93" "B\x94.", 2, false, 22000.0, ""},
        {"Mar\xED" "a", "Garc\xED" "a L\xF3pez", "", "", {{1, "+34 91 555 0199"}, {7, "+34 600 555 019"}},
         "Calle Mayor 10", "Madrid", "", "28013", "Espa\xF1" "a", "", 2, true, 31000.0, ""},
        {"Siobh\xE1n", "O'Connor", "Nurse", "St. Vincent's Hospital", {{0, "+353 1 555 0142"}, {6, "555-PAGE"}},
         "Elm Park", "Dublin", "", "D04", "Ireland", "Night shifts in March.", 0, false, 0, ""},
        {"Bj\xF6rn", "\xC5kesson", "", "Nordic Trading AB", {{0, "+46 8 555 010 00"}, {2, "+46 8 555 010 01"}},
         "Drottninggatan 1", "Stockholm", "", "111 51", "Sverige", "", 3, false, 0, ""},
        {"Zo\xEB", "Smith-Jones", "Editor", "The \"Daily\" Gazette, Inc.",
         {{0, "(555) 010-2000"}, {3, "(555) 010-2001"}, {4, "zoe@example.com"}},
         "500 Market St, Suite 12", "San Francisco", "CA", "94105", "USA",
         "Quote marks, commas, and a tab\there.", 1, false, 0, "http://www.example.com/"},
        {"", "Acme Corporation", "", "Acme Corporation", {{5, "1-800-555-0199"}},
         "1 Industrial Way", "Springfield", "IL", "62701", "USA", "Company entry, no person.", 1,
         false, 0, "http://acme.example.com"},
        {"Hiroshi", "Tanaka", "Engineer", "", {{7, "+81 90 5555 0100"}, {4, "tanaka@example.jp"}},
         "", "Tokyo", "", "", "Japan", "", 0, false, 25000.0, ""},
        {"Chlo\xE9", "Beno\xEEt", "", "", {{1, "+32 2 555 01 02"}}, "", "Bruxelles", "", "1000",
         "Belgique", "Anniversaire : \xE0 ne pas oublier \x85", 2, false, 30000.5, ""},
        {"Olu", "Adeyemi", "Consultant", "Lagos Partners", {{0, "+234 1 555 0100"}, {4, "olu@example.ng"},
                                                            {2, "+234 1 555 0101"}, {7, "+234 802 555 0100"}},
         "14 Marina Rd", "Lagos", "", "101001", "Nigeria", "", 3, false, 0, ""},
        {"Grace", "Hopper", "Rear Admiral", "U.S. Navy", {{0, "555-0123"}},
         "", "Arlington", "VA", "", "USA", "Nanoseconds: bring the wire.", 0, true, 2542.0, ""},
    };
}

void CategoryBlock(ByteBuilder& b) {
    b.Int32(131).Int32(3);
    b.Int32(1).Int32(1).Int32(0).CString("Business").CString("Business");
    b.Int32(2).Int32(2).Int32(0).CString("Personal").CString("Personal");
    b.Int32(3).Int32(3).Int32(0).CString("QuickList").CString("QuickList");
}

bool Put(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    if (!platform::WriteFileBytes(path, bytes)) {
        std::fprintf(stderr, "make_palm_samples: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool WriteClassic(const std::string& path) {
    ByteBuilder b;
    b.Int32(0x41420100).CString(path).CString("Palm Desktop address book\n");
    CategoryBlock(b);
    b.Int32(74).Int32(30).Int32(0).Int32(1).Int32(2).Int16(30);
    for (std::uint16_t t : {1, 1, 1, 5, 5, 5, 5, 1, 5, 1, 5, 1, 5, 1, 5,
                            1, 5, 5, 5, 5, 5, 5, 5, 6, 1, 5, 5, 5, 5, 1})
        b.Int16(t);
    b.Int32(0);
    if (!Put(path, b.Bytes())) return false;
    ClassicAddressFile file;
    file.SetSwapNames(false);
    if (!file.Load(path)) return false;
    int n = 0;
    for (const Sample& s : Samples()) {
        ClassicRecord r;
        r.record_id = 8001 + n;
        r.placement = n++;
        r.first_name = s.first;
        r.last_name = s.last;
        r.title = s.title;
        r.company = s.company;
        for (int p = 0; p < ClassicRecord::kPhones; ++p) r.phone_label[p] = p;
        for (std::size_t p = 0; p < s.phones.size() && p < 5; ++p) {
            r.phone_label[p] = s.phones[p].first;
            r.phone[p] = s.phones[p].second;
        }
        r.address = s.street;
        r.city = s.city;
        r.state = s.state;
        r.zip = s.zip;
        r.country = s.country;
        r.note = s.note;
        r.is_private = s.is_private;
        r.category_id = s.category;
        if (n % 4 == 0) r.custom[0] = "Met at the trade fair";
        if (!file.Records().Append(r)) return false;
    }
    if (!file.Save()) {
        std::fprintf(stderr, "make_palm_samples: %s\n", file.LastError().c_str());
        return false;
    }
    return true;
}

bool WritePalmSg(const std::string& path) {
    ByteBuilder b;
    b.Raw(std::string("\xBE\xBA\xFE\xCA\x0F" "PalmSG Database00RV", 24)).Int32(0x41420200);
    b.Zeros(12).Byte(0x01).Byte(0x10).Zeros(10);
    b.CString(path).Zeros(11);
    for (int i = 0; i < 9; ++i) b.CString(i == 0 ? "Spouse" : i == 1 ? "Anniversary" : "").Int32(0);
    b.Zeros(42);
    CategoryBlock(b);
    b.Int32(74).Int32(73).Int32(0).Int32(2).Int32(4).Int16(73);
    const std::uint16_t tags[73] = {
        1, 1, 1, 1, 1, 1, 6, 64, 65, 66, 67, 5, 5, 5, 5, 5, 5, 1, 5, 5, 5, 5, 5, 5, 5,
        5, 1, 1, 1, 1, 1, 1, 1, 5, 5, 5, 5, 5, 5, 5, 5, 5, 1, 5, 5, 5, 5, 5, 1, 5,
        5, 5, 5, 5, 1, 5, 5, 5, 5, 5, 5, 5, 1, 1, 5, 68, 6, 1, 1, 5, 5, 5, 5};
    for (std::uint16_t t : tags) b.Int16(t);
    b.Int32(0);
    if (!Put(path, b.Bytes())) return false;
    PalmSgAddressFile file;
    file.SetSwapNames(false);
    if (!file.Load(path)) return false;
    std::uint32_t n = 0;
    for (const Sample& s : Samples()) {
        PalmSgRecord r;
        r.record_id = static_cast<std::int32_t>(9001 + n);
        r.record_number = static_cast<std::int32_t>(0x1000 + n);
        r.entry_index = static_cast<std::int32_t>(73 * n);
        r.placement = static_cast<std::int32_t>(n);
        r.category_id = s.category;
        r.is_private = s.is_private;
        for (int k = 0; k < 4; ++k) r.blob[k].w0 = static_cast<std::uint32_t>(64 + k);
        if (n % 3 == 0) {  // blob data as Palm Desktop stores for some records
            r.blob[1].w1 = 1;
            r.blob[1].w2 = 0x20;
            r.blob[1].length = 8;
            r.blob[1].data = {1, 0, 0, 0, static_cast<std::uint8_t>(n), 0, 0, 0};
        }
        r.first_name = s.first;
        r.last_name = s.last;
        r.title = s.title;
        r.company = s.company;
        r.note = s.note;
        for (int p = 0; p < PalmSgRecord::kPhones; ++p) r.phone_label[p] = p;
        for (std::size_t p = 0; p < s.phones.size() && p < 7; ++p) {
            r.phone_label[p] = s.phones[p].first;
            r.phone[p] = s.phones[p].second;
        }
        PalmSgAddress& work = r.address[s.category == 2 ? 1 : 0];
        work.street = s.street;
        work.city = s.city;
        work.state = s.state;
        work.zip = s.zip;
        work.country = s.country;
        r.address[0].kind = 0;
        r.address[1].kind = 1;
        r.address[2].kind = 2;
        if (n % 5 == 1) r.custom[0] = "Spouse: Alex";
        r.web_page = s.web;
        r.SetBirthday(s.birthday);
        ++n;
        if (!file.Records().AppendCopy(&r)) return false;
    }
    if (!file.Save()) {
        std::fprintf(stderr, "make_palm_samples: %s\n", file.LastError().c_str());
        return false;
    }
    return true;
}

}  // namespace
}  // namespace tarvenne

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_palm_samples FOLDER\n");
        return 2;
    }
    // The samples do not depend on a settings file lying about.
    tarvenne::platform::SetSettingsFileForTesting(std::string(argv[1]) + "/.no-settings.ini");
    std::string folder = argv[1];
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\')
        folder += tarvenne::platform::kPathSeparator;
    bool ok = true;
    for (const char* name : {"address-classic.dat", "address-palmsg.dat"}) {
        const std::string path = folder + name;
        const bool written = name[8] == 'c' ? tarvenne::WriteClassic(path) : tarvenne::WritePalmSg(path);
        // The writers leave a backup of the empty start file; it is no sample.
        tarvenne::platform::RemoveFile(path + ".xbk");
        if (written) std::printf("%s\n", path.c_str());
        ok = ok && written;
    }
    return ok ? 0 : 1;
}
