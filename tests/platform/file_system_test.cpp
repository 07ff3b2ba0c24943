// The file seam: exclusive opens in each mode, whole replacement, injected faults.
#include "platform/fault_injection.h"
#include "platform/file_system.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

namespace tarvenne::platform {
namespace {

using tarvenne::testing::Bytes;
using tarvenne::testing::TestFolder;

TEST(ExclusiveFile, ModesRequireExistenceExceptCreateAlways) {
    TestFolder dir;
    const std::string path = dir.File("a.dat");
    ExclusiveFile f;
    EXPECT_FALSE(f.Open(path, OpenMode::Read));
    EXPECT_FALSE(f.Open(path, OpenMode::Write));
    EXPECT_FALSE(f.Open(path, OpenMode::ReadWrite));
    EXPECT_FALSE(PathExists(path));
    EXPECT_NE(f.LastError().Describe().find("open"), std::string::npos);

    ASSERT_TRUE(WriteFileBytes(path, Bytes("hello world")));
    ASSERT_TRUE(f.Open(path, OpenMode::CreateAlways));  // empties an existing file
    std::uint64_t size = 99;
    ASSERT_TRUE(f.Size(&size));
    EXPECT_EQ(size, 0u);
    f.Close();
    EXPECT_FALSE(f.Open(path, static_cast<OpenMode>(4)));
}

TEST(ExclusiveFile, SecondOpenIsRefusedWhileHeldInEveryMode) {
    TestFolder dir;
    const std::string path = dir.File("held.dat");
    ASSERT_TRUE(WriteFileBytes(path, Bytes("content")));
    for (OpenMode held : {OpenMode::Read, OpenMode::Write, OpenMode::ReadWrite}) {
        ExclusiveFile first;
        ASSERT_TRUE(first.Open(path, held));
        for (OpenMode second : {OpenMode::Read, OpenMode::Write, OpenMode::ReadWrite,
                                OpenMode::CreateAlways}) {
            ExclusiveFile other;
            EXPECT_FALSE(other.Open(path, second)) << int(held) << " then " << int(second);
        }
        // A copy of a held file fails too, as CopyFileA does on Windows.
        EXPECT_FALSE(CopyFileReplacing(path, dir.File("copy.dat")));
    }
    // CreateAlways on a held file must not have emptied it.
    std::vector<std::uint8_t> back;
    ASSERT_TRUE(ReadFileBytes(path, &back));
    EXPECT_EQ(back, Bytes("content"));
    // Released on close: the file opens again.
    ExclusiveFile again;
    EXPECT_TRUE(again.Open(path, OpenMode::ReadWrite));
}

TEST(ExclusiveFile, ReadWriteSeekTruncate) {
    TestFolder dir;
    const std::string path = dir.File("rw.dat");
    ASSERT_TRUE(WriteFileBytes(path, Bytes("0123456789")));
    ExclusiveFile f;
    ASSERT_TRUE(f.Open(path, OpenMode::ReadWrite));
    char buf[16] = {};
    std::size_t got = 0;
    ASSERT_TRUE(f.Read(buf, 4, &got));
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(std::string(buf, 4), "0123");
    ASSERT_TRUE(f.SeekBy(2));
    ASSERT_TRUE(f.Read(buf, 16, &got));
    EXPECT_EQ(std::string(buf, got), "6789");
    ASSERT_TRUE(f.Read(buf, 16, &got));
    EXPECT_EQ(got, 0u);  // end of file is a successful read of nothing

    ASSERT_TRUE(f.ReplaceAll(Bytes("abc")));
    std::vector<std::uint8_t> all;
    ASSERT_TRUE(f.ReadAll(&all));
    EXPECT_EQ(all, Bytes("abc"));
    f.Close();
    ASSERT_TRUE(ReadFileBytes(path, &all));
    EXPECT_EQ(all, Bytes("abc"));
}

TEST(CopyFileReplacing, ReplacesAnExistingCopyAndNeedsASource) {
    TestFolder dir;
    const std::string from = dir.File("from.dat"), to = dir.File("to.dat");
    EXPECT_FALSE(CopyFileReplacing(from, to));
    EXPECT_FALSE(PathExists(to));
    ASSERT_TRUE(WriteFileBytes(from, Bytes("new")));
    ASSERT_TRUE(WriteFileBytes(to, Bytes("old and longer")));
    ASSERT_TRUE(CopyFileReplacing(from, to));
    std::vector<std::uint8_t> back;
    ASSERT_TRUE(ReadFileBytes(to, &back));
    EXPECT_EQ(back, Bytes("new"));
}

TEST(FaultPlan, FailsExactlyTheNthCallOfAKind) {
    TestFolder dir;
    const std::string path = dir.File("f.dat");
    ASSERT_TRUE(WriteFileBytes(path, Bytes("x")));
    FaultPlan plan;
    plan.fail_at[static_cast<int>(FaultPoint::Write)] = 2;
    {
        ScopedFaultPlan scope(plan);
        ExclusiveFile f;
        ASSERT_TRUE(f.Open(path, OpenMode::ReadWrite));
        EXPECT_TRUE(f.Write("a", 1));
        EXPECT_FALSE(f.Write("b", 1));
        EXPECT_TRUE(f.Write("c", 1));
    }
    plan = FaultPlan{};
    plan.fail_at[static_cast<int>(FaultPoint::Copy)] = 1;
    plan.fail_from_then_on = true;
    {
        ScopedFaultPlan scope(plan);
        EXPECT_FALSE(CopyFileReplacing(path, dir.File("g.dat")));
        EXPECT_FALSE(CopyFileReplacing(path, dir.File("g.dat")));
    }
    EXPECT_TRUE(CopyFileReplacing(path, dir.File("g.dat")));
}

}  // namespace
}  // namespace tarvenne::platform
