// The stream's opens and the length forms of counted strings at their edges; the reader's
// messages say where a file stops making sense. Whole files round-trip in the contacts-file
// tests.
#include "palmfile/dat_stream.h"

#include "tests/byte_builder.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

namespace tarvenne {
namespace {

using testing::ByteBuilder;

TEST(DatStreamTest, OpensAreExclusiveAndNeverCreateUnlessAsked) {
    testing::TestFolder folder;
    const std::string path = folder.File("a.dat");
    DatStream stream, second;
    for (int mode = 0; mode <= 2; ++mode) EXPECT_FALSE(stream.Open(path, mode)) << mode;
    EXPECT_FALSE(platform::PathExists(path));
    ASSERT_TRUE(stream.Open(path, 3));
    for (int mode = 0; mode <= 3; ++mode) EXPECT_FALSE(second.Open(path, mode)) << "held, mode " << mode;
    EXPECT_FALSE(stream.Open(path, 4));
    EXPECT_TRUE(second.Open(path, 0)) << "a bad mode closes first";
}

TEST(DatStreamTest, CountedStringsTakeTheLongFormFrom255AndStopAt65535) {
    for (const auto& [length, prefix] : {std::pair<std::size_t, std::string>{254, "\xFE"},
                                         {255, std::string("\xFF\xFF\0", 3)}, {65535, "\xFF\xFF\xFF"}}) {
        DatStream out;
        ASSERT_TRUE(out.WriteCString(std::string(length, 'x')));
        const std::vector<std::uint8_t> bytes = out.TakePendingWrites();
        EXPECT_EQ(bytes, testing::Bytes(prefix + std::string(length, 'x'))) << length;
        DatReader in(bytes.data(), bytes.size());
        std::string_view read;
        EXPECT_TRUE(in.ReadCountedText(&read) && read.size() == length && in.Left() == 0) << length;
    }
    DatStream out;
    EXPECT_FALSE(out.WriteCStringField(std::string(65536, 'x'), 1));
    EXPECT_TRUE(out.TakePendingWrites().empty()) << "a text too long writes nothing";
}

TEST(DatStreamTest, TheReaderSaysWhereItStoppedAndStaysStopped) {
    const auto wrong = ByteBuilder().Int32(5).Int32(5).Int32(1).Bytes();
    DatReader wrong_tag(wrong.data(), wrong.size());
    std::int32_t v = 0;
    EXPECT_FALSE(wrong_tag.ReadIntegerField(&v));
    EXPECT_EQ(wrong_tag.Error(), "a field tagged 5 where a number was expected at byte offset 0");
    EXPECT_FALSE(wrong_tag.ReadInt32(&v)) << "failure is sticky";

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
