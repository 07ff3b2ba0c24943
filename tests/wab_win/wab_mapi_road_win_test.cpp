// The loader's road through WAB32.DLL under Wine, against the stand-in library registered
// under DLLPath: the contacts it reads must be exactly those the vCard reader reads from
// the same file, with distribution lists and an entry that cannot be opened passed over,
// and every buffer and interface handed back.
#include "tests/test_folder.h"
#include "tests/wab_win/dll_path_win.h"
#include "wab/property_table.h"
#include "wab/wab_loader.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>

namespace tarvenne::wab {
namespace {

using testing::RegisteredWabPath;
using testing::TestFolder;
using testing::WinePath;

using CountFn = LONG (*)();

// One of the stand-in's counters (through void*: FARPROC's own type is not the function's).
CountFn Counter(HMODULE standin, const char* name) {
    return reinterpret_cast<CountFn>(reinterpret_cast<void*>(GetProcAddress(standin, name)));
}

void CopyFile(const std::string& from, const std::string& to) {
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Every slot, the birthday and the entry id: the whole of what a reader delivers.
void ExpectSameContacts(WabLoader& a, WabLoader& b) {
    ASSERT_EQ(a.Count(), b.Count());
    for (std::uint32_t i = 0; i < a.Count(); ++i) {
        const SourceContact* x = a.Get(i);
        const SourceContact* y = b.Get(i);
        SCOPED_TRACE(std::string(x->Text(tag::kDisplayName)));
        for (std::size_t row = 0; row < kPropertyCount; ++row)
            EXPECT_EQ(x->TextAtRow(row), y->TextAtRow(row)) << PropertyTable()[row].name;
        EXPECT_EQ(x->birthday, y->birthday);
        ASSERT_TRUE(x->entry_id && y->entry_id);
        EXPECT_EQ(*x->entry_id, *y->entry_id);
    }
}

class MapiRoad : public ::testing::Test {
protected:
    const std::string library = WinePath(TARVENNE_STANDIN_WAB32);
    const std::string sample = WinePath(TARVENNE_SAMPLE_BOOK);
    TestFolder dir;
};

TEST_F(MapiRoad, ReadsTheSameContactsAsTheVCardReader) {
    RegisteredWabPath registered(library);
    ASSERT_TRUE(registered.Set());
    // A *.vcf path always goes to the vCard reader; any other name goes to WABOpen.
    const std::string as_wab = dir.File("book.wab");
    const std::string as_vcf = dir.File("book.vcf");
    CopyFile(sample, as_wab);
    CopyFile(sample, as_vcf);

    // Held so the counters can be read after the loaders have freed the library.
    HMODULE standin = LoadLibraryA(library.c_str());
    ASSERT_NE(standin, nullptr);
    auto buffers = Counter(standin, "StandInOutstandingBuffers");
    auto objects = Counter(standin, "StandInLiveObjects");
    auto opens = Counter(standin, "StandInOpenEntryCalls");
    ASSERT_TRUE(buffers && objects && opens);
    {
        WabLoader mapi;
        EXPECT_TRUE(mapi.LibraryLoaded());
        EXPECT_TRUE(mapi.HasOpenEntryPoint());
        EXPECT_EQ(mapi.LibraryPath(), library);
        const LONG opens_before = opens();
        ASSERT_TRUE(mapi.Load(as_wab)) << mapi.LastError();
        EXPECT_EQ(mapi.LastRoad(), LoadRoad::AddressBook);

        WabLoader vcard;
        ASSERT_TRUE(vcard.Load(as_vcf)) << vcard.LastError();
        EXPECT_EQ(vcard.LastRoad(), LoadRoad::VCard);

        // 32 people; the group card, the stand-in's own list and the entry that cannot be
        // opened are not contacts.
        EXPECT_EQ(mapi.Count(), 32u);
        ExpectSameContacts(mapi, vcard);
        // The personal address book, every mail user, and the one that failed to open;
        // distribution lists are never opened.
        EXPECT_EQ(opens() - opens_before, 1 + 32 + 1);

        // While the book is open the loader holds the address book and the WAB object.
        EXPECT_EQ(objects(), 2);
        EXPECT_EQ(buffers(), 0);
        ASSERT_TRUE(mapi.Load(as_wab));
        EXPECT_EQ(mapi.Count(), 32u);
        EXPECT_EQ(objects(), 2);
        mapi.Unload();
        EXPECT_EQ(objects(), 0);
        EXPECT_EQ(buffers(), 0);
    }
    FreeLibrary(standin);
}

TEST_F(MapiRoad, FailuresOfWabOpenFailTheLoadAndHoldNothing) {
    RegisteredWabPath registered(library);
    ASSERT_TRUE(registered.Set());
    const std::string good = dir.File("good.wab");
    const std::string bad = dir.File("notes.wab");
    WriteText(good,
              "BEGIN:VCARD\r\nVERSION:3.0\r\nN:One;Only;;;\r\nFN:Only One\r\nEND:VCARD\r\n");
    WriteText(bad, "these are not cards\r\n");

    HMODULE standin = LoadLibraryA(library.c_str());
    ASSERT_NE(standin, nullptr);
    auto objects = Counter(standin, "StandInLiveObjects");
    auto buffers = Counter(standin, "StandInOutstandingBuffers");
    {
        WabLoader loader;
        ASSERT_TRUE(loader.Load(good)) << loader.LastError();
        ASSERT_EQ(loader.Count(), 1u);
        EXPECT_EQ(loader.First()->Text(tag::kFirstName), "Only");

        // The stand-in refuses a file that is not a vCard file, as WABOpen refuses a file
        // that is not an address book: nothing from the earlier load survives.
        EXPECT_FALSE(loader.Load(bad));
        EXPECT_EQ(loader.Count(), 0u);
        EXPECT_NE(loader.LastError().find("WABOpen"), std::string::npos) << loader.LastError();
        EXPECT_EQ(objects(), 0);

        // The current user's address book goes to WABOpen too (no file name).
        EXPECT_FALSE(loader.Load(""));
        EXPECT_NE(loader.LastError().find("current user"), std::string::npos) << loader.LastError();
        EXPECT_EQ(objects(), 0);
        EXPECT_EQ(buffers(), 0);
    }
    FreeLibrary(standin);
}

}  // namespace
}  // namespace tarvenne::wab
