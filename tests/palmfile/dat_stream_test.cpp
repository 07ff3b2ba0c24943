// DatStream: opens, reads that never run past the file, the counted-string and typed-field
// encodings, and the commit that replaces a file's content or leaves it as it was.
#include "palmfile/dat_stream.h"

#include "platform/fault_injection.h"
#include "platform/file_system.h"
#include "tests/byte_builder.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

namespace tarvenne {
namespace {

using testing::ByteBuilder;
using testing::TestFolder;

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(platform::ReadFileBytes(path, &bytes)) << path;
    return bytes;
}

void PutFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    ASSERT_TRUE(platform::WriteFileBytes(path, bytes)) << path;
}

// A stream over a new file of the test's folder holding the given bytes, opened for
// reading.
struct OpenedStream {
    DatStream stream;
    OpenedStream(const TestFolder& folder, const std::vector<std::uint8_t>& bytes) {
        static int serial = 0;
        const std::string path = folder.File("f" + std::to_string(++serial) + ".dat");
        PutFile(path, bytes);
        EXPECT_TRUE(stream.Open(path, 0));
    }
};

TEST(DatStreamTest, OpenModesAndTheirFailures) {
    TestFolder folder;
    const std::string path = folder.File("a.dat");
    DatStream stream;
    EXPECT_FALSE(stream.Open(path, 2)) << "a missing file is not created by mode 2";
    EXPECT_FALSE(platform::PathExists(path));
    EXPECT_FALSE(stream.Open(path, 0));
    EXPECT_FALSE(stream.Open(path, 1));
    EXPECT_FALSE(stream.LastError().empty());

    ASSERT_TRUE(stream.Open(path, 3));
    EXPECT_TRUE(platform::PathExists(path));
    EXPECT_EQ(stream.Path(), path);

    // An empty path fails and leaves the open file open.
    EXPECT_FALSE(stream.Open("", 0));
    EXPECT_TRUE(stream.IsOpen());
    EXPECT_EQ(stream.Path(), path);

    // A mode outside 0 to 3 closes the open file first, then fails.
    EXPECT_FALSE(stream.Open(path, 4));
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_FALSE(stream.Open(path, -1));
    EXPECT_EQ(stream.Path(), path) << "the path survives a close";

    // Mode 3 empties an existing file.
    PutFile(path, {1, 2, 3});
    ASSERT_TRUE(stream.Open(path, 3));
    stream.Close();
    EXPECT_TRUE(FileBytes(path).empty());
    stream.Close();  // closing twice does nothing
}

TEST(DatStreamTest, OpenIsExclusive) {
    TestFolder folder;
    const std::string path = folder.File("held.dat");
    PutFile(path, {0, 1, 2, 3});
    platform::ExclusiveFile holder;
    ASSERT_TRUE(holder.Open(path, platform::OpenMode::Read));
    DatStream stream;
    for (int mode = 0; mode <= 3; ++mode) EXPECT_FALSE(stream.Open(path, mode)) << mode;
    holder.Close();
    ASSERT_TRUE(stream.Open(path, 2));
    DatStream second;
    EXPECT_FALSE(second.Open(path, 0));
    EXPECT_FALSE(platform::CopyFileReplacing(path, path + ".copy"));
}

TEST(DatStreamTest, IntegersAreLittleEndianAndEndOfFileIsSticky) {
    TestFolder folder;
    OpenedStream s(folder, ByteBuilder().Int32(0x41420100).Int16(0xFFFE).Byte(7).Int64(0x1122334455667788ull).Byte(9).Bytes());
    std::int32_t i32 = 0;
    std::int16_t i16 = 0;
    std::uint8_t b = 0;
    std::uint64_t i64 = 0;
    ASSERT_TRUE(s.stream.ReadInt32(&i32));
    EXPECT_EQ(i32, 0x41420100);
    ASSERT_TRUE(s.stream.ReadInt16(&i16));
    EXPECT_EQ(i16, -2);
    ASSERT_TRUE(s.stream.ReadByte(&b));
    EXPECT_EQ(b, 7);
    ASSERT_TRUE(s.stream.ReadInt64(&i64));
    EXPECT_EQ(i64, 0x1122334455667788ull);
    EXPECT_EQ(s.stream.ReadOffset(), 15u);

    // Only one byte is left: a four-byte read fails and so does every read after it,
    // even the one byte that is there.
    EXPECT_FALSE(s.stream.ReadInt32(&i32));
    EXPECT_TRUE(s.stream.ReadFailed());
    EXPECT_NE(s.stream.LastError().find("offset 15"), std::string::npos) << s.stream.LastError();
    EXPECT_FALSE(s.stream.ReadByte(&b));
    EXPECT_FALSE(s.stream.ReadBytes(&b, 0)) << "a read of 0 bytes fails";
}

TEST(DatStreamTest, ReadBytesAndReadAvailable) {
    TestFolder folder;
    OpenedStream s(folder, {1, 2, 3, 4, 5});
    std::uint8_t buf[8] = {};
    EXPECT_FALSE(s.stream.ReadBytes(nullptr, 2));
    OpenedStream t(folder, {1, 2, 3, 4, 5});
    std::size_t n = 0;
    EXPECT_FALSE(t.stream.ReadAvailable(buf, &n)) << "n = 0 fails";
    OpenedStream u(folder, {1, 2, 3, 4, 5});
    n = 3;
    ASSERT_TRUE(u.stream.ReadAvailable(buf, &n));
    EXPECT_EQ(n, 3u);
    n = 8;
    ASSERT_TRUE(u.stream.ReadAvailable(buf, &n));
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(buf[0], 4);
    EXPECT_EQ(buf[1], 5);
    n = 8;
    ASSERT_TRUE(u.stream.ReadAvailable(buf, &n));
    EXPECT_EQ(n, 0u) << "at the end of the file nothing is delivered";
    EXPECT_FALSE(u.stream.ReadBytes(buf, 1)) << "reading at the end fails";
}

TEST(DatStreamTest, CountedStringEncodings) {
    TestFolder folder;
    DatStream stream;
    ASSERT_TRUE(stream.WriteCString(""));
    EXPECT_EQ(stream.PendingWrites(), std::vector<std::uint8_t>{0});
    struct Case {
        std::size_t length;
        std::vector<std::uint8_t> prefix;
    };
    for (const Case& c : {Case{254, {0xFE}}, Case{255, {0xFF, 0xFF, 0x00}},
                          Case{300, {0xFF, 0x2C, 0x01}}, Case{65535, {0xFF, 0xFF, 0xFF}}}) {
        DatStream w;
        const std::string text(c.length, 'x');
        ASSERT_TRUE(w.WriteCString(text));
        std::vector<std::uint8_t> expected = c.prefix;
        expected.insert(expected.end(), text.begin(), text.end());
        EXPECT_EQ(w.PendingWrites(), expected) << c.length;

        // And it reads back whole.
        const std::string path = folder.File("s" + std::to_string(c.length));
        PutFile(path, expected);
        DatStream r;
        ASSERT_TRUE(r.Open(path, 0));
        std::string back;
        std::size_t capacity = kMaxCountedString;
        ASSERT_TRUE(r.ReadCString(&back, &capacity));
        EXPECT_EQ(back, text);
        EXPECT_EQ(r.ReadOffset(), expected.size());
    }
    DatStream too_long;
    EXPECT_FALSE(too_long.WriteCString(std::string(65536, 'y')));
    EXPECT_FALSE(too_long.WriteCStringField(std::string(65536, 'y'), 1));
    EXPECT_TRUE(too_long.PendingWrites().empty()) << "no half-written field";
}

TEST(DatStreamTest, ReadCStringLimits) {
    TestFolder folder;
    {
        OpenedStream s(folder, {0x00, 0x41});
        std::string text = "old";
        std::size_t capacity = 10;
        ASSERT_TRUE(s.stream.ReadCString(&text, &capacity));
        EXPECT_EQ(text, "");
        EXPECT_EQ(s.stream.ReadOffset(), 1u);
    }
    {
        ByteBuilder b;
        b.CString(std::string(40, 'q'));
        OpenedStream s(folder, b.Bytes());
        std::string text = "old";
        std::size_t capacity = 31;
        EXPECT_FALSE(s.stream.ReadCString(&text, &capacity));
        EXPECT_EQ(capacity, 40u);
        EXPECT_EQ(text, "");
        EXPECT_EQ(s.stream.ReadOffset(), 1u) << "the characters stay unread";
        capacity = 0;
        EXPECT_FALSE(s.stream.ReadCString(&text, &capacity));
    }
    {
        // A length that runs past the end of the file.
        OpenedStream s(folder, ByteBuilder().Byte(0xFF).Int16(1000).Raw("short").Bytes());
        std::string text;
        std::size_t capacity = kMaxCountedString;
        EXPECT_FALSE(s.stream.ReadCString(&text, &capacity));
        EXPECT_TRUE(text.empty());
    }
    {
        OpenedStream s(folder, {0xFF, 0x01});  // the long form cut in its length
        std::string text;
        std::size_t capacity = kMaxCountedString;
        EXPECT_FALSE(s.stream.ReadCString(&text, &capacity));
    }
}

TEST(DatStreamTest, TypedFields) {
    TestFolder folder;
    DatStream w;
    ASSERT_TRUE(w.WriteIntegerField(-5));
    ASSERT_TRUE(w.WriteBooleanField(1));
    ASSERT_TRUE(w.WriteCStringField("Smith", 1));
    ASSERT_TRUE(w.WriteLongField(0x0102030405060708ull));
    const auto expected = ByteBuilder()
                              .IntField(-5)
                              .IntField(1, 6)
                              .TextField("Smith")
                              .LongField(0x0102030405060708ull)
                              .Bytes();
    EXPECT_EQ(w.PendingWrites(), expected);

    OpenedStream s(folder, ByteBuilder()
                       .IntField(10, 1)
                       .IntField(11, 3)
                       .IntField(1, 6)
                       .LongField(99, 12)
                       .TextField(std::string(300, 'n'), 7)
                       .IntField(12, 5)
                       .Bytes());
    std::int32_t v = 0;
    ASSERT_TRUE(s.stream.ReadIntegerField(&v));
    EXPECT_EQ(v, 10);
    ASSERT_TRUE(s.stream.ReadIntegerField(&v));
    EXPECT_EQ(v, 11);
    ASSERT_TRUE(s.stream.ReadIntegerField(&v));
    EXPECT_EQ(v, 1);
    std::uint64_t l = 0;
    ASSERT_TRUE(s.stream.ReadLongField(&l)) << "any tag is taken ahead of a long value";
    EXPECT_EQ(l, 99u);
    std::string text;
    std::int32_t marker = 0;
    ASSERT_TRUE(s.stream.ReadCStringField(&text, &marker));
    EXPECT_EQ(text, std::string(300, 'n'));
    EXPECT_EQ(marker, 7);
    const std::size_t before = s.stream.ReadOffset();
    EXPECT_FALSE(s.stream.ReadIntegerField(&v)) << "tag 5 is not a number";
    EXPECT_EQ(s.stream.ReadOffset(), before + 4) << "the tag is consumed";
    EXPECT_NE(s.stream.LastError().find("tagged 5"), std::string::npos);

    OpenedStream t(folder, ByteBuilder().IntField(3).Bytes());
    EXPECT_FALSE(t.stream.ReadCStringField(&text, &marker)) << "tag 1 is not a text";
}

TEST(DatStreamTest, Blobs) {
    TestFolder folder;
    DatBlob empty;
    empty.w0 = 64;
    DatStream a;
    ASSERT_TRUE(a.WriteBlob(&empty));
    EXPECT_EQ(a.PendingWrites().size(), 8u);
    DatBlob no_data;
    no_data.w0 = 65;
    no_data.w1 = 2;
    DatStream b;
    ASSERT_TRUE(b.WriteBlob(&no_data));
    EXPECT_EQ(b.PendingWrites().size(), 20u);
    DatBlob full;
    full.w0 = 66;
    full.w1 = 1;
    full.w2 = 2;
    full.w3 = 3;
    full.length = 10;
    full.data.assign(10, 0xAB);
    DatStream c;
    ASSERT_TRUE(c.WriteBlob(&full));
    EXPECT_EQ(c.PendingWrites().size(), 30u);
    DatBlob lying = full;
    lying.data.clear();
    DatStream d;
    EXPECT_FALSE(d.WriteBlob(&lying)) << "a length without data";
    EXPECT_FALSE(d.WriteBlob(nullptr));

    DatBlob copy;
    ASSERT_TRUE(CopyBlob(&full, &copy));
    EXPECT_EQ(copy, full);
    EXPECT_FALSE(CopyBlob(nullptr, &copy));

    // Read back all three in a row.
    std::vector<std::uint8_t> bytes = a.PendingWrites();
    bytes.insert(bytes.end(), b.PendingWrites().begin(), b.PendingWrites().end());
    bytes.insert(bytes.end(), c.PendingWrites().begin(), c.PendingWrites().end());
    OpenedStream s(folder, bytes);
    DatBlob r1, r2, r3;
    r1.w2 = 77;  // a blob with w1 = 0 leaves the rest as it was
    ASSERT_TRUE(s.stream.ReadBlob(&r1));
    EXPECT_EQ(r1.w0, 64u);
    EXPECT_EQ(r1.w2, 77u);
    ASSERT_TRUE(s.stream.ReadBlob(&r2));
    EXPECT_EQ(r2, no_data);
    ASSERT_TRUE(s.stream.ReadBlob(&r3));
    EXPECT_EQ(r3, full);

    // A huge length is refused before anything is allocated.
    OpenedStream h(folder, ByteBuilder().Int32(67).Int32(1).Int32(0).Int32(0).Int32(0xFFFFFFF0u).Raw("abc").Bytes());
    DatBlob huge;
    EXPECT_FALSE(h.stream.ReadBlob(&huge));
    EXPECT_TRUE(huge.data.empty());
}

TEST(DatStreamTest, CommitReplacesTheContentAndCloseDropsWrites) {
    TestFolder folder;
    const std::string path = folder.File("c.dat");
    PutFile(path, std::vector<std::uint8_t>(100, 0x55));
    DatStream stream;
    ASSERT_TRUE(stream.Open(path, 2));
    ASSERT_TRUE(stream.WriteCString("shorter"));
    stream.Close();
    EXPECT_EQ(FileBytes(path), std::vector<std::uint8_t>(100, 0x55)) << "nothing committed";

    ASSERT_TRUE(stream.Open(path, 2));
    ASSERT_TRUE(stream.WriteCString("shorter"));
    ASSERT_TRUE(stream.Commit());
    stream.Close();
    EXPECT_EQ(FileBytes(path), ByteBuilder().CString("shorter").Bytes()) << "truncated";

    DatStream closed;
    EXPECT_FALSE(closed.Commit());
}

// Every step of a commit that can fail leaves the previous content in place.
TEST(DatStreamTest, FailedCommitPutsThePreviousContentBack) {
    TestFolder folder;
    const std::string path = folder.File("f.dat");
    std::vector<std::uint8_t> old_content(5000);
    for (std::size_t i = 0; i < old_content.size(); ++i) old_content[i] = static_cast<std::uint8_t>(i * 7);
    const std::vector<std::uint8_t> new_content(16000, 0xEE);  // slices of 4, 8 and 4 KiB

    struct Plan {
        platform::FaultPoint point;
        int nth;
    };
    for (const Plan& p : {Plan{platform::FaultPoint::Write, 1}, Plan{platform::FaultPoint::Write, 2},
                          Plan{platform::FaultPoint::Write, 3}, Plan{platform::FaultPoint::Truncate, 1},
                          Plan{platform::FaultPoint::Flush, 1}}) {
        PutFile(path, old_content);
        DatStream stream;
        ASSERT_TRUE(stream.Open(path, 2));
        ASSERT_TRUE(stream.WriteBytes(new_content.data(), new_content.size()));
        {
            platform::FaultPlan plan;
            plan.fail_at[static_cast<int>(p.point)] = p.nth;
            platform::ScopedFaultPlan scoped(plan);
            EXPECT_FALSE(stream.Commit()) << static_cast<int>(p.point) << "/" << p.nth;
        }
        EXPECT_FALSE(stream.RestoreFailed());
        EXPECT_FALSE(stream.LastError().empty());
        stream.Close();
        EXPECT_EQ(FileBytes(path), old_content) << static_cast<int>(p.point) << "/" << p.nth;
    }

    // When the restore fails too, the stream says so.
    PutFile(path, old_content);
    DatStream stream;
    ASSERT_TRUE(stream.Open(path, 2));
    ASSERT_TRUE(stream.WriteBytes(new_content.data(), new_content.size()));
    platform::FaultPlan plan;
    plan.fail_at[static_cast<int>(platform::FaultPoint::Write)] = 2;
    plan.fail_from_then_on = true;
    platform::ScopedFaultPlan scoped(plan);
    EXPECT_FALSE(stream.Commit());
    EXPECT_TRUE(stream.RestoreFailed());
}

}  // namespace
}  // namespace tarvenne
