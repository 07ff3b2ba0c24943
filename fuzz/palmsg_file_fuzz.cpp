// Fuzz target for the newer contacts-file layout: any input either is refused or loads;
// a file that loads must save, load again with the same records, and save to the same
// bytes (read -> write -> read is stable).
#include "palmfile/palmsg_address_file.h"
#include "platform/file_system.h"
#include "platform/module_folder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
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

using tarvenne::DatBlob;
using tarvenne::PalmSgAddressFile;
using tarvenne::PalmSgRecord;

[[noreturn]] void Broken(const char* what, const std::string& detail) {
    std::fprintf(stderr, "round trip broken: %s %s\n", what, detail.c_str());
    std::abort();
}

bool SameAddress(const tarvenne::PalmSgAddress& a, const tarvenne::PalmSgAddress& b) {
    return a.kind == b.kind && a.street == b.street && a.city == b.city && a.state == b.state &&
           a.zip == b.zip && a.country == b.country;
}

bool SameRecord(const PalmSgRecord& a, const PalmSgRecord& b) {
    bool same = a.record_id == b.record_id && a.record_number == b.record_number &&
                a.status == b.status && a.entry_index == b.entry_index &&
                a.placement == b.placement && a.category_id == b.category_id &&
                a.is_private == b.is_private && a.text11 == b.text11 && a.text12 == b.text12 &&
                a.first_name == b.first_name && a.last_name == b.last_name &&
                a.title == b.title && a.company == b.company && a.field17 == b.field17 &&
                a.note == b.note && a.field62 == b.field62 && a.field63 == b.field63 &&
                a.web_page == b.web_page && a.birthday_bits == b.birthday_bits &&
                a.field66 == b.field66 && a.field67 == b.field67 && a.field68 == b.field68 &&
                a.category_name == b.category_name && a.chat[0] == b.chat[0] &&
                a.chat[1] == b.chat[1];
    for (int i = 0; i < 4; ++i) same = same && a.blob[i] == b.blob[i] && a.text69_72[i] == b.text69_72[i];
    for (int i = 0; i < PalmSgRecord::kPhones; ++i)
        same = same && a.phone[i] == b.phone[i] && a.phone_label[i] == b.phone_label[i];
    for (int i = 0; i < PalmSgRecord::kCustoms; ++i) same = same && a.custom[i] == b.custom[i];
    for (int i = 0; i < 3; ++i) same = same && SameAddress(a.address[i], b.address[i]);
    return same;
}

// The input goes through a real file, as Load takes a path; in memory-backed /dev/shm
// where there is one, so the flushes of every save cost nothing.
const std::string& WorkFile() {
    static const std::string path = [] {
        std::error_code ec;
        std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
        if (std::filesystem::is_directory("/dev/shm", ec)) dir = "/dev/shm";
        return (dir / ("tarvenne-palmsg-fuzz-" + std::to_string(TARVENNE_GETPID()) + ".dat"))
            .string();
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace platform = tarvenne::platform;
    static const bool settings_pointed_away = [] {
        // No settings file: the swap option stays off unless the input asks below.
        platform::SetSettingsFileForTesting(WorkFile() + ".ini-none");
        std::atexit([] {
            tarvenne::platform::RemoveFile(WorkFile());
            tarvenne::platform::RemoveFile(WorkFile() + ".xbk");
        });
        return true;
    }();
    (void)settings_pointed_away;

    const std::string& path = WorkFile();
    const std::vector<std::uint8_t> input(data, data + size);
    if (!platform::WriteFileBytes(path, input)) return 0;
    const bool swap = size > 0 && (data[size - 1] & 1) != 0;

    PalmSgAddressFile first;
    first.SetSwapNames(swap);
    if (!first.Load(path)) {
        // A refused file is never touched.
        std::vector<std::uint8_t> after;
        if (!platform::ReadFileBytes(path, &after) || after != input)
            Broken("a refused load changed the file", first.LastError());
        return 0;
    }
    if (!first.Save()) Broken("a loaded file did not save:", first.LastError());
    std::vector<std::uint8_t> saved;
    if (!platform::ReadFileBytes(path, &saved)) Broken("cannot read back", path);
    std::vector<std::uint8_t> backup;
    if (!platform::ReadFileBytes(path + ".xbk", &backup) || backup != input)
        Broken("the backup differs from the file before the save", "");

    PalmSgAddressFile second;
    second.SetSwapNames(swap);
    if (!second.Load(path)) Broken("the saved file does not load:", second.LastError());
    tarvenne::PalmSgRecordList& a = first.Records();
    tarvenne::PalmSgRecordList& b = second.Records();
    if (a.Count() != b.Count()) Broken("record count changed", "");
    for (std::uint32_t i = 0; i < a.Count(); ++i) {
        // Records accepted by a load always decode later from the kept bytes.
        if (!a.Get(i) || !b.Get(i)) Broken("a loaded record did not decode:", std::to_string(i));
        if (!SameRecord(*a.Get(i), *b.Get(i))) Broken("record differs:", std::to_string(i));
    }
    for (int i = 0; i < PalmSgAddressFile::kCustomLabels; ++i) {
        if (first.CustomLabel(i) != second.CustomLabel(i)) Broken("label differs", "");
    }
    if (first.Categories()->Count() != second.Categories()->Count())
        Broken("category count differs", "");

    // Every record of first has now been asked for, so a save writes it from its fields
    // where the first save wrote it from its kept bytes: the file must not differ.
    if (!first.Save()) Broken("a second save of the loaded file failed:", first.LastError());
    std::vector<std::uint8_t> from_fields;
    if (!platform::ReadFileBytes(path, &from_fields) || from_fields != saved)
        Broken("records written from their fields differ from their kept bytes", "");

    // The second save must not change a byte: the first one normalised everything.
    if (!second.Save()) Broken("the reloaded file did not save:", second.LastError());
    std::vector<std::uint8_t> again;
    if (!platform::ReadFileBytes(path, &again) || again != saved)
        Broken("a second save wrote different bytes", "");
    platform::RemoveFile(path + ".xbk");
    return 0;
}
