// The category entries and table, and the block both layouts share: what a read keeps,
// what it refuses, and the block a table writes back.
#include "palmfile/category_table.h"

#include "palmfile/dat_stream.h"
#include "tests/contacts_file_builder.h"

#include <gtest/gtest.h>

namespace tarvenne {
namespace {

using testing::ByteBuilder;
using testing::Category;

std::vector<std::uint8_t> Block(const std::vector<Category>& entries, std::uint32_t count_high = 0) {
    ByteBuilder b;
    b.Int32(131).Int32(static_cast<std::uint32_t>(entries.size()) | count_high << 16);
    for (const Category& e : entries) b.Int32(e.slot).Int32(e.id).Int32(1).CString(e.name).CString(e.safe_name);
    return b.Bytes();
}

std::unique_ptr<CategoryTable> Read(const std::vector<std::uint8_t>& bytes, std::string* why = nullptr) {
    DatReader in(bytes.data(), bytes.size());
    std::unique_ptr<CategoryTable> table;
    const bool ok = ReadCategoryBlock(in, &table);
    if (why) *why = in.Error();
    return ok ? std::move(table) : nullptr;
}

std::vector<std::uint8_t> Written(const CategoryTable* table) {
    DatStream out;
    EXPECT_TRUE(WriteCategoryBlock(out, table));
    return out.TakePendingWrites();
}

TEST(CategoryTableTest, EntriesAndTheTableKeepTheirLimits) {
    CategoryEntry e;
    EXPECT_EQ(e.GetIndex(), -1);
    e.SetName("A name of twenty chars");
    EXPECT_EQ(e.Name(), "A name of twent") << "15 characters are kept";
    char buffer[8] = "zzzzzzz";
    std::size_t size = sizeof buffer;
    EXPECT_FALSE(e.CopyName(buffer, &size)) << "longer than the buffer";
    EXPECT_EQ(buffer[0], 0) << "the buffer is cleared first";
    EXPECT_EQ(SafeCategoryName("a\"*+,./:;<=>?[\\]^|b"), "a_________________b");

    CategoryTable table;
    CategoryEntry unplaced;
    unplaced.SetId(7);
    unplaced.SetName("Work");
    ASSERT_TRUE(table.Add(&unplaced));
    const CategoryEntry* placed = table.FindById(7);
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->GetIndex(), 1) << "slot 0 stays for Unfiled";
    EXPECT_TRUE(placed->GetFlags() & CategoryEntry::kDirtyBit);
    EXPECT_EQ(table.FindByName("wORK"), placed);
    EXPECT_EQ(table.GetByIndex(0x10001), placed) << "only the low 16 bits of an index count";
    for (const auto& [slot, id] : {std::pair{-1, -1}, {-1, 7}, {1, 8}}) {  // no id, an id taken, a slot taken
        CategoryEntry bad;
        bad.SetIndex(slot);
        bad.SetId(id);
        EXPECT_FALSE(table.Add(&bad)) << slot << " " << id;
    }
    EXPECT_EQ(table.Count(), 1);
}

TEST(CategoryTableTest, BlocksReadTheirEntriesAndWriteThemBack) {
    const auto empty = Read(ByteBuilder().Int32(128).Int32(0).Bytes());
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->GetByIndex(0)->Name(), "Unfiled");
    EXPECT_EQ(Written(empty.get()), (std::vector<std::uint8_t>{0x80, 0, 0, 0, 0, 0, 0, 0}));

    // The safe name is made from the name; an empty name keeps the one stored; a count word
    // with high bits set is its low 16 bits.
    const auto table = Read(Block({{3, 20, "Cl.ients/EU", "whatever"}, {1, 9, "", "Kept.safe"},
                                   {2, 11, "Twenty characters!!", "x"}},
                                  0xABCD));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->Count(), 4);
    EXPECT_EQ(table->FindById(20)->SafeName(), "Cl_ients_EU");
    EXPECT_EQ(table->FindById(9)->SafeName(), "Kept.safe");
    EXPECT_EQ(table->FindById(11)->Name(), "Twenty characte");
    EXPECT_EQ(Written(table.get()),
              ByteBuilder().Int32(131).Int32(3).Int32(1).Int32(9).Int32(0).CString("").CString("Kept.safe")
                  .Int32(2).Int32(11).Int32(0).CString("Twenty characte").CString("Twenty characte")
                  .Int32(3).Int32(20).Int32(0).CString("Cl.ients/EU").CString("Cl_ients_EU").Bytes())
        << "slot order, dirty written as 0";
}

TEST(CategoryTableTest, DamagedBlocksAreRefusedWithAReason) {
    const std::vector<std::pair<std::vector<Category>, std::string>> damaged = {
        {{{1, 0, "Zero", ""}}, "a category with id 0, which is not free"},
        {{{1, 5, "A", ""}, {2, 5, "B", ""}}, "a category with id 5, which is not free"},
        {{{0, 5, "A", ""}}, "a category in slot 0"},
        {{{16, 5, "A", ""}}, "a category in slot 16"},
        {{{2, 5, "A", ""}, {2, 6, "B", ""}}, "a second category in slot 2"},
        {{{1, 5, std::string(256, 'n'), ""}}, "a category name longer than 255 characters"},
        {std::vector<Category>(16, Category{1, 5, "A", ""}), "a category count of 16"},
    };
    for (const auto& [entries, reason] : damaged) {
        std::string why;
        EXPECT_EQ(Read(Block(entries), &why), nullptr) << reason;
        EXPECT_EQ(why.substr(0, reason.size()), reason);
    }
    auto cut = Block({{1, 5, "Name", "Name"}});
    cut.pop_back();
    EXPECT_EQ(Read(cut), nullptr);
}

}  // namespace
}  // namespace tarvenne
