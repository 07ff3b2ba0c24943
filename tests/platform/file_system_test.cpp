// The file seam: exclusive opens in the four modes, and the fault plan the save path's tests
// rely on (a plan that never fired would let them pass without testing anything).
#include "platform/fault_injection.h"
#include "platform/file_system.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

namespace tarvenne::platform {
namespace {

using tarvenne::testing::Bytes;

std::vector<std::uint8_t> Content(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(ReadFileBytes(path, &bytes)) << path;
    return bytes;
}

TEST(ExclusiveFile, OnlyCreateAlwaysOpensAMissingFileOrEmptiesOneAndASecondOpenerIsRefused) {
    testing::TestFolder dir;
    const std::string path = dir.File("a.dat");
    ExclusiveFile file;
    for (OpenMode mode : {OpenMode::Read, OpenMode::Write, OpenMode::ReadWrite})
        EXPECT_FALSE(file.Open(path, mode)) << static_cast<int>(mode);
    EXPECT_FALSE(PathExists(path));
    ASSERT_TRUE(WriteFileBytes(path, Bytes("hello world")));
    ASSERT_TRUE(file.Open(path, OpenMode::CreateAlways));
    file.Close();
    EXPECT_TRUE(Content(path).empty());

    // A second opener is refused in every mode and changes nothing.
    ASSERT_TRUE(WriteFileBytes(path, Bytes("content")));
    for (OpenMode held : {OpenMode::Read, OpenMode::Write, OpenMode::ReadWrite}) {
        ExclusiveFile first;
        ASSERT_TRUE(first.Open(path, held));
        for (OpenMode second : {OpenMode::Read, OpenMode::Write, OpenMode::ReadWrite, OpenMode::CreateAlways}) {
            ExclusiveFile other;
            EXPECT_FALSE(other.Open(path, second)) << static_cast<int>(held) << " " << static_cast<int>(second);
        }
        EXPECT_FALSE(CopyFileReplacing(path, dir.File("copy.dat")));  // as CopyFileA fails on Windows
    }
    EXPECT_EQ(Content(path), Bytes("content"));  // released on close, and never emptied
}

TEST(FaultPlan, FailsTheNthCallOfAKindOrEveryOneFromThenOn) {
    testing::TestFolder dir;
    const std::string path = dir.File("f.dat");
    ASSERT_TRUE(WriteFileBytes(path, Bytes("x")));
    for (bool from_then_on : {false, true}) {
        FaultPlan plan;
        plan.fail_at[static_cast<int>(FaultPoint::Write)] = 2;
        plan.fail_from_then_on = from_then_on;
        ScopedFaultPlan scope(plan);
        ExclusiveFile file;
        ASSERT_TRUE(file.Open(path, OpenMode::ReadWrite));
        EXPECT_TRUE(file.Write("a", 1) && file.TruncateHere());  // other kinds are counted apart
        EXPECT_FALSE(file.Write("b", 1));
        EXPECT_EQ(file.Write("c", 1), !from_then_on);
    }
    ExclusiveFile file;  // the plan ended with its scope
    ASSERT_TRUE(file.Open(path, OpenMode::ReadWrite));
    EXPECT_TRUE(file.Write("a", 1) && file.Write("b", 1));
}

}  // namespace
}  // namespace tarvenne::platform
