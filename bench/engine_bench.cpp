// How the duplicate search and the conversion scale with the size of the target: marking
// n address-book contacts against n target records, and adding them to a loaded target.
#include "engine/conversion_job.h"
#include "engine/target_contact_list.h"
#include "palminstall/palm_desktop_locator.h"
#include "tests/engine/target_files.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tarvenne {
namespace {

// Target record i: a name of its own, a work phone, an e-mail on every other record.
ContactRecord TargetContact(int i) {
    ContactRecord r;
    r.first_name = "First" + std::to_string(i);
    r.last_name = "Last" + std::to_string(i % 997);
    r.work_phone = "555-" + std::to_string(i);
    if (i % 2 == 0) r.email = "person" + std::to_string(i) + "@example.com";
    r.company = "Company " + std::to_string(i % 50);
    r.note = "note";
    return r;
}

// The address book: a third identical to the target, a third changed, a third new.
std::vector<ContactRecord> SourceContacts(int n) {
    std::vector<ContactRecord> contacts;
    contacts.reserve(n);
    for (int i = 0; i < n; ++i) {
        ContactRecord r = TargetContact(i);
        if (i % 3 == 1) r.note = "changed note";
        if (i % 3 == 2) r = TargetContact(n + i);
        contacts.push_back(r);
    }
    return contacts;
}

PalmSgRecord TargetRecord(int i) {
    const ContactRecord c = TargetContact(i);
    PalmSgRecord r;
    r.first_name = c.first_name.str();
    r.last_name = c.last_name.str();
    r.company = c.company.str();
    r.note = c.note.str();
    r.record_number = 0x1000 + i;
    r.entry_index = 73 * i;
    r.phone_label[0] = 0;
    r.phone[0] = c.work_phone.str();
    r.phone_label[1] = 4;
    r.phone[1] = c.email.str();
    r.address[1].kind = 1;
    r.address[2].kind = 2;
    return r;
}

void BM_MarkContacts(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    TargetContactList target;
    for (int i = 0; i < n; ++i) {
        const ContactRecord r = TargetContact(i);
        target.AppendCopy(&r);
    }
    const std::vector<ContactRecord> contacts = SourceContacts(n);
    for (auto _ : state) {
        int counts[4] = {};
        for (const ContactRecord& c : contacts) ++counts[target.FindMatch(&c).code];
        benchmark::DoNotOptimize(counts);
        if (counts[kMatchIdentical] == 0 || counts[kMatchDiffers] == 0 || counts[kMatchNone] == 0)
            state.SkipWithError("the contacts did not reach every outcome");
    }
    state.SetComplexityN(n);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_MarkContacts)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// A target file of n records in a temporary folder, made once per size.
class TargetFile {
public:
    explicit TargetFile(int n) {
        path_ = (std::filesystem::temp_directory_path() /
                 ("tarvenne-bench-" + std::to_string(n) + ".dat"))
                    .string();
        std::vector<PalmSgRecord> records;
        records.reserve(n);
        for (int i = 0; i < n; ++i) records.push_back(TargetRecord(i));
        bytes_ = testing::PalmSgFileBytes(path_, records);
        Restore();
    }
    ~TargetFile() {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
        std::filesystem::remove(path_ + ".xbk", ec);
    }
    void Restore() const { testing::WriteFileBytes(path_, bytes_); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::vector<std::uint8_t> bytes_;
};

void BM_LoadTarget(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    TargetFile file(n);
    for (auto _ : state) {
        ConversionJob job(DesktopVersionThreshold);
        if (!job.LoadTargetFromFile(file.Path())) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(job.TargetContacts().Count());
    }
    state.SetComplexityN(n);
}
BENCHMARK(BM_LoadTarget)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_AddContacts(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    TargetFile file(n);
    const std::vector<ContactRecord> contacts = SourceContacts(n);
    for (auto _ : state) {
        state.PauseTiming();
        ConversionJob job(DesktopVersionThreshold);
        if (!job.LoadTargetFromFile(file.Path())) state.SkipWithError("load failed");
        state.ResumeTiming();
        int changed = 0;
        for (const ContactRecord& c : contacts) changed += job.AddContact(&c) ? 1 : 0;
        benchmark::DoNotOptimize(changed);
        state.PauseTiming();
        if (changed != n - (n + 2) / 3) state.SkipWithError("unexpected number of changes");
        state.ResumeTiming();
    }
    state.SetComplexityN(n);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AddContacts)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_SaveTarget(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    TargetFile file(n);
    ConversionJob job(DesktopVersionThreshold);
    if (!job.LoadTargetFromFile(file.Path())) state.SkipWithError("load failed");
    const std::vector<ContactRecord> contacts = SourceContacts(n);
    for (const ContactRecord& c : contacts) job.AddContact(&c);
    for (auto _ : state) {
        if (!job.SaveTarget()) state.SkipWithError(job.LastError().c_str());
    }
    state.SetComplexityN(n);
}
BENCHMARK(BM_SaveTarget)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
}  // namespace tarvenne

BENCHMARK_MAIN();
