// How long the address-book side takes for a large book, and how much memory it needs:
// a 100,000-card vCard book of about 67 MB (cards as Apple, Google and Outlook export
// them) parsed from memory and loaded through the loader, timed against a plain read of
// the same file; and the marking of 10,000 loaded contacts against a target.
#include "engine/contact_record.h"
#include "engine/target_contact_list.h"
#include "platform/file_system.h"
#include "vcard/vcard_reader.h"
#include "wab/property_mapping.h"
#include "wab/wab_loader.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "bench/allocation_meter.h"

namespace tarvenne::wab {
namespace {

constexpr int kCards = 100000;
constexpr int kMarkedCards = 10000;

const char* const kGiven[] = {"Anna", "J\xC3\xB6rg", "Chlo\xC3\xA9", "Marcus", "Ngozi", "Hiroshi",
                              "Mar\xC3\xAD" "a Jos\xC3\xA9", "Sven", "Piotr", "Siobh\xC3\xA1n", "Wei",
                              "Aino"};
const char* const kFamily[] = {"Berger", "M\xC3\xBCller", "Dubois", "Whitfield", "Okafor", "Tanaka",
                               "Garc\xC3\xAD" "a", "Lindqvist", "Kowalski", "O'Brien", "Chen",
                               "Virtanen", "Nguyen"};
const char* const kCompanies[] = {"Berger & S\xC3\xB6hne GmbH", "Whitfield Consulting Ltd.",
                                  "Lagoon Logistics", "Tanaka Precision K.K.", "Nordljus AB",
                                  "Atelier Lumi\xC3\xA8re"};

// One card in the shape of one of three exporters, about 670 bytes on average: names,
// organisation and title, three to five phones, one or two e-mail addresses, an address,
// a note of a line or two, a birthday and a UID.
void AppendCard(int i, std::string* out) {
    const std::string k = std::to_string(i);
    // Names repeat across a real book only now and then: every card its own person here.
    const std::string given = kGiven[i % 12], family = std::string(kFamily[i % 13]) + "-" + k;
    const std::string company = kCompanies[i % 6];
    const std::string uid = "8f3c2a1e-" + std::to_string(1000 + i % 9000) + "-4b7d-9e2f-" +
                            std::to_string(100000000000LL + i);
    std::string& t = *out;
    switch (i % 3) {
        case 0:  // Apple Contacts
            t += "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Apple Inc.//macOS 14.2//EN\r\n";
            t += "N:" + family + ";" + given + ";;;\r\nFN:" + given + " " + family + "\r\n";
            t += "ORG:" + company + ";Sales;\r\nTITLE:Account Manager\r\n";
            t += "item1.EMAIL;type=INTERNET;type=pref:" + given.substr(0, 3) + "." + k + "@example.com\r\n";
            t += "item1.X-ABLabel:_$!<Other>!$_\r\n";
            t += "TEL;type=CELL;type=VOICE;type=pref:+49 170 " + k + "\r\n";
            t += "TEL;type=WORK;type=VOICE:+49 30 555 " + k + "\r\n";
            t += "TEL;type=HOME;type=VOICE:+49 30 444 " + k + "\r\n";
            t += "item2.ADR;type=WORK;type=pref:;;Hauptstra\xC3\x9F" "e " + k +
                 ";Berlin;;10115;Deutschland\r\nitem2.X-ABADR:de\r\n";
            t += "NOTE:Met at the trade fair in Hannover\\, spring 2019. Prefers calls in the "
                 "mor\r\n ning\\; send the catalogue every autumn.\r\n";
            t += "BDAY:1975-04-" + std::string(i % 28 < 9 ? "0" : "") + std::to_string(i % 28 + 1) + "\r\n";
            t += "CATEGORIES:Customers,Trade fair\r\nUID:" + uid +
                 "\r\nREV:2024-01-15T10:20:30Z\r\nEND:VCARD\r\n";
            break;
        case 1:  // Google Contacts
            t += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + given + " " + family + "\r\n";
            t += "N:" + family + ";" + given + ";;;\r\n";
            t += "EMAIL;TYPE=INTERNET;TYPE=HOME:" + given.substr(0, 2) + k + "@gmail.example\r\n";
            t += "EMAIL;TYPE=INTERNET;TYPE=WORK:" + k + "@" + "work.example.org\r\n";
            t += "TEL;TYPE=CELL:+1 415-555-" + k + "\r\nTEL;TYPE=HOME:+1 415-556-" + k + "\r\n";
            t += "TEL;TYPE=WORK:+1 415-557-" + k + "\r\nTEL;TYPE=WORK,FAX:+1 415-558-" + k + "\r\n";
            t += "ADR;TYPE=HOME:;;" + k + " Market Street\\nApt 4;San Francisco;CA;94103;United States\r\n";
            t += "ORG:" + company + "\r\nTITLE:Engineer\r\n";
            t += "NOTE:Friend of the family. Birthday party every year in June; bring the "
                 "photos\\nfrom the last trip.\r\n";
            t += "URL:https://www.example.com/people/" + k + "\r\n";
            t += "CATEGORIES:myContacts,Friends\r\nREV:2024-01-15T10:20:30.123Z\r\nEND:VCARD\r\n";
            break;
        default:  // Outlook, vCard 2.1
            t += "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=utf-8:" + family + ";" + given + "\r\n";
            t += "FN;CHARSET=utf-8:" + given + " " + family + "\r\n";
            t += "ORG;CHARSET=utf-8:" + company + ";Purchasing\r\nTITLE:Buyer\r\n";
            t += "TEL;WORK;VOICE:+44 20 7946 " + k + "\r\nTEL;HOME;VOICE:+44 20 7947 " + k + "\r\n";
            t += "TEL;CELL;VOICE:+44 7700 900" + k + "\r\nTEL;WORK;FAX:+44 20 7948 " + k + "\r\n";
            t += "TEL;PAGER;VOICE:+44 20 7949 " + k + "\r\n";
            t += "ADR;WORK;PREF;ENCODING=QUOTED-PRINTABLE:;;" + k + " High Street=0D=0AUnit 2;London;;EC1A 1BB;=\r\nUnited Kingdom\r\n";
            t += "EMAIL;PREF;INTERNET:" + family.substr(0, 4) + "." + k + "@outlook.example\r\n";
            t += "NOTE;ENCODING=QUOTED-PRINTABLE:Orders quarterly.=0D=0AAsk for the=\r\n discount list.\r\n";
            t += "REV:20240115T102030Z\r\nEND:VCARD\r\n";
            break;
    }
}

const std::string& BookText() {
    static const std::string text = [] {
        std::string t;
        t.reserve(static_cast<std::size_t>(kCards) * 700);
        for (int i = 0; i < kCards; ++i) AppendCard(i, &t);
        return t;
    }();
    return text;
}

const std::string& BookFile() {
    static const std::string path = [] {
        const std::string p =
            (std::filesystem::temp_directory_path() / "tarvenne-wab-bench.vcf").string();
        platform::WriteFileBytes(p, std::vector<std::uint8_t>(BookText().begin(), BookText().end()));
        return p;
    }();
    return path;
}

void BM_PlainFileRead(benchmark::State& state) {
    const std::string& path = BookFile();
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes;
        if (!platform::ReadFileBytes(path, &bytes)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["MB"] = static_cast<double>(BookText().size()) / 1e6;
}
BENCHMARK(BM_PlainFileRead)->Unit(benchmark::kMillisecond);

void BM_ParseVCards(benchmark::State& state) {
    const std::string& text = BookText();
    for (auto _ : state) {
        vcard::VCardReadResult result;
        std::size_t values = 0;
        vcard::ParseVCards(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                    [&](const EntryView& e) { values += e.value_count; }, &result);
        if (result.cards != kCards) state.SkipWithError("wrong card count");
        benchmark::DoNotOptimize(values);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseVCards)->Unit(benchmark::kMillisecond);

// The whole read as the tool runs it: the file, the cards, the contacts. The peak heap
// counts everything alive at once (file bytes and contacts), relative to the file.
void BM_LoadVCardBook(benchmark::State& state) {
    const std::string& path = BookFile();
    std::size_t peak = 0;
    for (auto _ : state) {
        WabLoader loader(vcard::ReadVCardBook);
        const std::size_t base = tarvenne::bench::LiveBytes();
        tarvenne::bench::ResetPeak();
        if (!loader.Load(path) || loader.Count() != kCards) state.SkipWithError("load failed");
        peak = tarvenne::bench::PeakBytes() - base;
        state.PauseTiming();
        loader.Unload();  // not part of the read
        state.ResumeTiming();
    }
    state.counters["cards"] = kCards;
    state.counters["peak_heap_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["peak_heap_x_file"] =
        static_cast<double>(peak) / static_cast<double>(BookText().size());
}
BENCHMARK(BM_LoadVCardBook)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvenne::wab

BENCHMARK_MAIN();
