// Fuzz target for the classic contacts-file layout: any input is refused (and left as it
// was) or loads; a file that loads must save, load again with the same records, and save
// to the same bytes a second time.
#include "palmfile/classic_address_file.h"
#include "platform/file_system.h"
#include "platform/module_folder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <process.h>
#define TARVENNE_GETPID _getpid
#else
#include <unistd.h>
#define TARVENNE_GETPID getpid
#endif

namespace {

using tarvenne::ClassicAddressFile;
using tarvenne::ClassicRecord;

[[noreturn]] void Broken(const char* what, const std::string& detail) {
    std::fprintf(stderr, "classic round trip broken: %s %s\n", what, detail.c_str());
    std::abort();
}

bool SameRecord(const ClassicRecord& a, const ClassicRecord& b) {
    bool same = a.record_id == b.record_id && a.status == b.status &&
                a.placement == b.placement && a.last_name == b.last_name &&
                a.first_name == b.first_name && a.title == b.title && a.company == b.company &&
                a.address == b.address && a.city == b.city && a.state == b.state &&
                a.zip == b.zip && a.country == b.country && a.note == b.note &&
                a.is_private == b.is_private && a.category_id == b.category_id &&
                a.display_phone == b.display_phone && a.category_name == b.category_name;
    for (int i = 0; i < ClassicRecord::kPhones; ++i)
        same = same && a.phone[i] == b.phone[i] && a.phone_label[i] == b.phone_label[i];
    for (int i = 0; i < ClassicRecord::kCustoms; ++i) same = same && a.custom[i] == b.custom[i];
    return same;
}

bool SameSchema(const tarvenne::ClassicSchema& a, const tarvenne::ClassicSchema& b) {
    bool same = a.resource_id == b.resource_id && a.fields_per_record == b.fields_per_record &&
                a.record_id_position == b.record_id_position &&
                a.status_position == b.status_position &&
                a.placement_position == b.placement_position && a.field_count == b.field_count;
    for (int i = 0; same && i < a.field_count; ++i) same = a.field_tags[i] == b.field_tags[i];
    return same;
}

const std::string& WorkFile() {
    static const std::string path =
        (std::filesystem::temp_directory_path() /
         ("tarvenne-classic-fuzz-" + std::to_string(TARVENNE_GETPID()) + ".dat"))
            .string();
    return path;
}

// The records, header, schema, categories and trailing bytes of two loads are the same.
void ExpectSameContent(ClassicAddressFile& first, ClassicAddressFile& second) {
    tarvenne::ClassicRecordList& a = first.Records();
    tarvenne::ClassicRecordList& b = second.Records();
    if (a.Count() != b.Count()) Broken("record count changed", "");
    for (std::uint32_t i = 0; i < a.Count(); ++i) {
        // Records accepted by a load always decode later from the kept bytes.
        if (!a.Get(i) || !b.Get(i)) Broken("a loaded record did not decode:", std::to_string(i));
        if (!SameRecord(*a.Get(i), *b.Get(i))) Broken("record differs:", std::to_string(i));
    }
    if (first.HeaderText() != second.HeaderText()) Broken("header differs", "");
    if (!SameSchema(first.Schema(), second.Schema())) Broken("schema differs", "");
    if (first.TrailingBytes() != second.TrailingBytes()) Broken("trailing bytes differ", "");
    const tarvenne::CategoryTable* ca = first.Categories();
    const tarvenne::CategoryTable* cb = second.Categories();
    if (!ca || !cb || ca->Count() != cb->Count() || ca->NextFreeId() != cb->NextFreeId())
        Broken("categories differ", "");
    for (int slot = 0; slot < tarvenne::CategoryTable::kSlots; ++slot) {
        const tarvenne::CategoryEntry* ea = ca->GetByIndex(slot);
        const tarvenne::CategoryEntry* eb = cb->GetByIndex(slot);
        if (!ea != !eb || (ea && (!ea->Equals(*eb) || ea->SafeName() != eb->SafeName())))
            Broken("category differs in slot", std::to_string(slot));
    }
}

// The file road: load from disk, save with its backup, load again. Slower (the save
// flushes to disk), so only a share of the inputs take it.
void FileRoundTrip(const std::vector<std::uint8_t>& input, bool swap) {
    namespace platform = tarvenne::platform;
    const std::string& path = WorkFile();
    if (!platform::WriteFileBytes(path, input)) return;
    ClassicAddressFile first;
    first.SetSwapNames(swap);
    if (!first.Load(path)) {
        std::vector<std::uint8_t> after;
        if (!platform::ReadFileBytes(path, &after) || after != input)
            Broken("a refused load changed the file", first.LastError());
        if (first.Save()) Broken("a file that did not load was saved", "");
        return;
    }
    if (!first.Save()) Broken("a loaded file did not save:", first.LastError());
    std::vector<std::uint8_t> saved, backup;
    if (!platform::ReadFileBytes(path, &saved)) Broken("cannot read back", path);
    if (!platform::ReadFileBytes(path + ".xbk", &backup) || backup != input)
        Broken("the backup differs from the file before the save", "");
    ClassicAddressFile second;
    second.SetSwapNames(swap);
    if (!second.Load(path)) Broken("the saved file does not load:", second.LastError());
    ExpectSameContent(first, second);
    if (!second.Save()) Broken("the reloaded file did not save:", second.LastError());
    std::vector<std::uint8_t> again;
    if (!platform::ReadFileBytes(path, &again) || again != saved)
        Broken("a second save wrote different bytes", "");
    platform::RemoveFile(path + ".xbk");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool settings_pointed_away = [] {
        // No settings file: the swap option is chosen by the input below.
        tarvenne::platform::SetSettingsFileForTesting(WorkFile() + ".ini-none");
        return true;
    }();
    (void)settings_pointed_away;

    const std::vector<std::uint8_t> input(data, data + size);
    const bool swap = size > 0 && (data[size - 1] & 1) != 0;
    const std::string stored_path = "C:\\Palm\\User\\address\\address.dat";

    ClassicAddressFile first;
    first.SetSwapNames(swap);
    if (first.LoadImage(input)) {
        std::vector<std::uint8_t> saved;
        if (!first.BuildContent(stored_path, &saved))
            Broken("a loaded file did not build:", first.LastError());
        ClassicAddressFile second;
        second.SetSwapNames(swap);
        if (!second.LoadImage(saved)) Broken("the built file does not load:", second.LastError());
        ExpectSameContent(first, second);
        // Every record of first has now been asked for, so it is written from its fields
        // where the first build wrote it from its kept bytes: the file must not differ,
        // under either swap option at the save.
        std::vector<std::uint8_t> from_fields, untouched_swapped, from_fields_swapped;
        if (!first.BuildContent(stored_path, &from_fields) || from_fields != saved)
            Broken("records written from their fields differ from their kept bytes", "");
        ClassicAddressFile untouched;
        untouched.SetSwapNames(swap);
        if (!untouched.LoadImage(input)) Broken("the input no longer loads", "");
        untouched.SetSwapNames(!swap);
        first.SetSwapNames(!swap);
        if (!untouched.BuildContent(stored_path, &untouched_swapped) ||
            !first.BuildContent(stored_path, &from_fields_swapped) ||
            untouched_swapped != from_fields_swapped)
            Broken("a swap at the save treats kept and decoded records differently", "");
        // The first build wrote everything in its one form: a second build changes no byte.
        std::vector<std::uint8_t> again;
        if (!second.BuildContent(stored_path, &again) || again != saved)
            Broken("a second build gave different bytes", "");
    } else if (first.LastError().empty()) {
        Broken("a refused input without a reason", "");
    }
    if (size % 8 == 0) FileRoundTrip(input, swap);
    return 0;
}
