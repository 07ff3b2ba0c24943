// The conversion job on both layouts, checked on the bytes of the saved file: swapped
// names, and what the job refuses. What a merge writes is the edit list's test.
#include "engine/conversion_job.h"

#include "platform/fault_injection.h"

#include "tests/engine/target_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace tarvenne {
namespace {

using namespace testing;
using P = Person;

class JobTest : public TargetFileTest {};

// Hands the job a contact of these names, as a conversion would.
bool Add(ConversionJob& job, const std::string& first, const std::string& last) {
    ContactRecord c = Contact(first, last);
    return job.AddContact(&c);
}

TEST_P(JobTest, SwappedNamesTradePlaces) {
    auto job = Open(FileOf(std::vector<Person>{}), true);
    ASSERT_TRUE(Add(*job, "First", "Last"));
    const std::vector<std::uint8_t> bytes = Saved(*job);
    const std::string saved(bytes.begin(), bytes.end());
    EXPECT_EQ(saved.find("First") < saved.find("Last"), classic())
        << "with names swapped the two name positions trade places";
}

TEST_P(JobTest, AJobWhoseLoadFailedAddsAndSavesNothing) {
    const std::vector<std::uint8_t> file = FileOf(std::vector<Person>{});
    auto job = Open(file);
    EXPECT_FALSE(job->LoadTargetFromFile(folder_.File("missing.dat")));
    EXPECT_EQ(job->LoadedLayout(), kLayoutFailed);
    EXPECT_FALSE(Add(*job, "A", "B"));
    EXPECT_EQ(job->LastOutcome(), AddOutcome::kFailed);
    EXPECT_FALSE(job->SaveTarget());
    EXPECT_EQ(FileBytes(Path()), file);
    EXPECT_EQ(ConversionJob::ProbeContactsFile(Path()), classic() ? kProbeClassic : kProbePalmSg);
    EXPECT_EQ(ConversionJob::ProbeContactsFile(folder_.File("missing.dat")), kProbeUnreadable);
}

// Another program (Palm Desktop, HotSync) writing the file between the opening and the save:
// its bytes win, and so does the last backup; a file whose bytes are the same still saves.
TEST_P(JobTest, AFileWrittenByAnotherProgramSinceTheOpeningIsNotOverwritten) {
    const std::vector<std::uint8_t> file = FileOf(std::vector<Person>{P{"Karl", "Kept", "Buyer"}});
    std::vector<std::uint8_t> retitled = file, grown = file, cut = file;
    *std::search(retitled.begin(), retitled.end(), "Buyer", "Buyer" + 5) = 'b';
    grown.push_back(0);
    cut.pop_back();
    // What the other program leaves (empty: the time only), and whether the job's save goes ahead.
    const struct { const char* what; std::vector<std::uint8_t> theirs; bool saves; } cases[] = {
        {"a byte changed", retitled, false}, {"grown", grown, false}, {"cut", cut, false},
        {"rewritten the same", file, true}, {"only touched", {}, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto job = Open(file);
        platform::WriteFileBytes(Path() + ".xbk", Bytes("the last good backup"));
        ASSERT_TRUE(Add(*job, "Anna", "Berger"));
        if (c.theirs.empty()) {
            std::filesystem::last_write_time(Path(), std::filesystem::last_write_time(Path()) + std::chrono::hours(1));
        } else {
            platform::WriteFileBytes(Path(), c.theirs);
        }
        EXPECT_EQ(job->SaveTarget(), c.saves) << job->LastError();
        EXPECT_EQ(job->LastSaveFailure(), c.saves ? SaveFailure::kNone : SaveFailure::kChangedOnDisk);
        if (c.saves) {
            EXPECT_TRUE(SameBytes(FileBytes(Path() + ".xbk"), file));
            continue;
        }
        EXPECT_TRUE(SameBytes(FileBytes(Path()), c.theirs));
        EXPECT_EQ(FileBytes(Path() + ".xbk"), Bytes("the last good backup"));
        EXPECT_TRUE(Contains(job->LastError(), "changed by another program (Palm Desktop or HotSync) since it was opened"));
        EXPECT_TRUE(Contains(job->LastError(), "Run the conversion again"));
    }
    // Started again, the conversion reads their change and keeps it.
    auto again = Open(retitled);
    ASSERT_TRUE(Add(*again, "Anna", "Berger"));
    EXPECT_TRUE(again->SaveTarget()) << again->LastError();
    EXPECT_TRUE(SameBytes(FileBytes(Path() + ".xbk"), retitled));
    // What the job saved itself is no other program's change: it saves again.
    ASSERT_TRUE(Add(*again, "Bert", "Berger"));
    EXPECT_TRUE(again->SaveTarget()) << again->LastError();
    const std::vector<std::uint8_t> saved = FileBytes(Path());
    EXPECT_NE(std::search(saved.begin(), saved.end(), "buyer", "buyer" + 5), saved.end()) << "theirs is kept";
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
            EXPECT_TRUE(Contains(next.LastError(), "A backup from " + platform::ModifiedTimeText(Path() + ".xbk") + " is at " +
                                                       Path() + ".xbk; copy it over the file to restore it."));
        }
    }
}

// Record numbers of the newer layout, where deletions left gaps: a new record never takes a
// number a record has, and the header's next record id is past them all, never lowered.
class NumberingTest : public TargetFileTest {};

TEST_P(NumberingTest, NewRecordsTakeNumbersNoRecordHasAndTheNextIdIsPastThemAll) {
    struct Case {
        std::vector<std::uint32_t> numbers;  // of the records in the file
        std::uint32_t stored_next;
        std::vector<std::uint32_t> added;  // the numbers two new records get
        std::uint32_t next;                // the header's next record id after the save
    } cases[] = {
        {{0x1000, 0x1001}, 0x1002, {0x1002, 0x1003}, 0x1004},  // no gaps: as Palm Desktop counts
        {{0x1000, 0x1002}, 0x1002, {0x1003, 0x1004}, 0x1005},  // 0x1002 is taken, and then 0x1003
        {{0x1005}, 0x1006, {0x1001, 0x1002}, 0x1006},          // free numbers below the highest
        {{0x1000}, 0x2000, {0x1001, 0x1002}, 0x2000},          // the stored id is never lowered
        {{0x1000, 0x1001, 0xFFFF}, 0x1000, {0x1003, 0x1004}, 0x0000},  // kept to the header's 16 bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.numbers.back()));
        std::vector<Row> rows;
        for (std::uint32_t n : c.numbers) rows.push_back(RowOf(layout(), P{"R" + std::to_string(n)}).Set(1, n));
        FileOptions o;
        o.stored_name = Path();
        o.next_id_bytes = c.stored_next;
        auto job = Open(BuildFile(layout(), rows, o));
        for (const char* name : {"Anna", "Bert"}) ASSERT_TRUE(Add(*job, name, "New"));
        const std::vector<std::uint8_t> saved = Saved(*job);
        PalmSgAddressFile file;
        ASSERT_TRUE(file.LoadBytes(saved));
        ASSERT_EQ(file.Records().Count(), c.numbers.size() + 2);
        for (std::size_t i = 0; i < 2; ++i)
            EXPECT_EQ(static_cast<std::uint32_t>(file.Records().At(c.numbers.size() + i)->Integer(1)), c.added[i]);
        EXPECT_EQ(saved[40] | saved[41] << 8, c.next);  // header bytes 12 and 13
    }
}

INSTANTIATE_TEST_SUITE_P(NewerLayout, NumberingTest, ::testing::Values(Layout::kPalmSg), kLayoutName);

INSTANTIATE_TEST_SUITE_P(BothLayouts, JobTest, ::testing::Values(Layout::kClassic, Layout::kPalmSg), kLayoutName);

}  // namespace
}  // namespace tarvenne
