// How the duplicate search and the conversion scale with the size of the target: a vCard
// book of n contacts, read by the loader, marked against n records and converted into them
// (a third identical, a third changed, a third new); and n contacts against n records whose
// names all read '?' (one weak name key). The heap is warm, as in palmfile_bench.
#include "engine/conversion_job.h"
#include "palminstall/palm_desktop_locator.h"
#include "platform/module_folder.h"
#include "tests/contacts_file_builder.h"
#include "vcard/vcard_reader.h"
#include "wab/property_mapping.h"
#include "wab/wab_loader.h"

#include <benchmark/benchmark.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <filesystem>
#include <limits>
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

// The address book as a vCard file, read as the wizard and the tool read it: identical,
// changed and new contacts by turns (for weak names, half identical and half new).
std::string BookFile(const std::filesystem::path& folder, int n, bool weak) {
    const std::string path = (folder / ("book-" + std::to_string(n) + (weak ? "-weak" : "") + ".vcf")).string();
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < n; ++i) {
        const Person p = TargetPerson(weak ? i - i % 2 * n : i % 3 == 2 ? n + i : i, weak);
        out << "BEGIN:VCARD\r\nVERSION:3.0\r\nN:" << p.last << ";" << p.first << ";;;\r\n";
        if (!p.company.empty()) out << "ORG:" << p.company << "\r\n";
        out << "NOTE:" << (!weak && i % 3 == 1 ? "changed note" : p.note) << "\r\n";
        out << "TEL;TYPE=" << (weak ? "HOME" : "WORK") << ":" << p.phones[0].second << "\r\n";
        if (!p.phones[1].second.empty()) out << "EMAIL:" << p.phones[1].second << "\r\n";
        out << "END:VCARD\r\n";
    }
    return path;
}

std::string TargetFile(const std::filesystem::path& folder, int n, bool weak) {
    const std::string path = (folder / ("engine-" + std::to_string(n) + (weak ? "-weak" : "") + ".dat")).string();
    std::vector<testing::Row> rows;
    for (int i = 0; i < n; ++i) rows.push_back(RowOf(Layout::kPalmSg, TargetPerson(i, weak)));
    const std::vector<std::uint8_t> bytes = BuildFile(Layout::kPalmSg, rows);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

// Marking the loaded book against the target, as the record list page does, or converting
// every contact into it, as a run with every contact ticked does.
void Run(benchmark::State& state, bool weak, bool add) {
    const int n = static_cast<int>(state.range(0));
    const auto folder = std::filesystem::temp_directory_path() / "tarvenne-bench";
    std::filesystem::create_directories(folder);
    platform::SetSettingsFileForTesting((folder / "none.ini").string());
#if defined(__GLIBC__)
    // Freed memory stays with the allocator, as in a program that has been running, so each
    // size pays the same for the memory its records take (as palmfile_bench does).
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
#endif
    const std::string target = TargetFile(folder, n, weak);
    wab::WabLoader book(vcard::ReadVCardBook);
    if (!book.Load(BookFile(folder, n, weak))) state.SkipWithError("the book did not load");
    int counts[4] = {};
    for (auto _ : state) {
        state.PauseTiming();
        ConversionJob job(DesktopVersionThreshold);
        if (!job.LoadTargetFromFile(target)) state.SkipWithError("load failed");
        state.ResumeTiming();
        if (!add) {
            wab::MarkAgainstTarget(&book, &job.TargetContacts());
            for (wab::SourceContact* c = book.First(); c; c = book.Next())
                ++counts[c->difference_status == wab::kNew       ? kMatchNone
                         : c->difference_status == wab::kChanged ? kMatchDiffers
                                                                 : kMatchIdentical];
            continue;
        }
        ContactRecord record;
        for (wab::SourceContact* c = book.First(); c; c = book.Next()) {
            wab::ConvertSourceContact(c, &record);
            job.AddContact(&record);
            ++counts[job.LastMatch() < 0 ? kMatchNone : job.LastMatch()];
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
