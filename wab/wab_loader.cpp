// The address-book loader: binding WAB32.DLL, choosing the reader for a path, and keeping
// the contacts read.
#include "wab/wab_loader.h"

#include "platform/registry.h"
#include "wab/property_mapping.h"
#include "wab/wab_mapi_road.h"

#include <new>
#include <utility>

namespace tarvenne::wab {
namespace {

constexpr const char* kLibraryName = "WAB32.DLL";
constexpr const char* kDllPathKey = "Software\\Microsoft\\WAB\\DLLPath";
constexpr std::size_t kDllPathCapacity = 260;

bool EndsWithVcf(const std::string& path) {
    if (path.size() < 4) return false;
    const std::string tail = path.substr(path.size() - 4);
    return tail[0] == '.' && (tail[1] == 'v' || tail[1] == 'V') &&
           (tail[2] == 'c' || tail[2] == 'C') && (tail[3] == 'f' || tail[3] == 'F');
}

}  // namespace

WabLoader::WabLoader(BookFileReader read_file) : read_file_(read_file) {
    ClearCustomFieldMap();
    BindLibrary();
}

WabLoader::WabLoader(BookFileReader read_file, const std::string& path) : WabLoader(read_file) {
    Load(path);
}

WabLoader::~WabLoader() {
    Unload();
    // library_ is freed by its own destructor, after the interfaces it served are gone.
}

void WabLoader::BindLibrary() {
    std::string registered;
    if (platform::ReadRegistryString(platform::RegistryRoot::LocalMachine, kDllPathKey, "",
                                     kDllPathCapacity, &registered) !=
        platform::RegistryStatus::Ok)
        registered.clear();
    registered_path_ = registered;
    library_path_ = registered.empty() ? kLibraryName : registered;
    bool loaded = library_.Load(library_path_);
    // A registered path that does not load (a moved installation, or a value that still
    // holds an unexpanded %CommonProgramFiles%) is not the last word: the system's search
    // for the library by name may still find it.
    if (!loaded && !registered.empty()) {
        library_path_ = kLibraryName;
        loaded = library_.Load(library_path_);
    }
    open_entry_point_ = loaded ? library_.Find("WABOpen") : nullptr;
}

bool WabLoader::Load(const std::string& path) {
    Unload();
    last_error_.clear();
    last_road_ = LoadRoad::None;
    // A book too large for memory is a failed load like any other, not an exception that
    // reaches a window procedure.
    try {
        if (EndsWithVcf(path)) return LoadVCards(path, false);
        if (!open_entry_point_) return LoadVCards(path, true);
        return LoadThroughAddressBook(path);
    } catch (const std::bad_alloc&) {
        return Fail("\"" + path + "\" could not be read: not enough memory");
    }
}

bool WabLoader::LoadVCards(const std::string& path, bool library_missing) {
    const std::string missing = library_.IsLoaded()
                                    ? std::string("the address book library \"") + library_path_ +
                                          "\" has no WABOpen"
                                    : std::string("the address book library \"") + library_path_ +
                                          "\" could not be loaded";
    if (path.empty())
        return Fail("the current user's address book cannot be opened: " + missing +
                    "; choose a .vcf or .wab file instead");
    last_road_ = LoadRoad::VCard;
    std::string why;
    // Groups are not contacts; the address book's road never hands them over either.
    const bool ok = read_file_(
        path,
        [this](const EntryView& entry) {
            if (entry.object_type == kObjectTypeMailUser) AppendContact(entry);
        },
        &why, &unmapped_);
    if (!ok) {
        std::string reason = "\"" + path + "\" could not be read: " + why;
        if (library_missing) reason += " (and " + missing + ")";
        return Fail(std::move(reason));
    }
    return true;
}

bool WabLoader::LoadThroughAddressBook(const std::string& path) {
    last_road_ = LoadRoad::AddressBook;
    std::string why;
    const bool read = ReadAddressBook(
        open_entry_point_, path, &session_,
        [this](const EntryView& entry) { AppendContact(entry); }, &why);
    if (!read) {
        return Fail(path.empty() ? "the current user's address book could not be read: " + why
                                 : "\"" + path + "\" could not be read: " + why);
    }
    return true;
}

void WabLoader::AppendContact(const EntryView& entry) {
    auto contact = std::make_unique<SourceContact>();
    Fill(contact.get(), entry.values, entry.value_count);
    contact->entry_id = std::make_shared<const std::vector<std::uint8_t>>(entry.entry_id.begin(),
                                                                         entry.entry_id.end());
    if (contacts_.Append(contact.get())) contact.release();
}

bool WabLoader::Fail(std::string reason) {
    Unload();  // also drops the contacts read before the failure
    last_error_ = std::move(reason);
    return false;
}

bool WabLoader::Unload() {
    session_.reset();
    unmapped_ = UnmappedCharacters();
    contacts_.Clear(true);
    return true;
}

SourceContact* WabLoader::First() { return contacts_.First(); }

SourceContact* WabLoader::Next() { return contacts_.Next(); }

bool WabLoader::SetCustomFieldMap(const std::uint32_t* tags, std::uint32_t count) {
    return wab::SetCustomFieldMap(tags, count);
}

}  // namespace tarvenne::wab
