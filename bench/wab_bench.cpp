// How long the address-book side takes for a large book: parsing a 10,000-card vCard
// file, loading it through the loader (file read, parse, fill), and marking the loaded
// contacts against a 10,000-record target.
#include "engine/contact_record.h"
#include "engine/target_contact_list.h"
#include "platform/file_system.h"
#include "wab/property_mapping.h"
#include "wab/vcard_reader.h"
#include "wab/wab_loader.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tarvenne::wab {
namespace {

constexpr int kCards = 10000;

// A card as an address-book program exports it: names, company, phones of several kinds,
// an address, a folded note and a birthday.
std::string Book(int n) {
    std::string text;
    text.reserve(static_cast<std::size_t>(n) * 520);
    for (int i = 0; i < n; ++i) {
        const std::string k = std::to_string(i);
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
        text += "N:Last" + std::to_string(i % 997) + ";First" + k + ";;;\r\n";
        text += "FN:First" + k + " Last" + std::to_string(i % 997) + "\r\n";
        text += "ORG:Company " + std::to_string(i % 50) + ";Sales\r\n";
        text += "TITLE:Manager\r\n";
        text += "TEL;TYPE=WORK,VOICE:555-" + k + "\r\n";
        text += "TEL;TYPE=HOME,VOICE:556-" + k + "\r\n";
        text += "TEL;TYPE=CELL:557-" + k + "\r\n";
        text += "EMAIL;TYPE=INTERNET,PREF:person" + k + "@example.com\r\n";
        text += "ADR;TYPE=WORK:;;" + k + " Main Street;Springfield;IL;62701;USA\r\n";
        text += "NOTE:A note about contact " + k + " that is long enough to be folded by the e\r\n"
                " xporter\\, with an escaped comma and a line\\nbreak.\r\n";
        text += "BDAY:1970-01-" + std::string(i % 28 < 9 ? "0" : "") + std::to_string(i % 28 + 1) + "\r\n";
        text += "END:VCARD\r\n";
    }
    return text;
}

const std::string& BookText() {
    static const std::string text = Book(kCards);
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

void BM_ParseVCards(benchmark::State& state) {
    const std::string& text = BookText();
    for (auto _ : state) {
        VCardReadResult result;
        ParseVCards(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), &result);
        if (result.entries.size() != kCards) state.SkipWithError("wrong card count");
        benchmark::DoNotOptimize(result.entries.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
    state.counters["cards"] = kCards;
}
BENCHMARK(BM_ParseVCards)->Unit(benchmark::kMillisecond);

void BM_LoadVCardFile(benchmark::State& state) {
    const std::string& path = BookFile();
    WabLoader loader;
    for (auto _ : state) {
        if (!loader.Load(path) || loader.Count() != kCards) state.SkipWithError("load failed");
    }
    state.counters["cards"] = kCards;
}
BENCHMARK(BM_LoadVCardFile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvenne::wab

BENCHMARK_MAIN();
