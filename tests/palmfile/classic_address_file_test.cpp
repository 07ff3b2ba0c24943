// The classic contacts file, against files assembled here byte by byte: what a load keeps,
// byte-exact round trips, truncated and damaged files, and saves that fail part way.
#include "palmfile/classic_address_file.h"

#include "platform/fault_injection.h"
#include "platform/file_system.h"
#include "platform/module_folder.h"
#include "platform/private_profile.h"
#include "tests/byte_builder.h"
#include "tests/palmfile/kept_bytes_save_check.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace tarvenne {
namespace {

using testing::ByteBuilder;
using testing::TestFolder;

// The settings file of the test: no SwapName unless a test writes one.
class ClassicFileTest : public ::testing::Test {
protected:
    void SetUp() override { platform::SetSettingsFileForTesting(folder_.File("tarvenne.ini")); }
    void TearDown() override { platform::SetSettingsFileForTesting(""); }
    TestFolder folder_;
};

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(platform::ReadFileBytes(path, &bytes)) << path;
    return bytes;
}

// Written without the flush of the program's own writes: the truncation test writes
// thousands of files.
void PutFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    ASSERT_TRUE(out.good()) << path;
}

ClassicRecord MakeRecord(int n) {
    ClassicRecord r;
    r.record_id = 1000 + n;
    r.status = static_cast<std::uint32_t>(n % 3 == 0 ? 0x04 : 0);
    r.placement = n;
    r.last_name = "Last" + std::to_string(n);
    r.first_name = "First" + std::to_string(n);
    r.title = "Title";
    r.company = "Company " + std::to_string(n);
    for (int p = 0; p < ClassicRecord::kPhones; ++p) {
        r.phone_label[p] = p + n % 3;
        r.phone[p] = n % 2 ? "+1 555 010" + std::to_string(p) : "";
    }
    r.address = "1 Street";
    r.city = "City";
    r.state = "ST";
    r.zip = "12345";
    r.country = "Country";
    r.note = "note " + std::to_string(n);
    r.is_private = n % 2;
    r.category_id = n % 2 ? 128 : 0;
    for (int c = 0; c < ClassicRecord::kCustoms; ++c) r.custom[c] = "c" + std::to_string(c);
    r.display_phone = n % 5;
    return r;
}

// How a row's fields are encoded: as a save writes them, or in the other ways a reader
// accepts.
struct RowEncoding {
    std::uint32_t int_tag = 1, bool_tag = 6, marker = 1;
    bool long_form_texts = false;  // every text in the FF form, short ones too
};

// One record row as the layout table gives it, independent of the code under test.
void Row(ByteBuilder& b, const ClassicRecord& r, bool swap, int fields = 30,
         const RowEncoding& e = RowEncoding()) {
    auto integer = [&](int pos, std::int32_t v) {
        if (pos < fields) b.IntField(v, e.int_tag);
    };
    auto text = [&](int pos, const std::string& t) {
        if (pos >= fields) return;
        if (!e.long_form_texts) {
            b.TextField(t, e.marker);
            return;
        }
        b.Int32(5).Int32(e.marker).Byte(0xFF).Int16(static_cast<std::uint16_t>(t.size())).Raw(t);
    };
    integer(0, r.record_id);
    integer(1, static_cast<std::int32_t>(r.status));
    integer(2, r.placement);
    text(3, swap ? r.first_name : r.last_name);
    text(4, swap ? r.last_name : r.first_name);
    text(5, r.title);
    text(6, r.company);
    for (int p = 0; p < ClassicRecord::kPhones; ++p) {
        integer(7 + 2 * p, r.phone_label[p]);
        text(8 + 2 * p, r.phone[p]);
    }
    text(17, r.address);
    text(18, r.city);
    text(19, r.state);
    text(20, r.zip);
    text(21, r.country);
    text(22, r.note);
    if (23 < fields) b.IntField(r.is_private, e.bool_tag);
    integer(24, r.category_id);
    for (int c = 0; c < ClassicRecord::kCustoms; ++c) text(25 + c, r.custom[c]);
    integer(29, r.display_phone);
}

struct FileSpec {
    std::string stored_path = "C:\\Palm\\User\\address\\address.dat";
    std::string header = "line 1\nline 2\nline 3\nline 4\n";
    bool categories = true;
    int fields = 30;
    std::vector<ClassicRecord> records;
    bool swap = false;
    std::uint32_t entry_count_override = 0;
};

// The parts of a classic file up to the entry count.
ByteBuilder Head(const FileSpec& s) {
    ByteBuilder b;
    b.Int32(0x41420100).CString(s.stored_path).CString(s.header);
    if (s.categories) {
        b.Int32(131).Int32(2);
        b.Int32(1).Int32(128).Int32(0).CString("Business").CString("Business");
        b.Int32(3).Int32(130).Int32(0).CString("Q.R").CString("Q_R");
    } else {
        b.Int32(128).Int32(0);
    }
    b.Int32(74).Int32(static_cast<std::uint32_t>(s.fields)).Int32(0).Int32(1).Int32(2);
    const std::int16_t tags[30] = {1, 1, 1, 5, 5, 5, 5, 1, 5, 1, 5, 1, 5, 1, 5,
                                   1, 5, 5, 5, 5, 5, 5, 5, 6, 1, 5, 5, 5, 5, 1};
    const int field_count = s.fields < 30 ? s.fields : 30;
    b.Int16(static_cast<std::uint16_t>(field_count));
    for (int i = 0; i < field_count; ++i) b.Int16(static_cast<std::uint16_t>(tags[i]));
    return b;
}

std::vector<std::uint8_t> Build(const FileSpec& s) {
    ByteBuilder b = Head(s);
    b.Int32(s.entry_count_override ? s.entry_count_override
                                   : static_cast<std::uint32_t>(s.records.size() * s.fields));
    for (const ClassicRecord& r : s.records) Row(b, r, s.swap, s.fields);
    return b.Bytes();
}

void ExpectSame(const ClassicRecord& a, const ClassicRecord& b, const std::string& where) {
    SCOPED_TRACE(where);
    EXPECT_EQ(a.record_id, b.record_id);
    EXPECT_EQ(a.status, b.status);
    EXPECT_EQ(a.placement, b.placement);
    EXPECT_EQ(a.last_name, b.last_name);
    EXPECT_EQ(a.first_name, b.first_name);
    EXPECT_EQ(a.title, b.title);
    EXPECT_EQ(a.company, b.company);
    for (int p = 0; p < ClassicRecord::kPhones; ++p) {
        EXPECT_EQ(a.phone_label[p], b.phone_label[p]);
        EXPECT_EQ(a.phone[p], b.phone[p]);
    }
    EXPECT_EQ(a.address, b.address);
    EXPECT_EQ(a.city, b.city);
    EXPECT_EQ(a.state, b.state);
    EXPECT_EQ(a.zip, b.zip);
    EXPECT_EQ(a.country, b.country);
    EXPECT_EQ(a.note, b.note);
    EXPECT_EQ(a.is_private, b.is_private);
    EXPECT_EQ(a.category_id, b.category_id);
    for (int c = 0; c < ClassicRecord::kCustoms; ++c) EXPECT_EQ(a.custom[c], b.custom[c]);
    EXPECT_EQ(a.display_phone, b.display_phone);
}

// A file with everything a round trip must keep: categories, long texts, a record whose
// category is missing, a six-line header.
FileSpec RichFile(const std::string& path) {
    FileSpec s;
    s.stored_path = path;
    s.header = "line 1\nline 2\nline 3\nline 4\nline 5\nline 6\n";
    for (int n = 0; n < 6; ++n) s.records.push_back(MakeRecord(n));
    s.records[1].note = std::string(2100, 'n');
    s.records[1].company = std::string(300, 'c');
    s.records[2].address = std::string(255, 'a');
    s.records[3].category_id = 999;  // not in the table
    s.records[4].category_id = 130;
    s.records[5].custom[3] = std::string(254, 'u');
    return s;
}

TEST_F(ClassicFileTest, LoadKeepsEverythingAndSaveWritesTheSameBytes) {
    for (bool swap : {false, true}) {
        SCOPED_TRACE(swap ? "swapped names" : "names as stored");
        const std::string path = folder_.File(swap ? "swap.dat" : "plain.dat");
        FileSpec layout = RichFile(path);
        layout.swap = swap;
        const auto original = Build(layout);
        PutFile(path, original);

        ClassicAddressFile file;
        file.SetSwapNames(swap);
        ASSERT_TRUE(file.Load(path)) << file.LastError();
        EXPECT_FALSE(file.IsOpen()) << "closed after the load";
        EXPECT_EQ(file.HeaderText(), "line 1\nline 2\nline 3\nline 4\n");
        ASSERT_NE(file.Categories(), nullptr);
        EXPECT_EQ(file.Categories()->Count(), 3);
        ASSERT_EQ(file.Records().Count(), layout.records.size());
        for (std::uint32_t i = 0; i < layout.records.size(); ++i)
            ExpectSame(*file.Records().Get(i), layout.records[i], "record " + std::to_string(i));
        EXPECT_EQ(file.Records().Get(0)->category_name, "Unfiled");
        EXPECT_EQ(file.Records().Get(1)->category_name, "Business");
        EXPECT_EQ(file.Records().Get(3)->category_name, "") << "missing category";
        EXPECT_EQ(file.Records().Get(4)->category_name, "Q.R");
        EXPECT_EQ(file.Records().Get(1)->note.size(), 2100u) << "texts are kept whole";

        ASSERT_TRUE(file.Save()) << file.LastError();
        FileSpec four_lines = layout;
        four_lines.header = "line 1\nline 2\nline 3\nline 4\n";
        EXPECT_EQ(FileBytes(path), Build(four_lines));
        EXPECT_EQ(FileBytes(path + ".xbk"), original) << "the backup holds the old content";

        // Reading and building in memory gives the same bytes, and leaves the path alone.
        ClassicAddressFile in_memory;
        in_memory.SetSwapNames(swap);
        ASSERT_TRUE(in_memory.LoadImage(original)) << in_memory.LastError();
        std::vector<std::uint8_t> built;
        ASSERT_TRUE(in_memory.BuildContent(path, &built));
        EXPECT_EQ(built, Build(four_lines));
        EXPECT_EQ(in_memory.Path(), "");

        // A second round trip changes nothing at all.
        const auto once = FileBytes(path);
        ClassicAddressFile again;
        again.SetSwapNames(swap);
        ASSERT_TRUE(again.Load(path));
        ASSERT_TRUE(again.Save());
        EXPECT_EQ(FileBytes(path), once);
    }
}

// Records nobody asked for are written from the bytes they were read from; that must give
// the same file as writing every record from its fields, whatever the encoding found and
// whether the swap-names option changed between the load and the save.
TEST_F(ClassicFileTest, UntouchedRecordsSaveAsIfEveryOneHadBeenRead) {
    const std::string path = folder_.File("address.dat");
    FileSpec layout = RichFile(path);
    layout.header = "line 1\nline 2\nline 3\nline 4\n";  // what a save keeps of it
    std::vector<std::pair<const char*, RowEncoding>> encodings(6);
    encodings[0].first = "as written";
    encodings[1] = {"integer tag 3", RowEncoding{3, 6, 1, false}};
    encodings[2] = {"integer tag 6", RowEncoding{6, 6, 1, false}};
    encodings[3] = {"boolean tag 1", RowEncoding{1, 1, 1, false}};
    encodings[4] = {"text marker 0", RowEncoding{1, 6, 0, false}};
    encodings[5] = {"short texts in the long form", RowEncoding{1, 6, 1, true}};
    for (const auto& [what, odd] : encodings) {
        // Only the second record is encoded oddly.
        ByteBuilder b = Head(layout);
        b.Int32(static_cast<std::uint32_t>(layout.records.size() * 30));
        for (std::size_t n = 0; n < layout.records.size(); ++n)
            Row(b, layout.records[n], false, 30, n == 1 ? odd : RowEncoding());
        const std::vector<std::uint8_t> input = b.Bytes();
        const bool as_written = std::string(what) == "as written";
        testing::ExpectKeptBytesSaveAsFields<ClassicAddressFile>(path, input, as_written, what);
    }
}

// A record changed through the pointer handed out is written from its fields; the others
// keep their bytes. Records before a damaged one stay readable after the failed load.
TEST_F(ClassicFileTest, ChangedRecordsAndRecordsBeforeADamagedOne) {
    const std::string path = folder_.File("address.dat");
    FileSpec layout = RichFile(path);
    layout.header = "line 1\nline 2\nline 3\nline 4\n";  // what a save keeps of it
    PutFile(path, Build(layout));
    {
        ClassicAddressFile file;
        ASSERT_TRUE(file.Load(path)) << file.LastError();
        ClassicRecord* second = file.Records().Get(1);
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(file.Records().Get(1), second);  // decoded once, the same object after
        second->first_name = "Changed";
        second->status = 0x02;
        ASSERT_NE(file.Records().Get(2), nullptr);  // read, not changed
        ASSERT_TRUE(file.Save()) << file.LastError();
    }
    FileSpec expected = layout;
    expected.records[1].first_name = "Changed";
    expected.records[1].status = 0x02;
    EXPECT_EQ(FileBytes(path), Build(expected));

    std::vector<std::uint8_t> cut = Build(layout);
    cut.resize(cut.size() - 3);  // the last record is cut short
    PutFile(path, cut);
    ClassicAddressFile file;
    EXPECT_FALSE(file.Load(path));
    ASSERT_EQ(file.Records().Count(), layout.records.size() - 1);
    for (std::uint32_t i = 0; i + 1 < layout.records.size(); ++i) {
        ASSERT_NE(file.Records().Get(i), nullptr) << i;
        ExpectSame(*file.Records().Get(i), layout.records[i], "record " + std::to_string(i));
    }
    EXPECT_FALSE(file.Save());
    EXPECT_EQ(FileBytes(path), cut);
}

TEST_F(ClassicFileTest, SwapNamesComesFromTheSettingsFile) {
    EXPECT_FALSE(ClassicAddressFile().SwapNames());
    ASSERT_TRUE(platform::WriteIniString("ZerazarIvuvez", "SwapName", "1",
                                         platform::SettingsFilePath()));
    EXPECT_TRUE(ClassicAddressFile().SwapNames());
    ASSERT_TRUE(platform::WriteIniString("ZerazarIvuvez", "SwapName", "2",
                                         platform::SettingsFilePath()));
    EXPECT_FALSE(ClassicAddressFile().SwapNames());

    // With swap names on, position 3 is the first name.
    ASSERT_TRUE(platform::WriteIniString("ZerazarIvuvez", "SwapName", "1",
                                         platform::SettingsFilePath()));
    const std::string path = folder_.File("a.dat");
    FileSpec layout;
    layout.records.push_back(MakeRecord(1));
    PutFile(path, Build(layout));  // written with the last name at position 3
    ClassicAddressFile file(path);
    ASSERT_TRUE(file.Loaded());
    EXPECT_EQ(file.Records().Get(0)->first_name, "Last1");
    EXPECT_EQ(file.Records().Get(0)->last_name, "First1");
}

TEST_F(ClassicFileTest, HeaderLines) {
    struct Case {
        std::string stored, kept;
    };
    const std::string long_line(600, 'h');
    for (const Case& c : {Case{"", ""}, Case{"one line, no feed", "one line, no feed"},
                          Case{"a\nb\nc\nd\n", "a\nb\nc\nd\n"},
                          Case{"a\nb\nc\nd\ne", "a\nb\nc\nd\n"},
                          Case{long_line + "\nb\nc\nd\ne\nf\n", long_line + "\nb\nc\nd\n"}}) {
        const std::string path = folder_.File("h.dat");
        FileSpec layout;
        layout.stored_path = path;
        layout.header = c.stored;
        layout.records.push_back(MakeRecord(2));
        PutFile(path, Build(layout));
        ClassicAddressFile file;
        ASSERT_TRUE(file.Load(path)) << file.LastError();
        EXPECT_EQ(file.HeaderText(), c.kept);
        ASSERT_EQ(file.Records().Count(), 1u) << "the position lands after the header";
        ASSERT_TRUE(file.Save());
        FileSpec kept = layout;
        kept.header = c.kept;
        EXPECT_EQ(FileBytes(path), Build(kept));
    }
}

TEST_F(ClassicFileTest, EntryCountsFieldCountsAndTrailingBytes) {
    // 65 entries with 30 fields per record read two records; the five fields after them
    // are carried through the save.
    const std::string path = folder_.File("e.dat");
    FileSpec layout;
    layout.stored_path = path;
    layout.records = {MakeRecord(1), MakeRecord(2)};
    layout.entry_count_override = 65;
    ByteBuilder b(Head(layout));
    b.Int32(65);
    Row(b, layout.records[0], false);
    Row(b, layout.records[1], false);
    ByteBuilder tail;
    Row(tail, MakeRecord(3), false, 5);
    b.Raw(tail.Bytes());
    PutFile(path, b.Bytes());
    ClassicAddressFile file;
    ASSERT_TRUE(file.Load(path)) << file.LastError();
    EXPECT_EQ(file.Records().Count(), 2u);
    EXPECT_EQ(file.TrailingBytes(), tail.Bytes());
    ASSERT_TRUE(file.Save());
    ByteBuilder expected(Head(layout));
    expected.Int32(60);
    Row(expected, layout.records[0], false);
    Row(expected, layout.records[1], false);
    expected.Raw(tail.Bytes());
    EXPECT_EQ(FileBytes(path), expected.Bytes());

    // Fewer fields per record read and write consistently.
    FileSpec short_rows;
    short_rows.stored_path = path;
    short_rows.fields = 25;
    short_rows.records = {MakeRecord(4), MakeRecord(5)};
    PutFile(path, Build(short_rows));
    ClassicAddressFile narrow;
    ASSERT_TRUE(narrow.Load(path)) << narrow.LastError();
    ASSERT_EQ(narrow.Records().Count(), 2u);
    EXPECT_EQ(narrow.Records().Get(1)->category_id, MakeRecord(5).category_id);
    EXPECT_EQ(narrow.Records().Get(1)->custom[0], "") << "positions not present stay empty";
    ASSERT_TRUE(narrow.Save());
    EXPECT_EQ(FileBytes(path), Build(short_rows));
}

TEST_F(ClassicFileTest, AppendedRecordsAndSaveAsAnotherPath) {
    const std::string path = folder_.File("a.dat");
    const std::string other = folder_.File("other.dat");
    FileSpec layout = RichFile(path);
    PutFile(path, Build(layout));
    PutFile(other, {1, 2, 3});
    ClassicAddressFile file;
    ASSERT_TRUE(file.Load(path));
    ClassicRecord added = MakeRecord(7);
    added.record_id = 0;
    added.status = 0x01;
    added.placement = 0x7FFFFFFF;
    added.category_id = 0;
    added.display_phone = 0;
    ASSERT_TRUE(file.Records().Append(added));
    ASSERT_TRUE(file.SaveAs(other)) << file.LastError();
    EXPECT_EQ(file.Path(), other);

    FileSpec expected = layout;
    expected.stored_path = other;
    expected.header = "line 1\nline 2\nline 3\nline 4\n";
    expected.records.push_back(added);
    EXPECT_EQ(FileBytes(other), Build(expected)) << "the new path is stored in the file";
    EXPECT_EQ(FileBytes(other + ".xbk"), (std::vector<std::uint8_t>{1, 2, 3}));

    ClassicAddressFile reread(other);
    ASSERT_TRUE(reread.Loaded());
    ASSERT_EQ(reread.Records().Count(), 7u);
    ExpectSame(*reread.Records().Get(6), added, "appended");
}

TEST_F(ClassicFileTest, EveryTruncationIsRefusedAndNothingChanges) {
    const std::string path = folder_.File("t.dat");
    FileSpec layout = RichFile(path);
    layout.records[1].note = "short";  // the long texts of other tests make no new cuts
    const auto whole = Build(layout);
    ClassicAddressFile file;
    std::size_t fifth_record_start = 0;
    {
        FileSpec four = layout;
        four.records.resize(4);
        fifth_record_start = Build(four).size();
    }
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        const std::vector<std::uint8_t> prefix(whole.begin(), whole.begin() + cut);
        // A new file per cut: emptying one file over and over waits for the disk.
        const std::string path = folder_.File("t" + std::to_string(cut) + ".dat");
        PutFile(path, prefix);
        ASSERT_FALSE(file.Load(path)) << "cut at " << cut;
        EXPECT_FALSE(file.Loaded());
        EXPECT_FALSE(file.LastError().empty());
        EXPECT_FALSE(file.IsOpen());
        ASSERT_EQ(FileBytes(path), prefix) << "cut at " << cut;
        if (cut == fifth_record_start + 40) {
            EXPECT_EQ(file.Records().Count(), 4u) << "the records read before stay";
        }
        // What a failed load left in memory is never written over the file.
        ASSERT_FALSE(file.Save()) << "cut at " << cut;
        ASSERT_EQ(FileBytes(path), prefix);
        EXPECT_FALSE(platform::PathExists(path + ".xbk"));
        platform::RemoveFile(path);
    }
    PutFile(path, whole);
    ASSERT_TRUE(file.Load(path)) << "the whole file loads: " << file.LastError();
}

TEST_F(ClassicFileTest, DamagedAndForeignFilesAreRefused) {
    const std::string path = folder_.File("d.dat");
    FileSpec good;
    good.stored_path = path;
    good.records = {MakeRecord(1), MakeRecord(2)};

    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases;
    {
        FileSpec s = good;
        s.entry_count_override = 0xFFFFFFF0u;
        cases.push_back({"huge entry count", Build(s)});
    }
    {
        ByteBuilder b = Head(good);
        b.Int32(30).IntField(1).IntField(0).IntField(0).Int32(5).Int32(1).Byte(0xFF).Int16(5000).Raw("abc");
        cases.push_back({"text length past the end", b.Bytes()});
    }
    {
        ByteBuilder b = Head(good);
        b.Int32(30).IntField(1).IntField(0).IntField(0).IntField(7);  // an integer at a text
        cases.push_back({"integer tag at a text position", b.Bytes()});
    }
    {
        ByteBuilder b = Head(good);
        b.Int32(30).TextField("x");  // a text at an integer position
        cases.push_back({"text tag at an integer position", b.Bytes()});
    }
    for (int fields : {0, 31, -1}) {
        FileSpec s = good;
        s.fields = fields;
        s.records.clear();
        ByteBuilder b = Head(s);
        b.Int32(0);
        cases.push_back({"fields per record", b.Bytes()});
    }
    {
        // A field count of 31 after a valid fields per record.
        std::vector<std::uint8_t> bytes = Build(good);
        ByteBuilder head = Head(good);
        const std::size_t at = head.Size() - 2 - 2 * 30;  // the field count
        bytes[at] = 31;
        cases.push_back({"field count 31", bytes});
    }
    {
        ByteBuilder b;
        b.Int32(0x41420100).CString(path).CString("");
        b.Int32(128).Int32(1).Int32(static_cast<std::uint32_t>(-1)).Int32(5).Int32(0).CString("A").CString("A");
        cases.push_back({"category slot -1", b.Bytes()});
    }
    {
        ByteBuilder b;
        b.Int32(0x41420100).CString(std::string(260, 'p'));
        cases.push_back({"stored file name of 260", b.Bytes()});
    }
    {
        ByteBuilder b;
        b.Raw(std::vector<std::uint8_t>{0xBE, 0xBA, 0xFE, 0xCA, 0x0F}).Raw("PalmSG Database");
        b.Raw(std::vector<std::uint8_t>{0x00, 0x52, 0x56, 0x00});  // 24 bytes so far
        b.Raw(std::vector<std::uint8_t>{0x00, 0x02, 0x42, 0x41});
        b.Zeros(64);
        cases.push_back({"newer layout", b.Bytes()});
    }
    cases.push_back({"other version tag", ByteBuilder().Int32(0x41420101).Zeros(40).Bytes()});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A good file first, so a refused one shows what it leaves behind.
        PutFile(path, Build(good));
        ClassicAddressFile file;
        ASSERT_TRUE(file.Load(path));
        PutFile(path, c.bytes);
        EXPECT_FALSE(file.Load(path));
        EXPECT_FALSE(file.LastError().empty());
        EXPECT_EQ(FileBytes(path), c.bytes);
        EXPECT_FALSE(file.Save());
        EXPECT_EQ(FileBytes(path), c.bytes);
    }

    // A file of another layout is refused before the records are touched; the records of
    // the last good load stay, but they are not written over the file that was refused, nor
    // anywhere else, until a load succeeds.
    PutFile(path, Build(good));
    ClassicAddressFile file;
    ASSERT_TRUE(file.Load(path));
    PutFile(path, cases.back().bytes);
    EXPECT_FALSE(file.Load(path));
    EXPECT_EQ(file.Records().Count(), 2u);
    const std::string elsewhere = folder_.File("elsewhere.dat");
    PutFile(elsewhere, {9});
    EXPECT_FALSE(file.SaveAs(elsewhere));
    EXPECT_EQ(FileBytes(elsewhere), std::vector<std::uint8_t>{9});
    PutFile(path, Build(good));
    ASSERT_TRUE(file.Load(path));
    EXPECT_TRUE(file.SaveAs(elsewhere));
}

TEST_F(ClassicFileTest, FailedSavesLeaveTheFileAndAGoodBackup) {
    const std::string path = folder_.File("s.dat");
    FileSpec layout = RichFile(path);
    for (int n = 6; n < 12; ++n) layout.records.push_back(MakeRecord(n));
    layout.records[8].note = std::string(2048, 'z');
    layout.records[9].note = std::string(2048, 'y');
    layout.records[10].note = std::string(2048, 'x');
    const auto original = Build(layout);
    ASSERT_GT(original.size(), 3 * 4096u) << "the commit writes several slices";

    struct Plan {
        platform::FaultPoint point;
        int nth;
        bool backup_made;
    };
    for (const Plan& p : {Plan{platform::FaultPoint::Write, 1, true},
                          Plan{platform::FaultPoint::Write, 2, true},
                          Plan{platform::FaultPoint::Write, 3, true},
                          Plan{platform::FaultPoint::Truncate, 1, true},
                          Plan{platform::FaultPoint::Flush, 1, true},
                          Plan{platform::FaultPoint::Copy, 1, false},
                          Plan{platform::FaultPoint::Open, 1, true}}) {
        SCOPED_TRACE(std::to_string(static_cast<int>(p.point)) + "/" + std::to_string(p.nth));
        PutFile(path, original);
        platform::RemoveFile(path + ".xbk");
        ClassicAddressFile file;
        ASSERT_TRUE(file.Load(path));
        ClassicRecord added = MakeRecord(20);
        added.note = std::string(2000, 'w');  // the new content is longer than the old
        ASSERT_TRUE(file.Records().Append(added));
        {
            platform::FaultPlan plan;
            plan.fail_at[static_cast<int>(p.point)] = p.nth;
            platform::ScopedFaultPlan scoped(plan);
            EXPECT_FALSE(file.Save());
        }
        EXPECT_FALSE(file.LastError().empty());
        EXPECT_EQ(FileBytes(path), original);
        if (p.backup_made) {
            EXPECT_EQ(FileBytes(path + ".xbk"), original);
        } else {
            EXPECT_FALSE(platform::PathExists(path + ".xbk"));
        }
        // The same object saves once the fault is gone.
        ASSERT_TRUE(file.Save()) << file.LastError();
        ClassicAddressFile reread(path);
        ASSERT_TRUE(reread.Loaded());
        EXPECT_EQ(reread.Records().Count(), layout.records.size() + 1);
    }
}

TEST_F(ClassicFileTest, NoFileIsCreatedAndHeldFilesAreLeftAlone) {
    const std::string path = folder_.File("x.dat");
    FileSpec layout = RichFile(path);
    PutFile(path, Build(layout));
    ClassicAddressFile file;
    ASSERT_TRUE(file.Load(path));

    const std::string missing = folder_.File("missing.dat");
    EXPECT_FALSE(file.SaveAs(missing));
    EXPECT_FALSE(platform::PathExists(missing));
    EXPECT_FALSE(platform::PathExists(missing + ".xbk"));
    EXPECT_FALSE(file.SaveAs(""));
    EXPECT_FALSE(file.SaveAs(folder_.File(std::string(270, 'p'))));
    EXPECT_FALSE(ClassicAddressFile().Load(missing));
    EXPECT_FALSE(platform::PathExists(missing));

    const auto before = FileBytes(path);
    platform::ExclusiveFile holder;
    ASSERT_TRUE(holder.Open(path, platform::OpenMode::Read));
    ClassicAddressFile other;
    EXPECT_FALSE(other.Load(path));
    EXPECT_FALSE(other.LastError().empty());
    EXPECT_FALSE(file.Save());
    EXPECT_FALSE(platform::PathExists(path + ".xbk"));
    holder.Close();
    EXPECT_EQ(FileBytes(path), before);
    EXPECT_TRUE(file.Save());

    // Without a Palm Desktop installation there is no user folder to load from.
    EXPECT_FALSE(ClassicAddressFile().LoadForUser(1));
}

}  // namespace
}  // namespace tarvenne
