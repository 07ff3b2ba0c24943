// The conversion job on both layouts, checked on the bytes of the saved file: new records,
// merges that change only what a contact brings, what counts as identical, contacts the
// job must not merge, and what the job refuses.
#include "engine/conversion_job.h"

#include "platform/fault_injection.h"

#include "tests/engine/target_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace tarvenne {
namespace {

using namespace testing;
using P = Person;

class JobTest : public TargetFileTest {};

TEST_P(JobTest, NewContactsFillPhoneSlotsInLabelOrderAndAddressBlocksByKind) {
    ContactRecord three = Contact("Ada", "Byron");
    three.work_phone = "1";
    three.email = "ada@example.com";
    three.mobile_phone = "7";
    ContactRecord seven = Contact("Bob", "All");
    seven.work_phone = "0";
    seven.home_phone = "1";
    seven.fax = "2";
    seven.other_phone = "3";
    seven.email = "4";
    seven.main_phone = "5";
    seven.mobile_phone = "7";
    seven.work.street = "Work Street";
    seven.home.city = "Home Town";
    ContactRecord home_fax = Contact("Cy", "Fax");
    home_fax.home_fax = "22";

    auto job = Open(FileOf(std::vector<Person>{}));
    for (const ContactRecord* c : {&three, &seven, &home_fax}) {
        EXPECT_TRUE(job->AddContact(c));
        EXPECT_EQ(job->LastOutcome(), AddOutcome::kAdded);
    }
    std::vector<P::Address> blocks = {{0, "Work Street"}, {1, "", "Home Town"}, {2}};
    std::vector<std::pair<std::int32_t, std::string>> all = {{0, "0"}, {1, "1"}, {2, "2"}, {3, "3"}, {4, "4"}};
    if (!classic()) all.insert(all.end(), {{5, "5"}, {7, "7"}});
    EXPECT_TRUE(SameBytes(Saved(*job), FileOf({Appended(layout(), P{"Ada", "Byron", "", "", "", {{0, "1"}, {4, "ada@example.com"}, {7, "7"}}}, 0),
                                   Appended(layout(), P{"Bob", "All", "", "", "", all, blocks}, 1),
                                   Appended(layout(), P{"Cy", "Fax", "", "", "", {{2, "22"}, {7, ""}}}, 2)})));
}

TEST_P(JobTest, AMergeWritesOnlyWhatTheContactChangesAndKeepsWhatTheUserSet) {
    const std::string company(67, 'C'), phone = "+49 (0)30 1234567-8901234";  // longer than a contact holds
    P stored{"Ann", "Lee", "Clerk", company, "Note", {{0, phone}, {1, ""}, {6, "pager"}, {3, ""}}, {}, {"c1"}, 1};
    stored.addresses = {{1, "Home Road 1", "Homeville"}, {2, ""}, {5, ""}};  // the first block is home
    const P zed_stored{"Zed", std::string("Smith\0x", 7), "", "", "", {{1, "5"}}};
    P deleted = stored, archived = stored;  // copies the user deleted or archived stay as they are
    deleted.status = 0x80;
    archived.status = 0x04;
    auto job = Open(FileOf({deleted, archived, stored, zed_stored}));

    ContactRecord ann = Contact("Ann", "Lee");
    ann.company = company;  // cut to 63 as a conversion hands it over: equal as read
    ann.work_phone = phone;
    ann.title = "Manager";
    ann.work.street = "Office Way 2";  // no work block: the first empty block takes it
    ann.home.street = "Home Road 1";
    ann.home.city = "Homeville";
    ann.other_phone = "3";  // goes into the empty slot labelled other, nothing relabelled
    ann.custom[0] = "c1";
    ann.birthday = 0.0;
    EXPECT_TRUE(job->AddContact(&ann));
    EXPECT_EQ(job->LastOutcome(), AddOutcome::kUpdated);
    ContactRecord zed = Contact("Zed", "Smith");  // stored "Smith\0x" reads "Smith"
    zed.home_phone = "5";
    EXPECT_FALSE(job->AddContact(&zed));
    EXPECT_EQ(job->LastOutcome(), AddOutcome::kSkipped);

    P updated = stored;
    updated.status = 0x02;
    updated.title = "Manager";
    updated.phones[3].second = "3";
    if (classic()) {
        updated.addresses[0].street = "Office Way 2";  // the one classic address is the work one
    } else {
        updated.addresses[1] = {0, "Office Way 2"};
    }
    EXPECT_TRUE(SameBytes(Saved(*job), FileOf({deleted, archived, updated, zed_stored})));

    // A second run of the same contacts finds nothing to do.
    EXPECT_EQ(job->TargetContacts().FindMatch(&ann).code, kMatchIdentical);
    EXPECT_EQ(job->TargetContacts().FindMatch(&zed).code, kMatchIdentical);
}

TEST_P(JobTest, ALabelHeldTwiceIsUpdatedWhereAReadFindsItAndAddressesByTheirKind) {
    P stored{"Kim", "Two", "", "", "", {{1, "old home"}, {1, ""}, {1, "newer home"}, {0, ""}}};
    stored.addresses = {{1, "Home 1"}, {0, "Work 1"}, {2}};
    auto job = Open(FileOf({stored}));
    ContactRecord read;
    ASSERT_TRUE(job->TargetContacts().Read(0, &read));
    EXPECT_EQ(read.home_phone.str(), "newer home");
    EXPECT_EQ(read.work.street.str(), classic() ? "Home 1" : "Work 1");
    EXPECT_EQ(read.home.street.str(), classic() ? "" : "Home 1");
    ContactRecord kim = Contact("Kim", "Two");
    kim.home_phone = "newest home";
    kim.home.street = "Home 2";
    kim.work.street = "Work 1";
    ASSERT_TRUE(job->AddContact(&kim));
    P updated = stored;
    updated.status = 0x02;
    updated.phones[2].second = "newest home";
    if (classic()) {
        updated.addresses = {{0, "Work 1"}};  // the one classic address is the work one
    } else {
        updated.addresses[0].street = "Home 2";
    }
    EXPECT_TRUE(SameBytes(Saved(*job), FileOf({updated})));
    EXPECT_EQ(job->TargetContacts().FindMatch(&kim).code, kMatchIdentical) << "a second run";
}

TEST_P(JobTest, TextsCutToFitAreToldAndSwappedNamesTradePlaces) {
    auto job = Open(FileOf(std::vector<Person>{}), true);
    ContactRecord c = Contact("First", "Last");
    c.home.street = "Somewhere 1";  // a phone slot's cut of an e-mail is the tool's test
    ASSERT_TRUE(job->AddContact(&c));
    std::uint32_t street_kept = 99;
    for (const RecordEdit& e : job->LastEdits().All())
        if (e.kind == EditKind::kText && e.text == ContactText::kHomeStreet) street_kept = e.kept;
    EXPECT_EQ(street_kept, classic() ? 0u : 11u) << "a classic record has no home address";
    const std::vector<std::uint8_t> saved = Saved(*job);
    const std::string first = "First", last = "Last";
    const auto at = std::search(saved.begin(), saved.end(), first.begin(), first.end());
    const auto last_at = std::search(saved.begin(), saved.end(), last.begin(), last.end());
    EXPECT_EQ(at < last_at, classic()) << "with names swapped the two name positions trade places";
}

TEST_P(JobTest, AJobWhoseLoadFailedAddsAndSavesNothing) {
    const std::vector<std::uint8_t> file = FileOf(std::vector<Person>{});
    auto job = Open(file);
    EXPECT_FALSE(job->LoadTargetFromFile(folder_.File("missing.dat")));
    EXPECT_EQ(job->LoadedLayout(), kLayoutFailed);
    ContactRecord c = Contact("A", "B");
    EXPECT_FALSE(job->AddContact(&c));
    EXPECT_EQ(job->LastOutcome(), AddOutcome::kFailed);
    EXPECT_FALSE(job->SaveTarget());
    EXPECT_EQ(FileBytes(Path()), file);
    EXPECT_EQ(ConversionJob::ProbeContactsFile(Path()), classic() ? kProbeClassic : kProbePalmSg);
    EXPECT_EQ(ConversionJob::ProbeContactsFile(folder_.File("missing.dat")), kProbeUnreadable);
}

// A save of a sample file stopped at each of its steps, as a power cut would stop it: the
// file reads as before or as after, or its backup holds it as before and the next opening
// says where that backup is.
TEST_P(JobTest, ASaveStoppedAtAnyStepLeavesTheFileOrAnAnnouncedBackup) {
    const std::string sample = std::string(TARVENNE_SOURCE_DIR) + (classic() ? "/samples/address-classic.dat"
                                                                             : "/samples/address-palmsg.dat");
    const std::vector<std::uint8_t> before = FileBytes(sample);
    const auto convert = [&] {
        auto job = Open(before);
        for (int i = 0; i < 60; ++i) {  // enough for a save of several slices
            ContactRecord c = Contact("First" + std::to_string(i), "Last");
            c.note = std::string(300, 'n');
            job->AddContact(&c);
        }
        ContactRecord anna = Contact("Anna", "Berger");
        anna.work_phone = "+49 30 1234567";
        anna.title = "Head of Sales";
        job->AddContact(&anna);
        return job;
    };
    const std::vector<std::uint8_t> after = Saved(*convert());
    using F = platform::FaultPoint;
    for (const auto& [point, count] : {std::pair{F::Copy, 1}, std::pair{F::Write, 4}, std::pair{F::Truncate, 1},
                                       std::pair{F::Flush, 1}}) {
        for (int n = 1; n <= count; ++n) {
            SCOPED_TRACE(std::to_string(static_cast<int>(point)) + "@" + std::to_string(n));
            std::filesystem::remove(Path() + ".xbk");
            auto job = convert();
            platform::FaultPlan plan;
            plan.fail_at[static_cast<int>(point)] = n;
            plan.stop_the_process = true;
            EXPECT_EXIT(
                {
                    platform::SetFaultPlan(plan);
                    job->SaveTarget();
                    std::_Exit(0);
                },
                ::testing::ExitedWithCode(99), "");
            const std::vector<std::uint8_t> now = FileBytes(Path());
            if (now == before || now == after) continue;
            EXPECT_EQ(FileBytes(Path() + ".xbk"), before);
            ConversionJob next(60001);
            EXPECT_FALSE(next.LoadTargetFromFile(Path()));
            EXPECT_NE(next.LastError().find("A backup from " + platform::ModifiedTimeText(Path() + ".xbk") + " is at " +
                                            Path() + ".xbk; copy it over the file to restore it."), std::string::npos)
                << next.LastError();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, JobTest, ::testing::Values(Layout::kClassic, Layout::kPalmSg),
                         [](const auto& info) { return info.param == Layout::kClassic ? "Classic" : "PalmSg"; });

}  // namespace
}  // namespace tarvenne
