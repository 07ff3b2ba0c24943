// Loading (and reading every record of) and saving a 100,000-record contacts file of each
// layout, against a plain read and a plain write and flush of the same bytes in the same
// run, with the peak heap of each operation against the file's size. The heap is warm:
// freed memory stays with the allocator, as it does in a program that has been running.
#include "palmfile/classic_address_file.h"
#include "palmfile/palmsg_address_file.h"
#include "platform/file_system.h"
#include "platform/module_folder.h"
#include "tests/contacts_file_builder.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <new>
#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "bench/allocation_meter.h"

namespace tarvenne {
namespace {

using testing::Layout;
constexpr int kRecords = 100000;

const char* const kFirst[] = {"Ann", "J\xF6rg", "Mar\xED" "a", "Chen", "Olu", "Siobh\xE1n",
                              "Pierre", "Yuki", "Dmitri", "Fatima", "Lars", "Grace"};
const char* const kLast[] = {"Lovelace", "M\xFCller", "Garc\xED" "a", "Wang", "Adeyemi", "Murphy",
                             "Dubois", "Tanaka", "Ivanov", "Haddad", "Nilsson", "Hopper"};

// A record as address books of many years hold them: names, title, company, three to
// seven phones and an e-mail, a work address, a note of a line or several.
testing::Row Record(Layout layout, int i) {
    testing::Person p;
    p.first = kFirst[i % 12];
    p.last = kLast[(i / 12) % 12];
    p.title = i % 3 ? "Sales Manager" : "";
    p.company = "Company " + std::to_string(i % 500) + " GmbH";
    p.note = "Met at the trade fair in spring; prefers calls before noon. Follow up on order " +
             std::to_string(100000 + i) + " and the catalogue.\r\n";
    for (int k = 0; k < i % 4; ++k) p.note += "Additional remarks about delivery terms and invoices. ";
    const int phones = layout == Layout::kClassic ? 5 : 7;
    for (int k = 0; k < phones; ++k)
        p.phones.push_back({k, k < 3 || i % 2 ? (k == 4 ? "person" + std::to_string(i) + "@example.com"
                                                        : "+49 30 " + std::to_string(1000000 + (i * 7 + k * 13) % 9000000))
                                              : ""});
    p.addresses = {{0, "Hauptstra\xDF" "e " + std::to_string(i % 200), "Berlin", "", std::to_string(10000 + i % 90000),
                    "Germany"}};
    p.customs = {i % 5 ? "" : "VIP"};
    testing::Row r = RowOf(layout, p);
    if (layout == Layout::kPalmSg && i % 3 == 0) r.Set(7, 64).Set(7, std::string(24, static_cast<char>(i)));
    return r;
}

std::string PathOf(Layout layout) {
    static std::map<Layout, std::string> paths;
    std::string& path = paths[layout];
    if (path.empty()) {
        const auto folder = std::filesystem::temp_directory_path() / "tarvenne-bench";
        std::filesystem::create_directories(folder);
        path = (folder / (layout == Layout::kClassic ? "classic.dat" : "palmsg.dat")).string();
        std::vector<testing::Row> rows;
        for (int i = 0; i < kRecords; ++i) rows.push_back(Record(layout, i));
        testing::FileOptions o;
        o.stored_name = path;
        if (!platform::WriteFileBytes(path, BuildFile(layout, rows, o))) std::abort();
        platform::SetSettingsFileForTesting((folder / "none.ini").string());
#if defined(__GLIBC__)
        // Freed memory stays with the allocator: the warm heap of a running program.
        mallopt(M_MMAP_MAX, 0);
        mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
#endif
    }
    return path;
}

std::unique_ptr<AddressFile> Make(Layout layout) {
    if (layout == Layout::kClassic) return std::make_unique<ClassicAddressFile>();
    return std::make_unique<PalmSgAddressFile>();
}

// The plain operations' times of this run, by layout, which the others are measured against.
std::map<std::pair<Layout, int>, double> g_plain;

void Report(benchmark::State& state, Layout layout, int plain, double seconds, std::size_t peak) {
    const double size = static_cast<double>(std::filesystem::file_size(PathOf(layout)));
    state.counters["MB"] = size / 1e6;
    state.counters["peak_x_file"] = static_cast<double>(peak) / size;
    const auto it = g_plain.find({layout, plain});
    if (it != g_plain.end()) state.counters["x_plain"] = seconds / it->second;
}

template <class Step>
void Measure(benchmark::State& state, Layout layout, int plain, bool is_plain, Step step) {
    double best = 1e9;
    std::size_t peak = 0;
    for (auto _ : state) {
        const std::size_t base = tarvenne::bench::LiveBytes();
        tarvenne::bench::ResetPeak();
        const auto start = std::chrono::steady_clock::now();
        step();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        best = std::min(best, seconds);
        peak = std::max(peak, tarvenne::bench::PeakBytes() - base);
    }
    if (is_plain) g_plain[{layout, plain}] = best;
    Report(state, layout, plain, best, peak);
}

void BM_PlainRead(benchmark::State& state, Layout layout) {
    const std::string path = PathOf(layout);
    Measure(state, layout, 0, true, [&] {
        std::vector<std::uint8_t> bytes;
        if (!platform::ReadFileBytes(path, &bytes)) std::abort();
        benchmark::DoNotOptimize(bytes.data());
    });
}

void BM_LoadAndReadEveryRecord(benchmark::State& state, Layout layout) {
    const std::string path = PathOf(layout);
    Measure(state, layout, 0, false, [&] {
        std::unique_ptr<AddressFile> file = Make(layout);
        if (!file->Load(path)) std::abort();
        std::size_t seen = 0;
        const RecordLayout& l = file->Layout();
        for (const PalmRecord* r = file->Records().First(); r; r = file->Records().Next())
            seen += r->Text(l.last_name).size() + r->Text(l.note).size() + static_cast<std::size_t>(r->Status());
        benchmark::DoNotOptimize(seen);
    });
}

void BM_PlainWriteAndFlush(benchmark::State& state, Layout layout) {
    std::vector<std::uint8_t> bytes;
    platform::ReadFileBytes(PathOf(layout), &bytes);
    const std::string copy = PathOf(layout) + ".plain";
    Measure(state, layout, 1, true, [&] {
        platform::ExclusiveFile out;
        if (!out.Open(copy, platform::OpenMode::CreateAlways) || !out.ReplaceAll(bytes)) std::abort();
    });
}

void BM_Save(benchmark::State& state, Layout layout) {
    std::unique_ptr<AddressFile> file = Make(layout);
    if (!file->Load(PathOf(layout))) std::abort();
    Measure(state, layout, 1, false, [&] {
        if (!file->Save()) std::abort();
    });
}

#define TARVENNE_LAYOUT_BENCHMARKS(name, layout)                                                     \
    BENCHMARK_CAPTURE(BM_PlainRead, name, layout)->UseManualTime()->Unit(benchmark::kMillisecond);   \
    BENCHMARK_CAPTURE(BM_LoadAndReadEveryRecord, name, layout)                                       \
        ->UseManualTime()                                                                            \
        ->Unit(benchmark::kMillisecond);                                                             \
    BENCHMARK_CAPTURE(BM_PlainWriteAndFlush, name, layout)->UseManualTime()->Unit(benchmark::kMillisecond); \
    BENCHMARK_CAPTURE(BM_Save, name, layout)->UseManualTime()->Unit(benchmark::kMillisecond)

TARVENNE_LAYOUT_BENCHMARKS(classic, Layout::kClassic);
TARVENNE_LAYOUT_BENCHMARKS(palmsg, Layout::kPalmSg);

}  // namespace
}  // namespace tarvenne

BENCHMARK_MAIN();
