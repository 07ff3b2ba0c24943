// The loader: which reader serves a path, what a failed load leaves, loading twice, the
// registry's library path, and entry ids that outlive the contacts they came with. (The
// marking of the loaded contacts against a target is the tool's diff, tested there.)
#include "platform/file_system.h"
#include "engine/bounded_text.h"
#include "platform/registry.h"
#include "tests/test_folder.h"
#include "vcard/vcard_reader.h"
#include "wab/property_mapping.h"
#include "wab/wab_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvenne::wab {
namespace {

using testing::Bytes;

std::string Card(const std::string& last, const std::string& extra = "") {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nN:" + last + ";A;;;\r\n" + extra + "END:VCARD\r\n";
}

std::string NameAndId(const SourceContact& c) {
    return std::string(c.Text(tag::kLastName)) + " " + std::string(c.EntryIdBytes(), c.EntryIdBytes() + c.EntryIdSize());
}

std::vector<std::string> Loaded(WabLoader& loader) {
    std::vector<std::string> names;
    for (SourceContact* c = loader.First(); c; c = loader.Next()) names.push_back(NameAndId(*c));
    return names;
}

TEST(WabLoader, ReadsCardsSkipsGroupsAndKeepsEntryIdsInCopies) {
    testing::TestFolder dir;
    const std::string path = dir.File("Contacts.VCF"), other = dir.File("other.vcf");
    ASSERT_TRUE(platform::WriteFileBytes(path, Bytes(Card("One", "UID:first\r\n") + Card("Team", "KIND:group\r\n") +
                                                     Card("Two") + Card("Three"))));
    ASSERT_TRUE(platform::WriteFileBytes(other, Bytes(Card("B1"))));
    const std::uint32_t tags[1] = {tag::kComment};
    ASSERT_TRUE(SetCustomFieldMap(tags, 1));
    WabLoader loader(vcard::ReadVCardBook, path);  // constructed with a path: loaded at once, the map cleared
    EXPECT_EQ(CurrentCustomFieldMap(), CustomFieldMap{});
    EXPECT_EQ(loader.LastRoad(), LoadRoad::VCard);
    EXPECT_EQ(Loaded(loader), (std::vector<std::string>{"One vcf:first", "Two vcf#3", "Three vcf#4"}));
    // A chosen copy keeps its texts and entry id after the loader has let go of the
    // original, and a second load keeps only its own contacts.
    const SourceContact chosen = *loader.Get(0);
    ASSERT_TRUE(loader.Load(other));
    EXPECT_EQ(Loaded(loader), std::vector<std::string>{"B1 vcf#1"});
    EXPECT_EQ(NameAndId(chosen), "One vcf:first");
    // The last load says how many characters the code page lacks, and of which script.
    EXPECT_EQ(loader.Unmapped().total, 0u);
    SetTextCodePage(1252);
    ASSERT_TRUE(platform::WriteFileBytes(other, Bytes(Card("Петров", "FN:Пётр Łukasz Петров\r\n"))));
    ASSERT_TRUE(loader.Load(other));
    SetTextCodePage(0);
    EXPECT_EQ(loader.Unmapped().total, 17u);
    EXPECT_EQ(loader.Unmapped().by_code_page, (std::vector<std::pair<unsigned, std::uint32_t>>{{1251, 16}, {1250, 1}}));
    EXPECT_EQ(loader.Unmapped().MostlyOf(), 1251u);
    // A load that fails leaves nothing of the one before.
    EXPECT_FALSE(loader.Load(dir.File("missing.vcf")));
    EXPECT_EQ(loader.Count(), 0u);
    EXPECT_EQ(loader.Unmapped().total, 0u);
    EXPECT_TRUE(testing::Contains(loader.LastError(), "missing.vcf"));
}

// Files go to the reader the loader is given, and its reason reaches the user whole; without
// the address-book library every file does, and the current user's book cannot be read.
// Also run under Wine with its own wab32.dll switched off (tests/wab_win/CMakeLists.txt).
TEST(WabLoader, FilesGoToTheReaderItIsGivenAndItsReasonIsPassedOn) {
    static std::vector<std::string> asked;
    asked.clear();
    WabLoader loader([](const std::string& path, const EntrySink&, std::string* why, UnmappedCharacters*) {
        asked.push_back(path);
        *why = "a reason";
        return false;
    });
    EXPECT_FALSE(loader.Load("book.VCF"));
    EXPECT_EQ(loader.LastError(), "\"book.VCF\" could not be read: a reason");
    EXPECT_EQ(loader.LastRoad(), LoadRoad::VCard);
    if (loader.HasOpenEntryPoint()) GTEST_SKIP() << "this system has an address book library";
    EXPECT_FALSE(loader.Load("book.wab"));  // as WABOpen would
    EXPECT_EQ(loader.LastError(), "\"book.wab\" could not be read: a reason (and the address book library \"" +
                                      loader.LibraryPath() + "\" could not be loaded)");
    EXPECT_EQ(asked, (std::vector<std::string>{"book.VCF", "book.wab"}));
    EXPECT_FALSE(loader.Load(""));
    EXPECT_TRUE(testing::Contains(loader.LastError(), "current user"));
    EXPECT_EQ(asked.size(), 2u) << "the current user's book is the library's alone";
}

#ifndef _WIN32
TEST(WabLoader, TheRegistryNamesTheLibraryAndTheNameIsTriedAfterIt) {
    const char* key = "Software\\Microsoft\\WAB\\DLLPath";
    for (const std::string& value : {std::string("C:\\Common Files\\wab32.dll"), std::string(300, 'x')}) {
        platform::ClearRegistryForTesting();
        ASSERT_TRUE(platform::SetRegistryValueForTesting(platform::RegistryRoot::LocalMachine, key, "", value));
        WabLoader loader(vcard::ReadVCardBook);
        // A value too long for its 260-byte buffer counts as none.
        EXPECT_EQ(loader.RegisteredLibraryPath(), value.size() < 260 ? value : "");
        EXPECT_EQ(loader.LibraryPath(), "WAB32.DLL");
    }
    platform::ClearRegistryForTesting();
}
#endif

}  // namespace
}  // namespace tarvenne::wab
