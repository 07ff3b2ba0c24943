// The stream's opens and writers, and the one reader: counted strings and typed fields in
// both directions, reads that never run past the bytes and stay failed.
#include "palmfile/dat_stream.h"

#include "tests/byte_builder.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

namespace tarvenne {
namespace {

using testing::ByteBuilder;
using testing::TestFolder;

TEST(DatStreamTest, OpenModesAreExclusiveAndNeverCreateUnlessAsked) {
    TestFolder folder;
    const std::string path = folder.File("a.dat");
    DatStream stream;
    for (int mode = 0; mode <= 2; ++mode) EXPECT_FALSE(stream.Open(path, mode)) << mode;
    EXPECT_FALSE(platform::PathExists(path));
    ASSERT_TRUE(stream.Open(path, 3));
    DatStream second;
    for (int mode = 0; mode <= 3; ++mode) EXPECT_FALSE(second.Open(path, mode)) << "held, mode " << mode;
    EXPECT_FALSE(stream.Open("", 0));
    EXPECT_TRUE(stream.IsOpen()) << "an empty path leaves the open file open";
    EXPECT_FALSE(stream.Open(path, 4));
    EXPECT_FALSE(stream.IsOpen()) << "a bad mode closes first";
    EXPECT_EQ(stream.Path(), path);
    EXPECT_TRUE(second.Open(path, 0));
}

TEST(DatStreamTest, CountedStringsAndFieldsAsWrittenAndRead) {
    struct Case {
        std::size_t length;
        std::vector<std::uint8_t> prefix;
    };
    for (const Case& c : {Case{0, {0x00}}, Case{254, {0xFE}}, Case{255, {0xFF, 0xFF, 0x00}},
                          Case{300, {0xFF, 0x2C, 0x01}}, Case{65535, {0xFF, 0xFF, 0xFF}}}) {
        DatStream out;
        const std::string text(c.length, 'x');
        ASSERT_TRUE(out.WriteCString(text));
        std::vector<std::uint8_t> bytes = out.TakePendingWrites();
        ASSERT_EQ(bytes.size(), c.prefix.size() + c.length);
        EXPECT_TRUE(std::equal(c.prefix.begin(), c.prefix.end(), bytes.begin())) << c.length;
        DatReader in(bytes.data(), bytes.size());
        std::string_view read;
        ASSERT_TRUE(in.ReadCountedText(&read));
        EXPECT_EQ(read, text);
        EXPECT_EQ(in.Left(), 0u);
    }
    DatStream out;
    EXPECT_FALSE(out.WriteCStringField(std::string(65536, 'x'), 1));
    EXPECT_TRUE(out.TakePendingWrites().empty()) << "a text too long writes nothing";

    ASSERT_TRUE(out.WriteIntegerField(-2) && out.WriteBooleanField(1) && out.WriteCStringField("ab", 1) &&
                out.WriteLongField(0x0102030405060708ull));
    EXPECT_EQ(out.TakePendingWrites(), ByteBuilder().IntField(-2).IntField(1, 6).TextField("ab")
                                           .LongField(0x0102030405060708ull).Bytes());

    // Integers take tags 1, 3 and 6; texts tag 5 with any marker; the long field any tag.
    const auto bytes = ByteBuilder().IntField(7, 3).IntField(8, 6).TextField("t", 99).LongField(9, 0).Bytes();
    DatReader in(bytes.data(), bytes.size());
    std::int32_t a = 0, b = 0;
    std::string_view t;
    std::uint64_t l = 0;
    ASSERT_TRUE(in.ReadIntegerField(&a) && in.ReadIntegerField(&b) && in.ReadTextField(&t) && in.ReadLongField(&l));
    EXPECT_EQ(a + b, 15);
    EXPECT_EQ(t, "t");
    EXPECT_EQ(l, 9u);
}

TEST(DatStreamTest, TheReaderStopsAtTheEndAndAtAWrongTagAndStaysStopped) {
    const auto bytes = ByteBuilder().IntField(5, 5).Int32(1).Bytes();
    DatReader wrong_tag(bytes.data(), bytes.size());
    std::int32_t v = 0;
    EXPECT_FALSE(wrong_tag.ReadIntegerField(&v));
    EXPECT_EQ(wrong_tag.Error(), "a field tagged 5 where a number was expected at byte offset 0");
    EXPECT_FALSE(wrong_tag.ReadInt32(&v)) << "failure is sticky";
    EXPECT_EQ(wrong_tag.Left(), 0u);

    const auto cut = ByteBuilder().Int32(5).Int32(1).Byte(10).Raw("abc").Bytes();
    DatReader short_text(cut.data(), cut.size());
    std::string_view text;
    EXPECT_FALSE(short_text.ReadTextField(&text));
    EXPECT_EQ(short_text.Error(), "the file ends at byte offset 12 where 10 bytes were expected at byte offset 9");

    const auto long_name = ByteBuilder().CString(std::string(40, 'n')).Bytes();
    DatReader capped(long_name.data(), long_name.size());
    std::string name;
    EXPECT_FALSE(capped.ReadCString(&name, 31, "a label"));
    EXPECT_EQ(capped.Error(), "a label of 40 characters, where at most 31 are read at byte offset 0");
}

}  // namespace
}  // namespace tarvenne
