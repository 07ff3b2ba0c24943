// The conversion job on both layouts, checked on the bytes of the saved file: swapped
// names, and what the job refuses. What a merge writes is the edit list's test.
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

TEST_P(JobTest, SwappedNamesTradePlaces) {
    auto job = Open(FileOf(std::vector<Person>{}), true);
    ContactRecord c = Contact("First", "Last");
    ASSERT_TRUE(job->AddContact(&c));
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
