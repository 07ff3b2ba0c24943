// The loader: which reader serves a path, what a failed load leaves, loading twice, the
// registry's library path, entry ids that outlive the contacts they came with, and the
// marking of the loaded contacts against a target.
#include "engine/contact_record.h"
#include "engine/target_contact_list.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "tests/test_folder.h"
#include "wab/property_mapping.h"
#include "wab/wab_loader.h"

#include "engine/conversion_job.h"
#include "tests/contacts_file_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvenne::wab {
namespace {

using tarvenne::testing::Bytes;

std::string Card(const std::string& last, const std::string& extra = "") {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nN:" + last + ";A;;;\r\n" + extra + "END:VCARD\r\n";
}

std::vector<std::string> LastNames(WabLoader& loader) {
    std::vector<std::string> names;
    for (SourceContact* c = loader.First(); c; c = loader.Next()) names.emplace_back(c->Text(tag::kLastName));
    return names;
}

std::string Id(const SourceContact& c) { return std::string(c.EntryIdBytes(), c.EntryIdBytes() + c.EntryIdSize()); }

TEST(WabLoader, ReadsCardsSkipsGroupsAndKeepsEntryIdsInCopies) {
    testing::TestFolder dir;
    const std::string path = dir.File("Contacts.VCF"), other = dir.File("other.vcf");
    ASSERT_TRUE(platform::WriteFileBytes(path, Bytes(Card("One", "UID:first\r\n") + Card("Team", "KIND:group\r\n") +
                                                     Card("Two") + Card("Three", "BDAY:2001-09-11\r\n"))));
    ASSERT_TRUE(platform::WriteFileBytes(other, Bytes(Card("B1"))));
    const std::uint32_t tags[1] = {tag::kComment};
    ASSERT_TRUE(SetCustomFieldMap(tags, 1));
    WabLoader loader(path);  // constructed with a path: loaded at once, the map cleared
    EXPECT_EQ(CurrentCustomFieldMap(), CustomFieldMap{});
    EXPECT_EQ(loader.LastRoad(), LoadRoad::VCard);
    EXPECT_EQ(LastNames(loader), (std::vector<std::string>{"One", "Two", "Three"}));
    EXPECT_EQ(Id(*loader.Get(0)), "vcf:first");
    EXPECT_EQ(Id(*loader.Get(2)), "vcf#4");
    EXPECT_NE(loader.Get(2)->birthday, 0u);
    // A chosen copy keeps its texts and entry id after the loader has let go of the original,
    // and a second load keeps only its own contacts.
    const SourceContact chosen = *loader.Get(0);
    ASSERT_TRUE(loader.Load(other));
    EXPECT_EQ(LastNames(loader), std::vector<std::string>{"B1"});
    EXPECT_EQ(Id(chosen), "vcf:first");
    EXPECT_EQ(chosen.Text(tag::kLastName), "One");
    // A load that fails leaves nothing of the one before.
    EXPECT_FALSE(loader.Load(dir.File("missing.vcf")));
    EXPECT_EQ(loader.Count(), 0u);
    EXPECT_NE(loader.LastError().find("missing.vcf"), std::string::npos) << loader.LastError();
}

TEST(WabLoader, MarkingGivesNewChangedAndUnchanged) {
    testing::TestFolder dir;
    ASSERT_TRUE(platform::WriteFileBytes(dir.File("b.vcf"), Bytes(Card("Ada") + Card("Charles", "NOTE:the note\r\n") + Card("Mary"))));
    ASSERT_TRUE(platform::WriteFileBytes(dir.File("a.dat"), testing::BuildFile(testing::Layout::kPalmSg, {})));
    ConversionJob job(60001);
    ASSERT_TRUE(job.LoadTargetFromFile(dir.File("a.dat")));
    WabLoader loader;
    EXPECT_FALSE(MarkAgainstTarget(nullptr, &job.TargetContacts()));
    EXPECT_FALSE(MarkAgainstTarget(&loader, nullptr));
    ASSERT_TRUE(loader.Load(dir.File("b.vcf")));
    ContactRecord same, other;
    ASSERT_TRUE(ConvertSourceContact(loader.Get(0), &same));
    ASSERT_TRUE(ConvertSourceContact(loader.Get(1), &other));
    EXPECT_FALSE(ConvertSourceContact(nullptr, &other));
    other.note = "a different note";  // converting Charles would write his note over it
    ASSERT_TRUE(job.AddContact(&same) && job.AddContact(&other));
    ASSERT_TRUE(MarkAgainstTarget(&loader, &job.TargetContacts()));
    EXPECT_EQ(loader.Get(0)->difference_status, kUnchanged);
    EXPECT_EQ(loader.Get(1)->difference_status, kChanged);
    EXPECT_EQ(loader.Get(2)->difference_status, kNew);
}

TEST(WabLoader, WithoutTheLibraryOnlyVCardsCanBeRead) {
    testing::TestFolder dir;
    WabLoader loader;
    if (loader.HasOpenEntryPoint()) GTEST_SKIP() << "this system has an address book library";
    EXPECT_FALSE(loader.Load(""));  // the current user's address book needs the library
    EXPECT_NE(loader.LastError().find("current user"), std::string::npos) << loader.LastError();
    // An address-book file that is not a vCard file fails, as WABOpen would; a vCard file
    // under another name is read.
    const std::string wab = dir.File("book.wab"), txt = dir.File("exported.txt");
    ASSERT_TRUE(platform::WriteFileBytes(wab, Bytes(std::string("\x9C\xCB\xCB\x8D\x13\x75\xD2\x11", 8))));
    ASSERT_TRUE(platform::WriteFileBytes(txt, Bytes(Card("Text"))));
    EXPECT_FALSE(loader.Load(wab));
    EXPECT_NE(loader.LastError().find("not a vCard"), std::string::npos) << loader.LastError();
    EXPECT_NE(loader.LastError().find("WAB32.DLL"), std::string::npos) << loader.LastError();
    EXPECT_TRUE(loader.Load(txt)) << loader.LastError();
    EXPECT_EQ(LastNames(loader), std::vector<std::string>{"Text"});
}

#ifndef _WIN32
TEST(WabLoader, TheRegistryNamesTheLibraryAndTheNameIsTriedAfterIt) {
    const char* key = "Software\\Microsoft\\WAB\\DLLPath";
    for (const std::string& value : {std::string("C:\\Common Files\\wab32.dll"), std::string(300, 'x')}) {
        platform::ClearRegistryForTesting();
        ASSERT_TRUE(platform::SetRegistryValueForTesting(platform::RegistryRoot::LocalMachine, key, "", value));
        WabLoader loader;
        // A value too long for its 260-byte buffer counts as none.
        EXPECT_EQ(loader.RegisteredLibraryPath(), value.size() < 260 ? value : "");
        EXPECT_EQ(loader.LibraryPath(), "WAB32.DLL");
        EXPECT_FALSE(loader.LibraryLoaded());
    }
    platform::ClearRegistryForTesting();
}
#endif

}  // namespace
}  // namespace tarvenne::wab
