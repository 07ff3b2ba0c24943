// The loader: which reader serves a path, what a failed load leaves, loading twice, the
// registry's library path, and entry ids that outlive the contacts they came with.
#include "platform/file_system.h"
#include "platform/registry.h"
#include "tests/test_folder.h"
#include "wab/property_mapping.h"
#include "wab/wab_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvenne::wab {
namespace {

using tarvenne::testing::Bytes;
using tarvenne::testing::TestFolder;

std::string Card(const std::string& last, const std::string& first, const std::string& extra = "") {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nN:" + last + ";" + first + ";;;\r\n" + extra + "END:VCARD\r\n";
}

std::vector<std::string> LastNames(WabLoader& loader) {
    std::vector<std::string> names;
    for (SourceContact* c = loader.First(); c; c = loader.Next())
        names.emplace_back(c->Text(tag::kLastName));
    return names;
}

TEST(WabLoader, ReadsVCardFilesAndSkipsGroups) {
    TestFolder dir;
    const std::string path = dir.File("Contacts.VCF");
    ASSERT_TRUE(platform::WriteFileBytes(
        path, Bytes(Card("One", "A", "UID:first\r\n") + "BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\nFN:Team\r\nEND:VCARD\r\n" +
                    Card("Two", "B") + Card("Three", "C", "BDAY:2001-09-11\r\n"))));
    WabLoader loader(path);  // constructed with a path: loaded at once
    EXPECT_EQ(loader.LastRoad(), LoadRoad::VCard);
    EXPECT_EQ(loader.LastError(), "");
    EXPECT_EQ(LastNames(loader), (std::vector<std::string>{"One", "Two", "Three"}));
    SourceContact* first = loader.Get(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::string(first->EntryIdBytes(), first->EntryIdBytes() + first->EntryIdSize()), "vcf:first");
    SourceContact* third = loader.Get(2);
    EXPECT_EQ(std::string(third->EntryIdBytes(), third->EntryIdBytes() + third->EntryIdSize()), "vcf#4");
    EXPECT_NE(third->birthday, 0u);
    for (SourceContact* c = loader.First(); c; c = loader.Next()) EXPECT_EQ(c->difference_status, kUnchanged);

    // A chosen copy keeps its entry id after the loader has let go of the original.
    SourceContact chosen = *first;
    EXPECT_TRUE(loader.Unload());
    EXPECT_EQ(loader.Count(), 0u);
    EXPECT_EQ(loader.First(), nullptr);
    ASSERT_EQ(chosen.EntryIdSize(), 9u);
    EXPECT_EQ(std::string(chosen.EntryIdBytes(), chosen.EntryIdBytes() + 9), "vcf:first");
}

TEST(WabLoader, LoadingTwiceKeepsOnlyTheSecondBook) {
    TestFolder dir;
    const std::string a = dir.File("a.vcf"), b = dir.File("b.vcf");
    ASSERT_TRUE(platform::WriteFileBytes(a, Bytes(Card("A1", "x") + Card("A2", "y"))));
    ASSERT_TRUE(platform::WriteFileBytes(b, Bytes(Card("B1", "z"))));
    WabLoader loader;
    ASSERT_TRUE(loader.Load(a));
    ASSERT_TRUE(loader.Load(b));
    EXPECT_EQ(LastNames(loader), std::vector<std::string>{"B1"});
    ASSERT_TRUE(loader.Load(b));
    EXPECT_EQ(loader.Count(), 1u);

    // A load that fails leaves nothing of the one before.
    EXPECT_FALSE(loader.Load(dir.File("missing.vcf")));
    EXPECT_EQ(loader.Count(), 0u);
    EXPECT_EQ(loader.First(), nullptr);
    EXPECT_NE(loader.LastError().find("missing.vcf"), std::string::npos) << loader.LastError();
    ASSERT_TRUE(loader.Load(a));
    EXPECT_EQ(loader.LastError(), "");
    EXPECT_EQ(loader.Count(), 2u);
}

TEST(WabLoader, WithoutTheLibraryOnlyVCardsCanBeRead) {
    TestFolder dir;
    WabLoader loader;
    if (loader.HasOpenEntryPoint()) GTEST_SKIP() << "this system has an address book library";
    EXPECT_EQ(loader.LibraryPath(), "WAB32.DLL");

    // The current user's address book needs the library.
    EXPECT_FALSE(loader.Load(""));
    EXPECT_EQ(loader.Count(), 0u);
    EXPECT_NE(loader.LastError().find("current user"), std::string::npos) << loader.LastError();
    EXPECT_EQ(loader.LastRoad(), LoadRoad::None);

    // An address-book file that is not a vCard file fails, as WABOpen would.
    const std::string wab = dir.File("book.wab");
    ASSERT_TRUE(platform::WriteFileBytes(
        wab, std::vector<std::uint8_t>{0x9C, 0xCB, 0xCB, 0x8D, 0x13, 0x75, 0xD2, 0x11, 0x91, 0x58, 0, 0xC0, 0x4F, 0x79, 0x56, 0xA4}));
    EXPECT_FALSE(loader.Load(wab));
    EXPECT_EQ(loader.Count(), 0u);
    EXPECT_NE(loader.LastError().find("not a vCard"), std::string::npos) << loader.LastError();
    EXPECT_NE(loader.LastError().find("WAB32.DLL"), std::string::npos) << loader.LastError();

    // A vCard file under another name is still read by the stand-in reader.
    const std::string txt = dir.File("exported.txt");
    ASSERT_TRUE(platform::WriteFileBytes(txt, Bytes(Card("Text", "T"))));
    EXPECT_TRUE(loader.Load(txt)) << loader.LastError();
    EXPECT_EQ(loader.LastRoad(), LoadRoad::VCard);
    EXPECT_EQ(LastNames(loader), std::vector<std::string>{"Text"});

    // An empty vCard file is not a vCard file; a file of cards that are all groups is a
    // book without contacts.
    const std::string empty = dir.File("empty.vcf");
    ASSERT_TRUE(platform::WriteFileBytes(empty, {}));
    EXPECT_FALSE(loader.Load(empty));
    const std::string groups = dir.File("groups.vcf");
    ASSERT_TRUE(platform::WriteFileBytes(groups, Bytes("BEGIN:VCARD\nKIND:group\nEND:VCARD\n")));
    EXPECT_TRUE(loader.Load(groups));
    EXPECT_EQ(loader.Count(), 0u);
}

#ifndef _WIN32
TEST(WabLoader, TheRegistryNamesTheLibrary) {
    platform::ClearRegistryForTesting();
    {
        WabLoader loader;
        EXPECT_EQ(loader.RegisteredLibraryPath(), "");
        EXPECT_EQ(loader.LibraryPath(), "WAB32.DLL");
        EXPECT_FALSE(loader.LibraryLoaded());
    }
    ASSERT_TRUE(platform::SetRegistryValueForTesting(platform::RegistryRoot::LocalMachine,
                                                     "Software\\Microsoft\\WAB\\DLLPath", "",
                                                     "C:\\Program Files\\Common Files\\System\\wab32.dll"));
    {
        WabLoader loader;
        EXPECT_EQ(loader.RegisteredLibraryPath(), "C:\\Program Files\\Common Files\\System\\wab32.dll");
        // It does not load here; the plain name is tried after it.
        EXPECT_EQ(loader.LibraryPath(), "WAB32.DLL");
        EXPECT_FALSE(loader.HasOpenEntryPoint());
    }
    // A value that does not fit the 260-byte buffer counts as none.
    ASSERT_TRUE(platform::SetRegistryValueForTesting(platform::RegistryRoot::LocalMachine,
                                                     "Software\\Microsoft\\WAB\\DLLPath", "",
                                                     std::string(300, 'x')));
    {
        WabLoader loader;
        EXPECT_EQ(loader.RegisteredLibraryPath(), "");
    }
    platform::ClearRegistryForTesting();
}
#endif

TEST(WabLoader, ConstructionClearsTheCustomFieldMap) {
    const std::uint32_t tags[2] = {tag::kComment, tag::kTitle};
    ASSERT_TRUE(SetCustomFieldMap(tags, 2));
    WabLoader loader;
    EXPECT_EQ(CurrentCustomFieldMap(), CustomFieldMap{});
}

}  // namespace
}  // namespace tarvenne::wab
