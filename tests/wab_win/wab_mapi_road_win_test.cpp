// The loader's road through WAB32.DLL under Wine, against the test bed's stand-in library
// registered under DLLPath: the contacts it reads are exactly those the vCard reader reads
// from the same file (the other e-mail addresses through PR_CONTACT_EMAIL_ADDRESSES), and
// whichever call of the library fails, the load releases every buffer and interface. Also
// the property table's tags against the platform's own.
#include "tests/test_folder.h"
#include "vcard/vcard_reader.h"
#include "wab/wab_loader.h"

#include <gtest/gtest.h>

#include <windows.h>
// MinGW's <wab.h> does not compile (two of its headers define ENTRYID); these do.
#include <wabdefs.h>
#include <wabtags.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarvenne::wab {
namespace {

// A wrong tag would lose that property on both roads alike, where no comparison of the
// two could see it.
TEST(PropertyTable, TagsAreThePlatformsOwn) {
    const ULONG platform[kPropertyCount] = {
        PR_DISPLAY_NAME_A, PR_EMAIL_ADDRESS_A, PR_SURNAME_A, PR_MIDDLE_NAME_A, PR_GIVEN_NAME_A,
        PR_COMPANY_NAME_A, PR_TITLE_A, PR_DEPARTMENT_NAME_A, PR_COMMENT_A, PR_CALLBACK_TELEPHONE_NUMBER_A,
        PR_BUSINESS_TELEPHONE_NUMBER_A, PR_HOME_TELEPHONE_NUMBER_A, PR_PRIMARY_TELEPHONE_NUMBER_A,
        PR_RADIO_TELEPHONE_NUMBER_A, PR_MOBILE_TELEPHONE_NUMBER_A, PR_CAR_TELEPHONE_NUMBER_A,
        PR_OTHER_TELEPHONE_NUMBER_A, PR_PAGER_TELEPHONE_NUMBER_A, PR_PRIMARY_FAX_NUMBER_A,
        PR_BUSINESS_FAX_NUMBER_A, PR_HOME_FAX_NUMBER_A, PR_PERSONAL_HOME_PAGE_A, PR_BUSINESS_HOME_PAGE_A,
        PR_COUNTRY_A, PR_STATE_OR_PROVINCE_A, PR_LOCALITY_A, PR_STREET_ADDRESS_A, PR_POSTAL_CODE_A,
        PR_HOME_ADDRESS_COUNTRY_A, PR_HOME_ADDRESS_STATE_OR_PROVINCE_A, PR_HOME_ADDRESS_CITY_A,
        PR_HOME_ADDRESS_STREET_A, PR_HOME_ADDRESS_POSTAL_CODE_A, PR_OTHER_ADDRESS_COUNTRY_A,
        PR_OTHER_ADDRESS_STATE_OR_PROVINCE_A, PR_OTHER_ADDRESS_CITY_A, PR_OTHER_ADDRESS_STREET_A,
        PR_OTHER_ADDRESS_POSTAL_CODE_A, PR_ACCOUNT_A, PR_GENERATION_A, PR_GOVERNMENT_ID_NUMBER_A,
        PR_INITIALS_A, PR_KEYWORD_A, PR_LANGUAGE_A, PR_LOCATION_A, PR_MHS_COMMON_NAME_A,
        PR_ORGANIZATIONAL_ID_NUMBER_A, PR_BUSINESS2_TELEPHONE_NUMBER_A, PR_HOME2_TELEPHONE_NUMBER_A,
        PR_ISDN_NUMBER_A, PR_ASSISTANT_TELEPHONE_NUMBER_A, PR_ASSISTANT_A, PR_HOBBIES_A, PR_PROFESSION_A,
        PR_BIRTHDAY, PR_WEDDING_ANNIVERSARY, PR_FTP_SITE_A, PR_CUSTOMER_ID_A, PR_MANAGER_NAME_A,
        PR_COMPUTER_NETWORK_NAME_A, PR_GENDER, PR_NICKNAME_A, PR_SPOUSE_NAME_A, PR_CHILDRENS_NAMES_A};
    for (std::size_t i = 0; i < kPropertyCount; ++i)
        EXPECT_EQ(PropertyTable()[i].tag, platform[i]) << PropertyTable()[i].name;
}

// The stand-in's counters and its switch (through void*: FARPROC's own type is not theirs).
struct StandIn {
    explicit StandIn(const std::string& path) : module(LoadLibraryA(path.c_str())) {}
    ~StandIn() { FreeLibrary(module); }
    template <typename F>
    F Get(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    LONG Buffers() const { return Get<LONG (*)()>("StandInOutstandingBuffers")(); }
    LONG Objects() const { return Get<LONG (*)()>("StandInLiveObjects")(); }
    LONG Calls() const { return Get<LONG (*)()>("StandInCalls")(); }
    void FailCall(LONG n) const { Get<void (*)(LONG)>("StandInFailCall")(n); }
    HMODULE module;  // held so the counters outlive the loaders' own handles
};

// The stand-in registered under HKLM\Software\Microsoft\WAB\DLLPath while a test runs
// (the test prefix has no value of its own), and the sample book as .wab and .vcf.
class MapiRoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RegSetValueA(HKEY_LOCAL_MACHINE, kDllPath, REG_SZ, library.c_str(), 0), ERROR_SUCCESS);
        ASSERT_NE(standin.module, nullptr);
        const std::string sample = testing::WinPath(TARVENNE_SOURCE_DIR "/samples/contacts.vcf");
        std::filesystem::copy_file(sample, as_wab);
        std::filesystem::copy_file(sample, as_vcf);
    }
    void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kDllPath); }
    static constexpr const char* kDllPath = "Software\\Microsoft\\WAB\\DLLPath";
    const std::string library = testing::WinPath(TARVENNE_STANDIN_WAB32);
    testing::TestFolder dir;
    const std::string as_wab = dir.File("book.wab"), as_vcf = dir.File("book.vcf");
    StandIn standin{library};
};

// The e-mail addresses a contact has beyond its own, in order.
std::vector<std::string> OtherEmails(const SourceContact& c) {
    std::vector<std::string> emails;
    for (const SourceContact::Extra& extra : c.Extras())
        if (extra.tag == tag::kEmailAddress) emails.push_back(extra.text);
    return emails;
}

TEST_F(MapiRoad, ReadsTheSameContactsAsTheVCardReaderAndReleasesEverything) {
    // The sample book, of 32 people (the group card, the stand-in's own list and the entry
    // that cannot be opened are not contacts), and Outlook's cards with the Business tab's fax
    // and pager and three e-mail addresses: every address of the entry's list but its own
    // e-mail address is another one, in the list's order, as the vCard reader's test has them.
    const std::string outlook = testing::WinPath(TARVENNE_SOURCE_DIR "/tests/data/vcard/outlook_2003.vcf");
    std::filesystem::copy_file(outlook, dir.File("outlook.wab"));
    WabLoader mapi(vcard::ReadVCardBook), from_file(vcard::ReadVCardBook);
    for (const auto& [book, cards, people] : {std::tuple{dir.File("outlook.wab"), outlook, 3u}, {as_wab, as_vcf, 32u}}) {
        ASSERT_TRUE(mapi.Load(book)) << mapi.LastError();
        ASSERT_TRUE(from_file.Load(cards)) << from_file.LastError();
        EXPECT_EQ(mapi.LastRoad(), LoadRoad::AddressBook);
        EXPECT_EQ(mapi.LibraryPath(), library) << "the registered library, not one of that name already loaded";
        ASSERT_EQ(mapi.Count(), people);
        ASSERT_EQ(from_file.Count(), people);
        for (std::uint32_t i = 0; i < mapi.Count(); ++i) {
            const SourceContact &x = *mapi.Get(i), &y = *from_file.Get(i);
            for (std::size_t row = 0; row < kPropertyCount; ++row)
                EXPECT_EQ(x.TextAtRow(row), y.TextAtRow(row)) << i << " " << PropertyTable()[row].name;
            EXPECT_EQ(x.birthday, y.birthday) << i;
            EXPECT_EQ(*x.entry_id, *y.entry_id) << i;
            EXPECT_EQ(OtherEmails(x), OtherEmails(y)) << i;
        }
    }
    // While the book is open the loader holds the address book and the WAB object only.
    EXPECT_EQ(standin.Objects(), 2);
    EXPECT_EQ(standin.Buffers(), 0);
    // A path longer than WABOpen's buffer would name another file: refused before the call.
    const LONG calls = standin.Calls();
    EXPECT_FALSE(mapi.Load(std::string(MAX_PATH, 'p') + ".wab"));
    EXPECT_EQ(standin.Calls(), calls);
    EXPECT_EQ(standin.Objects(), 0);
    // The current user's book goes to WABOpen too (which the stand-in cannot open).
    EXPECT_FALSE(mapi.Load(""));
    EXPECT_EQ(mapi.LastRoad(), LoadRoad::AddressBook);
    EXPECT_NE(mapi.LastError().find("current user"), std::string::npos) << mapi.LastError();
}

TEST_F(MapiRoad, AFailureAtAnyCallReleasesEverythingItHeld) {
    const LONG before = standin.Calls();
    ASSERT_TRUE(WabLoader(vcard::ReadVCardBook, as_wab).LastError().empty());
    const LONG calls = standin.Calls() - before;
    ASSERT_GT(calls, 32);
    for (LONG n = 1; n <= calls; ++n) {
        WabLoader loader(vcard::ReadVCardBook);
        standin.FailCall(n);
        const bool read = loader.Load(as_wab);
        standin.FailCall(0);
        // A failed open, table or row read fails the load; a failed entry is passed over;
        // a book without a contents table has no contacts.
        const std::uint32_t count = loader.Count();
        EXPECT_TRUE(read ? count == 31 || count == 32 || count == 0 : count == 0) << n;
        EXPECT_EQ(read, loader.LastError().empty()) << n << " " << loader.LastError();
        loader.Unload();
        EXPECT_EQ(standin.Objects(), 0) << "call " << n;
        EXPECT_EQ(standin.Buffers(), 0) << "call " << n;
    }
}

}  // namespace
}  // namespace tarvenne::wab
