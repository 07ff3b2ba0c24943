// Load and save of a 100,000-record contacts file in each layout, timed against a plain
// read and a plain write of the same bytes in the same run, with the peak memory of each
// operation relative to the file's size.
#include "palmfile/classic_address_file.h"
#include "palmfile/palmsg_address_file.h"
#include "platform/file_system.h"
#include "platform/module_folder.h"
#include "tests/byte_builder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

// ---------------------------------------------------------------- allocation meter
// Every operator new of the program is counted, so the peak of live heap bytes during one
// operation can be read off exactly (the page-level RSS high-water mark cannot be reset
// between runs).
namespace {
std::atomic<std::size_t> g_live{0};
std::atomic<std::size_t> g_peak{0};
constexpr std::size_t kHeader = 16;  // keeps the block's alignment

void* Allocate(std::size_t n) {
    void* block = std::malloc(n + kHeader);
    if (!block) throw std::bad_alloc();
    *static_cast<std::size_t*>(block) = n;
    const std::size_t live = g_live.fetch_add(n) + n;
    std::size_t peak = g_peak.load();
    while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
    }
    return static_cast<char*>(block) + kHeader;
}

void Release(void* p) {
    if (!p) return;
    void* block = static_cast<char*>(p) - kHeader;
    g_live.fetch_sub(*static_cast<std::size_t*>(block));
    std::free(block);
}

// Peak heap bytes above the level at the start of the measured stretch.
class PeakMeter {
public:
    PeakMeter() : base_(g_live.load()) { g_peak.store(base_); }
    std::size_t Extra() const { return g_peak.load() - base_; }

private:
    std::size_t base_;
};
}  // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

namespace tarvenne {
namespace {

using testing::ByteBuilder;
constexpr int kRecords = 100000;

const char* const kFirst[] = {"Ann", "J\xF6rg", "Mar\xED" "a", "Chen", "Olu", "Siobh\xE1n",
                              "Pierre", "Yuki", "Dmitri", "Fatima", "Lars", "Grace"};
const char* const kLast[] = {"Lovelace", "M\xFCller", "Garc\xED" "a", "Wang", "Adeyemi", "Murphy",
                             "Dubois", "Tanaka", "Ivanov", "Haddad", "Nilsson", "Hopper"};

std::string Note(int i) {
    std::string note = "Met at the trade fair in spring; prefers calls before noon. ";
    note += "Follow up on order " + std::to_string(100000 + i) + " and the catalogue.\r\n";
    for (int k = 0; k < i % 4; ++k)
        note += "Additional remarks about delivery terms, invoices and the account manager. ";
    return note;  // 140 to 370 bytes
}

std::string Phone(int i, int k) {
    return "+49 30 " + std::to_string(1000000 + (i * 7 + k * 13) % 9000000);
}

std::string Email(int i) {
    return std::string(kFirst[i % 12]).substr(0, 3) + std::to_string(i) + "@example.com";
}

void CategoryBlock(ByteBuilder& b) {
    b.Int32(131).Int32(3);
    b.Int32(1).Int32(1).Int32(0).CString("Business").CString("Business");
    b.Int32(2).Int32(2).Int32(0).CString("Personal").CString("Personal");
    b.Int32(3).Int32(3).Int32(0).CString("QuickList").CString("QuickList");
}

// Empty files of each layout; the records are added through the record lists and the
// files written by the layouts' own writers.
std::vector<std::uint8_t> EmptyClassic(const std::string& path) {
    ByteBuilder b;
    b.Int32(0x41420100).CString(path).CString("");
    CategoryBlock(b);
    b.Int32(74).Int32(30).Int32(0).Int32(1).Int32(2).Int16(30);
    for (std::uint16_t t : {1, 1, 1, 5, 5, 5, 5, 1, 5, 1, 5, 1, 5, 1, 5,
                            1, 5, 5, 5, 5, 5, 5, 5, 6, 1, 5, 5, 5, 5, 1})
        b.Int16(t);
    b.Int32(0);
    return b.Bytes();
}

std::vector<std::uint8_t> EmptyPalmSg(const std::string& path) {
    ByteBuilder b;
    b.Raw(std::string("\xBE\xBA\xFE\xCA\x0F" "PalmSG Database00RV", 24)).Int32(0x41420200);
    b.Zeros(12).Byte(0x01).Byte(0x10).Zeros(10);
    b.CString(path).Zeros(11);
    for (int i = 0; i < 9; ++i) b.CString("").Int32(0);
    b.Zeros(42);
    CategoryBlock(b);
    b.Int32(74).Int32(73).Int32(0).Int32(2).Int32(4).Int16(0);
    b.Int32(0);
    return b.Bytes();
}

std::string Folder() {
    static const std::string dir = [] {
        auto p = std::filesystem::temp_directory_path() / "tarvenne-bench";
        std::filesystem::create_directories(p);
        return p.string();
    }();
    return dir;
}

const std::string& ClassicPath() {
    static const std::string path = [] {
        const std::string p = Folder() + "/classic.dat";
        platform::WriteFileBytes(p, EmptyClassic(p));
        ClassicAddressFile file;
        file.SetSwapNames(false);
        if (!file.Load(p)) std::abort();
        for (int i = 0; i < kRecords; ++i) {
            ClassicRecord r;
            r.record_id = 1000 + i;
            r.placement = i;
            r.first_name = kFirst[i % 12];
            r.last_name = kLast[(i / 12) % 12];
            r.title = i % 3 ? "Sales Manager" : "";
            r.company = "Company " + std::to_string(i % 500) + " GmbH";
            for (int k = 0; k < 5; ++k) {
                r.phone_label[k] = k;
                if (k < 3 || i % 2) r.phone[k] = k == 4 ? Email(i) : Phone(i, k);
            }
            r.address = "Hauptstra\xDF" "e " + std::to_string(i % 200);
            r.city = "Berlin";
            r.zip = std::to_string(10000 + i % 90000);
            r.country = "Germany";
            r.note = Note(i);
            r.category_id = i % 4;
            r.custom[0] = i % 5 ? "" : "VIP";
            if (!file.Records().Append(r)) std::abort();
        }
        if (!file.Save()) std::abort();
        return p;
    }();
    return path;
}

const std::string& PalmSgPath() {
    static const std::string path = [] {
        const std::string p = Folder() + "/palmsg.dat";
        platform::WriteFileBytes(p, EmptyPalmSg(p));
        PalmSgAddressFile file;
        file.SetSwapNames(false);
        if (!file.Load(p)) std::abort();
        for (int i = 0; i < kRecords; ++i) {
            PalmSgRecord r;
            r.record_id = 1000 + i;
            r.record_number = 0x1000 + i;
            r.entry_index = 73 * i;
            r.placement = i;
            r.category_id = i % 4;
            for (int k = 0; k < 4; ++k) r.blob[k].w0 = 64 + k;
            if (i % 3 == 0) {  // a third carry blob data, as Palm Desktop's own records do
                r.blob[0].w1 = 1;
                r.blob[0].w2 = 2;
                r.blob[0].length = 24;
                r.blob[0].data.assign(24, static_cast<std::uint8_t>(i));
            }
            r.first_name = kFirst[i % 12];
            r.last_name = kLast[(i / 12) % 12];
            r.title = i % 3 ? "Sales Manager" : "";
            r.company = "Company " + std::to_string(i % 500) + " GmbH";
            r.note = Note(i);
            for (int k = 0; k < 7; ++k) {
                r.phone_label[k] = k;
                if (k < 3 || i % 2) r.phone[k] = k == 4 ? Email(i) : Phone(i, k);
            }
            r.address[0].street = "Hauptstra\xDF" "e " + std::to_string(i % 200);
            r.address[0].city = "Berlin";
            r.address[0].zip = std::to_string(10000 + i % 90000);
            r.address[0].country = "Germany";
            r.address[1].kind = 1;
            r.address[2].kind = 2;
            r.web_page = i % 4 ? "" : "http://www.example.com/" + std::to_string(i);
            r.SetBirthday(i % 7 ? 0.0 : 25000.0 + i % 10000);
            if (!file.Records().AppendCopy(&r)) std::abort();
        }
        if (!file.Save()) std::abort();
        return p;
    }();
    return path;
}

std::size_t FileSize(const std::string& path) {
    return static_cast<std::size_t>(std::filesystem::file_size(path));
}

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// CPU time of this thread (user and system): steadier than wall time on a shared machine,
// and the plain read and write are mostly system time.
double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Every timed step starts from the same state of the heap, chosen by the benchmark's
// argument, so that the plain step and the layout's step get alike memory:
//  0 (cold): the heap's free pages are handed back to the system first, so each step
//    faults in memory the process has not touched yet, as a program that opens one file
//    does;
//  1 (warm): a block three times the file's size is touched and freed first, so each
//    step finds its memory already mapped, as a program that has run for a while does.
// Without this the steps compared the allocator's luck: the plain read's buffer came out
// of pages the file's construction had left behind while the load's went to new pages,
// and on this machine faulting 60 MB in costs several times copying it.
enum class Memory { kCold = 0, kWarm = 1 };

void PrepareHeap(Memory memory, std::size_t file_size) {
#if defined(__GLIBC__)
    if (memory == Memory::kCold) {
        malloc_trim(0);
        return;
    }
    const std::size_t n = 3 * file_size;
    if (void* block = std::malloc(n)) {
        std::memset(block, 1, n);
        benchmark::DoNotOptimize(block);
        std::free(block);
    }
#else
    (void)memory;
    (void)file_size;
#endif
}

// With mmap off and no automatic trimming, every large block comes from the heap and
// stays mapped when freed: what the warm state needs, and malloc_trim still empties it
// for the cold one.
void KeepFreedMemory() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
#endif
}

// Each iteration times the plain read of the file and the layout's Load; the manual time
// reported is the Load's. The ratios compare the fastest of each over the run, which on a
// shared machine is the figure least disturbed by others. Load leaves the records as bytes
// until they are asked for, so the time of then asking for every one of them (what a
// conversion that looks at the whole file pays) is reported beside it.
template <class File>
void BenchLoad(benchmark::State& state, const std::string& path) {
    platform::SetSettingsFileForTesting(Folder() + "/none.ini");
    const std::size_t size = FileSize(path);
    const Memory memory = static_cast<Memory>(state.range(0));
    double plain = 1e9, load = 1e9, plain_cpu = 1e9, load_cpu = 1e9, read_all = 1e9;
    std::size_t peak = 0;
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes;
        PrepareHeap(memory, size);
        auto t0 = Clock::now();
        double c0 = CpuSeconds();
        if (!platform::ReadFileBytes(path, &bytes)) state.SkipWithError("plain read failed");
        plain = std::min(plain, Seconds(t0));
        plain_cpu = std::min(plain_cpu, CpuSeconds() - c0);
        benchmark::DoNotOptimize(bytes.data());
        bytes = {};

        PrepareHeap(memory, size);
        PeakMeter meter;
        t0 = Clock::now();
        c0 = CpuSeconds();
        {
            File file;
            file.SetSwapNames(false);
            if (!file.Load(path)) state.SkipWithError("load failed");
            const double t = Seconds(t0);
            load_cpu = std::min(load_cpu, CpuSeconds() - c0);
            load = std::min(load, t);
            state.SetIterationTime(t);
            peak = std::max(peak, meter.Extra());
            std::uint32_t seen = 0;
            for (auto* r = file.Records().First(); r; r = file.Records().Next()) ++seen;
            if (seen != file.Records().Count()) state.SkipWithError("a record did not decode");
            read_all = std::min(read_all, Seconds(t0));
        }
    }
    state.counters["file_MB"] = static_cast<double>(size) / 1e6;
    state.counters["ratio_to_plain"] = load / plain;
    state.counters["cpu_ratio_to_plain"] = load_cpu / plain_cpu;
    state.counters["read_all_ratio_to_plain"] = read_all / plain;
    state.counters["peak_mem_to_file"] = static_cast<double>(peak) / static_cast<double>(size);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// Each iteration times a plain write of the same bytes to another file and the layout's
// Save (backup copy included) of a loaded file. Peak memory counts the loaded object too.
template <class File>
void BenchSave(benchmark::State& state, const std::string& path) {
    platform::SetSettingsFileForTesting(Folder() + "/none.ini");
    const std::size_t size = FileSize(path);
    const Memory memory = static_cast<Memory>(state.range(0));
    std::vector<std::uint8_t> bytes;
    platform::ReadFileBytes(path, &bytes);
    const std::string plain_path = Folder() + "/plain.dat";
    double plain = 1e9, save = 1e9, plain_cpu = 1e9, save_cpu = 1e9;
    std::size_t peak = 0;
    PeakMeter whole;  // from before the load: object and save buffers together
    File file;
    file.SetSwapNames(false);
    if (!file.Load(path)) state.SkipWithError("load failed");
    for (auto _ : state) {
        PrepareHeap(memory, size);
        auto t0 = Clock::now();
        double c0 = CpuSeconds();
        if (!platform::WriteFileBytes(plain_path, bytes)) state.SkipWithError("plain write failed");
        plain = std::min(plain, Seconds(t0));
        plain_cpu = std::min(plain_cpu, CpuSeconds() - c0);

        PrepareHeap(memory, size);
        t0 = Clock::now();
        c0 = CpuSeconds();
        if (!file.Save()) state.SkipWithError("save failed");
        save_cpu = std::min(save_cpu, CpuSeconds() - c0);
        const double t = Seconds(t0);
        save = std::min(save, t);
        state.SetIterationTime(t);
    }
    peak = whole.Extra() - bytes.size();  // the test's own copy of the bytes is not the save's
    state.counters["file_MB"] = static_cast<double>(size) / 1e6;
    state.counters["ratio_to_plain"] = save / plain;
    state.counters["cpu_ratio_to_plain"] = save_cpu / plain_cpu;
    state.counters["peak_mem_to_file"] = static_cast<double>(peak) / static_cast<double>(size);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void BM_ClassicLoad(benchmark::State& s) { BenchLoad<ClassicAddressFile>(s, ClassicPath()); }
void BM_PalmSgLoad(benchmark::State& s) { BenchLoad<PalmSgAddressFile>(s, PalmSgPath()); }
void BM_ClassicSave(benchmark::State& s) { BenchSave<ClassicAddressFile>(s, ClassicPath()); }
void BM_PalmSgSave(benchmark::State& s) { BenchSave<PalmSgAddressFile>(s, PalmSgPath()); }

// The argument is the heap's state before each step: 0 cold, 1 warm.
#define TARVENNE_BENCH(name) \
    BENCHMARK(name)->ArgName("warm")->Arg(0)->Arg(1)->UseManualTime() \
        ->Unit(benchmark::kMillisecond)->Iterations(5)
TARVENNE_BENCH(BM_ClassicLoad);
TARVENNE_BENCH(BM_ClassicSave);
TARVENNE_BENCH(BM_PalmSgLoad);
TARVENNE_BENCH(BM_PalmSgSave);

}  // namespace
}  // namespace tarvenne

int main(int argc, char** argv) {
    tarvenne::KeepFreedMemory();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
