// Writes the files of the whole-road benchmark (bench/whole_road.sh): a vCard address book
// of n cards as desktop address books export them, and a contacts file of n records in
// each layout. Half of the book's people are in the files already (every third of them
// with an older title); the other half are new.
//
//   make_road_files FOLDER [N]
#include "tests/contacts_file_builder.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

using namespace tarvenne::testing;

const char* const kFirst[] = {"Ann", "Jörg", "María", "Chen", "Olu", "Siobhán", "Pierre", "Yuki", "Dmitri", "Fatima"};
const char* const kLast[] = {"Lovelace", "Müller", "García", "Wang", "Adeyemi", "Murphy", "Dubois", "Tanaka", "Ivanov"};

std::string First(int i) { return kFirst[i % 10]; }
std::string Last(int i) { return std::string(kLast[(i / 10) % 9]) + std::to_string(i); }
std::string Phone(int i, int k) { return "+49 30 " + std::to_string(1000000 + (i * 7 + k * 13) % 9000000); }
std::string Email(int i) { return "person" + std::to_string(i) + "@example.com"; }
std::string Note(int i) {
    return "Met at the trade fair in spring; prefers calls before noon. Follow up on order " +
           std::to_string(100000 + i) + " and the new catalogue.";
}

// The file's texts are in Windows-1252; the book's in UTF-8.
std::string Ansi(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c == 0xC3 && i + 1 < utf8.size()) out += static_cast<char>(static_cast<unsigned char>(utf8[++i]) + 0x40);
        else out += static_cast<char>(c);
    }
    return out;
}

Row Record(Layout layout, int i) {
    Person p{Ansi(First(i)), Ansi(Last(i)), i % 3 == 0 ? "Former Title" : "Sales Manager", "Company " + std::to_string(i % 500) + " GmbH",
             Note(i), {{0, Phone(i, 0)}, {1, Phone(i, 1)}, {7, Phone(i, 2)}, {4, Email(i)}},
             {{0, "Hauptstra\xDF" "e " + std::to_string(i % 200), "Berlin", "", std::to_string(10000 + i % 90000), "Germany"}}, {}};
    return RowOf(layout, p);
}

std::string Card(int i) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nN:" + Last(i) + ";" + First(i) + ";;;\r\nFN:" + First(i) + " " + Last(i) +
           "\r\nORG:Company " + std::to_string(i % 500) + " GmbH;Sales\r\nTITLE:Sales Manager\r\n"
           "TEL;TYPE=WORK,VOICE:" + Phone(i, 0) + "\r\nTEL;TYPE=HOME,VOICE:" + Phone(i, 1) +
           "\r\nTEL;TYPE=CELL:" + Phone(i, 2) + "\r\nEMAIL;TYPE=INTERNET,PREF:" + Email(i) +
           "\r\nADR;TYPE=WORK:;;Hauptstraße " + std::to_string(i % 200) + ";Berlin;;" +
           std::to_string(10000 + i % 90000) + ";Germany\r\nADR;TYPE=HOME:;;Gartenweg " + std::to_string(i % 90) +
           ";Potsdam;Brandenburg;14467;Germany\r\nNOTE:" + Note(i) + "\\nCall before noon.\r\nBDAY:19" +
           std::to_string(50 + i % 50) + "-0" + std::to_string(1 + i % 9) + "-1" + std::to_string(i % 10) +
           "\r\nUID:road-" + std::to_string(i) + "\r\nREV:2026-01-01T00:00:00Z\r\nEND:VCARD\r\n";
}

bool Write(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_road_files FOLDER [N]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int n = argc > 2 ? std::atoi(argv[2]) : 100000;
    std::string book;
    for (int i = n / 2; i < n / 2 + n; ++i) book += Card(i);
    bool ok = Write(folder + "/book.vcf", book);
    for (Layout layout : {Layout::kClassic, Layout::kPalmSg}) {
        std::vector<Row> rows;
        for (int i = 0; i < n; ++i) rows.push_back(Record(layout, i));
        const std::vector<std::uint8_t> bytes = BuildFile(layout, rows);
        ok = ok && Write(folder + (layout == Layout::kClassic ? "/classic.dat" : "/palmsg.dat"),
                         std::string(bytes.begin(), bytes.end()));
    }
    return ok ? 0 : 1;
}
