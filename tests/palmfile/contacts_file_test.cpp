// Contacts files of both layouts against files assembled byte by byte: every encoding a
// reader accepts loads to the records it holds and saves in the one normal form; every cut
// and damage is refused with nothing changed; saves that fail part way leave the file and
// a good backup; what each layout keeps of its own items.
#include "palmfile/classic_address_file.h"
#include "palmfile/palmsg_address_file.h"

#include "platform/fault_injection.h"
#include "platform/module_folder.h"
#include "platform/private_profile.h"
#include "tests/contacts_file_builder.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace tarvenne {
namespace {

using namespace testing;

std::unique_ptr<AddressFile> Make(Layout layout) {
    if (layout == Layout::kClassic) return std::make_unique<ClassicAddressFile>();
    return std::make_unique<PalmSgAddressFile>();
}

// Random records with the texts that are hard to carry: empty, 254, 255 and 300 bytes,
// NULs, bytes above 127; random blobs and eight-byte values.
std::vector<Row> RandomRows(Layout layout, int count, unsigned seed) {
    std::mt19937 random(seed);
    const char* kinds = Kinds(layout);
    std::vector<Row> rows;
    for (int n = 0; n < count; ++n) {
        Row r(layout);
        for (int p = 0; p < FieldsOf(layout); ++p) {
            const std::size_t lengths[] = {0, 1, 7, 31, 254, 255, 300};
            std::string text(lengths[random() % 7], '\0');
            for (char& c : text) c = static_cast<char>(random() % 256);
            if (kinds[p] == 'T' || kinds[p] == 'O') r.Set(p, text);
            if (kinds[p] != 'T') r.Set(p, kinds[p] == 'L' ? (std::uint64_t{random()} << 32 | random()) : random());
        }
        rows.push_back(r);
    }
    return rows;
}

// The records of the file are the rows, position by position.
void ExpectRecords(AddressFile& file, Layout layout, const std::vector<Row>& rows, int fields, bool swap) {
    ASSERT_EQ(file.Records().Count(), rows.size());
    const RecordLayout& l = file.Layout();
    for (std::size_t n = 0; n < rows.size(); ++n) {
        const PalmRecord& r = *file.Records().At(static_cast<std::uint32_t>(n));
        for (int p = 0; p < FieldsOf(layout); ++p) {
            const int slot = l.SlotOf(p, swap);
            const bool present = p < fields;
            const std::uint64_t number = present ? rows[n].number[p] : 0;
            const std::string text = present ? rows[n].text[p] : "";
            switch (Kinds(layout)[p]) {
                case 'T': EXPECT_EQ(r.Text(slot), text) << n << "/" << p; break;
                case 'L': EXPECT_EQ(r.Long(slot), number) << n << "/" << p; break;
                case 'O':
                    EXPECT_EQ(r.Blob(slot).w0, static_cast<std::uint32_t>(number)) << n << "/" << p;
                    EXPECT_EQ(r.Blob(slot).data, text) << n << "/" << p;
                    break;
                default: EXPECT_EQ(r.Integer(slot), static_cast<std::int32_t>(number)) << n << "/" << p;
            }
        }
    }
}

class ContactsFileTest : public ::testing::TestWithParam<Layout> {
protected:
    Layout layout() const { return GetParam(); }
    std::string Path(const std::string& name = "address.dat") const { return folder_.File(name); }
    SettingsFolder folder_;
};

TEST_P(ContactsFileTest, EveryEncodingLoadsItsRecordsAndSavesInTheNormalForm) {
    FileOptions base;
    base.categories = {{2, 17, "Business", "Business"}, {5, 30, "Q.List", "Q_List"}};
    base.stored_name = Path();
    const std::pair<const char*, void (*)(FileOptions&)> variants[] = {
        {"normal", [](FileOptions&) {}},
        {"integer tag 3", [](FileOptions& o) { o.integer_tag = 3; }},
        {"integer tag 6", [](FileOptions& o) { o.integer_tag = 6; }},
        {"boolean tag 1", [](FileOptions& o) { o.boolean_tag = 1; }},
        {"text marker 7", [](FileOptions& o) { o.marker = 7; }},
        {"long-form texts", [](FileOptions& o) { o.long_form = true; }},
        {"eight-byte tag 0", [](FileOptions& o) { o.long_tag = 0; }},
        {"20 fields per record", [](FileOptions& o) { o.fields_per_record = 20; }},
        {"entry count with a remainder", [](FileOptions& o) { o.entry_count = 3 * FieldsOf(Layout::kClassic) + 5; }},
        {"bytes after the records", [](FileOptions& o) { o.trailing = {1, 2, 3, 0, 255}; }},
        {"old next record id", [](FileOptions& o) { o.next_id_bytes = 0x1234; }},
    };
    std::vector<Row> rows = RandomRows(layout(), 3, 7);
    // Record numbers below the stored next record id, so that a save keeps it (the numbers
    // that move it are the numbering test's).
    for (int n = 0; n < 3 && layout() == Layout::kPalmSg; ++n) rows[n].Set(1, 0x1000 + n);
    for (const auto& [name, apply] : variants) {
        for (bool swap : {false, true}) {
            SCOPED_TRACE(std::string(name) + (swap ? ", names swapped" : ""));
            FileOptions given = base;
            apply(given);
            if (layout() == Layout::kPalmSg && given.entry_count >= 0) given.entry_count = 3 * 73 + 5;
            platform::WriteFileBytes(Path(), BuildFile(layout(), rows, given));
            std::unique_ptr<AddressFile> file = Make(layout());
            file->SetSwapNames(swap);
            ASSERT_TRUE(file->Load(Path())) << file->LastError();
            const int fields = given.fields_per_record >= 0 ? given.fields_per_record : FieldsOf(layout());
            ExpectRecords(*file, layout(), rows, fields, swap);
            ASSERT_TRUE(file->Save()) << file->LastError();
            FileOptions normal = base;  // the encodings a save writes, with what the file holds
            normal.next_id_bytes = given.next_id_bytes;
            normal.fields_per_record = given.fields_per_record;
            normal.trailing = given.trailing;
            EXPECT_EQ(FileBytes(Path()), BuildFile(layout(), rows, normal));
        }
    }
}

TEST_P(ContactsFileTest, CutAndDamagedFilesAreRefusedAndKeepTheRecordsBeforeTheDamage) {
    const std::vector<Row> rows = RandomRows(layout(), 2, 11);
    const std::vector<std::uint8_t> whole = BuildFile(layout(), rows);
    // Every prefix is refused; on disk a few of them, which must stay as they were.
    for (std::size_t n = 0; n < whole.size(); ++n) {
        std::unique_ptr<AddressFile> file = Make(layout());
        ASSERT_FALSE(file->LoadBytes({whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)})) << n;
        ASSERT_FALSE(file->LastError().empty());
        if (n % 97 != 0) continue;
        const std::vector<std::uint8_t> prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
        platform::WriteFileBytes(Path(), prefix);
        EXPECT_FALSE(file->Load(Path()));
        EXPECT_FALSE(file->Save());
        EXPECT_EQ(FileBytes(Path()), prefix);
    }

    // A wrong tag in the second record (an empty one: its fields are 8 bytes, texts 9):
    // the first record stays readable, and nothing can be saved.
    const std::size_t second = BuildFile(layout(), {rows[0]}).size();
    const std::size_t first_text = layout() == Layout::kClassic ? 3 * 8 : 11 * 8;
    for (const auto& [at, expected] : {std::make_pair(second, std::string("a number")),
                                       std::make_pair(second + first_text, std::string("a text"))}) {
        std::vector<std::uint8_t> damaged = BuildFile(layout(), {rows[0], Row(layout())});
        damaged[at] = 9;
        platform::WriteFileBytes(Path(), damaged);
        std::unique_ptr<AddressFile> file = Make(layout());
        EXPECT_FALSE(file->Load(Path()));
        EXPECT_TRUE(Contains(file->LastError(), "record 2 of 2: a field tagged 9 where " + expected));
        ASSERT_EQ(file->Records().Count(), 1u);
        EXPECT_EQ(file->Records().At(0)->Text(file->Layout().note), rows[0].text[file->Layout().note]);
        EXPECT_FALSE(file->SaveAs(Path()));
        EXPECT_EQ(FileBytes(Path()), damaged);
    }

    // The layouts the readers do not handle, and the other layout.
    for (int fields : {0, FieldsOf(layout()) + 1}) {
        FileOptions o;
        o.fields_per_record = fields;
        EXPECT_FALSE(Make(layout())->LoadBytes(BuildFile(layout(), {}, o))) << fields;
    }
    const Layout other = layout() == Layout::kClassic ? Layout::kPalmSg : Layout::kClassic;
    std::unique_ptr<AddressFile> reader = Make(layout());
    EXPECT_FALSE(reader->LoadBytes(BuildFile(other, RandomRows(other, 1, 5))));
    EXPECT_TRUE(Contains(reader->LastError(), "not a"));
}

TEST_P(ContactsFileTest, FailedSavesLeaveTheFileAndAGoodBackup) {
    Row big(layout());
    big.Set(layout() == Layout::kClassic ? 22 : 18, std::string(20000, 'n'));  // the note
    FileOptions named;
    named.stored_name = Path();
    const std::vector<std::uint8_t> before = BuildFile(layout(), {big}, named), old_backup = {'o', 'l', 'd'};
    using P = platform::FaultPoint;
    const struct { P point; int at; bool from_then_on, backup_made; } faults[] = {
        {P::Open, 1, false, false}, {P::Read, 1, false, false}, {P::Copy, 1, false, false},
        {P::Write, 1, false, true}, {P::Write, 3, false, true}, {P::Truncate, 1, false, true},
        {P::Flush, 1, false, true}, {P::Write, 2, true, true}};
    // (A file another program wrote since the load is the conversion job's test.)
    for (const auto& f : faults) {
        SCOPED_TRACE(std::to_string(static_cast<int>(f.point)) + "@" + std::to_string(f.at));
        platform::WriteFileBytes(Path(), before);
        platform::WriteFileBytes(Path() + ".xbk", old_backup);
        std::unique_ptr<AddressFile> file = Make(layout());
        ASSERT_TRUE(file->Load(Path()));
        ASSERT_TRUE(file->Records().AppendNew());
        platform::FaultPlan plan;
        plan.fail_at[static_cast<int>(f.point)] = f.at;
        plan.fail_from_then_on = f.from_then_on;
        {
            platform::ScopedFaultPlan faults(plan);
            EXPECT_FALSE(file->Save());
        }
        EXPECT_FALSE(file->LastError().empty());
        EXPECT_EQ(file->LastSaveFailure(), SaveFailure::kNotWritten);
        EXPECT_EQ(FileBytes(Path() + ".xbk"), f.backup_made ? before : old_backup);
        // Failing every write from then on fails the restore too: then the backup holds it.
        if (!f.from_then_on) { EXPECT_EQ(FileBytes(Path()), before); }
        EXPECT_EQ(file->RestoreFailed(), f.from_then_on);
        EXPECT_FALSE(platform::PathExists(Path() + ".xbk.tmp~"));
    }
}

TEST_P(ContactsFileTest, NothingIsWrittenWithoutACompleteLoadOrWhereNoFileIsUsable) {
    const std::vector<std::uint8_t> bytes = BuildFile(layout(), RandomRows(layout(), 1, 3));
    platform::WriteFileBytes(Path(), bytes);
    EXPECT_FALSE(Make(layout())->SaveAs(Path())) << "never loaded";
    std::unique_ptr<AddressFile> file = Make(layout());
    ASSERT_TRUE(file->Load(Path()));
    platform::WriteFileBytes(Path("other.dat"), {1, 2, 3});
    EXPECT_FALSE(file->Load(Path("other.dat")));
    EXPECT_FALSE(file->Save());
    EXPECT_FALSE(file->SaveAs(Path()));
    EXPECT_EQ(FileBytes(Path()), bytes);
    EXPECT_EQ(FileBytes(Path("other.dat")), (std::vector<std::uint8_t>{1, 2, 3}));

    ASSERT_TRUE(file->Load(Path()));
    const std::string long_path = folder_.File(std::string(260, 'p'));
    for (const std::string& unusable : {Path("missing.dat"), folder_.File(""), long_path})
        EXPECT_FALSE(file->SaveAs(unusable)) << unusable;
    EXPECT_FALSE(platform::PathExists(Path("missing.dat")));
    EXPECT_FALSE(platform::PathExists(Path("missing.dat.xbk")));
    {
        platform::ExclusiveFile holder;
        ASSERT_TRUE(holder.Open(Path(), platform::OpenMode::Read));
        EXPECT_FALSE(file->Save()) << "a file another program holds";
        EXPECT_FALSE(Make(layout())->Load(Path()));
    }
    EXPECT_EQ(FileBytes(Path()), bytes);

    // Larger than any address book: refused at the open, before it is read.
    std::filesystem::resize_file(Path(), (std::uintmax_t{256} << 20) + 1);
    EXPECT_FALSE(file->Load(Path()));
    EXPECT_TRUE(Contains(file->LastError(), "256 MiB"));
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, ContactsFileTest, ::testing::Values(Layout::kClassic, Layout::kPalmSg), kLayoutName);

TEST(ClassicFileTest, TheHeaderKeepsFourLinesAndSwappedNamesTradePlaces) {
    SettingsFolder folder;
    FileOptions o;
    o.header = "one\ntwo\r\nthree\nfour\nfive\nsix";
    Row row(Layout::kClassic);
    row.Set(3, "Last").Set(4, "First");
    for (bool swap : {false, true}) {  // a new file takes the setting; none written is no swap
        if (swap) {
            ASSERT_TRUE(platform::WriteIniString("ZerazarIvuvez", "SwapName", "1", platform::SettingsFilePath()));
        }
        ClassicAddressFile file;
        EXPECT_EQ(file.SwapNames(), swap);
        ASSERT_TRUE(file.LoadBytes(BuildFile(Layout::kClassic, {row}, o)));
        EXPECT_EQ(file.HeaderText(), "one\ntwo\r\nthree\nfour\n");
        EXPECT_EQ(file.Records().At(0)->Text(ClassicLayout().first_name), std::string(swap ? "Last" : "First"));
    }
}

TEST(PalmSgFileTest, OwnItemsAreCarriedAndTheNextRecordIdFollowsTheRecords) {
    FileOptions o;
    o.stored_name = "D:\\old\\address.dat";
    PalmSgAddressFile file;
    ASSERT_TRUE(file.LoadBytes(BuildFile(Layout::kPalmSg, {Row(Layout::kPalmSg)}, o)));
    EXPECT_EQ(file.StoredFileName(), o.stored_name);
    EXPECT_EQ(file.CustomLabel(0), "Birthday club");
    std::vector<Row> rows(1, Row(Layout::kPalmSg));
    for (std::uint32_t n = 1; n <= 300; ++n) {
        PalmRecord* added = file.Records().AppendNew();
        ASSERT_NE(added, nullptr);
        added->SetInteger(palmsg_field::kRecordNumber, static_cast<std::int32_t>(0x1000 + n));
        rows.push_back(Row(Layout::kPalmSg).Set(palmsg_field::kRecordNumber, 0x1000 + n));
    }
    std::vector<std::uint8_t> saved;
    ASSERT_TRUE(file.BuildContent("E:\\new.dat", &saved));
    o.stored_name = "E:\\new.dat";
    o.next_id_bytes = 0x1000 + 301;
    EXPECT_EQ(saved, BuildFile(Layout::kPalmSg, rows, o));

    // Any first five bytes; but the signature text, the version tag and the labels must hold.
    for (const auto& [at, loads] : {std::pair{0, true}, {6, false}, {25, false}}) {
        std::vector<std::uint8_t> bytes = BuildFile(Layout::kPalmSg, {});
        bytes[at] ^= 1;
        EXPECT_EQ(PalmSgAddressFile().LoadBytes(bytes), loads) << at;
    }
    o.stored_name = std::string(256, 'x');
    EXPECT_FALSE(PalmSgAddressFile().LoadBytes(BuildFile(Layout::kPalmSg, {}, o)));
}

}  // namespace
}  // namespace tarvenne
