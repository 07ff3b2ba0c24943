// Fuzz target for contacts files of both layouts: any input is refused with a reason, or
// loads; a file that loads builds a file that loads to the same content and builds to the
// same bytes again. A share of the inputs also takes the road through the disk: a refused
// load leaves the file as it was and cannot be saved; a save leaves the backup equal to
// the input.
#include "palmfile/classic_address_file.h"
#include "palmfile/palmsg_address_file.h"
#include "platform/file_system.h"
#include "platform/module_folder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
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

using namespace tarvenne;

[[noreturn]] void Broken(const char* what, const std::string& detail) {
    std::fprintf(stderr, "contacts file round trip broken: %s %s\n", what, detail.c_str());
    std::abort();
}

std::unique_ptr<AddressFile> Make(bool palmsg, bool swap) {
    std::unique_ptr<AddressFile> file;
    if (palmsg) file = std::make_unique<PalmSgAddressFile>();
    else file = std::make_unique<ClassicAddressFile>();
    file->SetSwapNames(swap);
    return file;
}

bool SameRecord(const PalmRecord& a, const PalmRecord& b) {
    const RecordLayout& l = a.Layout();
    for (int p = 0; p < l.fields; ++p) {
        const bool same = l.kind[p] == FieldKind::kText   ? a.Text(p) == b.Text(p)
                          : l.kind[p] == FieldKind::kBlob ? a.BlobBytes(p) == b.BlobBytes(p)
                          : l.kind[p] == FieldKind::kLong ? a.Long(p) == b.Long(p)
                                                          : a.Integer(p) == b.Integer(p);
        if (!same) return false;
    }
    return true;
}

void ExpectSameContent(AddressFile& first, AddressFile& second) {
    const RecordList& a = first.Records();
    const RecordList& b = second.Records();
    if (a.Count() != b.Count()) Broken("record count changed", "");
    for (std::uint32_t i = 0; i < a.Count(); ++i)
        if (!SameRecord(*a.At(i), *b.At(i))) Broken("record differs:", std::to_string(i));
    const FileSchema& sa = first.Schema();
    const FileSchema& sb = second.Schema();
    if (sa.fields_per_record != sb.fields_per_record || sa.field_count != sb.field_count ||
        sa.resource_id != sb.resource_id)
        Broken("schema differs", "");
    if (first.TrailingBytes() != second.TrailingBytes()) Broken("trailing bytes differ", "");
    const CategoryTable* ca = first.Categories();
    const CategoryTable* cb = second.Categories();
    if (!ca || !cb || ca->Count() != cb->Count() || ca->NextFreeId() != cb->NextFreeId())
        Broken("categories differ", "");
    for (int slot = 0; slot < CategoryTable::kSlots; ++slot) {
        const CategoryEntry* ea = ca->GetByIndex(slot);
        const CategoryEntry* eb = cb->GetByIndex(slot);
        if (!ea != !eb || (ea && (!ea->Equals(*eb) || ea->SafeName() != eb->SafeName())))
            Broken("category differs in slot", std::to_string(slot));
    }
}

const std::string& WorkFile() {
    static const std::string path =
        (std::filesystem::temp_directory_path() /
         ("tarvenne-contacts-fuzz-" + std::to_string(TARVENNE_GETPID()) + ".dat"))
            .string();
    return path;
}

// The road through the disk; slower (a save flushes), so only a share of inputs take it.
void FileRoundTrip(const std::vector<std::uint8_t>& input, bool palmsg, bool swap) {
    const std::string& path = WorkFile();
    if (!platform::WriteFileBytes(path, input)) return;
    std::unique_ptr<AddressFile> first = Make(palmsg, swap);
    if (!first->Load(path)) {
        std::vector<std::uint8_t> after;
        if (!platform::ReadFileBytes(path, &after) || after != input)
            Broken("a refused load changed the file", first->LastError());
        if (first->Save()) Broken("a file that did not load was saved", "");
        return;
    }
    if (!first->Save()) Broken("a loaded file did not save:", first->LastError());
    std::vector<std::uint8_t> backup;
    if (!platform::ReadFileBytes(path + ".xbk", &backup) || backup != input)
        Broken("the backup differs from the file before the save", "");
    std::unique_ptr<AddressFile> second = Make(palmsg, swap);
    if (!second->Load(path)) Broken("the saved file does not load:", second->LastError());
    ExpectSameContent(*first, *second);
    platform::RemoveFile(path + ".xbk");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool settings_pointed_away = [] {
        // No settings file: the swap option is chosen by the input below.
        platform::SetSettingsFileForTesting(WorkFile() + ".ini-none");
        return true;
    }();
    (void)settings_pointed_away;

    const std::vector<std::uint8_t> input(data, data + size);
    const bool swap = size > 0 && (data[size - 1] & 1) != 0;
    const std::string stored_path = "C:\\Palm\\User\\address\\address.dat";
    for (bool palmsg : {false, true}) {
        std::unique_ptr<AddressFile> first = Make(palmsg, swap);
        if (!first->LoadBytes(input)) {
            if (first->LastError().empty()) Broken("a refused input without a reason", "");
            continue;
        }
        std::vector<std::uint8_t> saved;
        if (!first->BuildContent(stored_path, &saved))
            Broken("a loaded file did not build:", first->LastError());
        std::unique_ptr<AddressFile> second = Make(palmsg, swap);
        if (!second->LoadBytes(saved)) Broken("the built file does not load:", second->LastError());
        ExpectSameContent(*first, *second);
        std::vector<std::uint8_t> again;
        if (!second->BuildContent(stored_path, &again) || again != saved)
            Broken("a second build gave different bytes", "");
        if (size % 8 == 0) FileRoundTrip(input, palmsg, swap);
    }
    return 0;
}
