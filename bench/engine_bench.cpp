// How the duplicate search and the conversion scale with the size of the target: marking n
// contacts against n records, and adding them (a third identical, a third changed, a third
// new); and n contacts against n records whose names all read '?' (one weak name key).
#include "engine/conversion_job.h"
#include "palminstall/palm_desktop_locator.h"
#include "platform/module_folder.h"
#include "tests/contacts_file_builder.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tarvenne {
namespace {

using testing::Layout;
using testing::Person;

Person TargetPerson(int i, bool weak) {
    Person p;
    p.first = weak ? "?????" : "First" + std::to_string(i);
    p.last = weak ? "???????" : "Last" + std::to_string(i % 997);
    p.company = weak ? "" : "Company " + std::to_string(i % 50);
    p.note = "note";
    p.phones = {{weak ? 1 : 0, "555-" + std::to_string(i)}, {4, i % 2 ? "" : "person" + std::to_string(i) + "@example.com"}};
    return p;
}

ContactRecord ContactOf(const Person& p) {
    ContactRecord c;
    c.first_name = p.first;
    c.last_name = p.last;
    c.company = p.company;
    c.note = p.note;
    (p.phones[0].first == 1 ? c.home_phone : c.work_phone) = p.phones[0].second;
    c.email = p.phones[1].second;
    return c;
}

// The address book: identical, changed and new contacts by turns (for weak names, half
// identical and half new).
std::vector<ContactRecord> Book(int n, bool weak) {
    std::vector<ContactRecord> contacts;
    for (int i = 0; i < n; ++i) {
        ContactRecord c = ContactOf(TargetPerson(weak ? i - i % 2 * n : i % 3 == 2 ? n + i : i, weak));
        if (!weak && i % 3 == 1) c.note = "changed note";
        contacts.push_back(c);
    }
    return contacts;
}

std::string TargetFile(int n, bool weak) {
    const auto folder = std::filesystem::temp_directory_path() / "tarvenne-bench";
    std::filesystem::create_directories(folder);
    platform::SetSettingsFileForTesting((folder / "none.ini").string());
    const std::string path = (folder / ("engine-" + std::to_string(n) + (weak ? "-weak" : "") + ".dat")).string();
    std::vector<testing::Row> rows;
    for (int i = 0; i < n; ++i) rows.push_back(RowOf(Layout::kPalmSg, TargetPerson(i, weak)));
    const std::vector<std::uint8_t> bytes = BuildFile(Layout::kPalmSg, rows);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

void Run(benchmark::State& state, bool weak, bool add) {
    const int n = static_cast<int>(state.range(0));
    const std::string path = TargetFile(n, weak);
    const std::vector<ContactRecord> book = Book(n, weak);
    int counts[4] = {};
    for (auto _ : state) {
        state.PauseTiming();
        ConversionJob job(DesktopVersionThreshold);
        if (!job.LoadTargetFromFile(path)) state.SkipWithError("load failed");
        state.ResumeTiming();
        for (const ContactRecord& c : book) {
            if (add) {
                job.AddContact(&c);
                ++counts[job.LastMatch() < 0 ? 0 : job.LastMatch()];
            } else {
                ++counts[job.TargetContacts().FindMatch(&c).code];
            }
        }
    }
    state.counters["identical"] = counts[kMatchIdentical] / static_cast<double>(state.iterations());
    state.counters["differs"] = counts[kMatchDiffers] / static_cast<double>(state.iterations());
    state.counters["none"] = counts[kMatchNone] / static_cast<double>(state.iterations());
    state.SetComplexityN(n);
}

void BM_Mark(benchmark::State& state) { Run(state, false, false); }
void BM_Add(benchmark::State& state) { Run(state, false, true); }
void BM_MarkWeakNames(benchmark::State& state) { Run(state, true, false); }

BENCHMARK(BM_Mark)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_Add)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_MarkWeakNames)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvenne

BENCHMARK_MAIN();
