// The category table and the category block: what a block loads into, what it writes
// back, and the damaged blocks that must be refused.
#include "palmfile/category_table.h"

#include "palmfile/dat_stream.h"
#include "platform/file_system.h"
#include "tests/byte_builder.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

namespace tarvenne {
namespace {

using testing::ByteBuilder;
using testing::TestFolder;

// Reads a category block held in a file of its own; *consumed is where reading stopped.
bool ReadBlock(const TestFolder& folder, const std::vector<std::uint8_t>& bytes,
               std::unique_ptr<CategoryTable>* table, std::string* error = nullptr,
               std::size_t* consumed = nullptr) {
    static int serial = 0;
    const std::string path = folder.File("cat" + std::to_string(++serial) + ".dat");
    EXPECT_TRUE(platform::WriteFileBytes(path, bytes));
    DatStream stream;
    EXPECT_TRUE(stream.Open(path, 0));
    const bool ok = ReadCategoryBlock(stream, table);
    if (error) *error = stream.LastError();
    if (consumed) *consumed = stream.ReadOffset();
    return ok;
}

std::vector<std::uint8_t> WriteBlock(const CategoryTable* table) {
    DatStream stream;
    EXPECT_TRUE(WriteCategoryBlock(stream, table));
    return stream.PendingWrites();
}

ByteBuilder& Entry(ByteBuilder& b, std::int32_t slot, std::int32_t id, std::string_view name,
                   std::string_view safe, std::int32_t dirty = 0) {
    return b.Int32(static_cast<std::uint32_t>(slot))
        .Int32(static_cast<std::uint32_t>(id))
        .Int32(static_cast<std::uint32_t>(dirty))
        .CString(name)
        .CString(safe);
}

TEST(CategoryTableTest, EntryOperations) {
    CategoryEntry e;
    EXPECT_EQ(e.GetIndex(), -1);
    EXPECT_EQ(e.GetId(), -1);
    char buffer[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    std::size_t size = sizeof buffer;
    EXPECT_FALSE(e.CopyName(buffer, &size)) << "empty name";
    EXPECT_EQ(buffer[0], 0) << "the buffer is cleared even so";

    e.SetName("Twenty characters!!!");
    EXPECT_EQ(e.Name(), "Twenty characte");
    e.SetName(nullptr);
    EXPECT_EQ(e.Name(), "");
    e.SetName("Family");
    size = 4;
    EXPECT_FALSE(e.CopyName(buffer, &size)) << "longer than the buffer";
    size = sizeof buffer;
    ASSERT_TRUE(e.CopyName(buffer, &size));
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(std::string(buffer, 6), "Family");
    EXPECT_EQ(buffer[6], 0);

    e.SetSafeName(std::string(300, 's').c_str());
    EXPECT_EQ(e.SafeName().size(), 255u);
    e.SetFlags(0x01);
    e.SetDirty(true);
    EXPECT_EQ(e.GetFlags(), 0x11u);
    EXPECT_EQ(e.IsFlagged(), 1u);
    e.SetDirty(false);
    EXPECT_EQ(e.GetFlags(), 0x01u);

    CategoryEntry f = e;
    EXPECT_TRUE(f.Equals(e));
    f.SetName("family");
    EXPECT_FALSE(f.Equals(e)) << "names compare case-sensitively";
}

TEST(CategoryTableTest, SafeNames) {
    EXPECT_EQ(SafeCategoryName("a\"*+,./:;<=>?[\\]^|z"), "a_________________z");
    EXPECT_EQ(SafeCategoryName("Business 2 - x"), "Business 2 - x");
}

TEST(CategoryTableTest, AddPlacesChecksAndRefuses) {
    CategoryTable table;
    CategoryEntry unfiled;
    unfiled.SetIndex(0);
    unfiled.SetId(0);
    unfiled.SetName("Unfiled");
    ASSERT_TRUE(table.Add(&unfiled));
    EXPECT_TRUE(table.Modified());

    CategoryEntry loose;
    loose.SetId(5);
    loose.SetName("a.b/c");
    ASSERT_TRUE(table.Add(&loose));
    const CategoryEntry* placed = table.FindById(5);
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->GetIndex(), 1) << "lowest free slot from 1";
    EXPECT_NE(placed->GetFlags() & CategoryEntry::kDirtyBit, 0u);
    EXPECT_EQ(placed->SafeName(), "a_b_c");

    CategoryEntry no_id;
    no_id.SetName("x");
    EXPECT_FALSE(table.Add(&no_id));
    CategoryEntry same_id;
    same_id.SetId(5);
    EXPECT_FALSE(table.Add(&same_id));
    CategoryEntry taken;
    taken.SetIndex(1);
    taken.SetId(6);
    EXPECT_FALSE(table.Add(&taken)) << "a slot already taken";
    CategoryEntry outside;
    outside.SetIndex(16);
    outside.SetId(7);
    EXPECT_FALSE(table.Add(&outside));
    outside.SetIndex(-2);
    EXPECT_FALSE(table.Add(&outside));
    EXPECT_FALSE(table.Add(nullptr));
    EXPECT_EQ(table.Count(), 2);

    for (int id = 10; id < 24; ++id) {
        CategoryEntry more;
        more.SetId(id);
        ASSERT_TRUE(table.Add(&more)) << id;
    }
    EXPECT_EQ(table.Count(), 16);
    CategoryEntry seventeenth;
    seventeenth.SetId(99);
    EXPECT_FALSE(table.Add(&seventeenth));

    // Iteration visits the slots in order.
    int visited = 0;
    std::int32_t last_index = -1;
    for (const CategoryEntry* e = table.First(); e; e = table.Next()) {
        EXPECT_GT(e->GetIndex(), last_index);
        last_index = e->GetIndex();
        ++visited;
    }
    EXPECT_EQ(visited, 16);
    EXPECT_EQ(table.GetByIndex(0x10000), table.GetByIndex(0)) << "low 16 bits of the index";
    EXPECT_EQ(table.GetByIndex(16), nullptr);
}

TEST(CategoryTableTest, EmptyBlockLoadsUnfiledAndWritesEightBytes) {
    TestFolder folder;
    std::unique_ptr<CategoryTable> table;
    const auto bytes = ByteBuilder().Int32(128).Int32(0).Bytes();
    ASSERT_TRUE(ReadBlock(folder, bytes, &table));
    ASSERT_EQ(table->Count(), 1);
    const CategoryEntry* unfiled = table->GetByIndex(0);
    ASSERT_NE(unfiled, nullptr);
    EXPECT_EQ(unfiled->GetId(), 0);
    EXPECT_EQ(unfiled->Name(), "Unfiled");
    EXPECT_EQ(unfiled->SafeName(), "Unfiled");
    EXPECT_FALSE(table->Modified());
    EXPECT_EQ(table->FindByName("unfiled"), unfiled);
    EXPECT_EQ(table->FindByName(""), nullptr);
    EXPECT_EQ(table->FindById(42), nullptr);
    const CategoryNames names(table.get());
    std::string name = "keep";
    EXPECT_FALSE(names.Find(42, &name));
    EXPECT_EQ(name, "keep");
    ASSERT_TRUE(names.Find(0, &name));
    EXPECT_EQ(name, "Unfiled");
    EXPECT_EQ(WriteBlock(table.get()), bytes);
    EXPECT_EQ(WriteBlock(nullptr), bytes) << "no table writes the empty block";
    table.reset();
    name.clear();
    ASSERT_TRUE(names.Find(0, &name)) << "the names are copies that outlive the table";
    EXPECT_EQ(name, "Unfiled");
}

TEST(CategoryTableTest, BlockRoundTripAndNameRules) {
    TestFolder folder;
    ByteBuilder b;
    b.Int32(131).Int32(3);
    Entry(b, 3, 130, "Q.R/S", "whatever the file said", 1);
    Entry(b, 1, 128, "Business", "Business");
    Entry(b, 2, 129, "Twenty characters!!!", "x");
    std::unique_ptr<CategoryTable> table;
    std::string error;
    ASSERT_TRUE(ReadBlock(folder, b.Bytes(), &table, &error)) << error;
    EXPECT_EQ(table->Count(), 4);
    EXPECT_EQ(table->NextFreeId(), 131);
    const CategoryEntry* odd = table->FindById(130);
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->GetIndex(), 3);
    EXPECT_EQ(odd->SafeName(), "Q_R_S");
    EXPECT_NE(odd->GetFlags() & CategoryEntry::kDirtyBit, 0u);
    EXPECT_EQ(table->FindById(129)->Name(), "Twenty characte");

    // Written in slot order, count without "Unfiled", dirty as 0, the safe names made anew.
    ByteBuilder expected;
    expected.Int32(131).Int32(3);
    Entry(expected, 1, 128, "Business", "Business");
    Entry(expected, 2, 129, "Twenty characte", "Twenty characte");
    Entry(expected, 3, 130, "Q.R/S", "Q_R_S");
    EXPECT_EQ(WriteBlock(table.get()), expected.Bytes());

    // A block in the written form reads back to the same bytes.
    std::unique_ptr<CategoryTable> again;
    ASSERT_TRUE(ReadBlock(folder, expected.Bytes(), &again));
    EXPECT_EQ(WriteBlock(again.get()), expected.Bytes());
}

TEST(CategoryTableTest, DamagedBlocksAreRefused) {
    TestFolder folder;
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases;
    auto one = [](std::int32_t slot, std::int32_t id) {
        ByteBuilder b;
        b.Int32(128).Int32(1);
        Entry(b, slot, id, "Name", "Name");
        return b.Bytes();
    };
    cases.push_back({"slot 0", one(0, 5)});
    cases.push_back({"slot -1", one(-1, 5)});
    cases.push_back({"slot 16", one(16, 5)});
    cases.push_back({"id 0", one(3, 0)});
    cases.push_back({"id -1", one(3, -1)});
    {
        ByteBuilder b;
        b.Int32(128).Int32(2);
        Entry(b, 1, 5, "A", "A");
        Entry(b, 2, 5, "B", "B");
        cases.push_back({"duplicate id", b.Bytes()});
    }
    {
        ByteBuilder b;
        b.Int32(128).Int32(2);
        Entry(b, 4, 5, "A", "A");
        Entry(b, 4, 6, "B", "B");
        cases.push_back({"slot taken", b.Bytes()});
    }
    {
        ByteBuilder b;
        b.Int32(128).Int32(16);
        for (int i = 0; i < 16; ++i) Entry(b, 1 + i % 15, 200 + i, "C", "C");
        cases.push_back({"sixteen entries", b.Bytes()});
    }
    cases.push_back({"huge count", ByteBuilder().Int32(128).Int32(0x7FFFFFFF).Bytes()});
    cases.push_back({"count past the end", ByteBuilder().Int32(128).Int32(2).Bytes()});
    {
        ByteBuilder b;
        b.Int32(128).Int32(1).Int32(1).Int32(5).Int32(0).CString(std::string(256, 'L')).CString("");
        cases.push_back({"name of 256", b.Bytes()});
    }
    {
        ByteBuilder b;
        b.Int32(128).Int32(1).Int32(1).Int32(5).Int32(0).Byte(0xFF).Int16(200).Raw("short");
        cases.push_back({"name past the end", b.Bytes()});
    }
    for (const Case& c : cases) {
        std::unique_ptr<CategoryTable> table;
        std::string error;
        EXPECT_FALSE(ReadBlock(folder, c.bytes, &table, &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
    // Every cut of a good block fails.
    ByteBuilder good;
    good.Int32(129).Int32(2);
    Entry(good, 1, 128, "Business", "Business");
    Entry(good, 2, 130, "Personal", "Personal");
    std::unique_ptr<CategoryTable> table;
    ASSERT_TRUE(ReadBlock(folder, good.Bytes(), &table));
    for (std::size_t cut = 1; cut < good.Size(); ++cut) {
        std::vector<std::uint8_t> prefix(good.Bytes().begin(), good.Bytes().begin() + cut);
        EXPECT_FALSE(ReadBlock(folder, prefix, &table)) << cut;
    }
}

}  // namespace
}  // namespace tarvenne
