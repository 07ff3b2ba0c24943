// The conversion job against real files of both layouts: what it lists, how contacts are
// skipped, added and merged, which slots phones take, and when a save is refused.
#include "engine/conversion_job.h"

#include "palminstall/palm_desktop_locator.h"
#include "platform/fault_injection.h"
#include "tests/engine/target_files.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarvenne {
namespace {

using testing::ClassicFileBytes;
using testing::PalmSgFileBytes;
using testing::ReadFileBytes;
using testing::TestFolder;
using testing::WriteFileBytes;

constexpr std::uint32_t kClassicDesktop = 40101;
constexpr std::uint32_t kNewerDesktop = 40102;

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

ContactRecord Person(const char* first, const char* last) {
    ContactRecord r;
    r.first_name = first;
    r.last_name = last;
    return r;
}

ClassicRecord ClassicPerson(const char* first, const char* last) {
    ClassicRecord r;
    r.first_name = first;
    r.last_name = last;
    return r;
}

PalmSgRecord PalmSgPerson(const char* first, const char* last) {
    PalmSgRecord r;
    r.first_name = first;
    r.last_name = last;
    r.address[1].kind = 1;
    r.address[2].kind = 2;
    return r;
}

void SetPhone(ClassicRecord& r, int slot, int label, const char* text) {
    r.phone_label[slot] = label;
    r.phone[slot] = text;
}

void SetPhone(PalmSgRecord& r, int slot, int label, const char* text) {
    r.phone_label[slot] = label;
    r.phone[slot] = text;
}

DatBlob SomeBlob(std::uint8_t seed) {
    DatBlob b;
    b.w0 = 64;
    b.w1 = 1;
    b.w2 = seed;
    b.w3 = 7;
    b.length = 3;
    b.data = {seed, static_cast<std::uint8_t>(seed + 1), static_cast<std::uint8_t>(seed + 2)};
    return b;
}

TEST(ConversionJobTest, ProbeTellsTheLayoutOfRealFiles) {
    TestFolder folder;
    const std::string classic = folder.File("classic.dat");
    const std::string palmsg = folder.File("palmsg.dat");
    const std::string other = folder.File("other.dat");
    const std::string truncated = folder.File("truncated.dat");
    WriteFileBytes(classic, ClassicFileBytes(classic, {ClassicPerson("Ann", "Lee")}));
    WriteFileBytes(palmsg, PalmSgFileBytes(palmsg, {PalmSgPerson("Ann", "Lee")}));
    WriteFileBytes(other, testing::Bytes("BEGIN:VCARD\r\nEND:VCARD\r\n"));
    std::vector<std::uint8_t> cut = ClassicFileBytes(truncated, {ClassicPerson("Ann", "Lee")});
    cut.resize(cut.size() - 5);
    WriteFileBytes(truncated, cut);

    EXPECT_EQ(ConversionJob::ProbeContactsFile(classic), kProbeClassic);
    EXPECT_EQ(ConversionJob::ProbeContactsFile(palmsg), kProbePalmSg);
    EXPECT_EQ(ConversionJob::ProbeContactsFile(other), kProbeUnreadable);
    EXPECT_EQ(ConversionJob::ProbeContactsFile(truncated), kProbeUnreadable);
    EXPECT_EQ(ConversionJob::ProbeContactsFile(folder.File("missing.dat")), kProbeUnreadable);
    EXPECT_EQ(ConversionJob::ProbeContactsFile(""), kProbeUnreadable);
    EXPECT_FALSE(Exists(folder.File("missing.dat")));
    EXPECT_FALSE(Exists(classic + ".xbk"));  // a probe never saves
}

TEST(ConversionJobTest, DesktopVersionChoosesTheWriter) {
    EXPECT_TRUE(ConversionJob(kNoDesktopVersion).UsesNewLayout());
    EXPECT_TRUE(ConversionJob(kNewerDesktop).UsesNewLayout());
    EXPECT_FALSE(ConversionJob(kClassicDesktop).UsesNewLayout());
    EXPECT_FALSE(ConversionJob(0).UsesNewLayout());
    EXPECT_EQ(ConversionJob(kNoDesktopVersion).DesktopVersion(), kNoDesktopVersion);

    TestFolder folder;
    const std::string classic = folder.File("classic.dat");
    const std::string palmsg = folder.File("palmsg.dat");
    const auto classic_bytes = ClassicFileBytes(classic, {ClassicPerson("Ann", "Lee")});
    const auto palmsg_bytes = PalmSgFileBytes(palmsg, {PalmSgPerson("Ann", "Lee")});
    const ContactRecord newcomer = Person("New", "Comer");

    struct Case {
        std::uint32_t version;
        const std::string* path;
        const std::vector<std::uint8_t>* bytes;
        std::int32_t layout;
        bool saves;
    };
    const Case cases[] = {
        {kClassicDesktop, &classic, &classic_bytes, kLayoutClassic, true},
        {kNewerDesktop, &classic, &classic_bytes, kLayoutClassic, false},
        {kNoDesktopVersion, &classic, &classic_bytes, kLayoutClassic, false},
        {kNewerDesktop, &palmsg, &palmsg_bytes, kLayoutPalmSg, true},
        {kNoDesktopVersion, &palmsg, &palmsg_bytes, kLayoutPalmSg, true},
        {kClassicDesktop, &palmsg, &palmsg_bytes, kLayoutPalmSg, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("version " + std::to_string(c.version) + " layout " +
                     std::to_string(c.layout));
        WriteFileBytes(*c.path, *c.bytes);
        std::filesystem::remove(*c.path + ".xbk");
        ConversionJob job(c.version);
        ASSERT_TRUE(job.LoadTargetFromFile(*c.path));
        ASSERT_EQ(job.LoadedLayout(), c.layout);
        ASSERT_TRUE(job.AddContact(&newcomer));
        EXPECT_EQ(job.SaveTarget(), c.saves);
        if (c.saves) {
            EXPECT_TRUE(job.LastError().empty()) << job.LastError();
            EXPECT_NE(ReadFileBytes(*c.path), *c.bytes);
            EXPECT_EQ(ReadFileBytes(*c.path + ".xbk"), *c.bytes);
        } else {
            // Refused before anything was touched: no backup, the file as it was.
            EXPECT_FALSE(job.LastError().empty());
            EXPECT_EQ(ReadFileBytes(*c.path), *c.bytes);
            EXPECT_FALSE(Exists(*c.path + ".xbk"));
        }
    }
}

// Records 1 and 2 are not listed (status 0x04 and 0x80): they are neither matched nor
// changed, and the saved file carries them byte for byte, while record 3 is updated in
// its own place and new records go to the end.
TEST(ConversionJobTest, ClassicTargetSkipsAddsAndMerges) {
    TestFolder folder;
    const std::string path = folder.File("address.dat");

    ClassicRecord ann = ClassicPerson("Ann", "Lee");
    ann.record_id = 5;
    ann.placement = 1;
    ann.company = std::string(200, 'C');  // longer than a contact's company holds
    ann.note = "keep";
    ann.custom[0] = "c1";
    ann.is_private = 1;
    SetPhone(ann, 0, 0, "111");
    SetPhone(ann, 1, 4, "ann@example.com");
    ClassicRecord hidden = ClassicPerson("Bob", "Stone");
    hidden.record_id = 6;
    hidden.status = 0x04;
    SetPhone(hidden, 0, 1, "222");
    ClassicRecord deleted = hidden;
    deleted.record_id = 7;
    deleted.status = 0x80;
    ClassicRecord cy = ClassicPerson("Cy", "Dale");
    cy.record_id = 8;
    cy.title = "Clerk";
    cy.note = "old note";
    cy.address = "1 Road";
    cy.is_private = 1;
    cy.category_id = 0;
    SetPhone(cy, 0, 1, "333");
    const auto original = ClassicFileBytes(path, {ann, hidden, deleted, cy});
    WriteFileBytes(path, original);

    ConversionJob job(kClassicDesktop);
    ASSERT_TRUE(job.LoadTargetFromFile(path)) << job.LastError();
    ASSERT_EQ(job.LoadedLayout(), kLayoutClassic);
    ASSERT_EQ(job.TargetContacts().Count(), 2u);
    ASSERT_EQ(job.WorkingCopyCount(), 2u);
    const ContactRecord* read = job.TargetContacts().Get(0);
    EXPECT_EQ(read->company.str(), std::string(63, 'C'));  // cut to what it holds
    EXPECT_EQ(read->work_phone.str(), "111");
    EXPECT_EQ(read->email.str(), "ann@example.com");
    EXPECT_EQ(job.TargetContacts().Get(1)->work.street.str(), "1 Road");
    EXPECT_EQ(job.WorkingCopy(1)->file_position, 3u);  // skipped records still count

    // Identical to Ann (custom texts are not compared): skipped.
    ContactRecord same = *read;
    same.custom[0] = "other";
    EXPECT_FALSE(job.AddContact(&same));
    EXPECT_EQ(job.LastMatch(), kMatchIdentical);
    EXPECT_FALSE(job.AddContact(nullptr));

    // Cy with a new title and no note: merged into the fourth record.
    ContactRecord cy_contact = Person("Cy", "Dale");
    cy_contact.home_phone = "333";
    cy_contact.title = "Head";
    ASSERT_TRUE(job.AddContact(&cy_contact));
    EXPECT_EQ(job.LastMatch(), kMatchDiffers);

    // Bob matches only records that are not listed: a new record.
    ContactRecord bob = Person("Bob", "Stone");
    bob.home_phone = "222";
    ASSERT_TRUE(job.AddContact(&bob));
    EXPECT_EQ(job.LastMatch(), kMatchNone);
    // Bob again: identical to the record just added. Bob with a title: merged into it.
    EXPECT_FALSE(job.AddContact(&bob));
    EXPECT_EQ(job.LastMatch(), kMatchIdentical);
    bob.title = "Boss";
    ASSERT_TRUE(job.AddContact(&bob));
    EXPECT_EQ(job.LastMatch(), kMatchDiffers);
    EXPECT_EQ(job.ClassicFile().Records().Count(), 5u);
    EXPECT_EQ(job.TargetContacts().Count(), 3u);

    ASSERT_TRUE(job.SaveTarget()) << job.LastError();

    ClassicRecord cy_saved = cy;
    cy_saved.status = 0x02;
    cy_saved.title = "Head";
    cy_saved.is_private = 0;
    // Labels without a value pass the first empty slot from one to the next.
    SetPhone(cy_saved, 1, 7, "");
    ClassicRecord bob_saved = ClassicPerson("Bob", "Stone");
    bob_saved.status = 0x03;
    bob_saved.placement = 0x7FFFFFFF;
    bob_saved.title = "Boss";
    SetPhone(bob_saved, 0, 1, "222");
    SetPhone(bob_saved, 1, 7, "");
    EXPECT_EQ(ReadFileBytes(path),
              ClassicFileBytes(path, {ann, hidden, deleted, cy_saved, bob_saved}));
    EXPECT_EQ(ReadFileBytes(path + ".xbk"), original);
}

TEST(ConversionJobTest, PalmSgTargetKeepsBlobsAndNumbersNewRecords) {
    TestFolder folder;
    const std::string path = folder.File("address.dat");

    PalmSgRecord ann = PalmSgPerson("Ann", "Lee");
    ann.record_id = 11;
    ann.record_number = 0x1000;
    ann.company = std::string(200, 'C');
    ann.blob[0] = SomeBlob(1);
    ann.web_page = "http://ann.example";
    ann.text69_72[3] = "kept";
    SetPhone(ann, 0, 4, "ann@example.com");
    PalmSgRecord gone = PalmSgPerson("Bob", "Stone");
    gone.record_id = 12;
    gone.status = 0x80;
    gone.blob[2] = SomeBlob(2);
    PalmSgRecord cy = PalmSgPerson("Cy", "Dale");
    cy.record_id = 13;
    cy.record_number = 0x1002;
    cy.entry_index = 146;
    cy.category_id = 0;
    cy.is_private = 1;
    cy.title = "Clerk";
    cy.note = "old note";
    cy.address[0].kind = 5;  // kinds are rewritten by an update
    cy.address[1].street = "2 Home Lane";
    cy.blob[1] = SomeBlob(3);
    cy.blob[3] = SomeBlob(4);
    cy.SetBirthday(30000.0);
    cy.chat[0] = "cy-chat";
    SetPhone(cy, 0, 1, "333");
    SetPhone(cy, 1, 6, "pager");
    SetPhone(cy, 2, 7, "old mobile");
    const auto original = PalmSgFileBytes(path, {ann, gone, cy});
    WriteFileBytes(path, original);

    ConversionJob job(kNewerDesktop);
    ASSERT_TRUE(job.LoadTargetFromFile(path)) << job.LastError();
    ASSERT_EQ(job.LoadedLayout(), kLayoutPalmSg);
    ASSERT_EQ(job.TargetContacts().Count(), 2u);
    const ContactRecord* cy_read = job.TargetContacts().Get(1);
    EXPECT_EQ(cy_read->home.street.str(), "2 Home Lane");
    EXPECT_EQ(cy_read->birthday, 30000.0);
    EXPECT_EQ(cy_read->home_phone.str(), "333");
    EXPECT_EQ(job.TargetContacts().Get(0)->web_page.str(), "");  // never read from a record

    // Cy without a note and without a birthday, with a new title and an other address.
    ContactRecord cy_contact = Person("Cy", "Dale");
    cy_contact.home_phone = "333";
    cy_contact.title = "Head";
    cy_contact.other.city = "Elsewhere";
    cy_contact.mobile_phone = "new mobile";
    ASSERT_TRUE(job.AddContact(&cy_contact));

    // A newcomer with a birthday and an e-mail too long for a phone slot.
    ContactRecord dee = Person("Dee", "Vale");
    dee.email = std::string(63, 'e');
    dee.work.street = std::string(63, 'S');
    dee.custom[8] = "nine";
    dee.birthday = 40000.25;
    ASSERT_TRUE(job.AddContact(&dee));
    ASSERT_TRUE(job.SaveTarget()) << job.LastError();

    PalmSgRecord cy_saved = cy;
    cy_saved.status = 0x02;
    cy_saved.is_private = 0;
    cy_saved.title = "Head";
    cy_saved.address[0].kind = 0;
    cy_saved.address[2].city = "Elsewhere";
    // The pager stays; the labels without a value pass the first empty slot along.
    SetPhone(cy_saved, 2, 7, "new mobile");
    SetPhone(cy_saved, 3, 5, "");
    PalmSgRecord dee_saved = PalmSgPerson("Dee", "Vale");
    dee_saved.status = 0x01;
    dee_saved.placement = 0x7FFFFFFF;
    dee_saved.record_number = 0x1000 + 3;
    dee_saved.entry_index = 3 * 73;
    dee_saved.address[0].street = std::string(63, 'S');
    dee_saved.custom[8] = "nine";
    dee_saved.SetBirthday(40000.25);
    SetPhone(dee_saved, 0, 4, std::string(31, 'e').c_str());
    SetPhone(dee_saved, 1, 7, "");
    EXPECT_EQ(ReadFileBytes(path), PalmSgFileBytes(path, {ann, gone, cy_saved, dee_saved}));
    EXPECT_EQ(ReadFileBytes(path + ".xbk"), original);

    // A contact with a birthday replaces the record's.
    ConversionJob again(kNewerDesktop);
    ASSERT_TRUE(again.LoadTargetFromFile(path));
    cy_contact.birthday = 31000.0;
    cy_contact.title = "Chief";
    ASSERT_TRUE(again.AddContact(&cy_contact));
    EXPECT_EQ(again.PalmSgFile().Records().Get(2)->Birthday(), 31000.0);
    EXPECT_EQ(again.PalmSgFile().Records().Get(2)->blob[3], SomeBlob(4));
}

TEST(ConversionJobTest, PhoneSlots) {
    TestFolder folder;
    const std::string classic = folder.File("classic.dat");
    const std::string palmsg = folder.File("palmsg.dat");
    ClassicRecord mixed = ClassicPerson("Mix", "Ed");
    SetPhone(mixed, 0, 0, "111");
    SetPhone(mixed, 1, 3, "333");
    WriteFileBytes(classic, ClassicFileBytes(classic, {mixed}));
    WriteFileBytes(palmsg, PalmSgFileBytes(palmsg, {}));

    ContactRecord all = Person("All", "Phones");
    all.work_phone = "w";
    all.home_phone = "h";
    all.fax = "f";
    all.other_phone = "o";
    all.email = "e";
    all.main_phone = "m";
    all.mobile_phone = "mo";
    ContactRecord three = Person("Three", "Phones");
    three.work_phone = "w";
    three.email = "e3";
    three.mobile_phone = "mo";
    ContactRecord home_fax = Person("Home", "Fax");
    home_fax.home_fax = "hf";

    {
        ConversionJob job(kClassicDesktop);
        ASSERT_TRUE(job.LoadTargetFromFile(classic));
        ASSERT_TRUE(job.AddContact(&all));
        ASSERT_TRUE(job.AddContact(&three));
        ASSERT_TRUE(job.AddContact(&home_fax));
        // The record's work phone stays; its empty slots are relabelled on the way.
        ContactRecord mixed_contact = Person("Mix", "Ed");
        mixed_contact.home_phone = "222";
        mixed_contact.email = "e@x";
        ASSERT_TRUE(job.AddContact(&mixed_contact));

        ClassicRecordList& records = job.ClassicFile().Records();
        const ClassicRecord* r = records.Get(1);
        const std::int32_t all_labels[] = {0, 1, 2, 3, 4};
        const char* all_texts[] = {"w", "h", "f", "o", "e"};  // main and mobile do not fit
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(r->phone_label[i], all_labels[i]) << i;
            EXPECT_EQ(r->phone[i], all_texts[i]) << i;
        }
        r = records.Get(2);
        const std::int32_t three_labels[] = {0, 4, 7, 0, 0};
        const char* three_texts[] = {"w", "e3", "mo", "", ""};
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(r->phone_label[i], three_labels[i]) << i;
            EXPECT_EQ(r->phone[i], three_texts[i]) << i;
        }
        r = records.Get(3);
        EXPECT_EQ(r->phone_label[0], 2);
        EXPECT_EQ(r->phone[0], "hf");
        r = records.Get(0);
        const std::int32_t mixed_labels[] = {0, 3, 1, 4, 7};
        const char* mixed_texts[] = {"111", "333", "222", "e@x", ""};
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(r->phone_label[i], mixed_labels[i]) << i;
            EXPECT_EQ(r->phone[i], mixed_texts[i]) << i;
        }
        // The home fax comes back as a fax, so the next run sees the contact as changed.
        EXPECT_EQ(job.TargetContacts().Get(3)->home_fax.str(), "hf");
        ASSERT_TRUE(job.SaveTarget());
        ConversionJob next(kClassicDesktop);
        ASSERT_TRUE(next.LoadTargetFromFile(classic));
        EXPECT_EQ(next.TargetContacts().Get(3)->fax.str(), "hf");
        EXPECT_EQ(next.TargetContacts().FindMatch(&home_fax).code, kMatchDiffers);
    }
    {
        ConversionJob job(kNewerDesktop);
        ASSERT_TRUE(job.LoadTargetFromFile(palmsg));
        ASSERT_TRUE(job.AddContact(&all));
        const PalmSgRecord* r = job.PalmSgFile().Records().Get(0);
        const std::int32_t labels[] = {0, 1, 2, 3, 4, 5, 7};
        const char* texts[] = {"w", "h", "f", "o", "e", "m", "mo"};
        for (int i = 0; i < 7; ++i) {
            EXPECT_EQ(r->phone_label[i], labels[i]) << i;
            EXPECT_EQ(r->phone[i], texts[i]) << i;
        }
        EXPECT_EQ(r->record_number, 0x1000);
        EXPECT_EQ(r->entry_index, 0);
    }
}

TEST(ConversionJobTest, FailedOpeningWritesNothing) {
    TestFolder folder;
    const std::string good = folder.File("good.dat");
    const std::string bad = folder.File("bad.dat");
    const auto good_bytes = ClassicFileBytes(good, {ClassicPerson("Ann", "Lee")});
    // Cut inside the second record: the classic reader gets one record before it fails.
    auto bad_bytes =
        ClassicFileBytes(bad, {ClassicPerson("Ann", "Lee"), ClassicPerson("Bob", "Ray")});
    bad_bytes.resize(bad_bytes.size() - 20);
    WriteFileBytes(good, good_bytes);
    WriteFileBytes(bad, bad_bytes);

    for (std::uint32_t version : {kClassicDesktop, kNewerDesktop}) {
        ConversionJob job(version);
        ASSERT_TRUE(job.LoadTargetFromFile(good));
        EXPECT_FALSE(job.LoadTargetFromFile(bad));
        EXPECT_EQ(job.LoadedLayout(), kLayoutFailed);
        EXPECT_FALSE(job.LastError().empty());
        EXPECT_EQ(job.TargetContacts().Count(), 0u);
        EXPECT_EQ(job.WorkingCopyCount(), 0u);
        EXPECT_EQ(job.ClassicFile().Records().Count(), 0u);
        EXPECT_EQ(job.PalmSgFile().Records().Count(), 0u);

        ContactRecord newcomer = Person("New", "Comer");
        EXPECT_FALSE(job.AddContact(&newcomer));
        EXPECT_EQ(job.ClassicFile().Records().Count(), 0u);
        EXPECT_EQ(job.PalmSgFile().Records().Count(), 0u);
        newcomer.title = "Differs";
        EXPECT_FALSE(job.AddContact(&newcomer));
        EXPECT_EQ(job.ClassicFile().Records().Count(), 0u);

        // Neither the file loaded before nor the one that failed is rewritten.
        EXPECT_FALSE(job.SaveTarget());
        EXPECT_EQ(ReadFileBytes(good), good_bytes);
        EXPECT_EQ(ReadFileBytes(bad), bad_bytes);
        EXPECT_FALSE(Exists(good + ".xbk"));
        EXPECT_FALSE(Exists(bad + ".xbk"));

        job.ResetTarget();
        EXPECT_EQ(job.LoadedLayout(), kLayoutNone);
        EXPECT_EQ(job.TargetContacts().Count(), 0u);
        EXPECT_FALSE(job.SaveTarget());
    }

    // A newer-layout file opened before a classic one is not what the newer writer may
    // save now: it would be rewritten with none of its records.
    {
        const std::string earlier = folder.File("earlier.dat");
        const auto earlier_bytes = PalmSgFileBytes(earlier, {PalmSgPerson("Old", "Timer")});
        WriteFileBytes(earlier, earlier_bytes);
        ConversionJob job(kNewerDesktop);
        ASSERT_TRUE(job.LoadTargetFromFile(earlier));
        ASSERT_TRUE(job.LoadTargetFromFile(good));
        ASSERT_EQ(job.LoadedLayout(), kLayoutClassic);
        ContactRecord newcomer = Person("New", "Comer");
        ASSERT_TRUE(job.AddContact(&newcomer));
        EXPECT_FALSE(job.SaveTarget());
        EXPECT_NE(job.LastError().find("classic"), std::string::npos) << job.LastError();
        EXPECT_EQ(ReadFileBytes(earlier), earlier_bytes);
        EXPECT_EQ(ReadFileBytes(good), good_bytes);
        EXPECT_FALSE(Exists(earlier + ".xbk"));
    }

    // No Palm Desktop user folder here: opening for a user fails the same way.
    ConversionJob job(kNewerDesktop);
    EXPECT_FALSE(job.LoadTargetForUser(1));
    EXPECT_EQ(job.LoadedLayout(), kLayoutFailed);
}

TEST(ConversionJobTest, SwappedNamesMatchByEmailOnly) {
    TestFolder folder;
    const std::string path = folder.File("address.dat");
    PalmSgRecord ann = PalmSgPerson("Ann", "Lee");
    SetPhone(ann, 0, 4, "ann@example.com");
    SetPhone(ann, 1, 1, "555");
    PalmSgRecord bob = PalmSgPerson("Bob", "Ray");
    SetPhone(bob, 0, 1, "777");
    WriteFileBytes(path, PalmSgFileBytes(path, {ann, bob}));

    ConversionJob job(kNewerDesktop);
    job.SetSwapNames(true);
    EXPECT_TRUE(job.ClassicFile().SwapNames());
    EXPECT_TRUE(job.PalmSgFile().SwapNames());
    ASSERT_TRUE(job.LoadTargetFromFile(path));
    EXPECT_EQ(job.TargetContacts().Get(0)->first_name.str(), "Lee");
    EXPECT_EQ(job.TargetContacts().Get(0)->last_name.str(), "Ann");

    ContactRecord ann_contact = Person("Ann", "Lee");
    ann_contact.email = "ann@example.com";
    ann_contact.home_phone = "555";
    EXPECT_FALSE(job.AddContact(&ann_contact));  // found by its e-mail: identical
    ContactRecord bob_contact = Person("Bob", "Ray");
    bob_contact.home_phone = "777";
    EXPECT_TRUE(job.AddContact(&bob_contact));  // names exchanged, no e-mail: new
    EXPECT_EQ(job.LastMatch(), kMatchNone);
}

// A save that fails on the way (no backup possible, a write refused) reports it, with the
// stream's reason, and leaves the file as it was.
TEST(ConversionJobTest, FailedSaveSaysWhyAndLeavesTheFile) {
    TestFolder folder;
    const std::string path = folder.File("address.dat");
    const auto original = PalmSgFileBytes(path, {PalmSgPerson("Ann", "Lee")});
    const ContactRecord newcomer = Person("New", "Comer");
    for (platform::FaultPoint point : {platform::FaultPoint::Copy, platform::FaultPoint::Write}) {
        WriteFileBytes(path, original);
        ConversionJob job(kNewerDesktop);
        ASSERT_TRUE(job.LoadTargetFromFile(path));
        ASSERT_TRUE(job.AddContact(&newcomer));
        platform::FaultPlan plan;
        plan.fail_at[static_cast<int>(point)] = 1;
        {
            platform::ScopedFaultPlan scoped(plan);
            EXPECT_FALSE(job.SaveTarget());
        }
        EXPECT_NE(job.LastError().find("could not be written: "), std::string::npos)
            << job.LastError();
        EXPECT_EQ(ReadFileBytes(path), original);
        // Once the disk is well again, the same job saves.
        EXPECT_TRUE(job.SaveTarget()) << job.LastError();
        EXPECT_NE(ReadFileBytes(path), original);
    }
}

}  // namespace
}  // namespace tarvenne
