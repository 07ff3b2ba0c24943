// The newer contacts-file layout: files assembled byte by byte from the layout table are
// read, written back byte for byte, refused when cut or damaged, and saved all or nothing.
#include "palmfile/palmsg_address_file.h"
#include "platform/fault_injection.h"
#include "platform/file_system.h"
#include "platform/module_folder.h"
#include "tests/byte_builder.h"
#include "tests/palmfile/kept_bytes_save_check.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace tarvenne {
namespace {

using platform::FaultPlan;
using platform::FaultPoint;
using platform::ScopedFaultPlan;
using testing::ByteBuilder;
using testing::TestFolder;
using Bytes = std::vector<std::uint8_t>;

// How each of the 73 fields is encoded, index by index, as the layout table gives it.
enum class Enc { Int, Bool, Text, Blob, Long };
Enc EncodingOf(int i) {
    if (i == 6 || i == 66) return Enc::Bool;
    if (i >= 7 && i <= 10) return Enc::Blob;
    if (i == 65) return Enc::Long;
    if ((i >= 11 && i <= 16) || (i >= 18 && i <= 25) || (i >= 33 && i <= 41) ||
        (i >= 43 && i <= 47) || (i >= 49 && i <= 53) || (i >= 55 && i <= 61) || i == 64 ||
        (i >= 69 && i <= 72))
        return Enc::Text;
    return Enc::Int;
}

struct Category {
    std::int32_t index, id;
    std::string name, safe_name;
    std::int32_t dirty = 0;
};

// One record's values by field index; what is not set is derived from the record number.
struct Rec {
    int n = 0;
    std::vector<std::pair<int, std::string>> texts;
    std::vector<std::pair<int, std::int32_t>> ints;
    DatBlob blob[4];
    std::uint64_t birthday = 0;

    std::string Text(int i) const {
        for (const auto& t : texts)
            if (t.first == i) return t.second;
        return "r" + std::to_string(n) + "f" + std::to_string(i);
    }
    std::int32_t Int(int i) const {
        for (const auto& v : ints)
            if (v.first == i) return v.second;
        if (i == 5) return 0;                       // category id: "Unfiled"
        if (i == 6 || i == 66) return (n + i) & 1;  // boolean fields
        return n * 1000 + i;
    }
};

// Every knob a save may normalise, so a test can assemble the expected file with the
// normalised values and compare whole files.
struct Layout {
    std::uint8_t magic[5] = {0xBE, 0xBA, 0xFE, 0xCA, 0x0F};
    std::string signature_text = "PalmSG Database00RV";
    std::uint32_t version = 0x41420200;
    std::vector<std::uint8_t> header_block;  // 24 bytes; bytes 12 and 13 set from next_id
    int next_id = -1;                         // -1: 0x1000 + the number of records
    std::string stored_name;
    std::vector<std::uint8_t> name_block;   // 11
    std::string labels[9];
    std::uint32_t label_word = 0;
    std::vector<std::uint8_t> label_block;  // 42
    std::int32_t next_free_category = 131;
    std::vector<Category> categories;
    std::uint32_t fields_per_record = 73;
    std::uint16_t field_count = 73;
    std::int64_t entry_count = -1;  // -1: records x fields per record
    std::uint32_t int_tag = 1, bool_tag = 6, marker = 1, long_tag = 68;
    bool long_form_texts = false;  // every text in the FF form, short ones too
    std::vector<Rec> records;
    std::string trailing;

    Layout() {
        for (int i = 0; i < 24; ++i) header_block.push_back(static_cast<std::uint8_t>(0xA0 + i));
        for (int i = 0; i < 11; ++i) name_block.push_back(static_cast<std::uint8_t>(0x30 + i));
        for (int i = 0; i < 42; ++i) label_block.push_back(static_cast<std::uint8_t>(200 - i));
    }
};

const std::uint16_t kDefaultTags[73] = {
    1, 1, 1, 1, 1, 1, 6, 64, 65, 66, 67, 5, 5, 5, 5, 5, 5, 1, 5, 5, 5, 5, 5, 5, 5,
    5, 1, 1, 1, 1, 1, 1, 1, 5, 5, 5, 5, 5, 5, 5, 5, 5, 1, 5, 5, 5, 5, 5, 1, 5,
    5, 5, 5, 5, 1, 5, 5, 5, 5, 5, 5, 5, 1, 1, 5, 68, 6, 1, 1, 5, 5, 5, 5};

void AppendRecord(ByteBuilder& b, const Layout& l, const Rec& r) {
    for (std::uint32_t i = 0; i < l.fields_per_record; ++i) {
        const int f = static_cast<int>(i);
        switch (EncodingOf(f)) {
            case Enc::Int: b.IntField(r.Int(f), l.int_tag); break;
            case Enc::Bool: b.IntField(r.Int(f), l.bool_tag); break;
            case Enc::Text:
                if (l.long_form_texts) {
                    const std::string t = r.Text(f);
                    b.Int32(5).Int32(l.marker).Byte(0xFF).Int16(static_cast<std::uint16_t>(t.size()));
                    b.Raw(t);
                } else {
                    b.TextField(r.Text(f), l.marker);
                }
                break;
            case Enc::Long: b.LongField(r.birthday, l.long_tag); break;
            case Enc::Blob: {
                const DatBlob& x = r.blob[f - 7];
                b.Int32(x.w0).Int32(x.w1);
                if (x.w1 == 0) break;
                b.Int32(x.w2).Int32(x.w3).Int32(x.length);
                b.Raw(x.data);
                break;
            }
        }
    }
}

Bytes Assemble(const Layout& l) {
    ByteBuilder b;
    for (std::uint8_t m : l.magic) b.Byte(m);
    b.Raw(l.signature_text);
    b.Int32(l.version);
    std::vector<std::uint8_t> header = l.header_block;
    const int next = l.next_id >= 0 ? l.next_id : 0x1000 + static_cast<int>(l.records.size());
    header[12] = static_cast<std::uint8_t>(next);
    header[13] = static_cast<std::uint8_t>(next >> 8);
    b.Raw(header);
    b.CString(l.stored_name).Raw(l.name_block);
    for (const std::string& label : l.labels) b.CString(label).Int32(l.label_word);
    b.Raw(l.label_block);
    b.Int32(static_cast<std::uint32_t>(l.next_free_category))
        .Int32(static_cast<std::uint32_t>(l.categories.size()));
    for (const Category& c : l.categories)
        b.Int32(c.index).Int32(c.id).Int32(c.dirty).CString(c.name).CString(c.safe_name);
    b.Int32(74).Int32(l.fields_per_record).Int32(0).Int32(2).Int32(4).Int16(l.field_count);
    for (int i = 0; i < l.field_count; ++i) b.Int16(i < 73 ? kDefaultTags[i] : 1);
    const std::int64_t entries =
        l.entry_count >= 0 ? l.entry_count
                           : static_cast<std::int64_t>(l.records.size()) * l.fields_per_record;
    b.Int32(static_cast<std::uint32_t>(entries));
    for (const Rec& r : l.records) AppendRecord(b, l, r);
    b.Raw(l.trailing);
    return b.Bytes();
}

// A file of base's items whose record n is encoded with the knobs of encodings[n].
Bytes AssembleMixed(Layout base, const std::vector<Layout>& encodings) {
    const std::vector<Rec> records = base.records;
    base.records.clear();
    base.entry_count = static_cast<std::int64_t>(records.size()) * base.fields_per_record;
    base.next_id = 0x1000 + static_cast<int>(records.size());
    const std::string trailing = base.trailing;
    base.trailing.clear();
    ByteBuilder b;
    b.Raw(Assemble(base));
    for (std::size_t n = 0; n < records.size(); ++n) AppendRecord(b, encodings[n], records[n]);
    b.Raw(trailing);
    return b.Bytes();
}

DatBlob MakeBlob(std::uint32_t w0, std::uint32_t w1, std::uint32_t len, std::uint8_t fill) {
    DatBlob x;
    x.w0 = w0;
    x.w1 = w1;
    if (w1 != 0) {
        x.w2 = 0x11223344;
        x.w3 = 7;
        x.length = len;
        for (std::uint32_t i = 0; i < len; ++i) x.data.push_back(static_cast<std::uint8_t>(fill + i));
    }
    return x;
}

// A file that exercises every kind of item: categories, blobs of each shape, long and
// boundary-length texts, labels, non-zero kept blocks, a birthday.
Layout RichLayout(const std::string& stored_name) {
    Layout l;
    l.stored_name = stored_name;
    l.labels[0] = "Spouse";
    l.labels[4] = std::string(32, 'L');  // the longest label allowed
    l.labels[8] = "Anniv.";
    l.categories = {{1, 7, "Business", "Business"},
                    {2, 9, "Personal", "Personal"},
                    {5, 130, "QuickList", "QuickList"}};
    Rec a;
    a.n = 1;
    a.ints = {{5, 9}, {2, 0x84}};
    a.texts = {{13, "Ann"}, {14, "Lovelace"}, {18, std::string(300, 'n') + "\r\nend"},
               {19, std::string(254, 'p')}, {33, std::string(255, 'c')},
               {16, "Caf\xE9 M\xFCller & S\xF6hne"}, {64, std::string(2047, 'w')}};
    a.blob[0] = MakeBlob(64, 0, 0, 0);
    a.blob[1] = MakeBlob(65, 3, 0, 0);
    a.blob[2] = MakeBlob(66, 1, 300, 0x40);
    a.blob[3] = MakeBlob(67, 2, 5, 0xF0);
    double bday = 29221.0;  // 1 January 1980
    std::memcpy(&a.birthday, &bday, 8);
    Rec b;
    b.n = 2;
    b.ints = {{5, 130}};
    b.texts = {{13, ""}, {14, "Babbage"}, {18, std::string(5000, 'x')}, {72, "last"}};
    Rec c;  // a record whose category id names no category, and all-empty texts
    c.n = 3;
    c.ints = {{5, 55}};
    for (int i = 0; i < 73; ++i)
        if (EncodingOf(i) == Enc::Text) c.texts.push_back({i, ""});
    l.records = {a, b, c};
    return l;
}

Bytes ReadBack(const std::string& path) {
    Bytes bytes;
    EXPECT_TRUE(platform::ReadFileBytes(path, &bytes)) << path;
    return bytes;
}

// A plain stream write: no flush to the disk, so thousands of cut files stay quick.
void Put(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

// Points the settings file at a test folder, so a stray tarvenne.ini changes nothing.
class PalmSgTest : public ::testing::Test {
protected:
    void SetUp() override { platform::SetSettingsFileForTesting(dir.File("tarvenne.ini")); }
    void TearDown() override { platform::SetSettingsFileForTesting(""); }
    TestFolder dir;
};

TEST_F(PalmSgTest, RoundTripIsByteExactWithAndWithoutSwappedNames) {
    const std::string path = dir.File("address.dat");
    const Bytes original = Assemble(RichLayout(path));
    for (bool swap : {false, true}) {
        Put(path, original);
        PalmSgAddressFile file;
        file.SetSwapNames(swap);
        ASSERT_TRUE(file.Load(path)) << file.LastError();
        ASSERT_EQ(file.Records().Count(), 3u);
        const PalmSgRecord* a = file.Records().Get(0);
        // Field 13 is the first-name slot, unless names are swapped.
        EXPECT_EQ(a->first_name, swap ? "Lovelace" : "Ann");
        EXPECT_EQ(a->last_name, swap ? "Ann" : "Lovelace");
        EXPECT_EQ(a->record_id, 1000);
        EXPECT_EQ(a->record_number, 1001);
        EXPECT_EQ(a->status, 0x84u);
        EXPECT_EQ(a->entry_index, 1003);
        EXPECT_EQ(a->placement, 1004);
        EXPECT_EQ(a->category_id, 9);
        EXPECT_EQ(a->category_name, "Personal");
        EXPECT_EQ(a->note, std::string(300, 'n') + "\r\nend");
        EXPECT_EQ(a->phone[0].size(), 254u);
        EXPECT_EQ(a->custom[0].size(), 255u);
        EXPECT_EQ(a->web_page.size(), 2047u);
        EXPECT_EQ(a->phone_label[0], 1026);
        EXPECT_EQ(a->address[1].kind, 1048);
        EXPECT_EQ(a->address[2].country, "r1f59");
        EXPECT_EQ(a->chat[1], "r1f61");
        EXPECT_EQ(a->text69_72[3], "r1f72");
        EXPECT_EQ(a->blob[0].w1, 0u);
        EXPECT_EQ(a->blob[2].data.size(), 300u);
        EXPECT_EQ(a->blob[3].data[4], 0xF4);
        EXPECT_DOUBLE_EQ(a->Birthday(), 29221.0);
        EXPECT_EQ(file.Records().Get(1)->note.size(), 5000u);  // kept whole
        EXPECT_EQ(file.Records().Get(1)->category_name, "QuickList");
        EXPECT_EQ(file.Records().Get(2)->category_name, "");
        EXPECT_EQ(file.CustomLabel(4), std::string(32, 'L'));
        ASSERT_NE(file.Categories(), nullptr);
        EXPECT_EQ(file.Categories()->Count(), 4);
        EXPECT_EQ(file.StoredFileName(), path);

        ASSERT_TRUE(file.Save()) << file.LastError();
        EXPECT_EQ(ReadBack(path), original) << "swap " << swap;
        EXPECT_EQ(ReadBack(path + ".xbk"), original);
    }
}

TEST_F(PalmSgTest, SaveWritesExactlyTheListedNormalisations) {
    const std::string path = dir.File("address.dat");
    Layout odd = RichLayout("C:\\Palm\\Someone\\address\\address.dat");
    odd.magic[0] = 0x00;
    odd.magic[4] = 0x42;           // the first five bytes are not checked
    odd.next_id = 0x2222;          // recomputed from the record count
    odd.label_word = 0xDEADBEEF;   // written as 0
    odd.int_tag = 3;               // integers written with tag 1
    odd.bool_tag = 1;              // booleans written with tag 6
    odd.marker = 77;               // markers written as 1
    odd.long_tag = 12;             // the eight-byte field written with tag 68
    odd.entry_count = 3 * 73 + 40; // the remainder is dropped
    odd.categories[0].dirty = 1;   // written as 0
    odd.categories[1].name = "a.b/c";
    odd.categories[1].safe_name = "stored";  // made from the name
    Put(path, Assemble(odd));

    PalmSgAddressFile file;
    ASSERT_TRUE(file.Load(path)) << file.LastError();
    EXPECT_EQ(file.StoredFileName(), "C:\\Palm\\Someone\\address\\address.dat");
    ASSERT_TRUE(file.Save()) << file.LastError();

    Layout expected = odd;
    std::memcpy(expected.magic, "\xBE\xBA\xFE\xCA\x0F", 5);
    expected.next_id = -1;
    expected.label_word = 0;
    expected.int_tag = 1;
    expected.bool_tag = 6;
    expected.marker = 1;
    expected.long_tag = 68;
    expected.entry_count = -1;
    expected.categories[0].dirty = 0;
    expected.categories[1].safe_name = "a_b_c";
    expected.stored_name = path;  // the file that was loaded, not the name stored in it
    EXPECT_EQ(ReadBack(path), Assemble(expected));
}

// Records nobody asked for are written from the bytes they were read from; that must give
// the same file as writing every record from its fields, whatever the encoding found and
// whether the swap-names option changed between the load and the save.
TEST_F(PalmSgTest, UntouchedRecordsSaveAsIfEveryOneHadBeenRead) {
    const std::string path = dir.File("address.dat");
    Layout base = RichLayout(path);
    base.trailing = "tail";
    std::vector<std::pair<const char*, Layout>> odd_encodings;
    for (int k = 0; k < 6; ++k) {
        Layout odd;
        const char* what = "as written";
        switch (k) {
            case 1: odd.int_tag = 3; what = "integer tag 3"; break;
            case 2: odd.int_tag = 6; what = "integer tag 6"; break;
            case 3: odd.bool_tag = 1; what = "boolean tag 1"; break;
            case 4: odd.marker = 9; what = "text marker 9"; break;
            case 5: odd.long_form_texts = true; what = "short texts in the long form"; break;
            default: break;
        }
        odd_encodings.push_back({what, odd});
    }
    Layout odd_long;
    odd_long.long_tag = 12;
    odd_encodings.push_back({"eight-byte field tag 12", odd_long});

    for (const auto& [what, odd] : odd_encodings) {
        // Only the middle record is encoded oddly.
        const Bytes input = AssembleMixed(base, {Layout(), odd, Layout()});
        const bool as_written = std::string(what) == "as written";
        testing::ExpectKeptBytesSaveAsFields<PalmSgAddressFile>(path, input, as_written, what);
    }
}

// A record changed through the pointer handed out is written from its fields; the others
// keep their bytes, and a record read without being changed writes back the same.
TEST_F(PalmSgTest, ChangedRecordsAreWrittenFromTheirFields) {
    const std::string path = dir.File("address.dat");
    const Layout base = RichLayout(path);
    Put(path, Assemble(base));
    PalmSgAddressFile file;
    ASSERT_TRUE(file.Load(path)) << file.LastError();
    PalmSgRecord* second = file.Records().Get(1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(file.Records().Get(1), second);  // decoded once, the same object after
    second->first_name = "Charles";
    second->status = 0x02;
    ASSERT_NE(file.Records().Get(2), nullptr);  // read, not changed
    ASSERT_TRUE(file.Save()) << file.LastError();

    Layout expected = base;
    expected.records[1].texts.insert(expected.records[1].texts.begin(), {13, "Charles"});
    expected.records[1].ints.push_back({2, 0x02});
    EXPECT_EQ(ReadBack(path), Assemble(expected));
}

// A load that stops at a damaged record keeps the records before it readable, as it
// always did, and the part-read file is still never saved.
TEST_F(PalmSgTest, RecordsBeforeADamagedOneStayReadable) {
    const std::string path = dir.File("address.dat");
    Bytes bytes = Assemble(RichLayout(path));
    bytes.resize(bytes.size() - 10);  // the third record is cut short
    Put(path, bytes);
    PalmSgAddressFile file;
    EXPECT_FALSE(file.Load(path));
    EXPECT_NE(file.LastError().find("offset"), std::string::npos) << file.LastError();
    ASSERT_EQ(file.Records().Count(), 2u);
    ASSERT_NE(file.Records().Get(0), nullptr);
    EXPECT_EQ(file.Records().Get(0)->last_name, "Lovelace");
    ASSERT_NE(file.Records().Get(1), nullptr);
    EXPECT_EQ(file.Records().Get(1)->note.size(), 5000u);
    EXPECT_EQ(file.Records().Get(2), nullptr);
    EXPECT_FALSE(file.SaveAs(path));
    EXPECT_EQ(ReadBack(path), bytes);
}

TEST_F(PalmSgTest, FewerFieldsPerRecordAndTrailingBytesRoundTrip) {
    const std::string path = dir.File("short.dat");
    Layout l = RichLayout(path);
    l.fields_per_record = 20;
    l.field_count = 20;
    l.trailing = std::string("\x01\x02tail bytes", 12);
    const Bytes original = Assemble(l);
    Put(path, original);
    PalmSgAddressFile file;
    ASSERT_TRUE(file.Load(path)) << file.LastError();
    EXPECT_EQ(file.Records().Count(), 3u);
    EXPECT_EQ(file.Records().Get(0)->note.size(), 305u);
    EXPECT_EQ(file.Records().Get(0)->phone[0].size(), 254u);  // field 19, the last one
    EXPECT_EQ(file.Records().Get(0)->phone[1], "");           // beyond the record's fields
    EXPECT_EQ(file.TrailingBytes().size(), 12u);
    ASSERT_TRUE(file.Save()) << file.LastError();
    EXPECT_EQ(ReadBack(path), original);
}

// The record the conversion appends, filled as the job does it.
PalmSgRecord Added(std::uint32_t before, const char* first, const char* last) {
    PalmSgRecord r;
    r.record_number = static_cast<std::int32_t>(0x1000 + before);
    r.status = 0x01;
    r.entry_index = static_cast<std::int32_t>(73 * before);
    r.placement = 0x7FFFFFFF;
    r.first_name = first;
    r.last_name = last;
    return r;
}

TEST_F(PalmSgTest, AddedRecordsSetNextRecordIdAndKeepExistingRecords) {
    const std::string path = dir.File("address.dat");
    // An empty file gets entry count 73 and next id 0x1001 after one record is added.
    Layout empty;
    empty.stored_name = path;
    Put(path, Assemble(empty));
    {
        PalmSgAddressFile file;
        ASSERT_TRUE(file.Load(path));
        EXPECT_EQ(file.Records().Count(), 0u);
        PalmSgRecord r = Added(0, "Grace", "Hopper");
        ASSERT_TRUE(file.Records().AppendCopy(&r));
        ASSERT_TRUE(file.Save()) << file.LastError();
        Layout expected = empty;
        Rec rec;  // the first value given for a field wins
        rec.texts = {{13, "Grace"}, {14, "Hopper"}};
        rec.ints = {{1, 0x1000}, {2, 1}, {4, 0x7FFFFFFF}};
        for (int i = 0; i < 73; ++i) {
            if (EncodingOf(i) == Enc::Text) rec.texts.push_back({i, ""});
            else rec.ints.push_back({i, 0});
        }
        expected.records = {rec};
        const Bytes written = ReadBack(path);
        EXPECT_EQ(written, Assemble(expected));
        EXPECT_EQ(written[40], 0x01);
        EXPECT_EQ(written[41], 0x10);
    }
    // 300 records read and 2 added: 0x1000 + 302 = 0x112E; with swapped names an added
    // record's first name goes to field 14, while loaded records keep their positions.
    Layout many;
    many.stored_name = path;
    for (int n = 0; n < 300; ++n) {
        Rec r;
        r.n = n;
        many.records.push_back(r);
    }
    const Bytes before = Assemble(many);
    Put(path, before);
    PalmSgAddressFile file;
    file.SetSwapNames(true);
    ASSERT_TRUE(file.Load(path)) << file.LastError();
    for (std::uint32_t m = 0; m < 2; ++m) {
        PalmSgRecord r = Added(300 + m, "First", "Last");
        ASSERT_TRUE(file.Records().AppendCopy(&r));
    }
    ASSERT_TRUE(file.Save()) << file.LastError();
    const Bytes after = ReadBack(path);
    EXPECT_EQ(after[40], 0x2E);
    EXPECT_EQ(after[41], 0x11);
    PalmSgAddressFile reread;
    ASSERT_TRUE(reread.Load(path)) << reread.LastError();
    ASSERT_EQ(reread.Records().Count(), 302u);
    EXPECT_EQ(reread.Records().Get(299)->record_id, 299000);
    EXPECT_EQ(reread.Records().Get(299)->first_name, "r299f13");
    EXPECT_EQ(reread.Records().Get(300)->first_name, "Last");  // swap off now: field 13
    EXPECT_EQ(reread.Records().Get(300)->last_name, "First");
    EXPECT_EQ(reread.Records().Get(301)->record_number, 0x1000 + 301);
    ASSERT_GT(after.size(), before.size());
    // Everything up to the old file's end is unchanged but for bytes 40 and 41 and the
    // entry count; the two new records follow.
    Bytes head(after.begin(), after.begin() + before.size());
    Bytes expected_head = before;
    expected_head[40] = 0x2E;
    expected_head[41] = 0x11;
    // The entry count changed too: 302 x 73.
    const std::size_t entry_at = before.size() - [&] {
        ByteBuilder recs;
        for (const Rec& r : many.records) AppendRecord(recs, many, r);
        return recs.Size() + 4;
    }();
    const std::uint32_t entries = 302 * 73;
    for (int i = 0; i < 4; ++i) expected_head[entry_at + i] = static_cast<std::uint8_t>(entries >> (8 * i));
    EXPECT_EQ(head, expected_head);
}

TEST_F(PalmSgTest, EveryTruncationIsRefusedAndLeavesTheFileAlone) {
    const std::string path = dir.File("cut.dat");
    // Every kind of item, kept small: one category, a label, blobs of each shape, a text
    // in the long counted form, a trailing record of short texts.
    Layout l;
    l.stored_name = path;
    l.labels[2] = "Label";
    l.categories = {{3, 12, "Cat", "Cat"}};
    Rec a;
    a.n = 1;
    a.texts = {{18, std::string(260, 'n')}};
    a.blob[1] = MakeBlob(65, 3, 0, 0);
    a.blob[2] = MakeBlob(66, 1, 5, 0x40);
    Rec b;
    b.n = 2;
    l.records = {a, b};
    const Bytes whole = Assemble(l);
    for (std::size_t n = 0; n < whole.size(); ++n) {
        const Bytes cut(whole.begin(), whole.begin() + n);
        Put(path, cut);
        PalmSgAddressFile file(path);
        EXPECT_FALSE(file.Loaded()) << "length " << n;
        EXPECT_FALSE(file.LastError().empty()) << "length " << n;
        EXPECT_FALSE(file.Save()) << "length " << n;  // nothing loaded, nothing to save
        EXPECT_EQ(ReadBack(path), cut) << "length " << n;
    }
    EXPECT_FALSE(platform::PathExists(path + ".xbk"));
    Put(path, whole);
    EXPECT_TRUE(PalmSgAddressFile(path).Loaded());
}

TEST_F(PalmSgTest, DamagedCountsLengthsAndTagsAreRefused) {
    const std::string path = dir.File("bad.dat");
    const auto refused = [&](const Layout& l, const char* what) {
        const Bytes bytes = Assemble(l);
        Put(path, bytes);
        PalmSgAddressFile file;
        EXPECT_FALSE(file.Load(path)) << what;
        EXPECT_FALSE(file.LastError().empty()) << what;
        EXPECT_FALSE(file.SaveAs(path)) << what;  // a part-read file is never saved
        EXPECT_EQ(ReadBack(path), bytes) << what;
    };
    const Layout good = RichLayout(path);
    Put(path, Assemble(good));
    ASSERT_TRUE(PalmSgAddressFile(path).Loaded());

    Layout l = good;
    l.entry_count = 0xFFFFFFFF;
    refused(l, "entry count huge");
    l = good;
    l.records[0].blob[2].length = 0x7FFFFFF0;  // data says 300 bytes follow
    refused(l, "blob length past the end");
    l = good;
    l.labels[3] = std::string(33, 'x');
    refused(l, "label of 33 characters");
    l = good;
    l.stored_name = std::string(256, 'p');
    refused(l, "stored name of 256 characters");
    l = good;
    l.field_count = 74;
    refused(l, "field count 74");
    l = good;
    l.fields_per_record = 0;
    refused(l, "0 fields per record");
    l = good;
    l.fields_per_record = 74;
    refused(l, "74 fields per record");
    l = good;
    l.int_tag = 5;
    refused(l, "integer field tagged 5");
    {
        const Bytes bytes = Assemble(good);
        // Change the tag of the very first text field (field 11 of record 1) to 1.
        Layout head = good;
        head.records.clear();
        head.entry_count = 3 * 73;
        const std::size_t records_at = Assemble(head).size();
        ByteBuilder upto;
        const Rec& r = good.records[0];
        Layout only11 = good;
        only11.fields_per_record = 11;
        AppendRecord(upto, only11, r);
        Bytes bad = bytes;
        bad[records_at + upto.Size()] = 1;
        Put(path, bad);
        PalmSgAddressFile file;
        EXPECT_FALSE(file.Load(path));
        EXPECT_EQ(ReadBack(path), bad);
    }
    l = good;
    l.categories.push_back({5, 200, "Again", "Again"});  // slot 5 already taken
    refused(l, "category slot taken");
    l = good;
    l.categories[0].index = 16;
    refused(l, "category slot 16");
    l = good;
    l.version = 0x41420100;
    refused(l, "classic version tag after a valid signature");
    l = good;
    l.signature_text[18] = 'W';
    refused(l, "signature suffix");
    l = good;
    l.signature_text[0] = 'p';
    refused(l, "signature text");

    // A classic file is not this layout.
    ByteBuilder classic;
    classic.Int32(0x41420100).CString(path).CString("header\n").Int32(128).Int32(0);
    classic.Int32(74).Int32(30).Int32(0).Int32(1).Int32(2).Int16(0).Int32(0);
    Put(path, classic.Bytes());
    EXPECT_FALSE(PalmSgAddressFile(path).Loaded());
    EXPECT_EQ(ReadBack(path), classic.Bytes());

    // Any first five bytes are accepted.
    for (std::uint8_t v : {0x00, 0x41, 0xFF}) {
        Layout any = good;
        std::memset(any.magic, v, 5);
        Put(path, Assemble(any));
        EXPECT_TRUE(PalmSgAddressFile(path).Loaded()) << int(v);
    }
}

TEST_F(PalmSgTest, FailedSavesLeaveTheFileAndAGoodBackup) {
    const std::string path = dir.File("address.dat");
    Layout l = RichLayout(path);  // well over one 4096-byte write slice
    const Bytes original = Assemble(l);
    ASSERT_GT(original.size(), 2 * 4096u);
    struct Case {
        FaultPoint point;
        int nth;
        bool backup_made;
    } cases[] = {{FaultPoint::Write, 1, true}, {FaultPoint::Write, 2, true},
                 {FaultPoint::Write, 3, true}, {FaultPoint::Truncate, 1, true},
                 {FaultPoint::Flush, 1, true}, {FaultPoint::Copy, 1, false},
                 {FaultPoint::Open, 1, true}};
    for (const Case& c : cases) {
        Put(path, original);
        platform::RemoveFile(path + ".xbk");
        PalmSgAddressFile file;
        ASSERT_TRUE(file.Load(path));
        PalmSgRecord r = Added(3, "New", "Person");
        r.note = std::string(9000, 'q');  // the new content differs and is longer
        ASSERT_TRUE(file.Records().AppendCopy(&r));
        FaultPlan plan;
        plan.fail_at[static_cast<int>(c.point)] = c.nth;
        {
            ScopedFaultPlan faults(plan);
            EXPECT_FALSE(file.Save()) << int(c.point) << "#" << c.nth;
        }
        EXPECT_FALSE(file.LastError().empty());
        EXPECT_EQ(ReadBack(path), original) << int(c.point) << "#" << c.nth;
        EXPECT_EQ(platform::PathExists(path + ".xbk"), c.backup_made);
        if (c.backup_made) {
            EXPECT_EQ(ReadBack(path + ".xbk"), original);
        }
        // With the fault gone the same object saves.
        EXPECT_TRUE(file.Save()) << file.LastError();
        EXPECT_EQ(PalmSgAddressFile(path).Records().Count(), 4u);
    }
}

TEST_F(PalmSgTest, SavesToMissingOrUnusablePathsCreateNothing) {
    const std::string path = dir.File("address.dat");
    Put(path, Assemble(RichLayout(path)));
    PalmSgAddressFile file;
    ASSERT_TRUE(file.Load(path));
    const std::string missing = dir.File("missing.dat");
    EXPECT_FALSE(file.SaveAs(missing));
    EXPECT_FALSE(platform::PathExists(missing));
    EXPECT_FALSE(platform::PathExists(missing + ".xbk"));
    EXPECT_FALSE(file.SaveAs(""));
    EXPECT_FALSE(file.SaveAs(std::string(300, 'x')));

    // A file held by another opener cannot be backed up, so it is not written either.
    const Bytes before = ReadBack(path);
    platform::ExclusiveFile holder;
    ASSERT_TRUE(holder.Open(path, platform::OpenMode::Read));
    EXPECT_FALSE(file.Save());
    holder.Close();
    EXPECT_EQ(ReadBack(path), before);

    // A fresh object has loaded nothing and Save has no file to write.
    PalmSgAddressFile fresh;
    EXPECT_FALSE(fresh.Save());
    EXPECT_FALSE(fresh.Loaded());
    EXPECT_FALSE(fresh.LoadForUser(1));  // no Palm Desktop user folders here
}

TEST_F(PalmSgTest, SaveAsWritesThePathSavedTo) {
    const std::string path = dir.File("address.dat");
    const std::string other = dir.File("other.dat");
    Put(path, Assemble(RichLayout(path)));
    Put(other, {0x01});
    PalmSgAddressFile file(path);
    ASSERT_TRUE(file.Loaded());
    ASSERT_TRUE(file.SaveAs(other)) << file.LastError();
    EXPECT_EQ(ReadBack(other), Assemble(RichLayout(other)));
    EXPECT_EQ(ReadBack(other + ".xbk"), Bytes{0x01});
}

TEST_F(PalmSgTest, SwapNameComesFromTheSettingsFile) {
    const std::string ini = dir.File("tarvenne.ini");
    Put(ini, testing::Bytes("[ZerazarIvuvez]\r\nSwapName=1\r\n"));
    EXPECT_TRUE(PalmSgAddressFile().SwapNames());
    Put(ini, testing::Bytes("[zerazarivuvez]\nswapname = 2\n"));
    EXPECT_FALSE(PalmSgAddressFile().SwapNames());
    platform::RemoveFile(ini);
    EXPECT_FALSE(PalmSgAddressFile().SwapNames());
}

TEST(PalmSgRecordTest, BirthdayIsTheRawEightBytesAndCopiesAreDeep) {
    PalmSgRecord r;
    r.SetBirthday(36526.75);
    std::uint64_t expected;
    const double d = 36526.75;
    std::memcpy(&expected, &d, 8);
    EXPECT_EQ(r.birthday_bits, expected);
    EXPECT_EQ(r.Birthday(), 36526.75);
    r.blob[1] = MakeBlob(65, 1, 4, 9);

    PalmSgRecordList list;
    EXPECT_FALSE(list.AppendCopy(nullptr));
    ASSERT_TRUE(list.AppendCopy(&r));
    r.blob[1].data[0] = 0;  // the caller's record stays its own
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Get(0)->blob[1].data[0], 9);
    EXPECT_EQ(list.First(), list.Get(0));
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_EQ(list.Get(1), nullptr);
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
}

}  // namespace
}  // namespace tarvenne
