// WabLoader: reads the contacts of an address book into SourceContacts. It binds
// WAB32.DLL at construction (the path registered under HKLM
// "Software\Microsoft\WAB\DLLPath", else "WAB32.DLL") and reads through its WABOpen.
// Where that library is missing (always on Linux), and for every *.vcf file, the file
// reader it is given (the built-in vCard reader) stands in and delivers the same contacts.
//
// Typical use:
//     WabLoader loader(vcard::ReadVCardBook);   // binds the library, opens nothing
//     if (!loader.Load("C:\\book.wab")) report(loader.LastError());
//     for (SourceContact* c = loader.First(); c; c = loader.Next()) ...
//     MarkAgainstTarget(&loader, &target);      // property_mapping.h
#pragma once

#include "engine/contact_list.h"
#include "platform/dynamic_library.h"
#include "wab/ansi_text.h"
#include "wab/source_contact.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tarvenne::wab {

class AddressBookSession;

// Reads an address-book file without WAB32.DLL (vcard/vcard_reader.h has the program's
// one): hands every entry to deliver in file order, and says in *unmapped which characters
// of its values the text code page lacks. False, with the reason in words a user can be
// shown in *why, when the file cannot be read or is not of its kind.
using BookFileReader = bool (*)(const std::string& path, const EntrySink& deliver, std::string* why,
                                UnmappedCharacters* unmapped);

// Which reader served the last Load.
enum class LoadRoad {
    None,         // nothing loaded (yet), or the load failed before a reader was chosen
    AddressBook,  // WAB32.DLL's WABOpen and the address book's interfaces
    VCard,        // the file reader (the built-in vCard reader)
};

class WabLoader {
public:
    // Clears the custom-field map and binds the address-book library; opens nothing.
    // read_file (not null) reads *.vcf files, and every file while the library is missing.
    explicit WabLoader(BookFileReader read_file);
    // The same, then Load(path).
    WabLoader(BookFileReader read_file, const std::string& path);
    virtual ~WabLoader();
    WabLoader(const WabLoader&) = delete;
    WabLoader& operator=(const WabLoader&) = delete;

    // Reads an address book, replacing whatever an earlier Load read. An empty path is
    // the current user's address book (only through WAB32.DLL). A path ending in ".vcf"
    // is read by the file reader; any other path goes to WABOpen, or, when the library
    // or its WABOpen is missing, to the file reader, which refuses a file that is not a
    // vCard file. False, with no contacts and the reason in LastError(), when the book
    // cannot be opened or read; true with no contacts for a book that has none. Entries
    // that are not mail users (distribution lists, groups) are not read.
    virtual bool Load(const std::string& path);
    // Releases the address book and every contact; always true.
    virtual bool Unload();
    // Iteration over the contacts in the order the book gives them; null past the end.
    virtual SourceContact* First();
    virtual SourceContact* Next();
    // Sets custom fields 1 to count to the given property tags (0: none); false, with the
    // map unchanged, for a null array or a count outside 1 to 9.
    virtual bool SetCustomFieldMap(const std::uint32_t* tags, std::uint32_t count);

    std::uint32_t Count() const { return contacts_.Count(); }
    // The contact at a 0-based position (moves the iteration cursor), or null.
    SourceContact* Get(std::uint32_t position) { return contacts_.Get(position); }

    // True when the address-book library was loaded; HasOpenEntryPoint when it also
    // exports WABOpen. LibraryPath is the name or path that was loaded or tried last.
    bool LibraryLoaded() const { return library_.IsLoaded(); }
    bool HasOpenEntryPoint() const { return open_entry_point_ != nullptr; }
    const std::string& LibraryPath() const { return library_path_; }
    // The DLLPath value found in the registry; empty when there was none.
    const std::string& RegisteredLibraryPath() const { return registered_path_; }

    // Why the last Load failed, in words a user can be shown; empty after a success.
    const std::string& LastError() const { return last_error_; }
    LoadRoad LastRoad() const { return last_road_; }
    // The characters of the last load's values that the text code page lacks and that were
    // stored as '?', by the code page whose script holds them; none after the address
    // book's road, whose texts come in the code page already.
    const UnmappedCharacters& Unmapped() const { return unmapped_; }

private:
    void BindLibrary();
    bool LoadVCards(const std::string& path, bool library_missing);
    bool LoadThroughAddressBook(const std::string& path);
    bool Fail(std::string reason);
    void AppendContact(const EntryView& entry);

    ContactList<SourceContact> contacts_;  // owns its contacts (freed by Unload)
    platform::DynamicLibrary library_;     // owns the library handle; freed last
    BookFileReader read_file_;             // given at construction
    platform::EntryPoint open_entry_point_ = nullptr;  // WABOpen inside library_; not owned
    std::unique_ptr<AddressBookSession> session_;     // the interfaces of the open book
    std::string library_path_;
    std::string registered_path_;
    std::string last_error_;
    LoadRoad last_road_ = LoadRoad::None;
    UnmappedCharacters unmapped_;
};

}  // namespace tarvenne::wab
