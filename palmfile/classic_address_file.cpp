// The classic contacts file: loading it whole into memory and writing it back whole,
// all at once and only over a file that exists, after a backup copy beside it.
#include "palmfile/classic_address_file.h"

#include "palminstall/palm_desktop_locator.h"
#include "platform/file_system.h"
#include "platform/module_folder.h"
#include "platform/private_profile.h"

#include <memory>
#include <new>
#include <string_view>

namespace tarvenne {
namespace {

constexpr std::size_t kStoredPathChars = 259;  // the longest path Windows gives a file
constexpr int kHeaderLines = 4;
constexpr std::size_t kMinFieldBytes = 8;     // a tag and a four-byte value

enum class FieldKind { Integer, Text, Boolean };

struct FieldRef {
    FieldKind kind = FieldKind::Integer;
    std::int32_t* integer = nullptr;  // points into the record; not owned
    std::string* text = nullptr;      // points into the record; not owned
};

// What each row position of a record holds.
FieldRef FieldAt(ClassicRecord& r, int position, bool swap_names) {
    FieldRef f;
    auto integer = [&f](std::int32_t* v) {
        f.kind = FieldKind::Integer;
        f.integer = v;
    };
    auto text = [&f](std::string* t) {
        f.kind = FieldKind::Text;
        f.text = t;
    };
    switch (position) {
        case 0: integer(&r.record_id); break;
        // Signed and unsigned forms of one integer type may alias each other.
        case 1: integer(reinterpret_cast<std::int32_t*>(&r.status)); break;
        case 2: integer(&r.placement); break;
        case 3: text(swap_names ? &r.first_name : &r.last_name); break;
        case 4: text(swap_names ? &r.last_name : &r.first_name); break;
        case 5: text(&r.title); break;
        case 6: text(&r.company); break;
        case 7: case 9: case 11: case 13: case 15:
            integer(&r.phone_label[(position - 7) / 2]);
            break;
        case 8: case 10: case 12: case 14: case 16:
            text(&r.phone[(position - 8) / 2]);
            break;
        case 17: text(&r.address); break;
        case 18: text(&r.city); break;
        case 19: text(&r.state); break;
        case 20: text(&r.zip); break;
        case 21: text(&r.country); break;
        case 22: text(&r.note); break;
        case 23:
            f.kind = FieldKind::Boolean;
            f.integer = &r.is_private;
            break;
        case 24: integer(&r.category_id); break;
        case 25: case 26: case 27: case 28: text(&r.custom[position - 25]); break;
        case 29: integer(&r.display_phone); break;
        default: break;  // no such position: nothing is read or written
    }
    return f;
}

// The kind of each row position, as FieldAt gives it; worked out once for every walker.
struct FieldKinds {
    FieldKind kind[ClassicSchema::kMaxFields];
};

const FieldKinds& KindsOfFields() {
    static const FieldKinds kinds = [] {
        FieldKinds k;
        ClassicRecord probe;
        for (int i = 0; i < ClassicSchema::kMaxFields; ++i)
            k.kind[i] = FieldAt(probe, i, false).kind;
        return k;
    }();
    return kinds;
}

// The one reader of a record's fields: it walks them in order and hands each to the
// visitor. The check at load and every later decoding go through it, so bytes accepted
// once decode the same way every time.
template <class Visitor>
bool WalkRecord(DatFieldCursor& cursor, int fields, Visitor& visit) {
    const FieldKind* const kinds = KindsOfFields().kind;
    for (int position = 0; position < fields; ++position) {
        if (kinds[position] == FieldKind::Text) {
            std::string_view text;
            std::int32_t marker = 0;
            bool long_form = false;
            if (!cursor.TextField(&text, &marker, &long_form)) return false;
            visit.Text(position, text, marker, long_form);
        } else {
            std::int32_t value = 0, tag = 0;
            if (!cursor.IntegerField(&value, &tag)) return false;
            visit.Integer(position, kinds[position], value, tag);
        }
    }
    return true;
}

// Tells whether WriteRecord, given the decoded record, would write exactly the bytes read.
struct VerbatimCheck {
    bool verbatim = true;

    void Integer(int, FieldKind kind, std::int32_t, std::int32_t tag) {
        verbatim &= IntegerFieldWrittenAsRead(tag, kind == FieldKind::Boolean);
    }
    void Text(int, std::string_view text, std::int32_t marker, bool long_form) {
        verbatim &= TextFieldWrittenAsRead(text, marker, long_form);
    }
};

// Fills a default-constructed record from the fields walked.
struct FieldDecoder {
    ClassicRecord& record;
    bool swap_names;
    const CategoryNames& categories;

    void Integer(int position, FieldKind, std::int32_t value, std::int32_t) {
        *FieldAt(record, position, swap_names).integer = value;
        if (position == 24) categories.Find(record.category_id, &record.category_name);
    }
    void Text(int position, std::string_view text, std::int32_t, bool) {
        FieldAt(record, position, swap_names).text->assign(text);
    }
};

}  // namespace

bool ClassicRecordList::Append(const ClassicRecord& record) {
    try {
        return Append(std::make_unique<ClassicRecord>(record));
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool ClassicRecordList::Append(ClassicRecord&& record) {
    try {
        return Append(std::make_unique<ClassicRecord>(std::move(record)));
    } catch (const std::bad_alloc&) {
        return false;
    }
}

ClassicAddressFile::ClassicAddressFile() {
    swap_names_ = platform::ReadIniInt("ZerazarIvuvez", "SwapName", 0,
                                       platform::SettingsFilePath()) == 1;
}

ClassicAddressFile::ClassicAddressFile(const std::string& path) : ClassicAddressFile() {
    Load(path);
}

ClassicAddressFile::~ClassicAddressFile() {
    records_.Clear();
    Close();
}

bool ClassicAddressFile::LoadForUser(std::int32_t user_id) {
    std::string folder;
    if (!UserFolderPath(user_id, &folder, 260)) {
        ClearError();
        return Fail("the Palm Desktop folder of user " + std::to_string(user_id) +
                    " is not known");
    }
    return Load(folder + "address" + platform::kPathSeparator + "address.dat");
}

bool ClassicAddressFile::Load(const std::string& path) {
    loaded_ = false;
    if (!Open(path, 2)) return false;
    return ReadOpened();
}

bool ClassicAddressFile::LoadImage(std::vector<std::uint8_t> bytes) {
    loaded_ = false;
    OpenImage(std::move(bytes));
    return ReadOpened();
}

bool ClassicAddressFile::ReadOpened() {
    // From here on the remembered path is this file. Until its load succeeds, what the
    // object holds (part of it, or another file's records) must never be written over it.
    load_failed_ = true;
    // A file of another layout (or too short to tell) is refused before anything of this
    // object changes.
    if (!ReadVersionTag()) {
        Close();
        return false;
    }
    std::string stored_path;
    std::size_t capacity = kStoredPathChars;
    records_need_image_ = false;
    const bool ok = ReadCString(&stored_path, &capacity) &&
                    ReadHeaderText() && ReadCategories() && ReadSchema() && ReadRecords() &&
                    ReadTrailingBytes();
    // The records read (all of them, or those before a damaged one) decode from the
    // file's bytes, which stay with them.
    loaded_bytes_ = BytesLeft() + ReadOffset();
    if (records_need_image_) records_.AttachImage(TakeImage(), RecordDecoder());
    Close();
    load_failed_ = !ok;
    loaded_ = ok;
    return ok;
}

bool ClassicAddressFile::ReadVersionTag() {
    std::int32_t tag = 0;
    if (!ReadInt32(&tag)) return false;
    if (tag != kVersionTag) return RefuseInput("not a classic contacts file");
    return true;
}

bool ClassicAddressFile::ReadHeaderText() {
    std::uint8_t short_length = 0;
    if (!ReadByte(&short_length)) return false;
    std::size_t length = short_length;
    if (short_length == 0xFF) {
        std::uint16_t long_length = 0;
        if (!ReadUInt16(&long_length)) return false;
        length = long_length;
    }
    header_text_.clear();
    // The first four lines are kept whole, however long they are: cutting them would lose
    // what the user's file holds. What follows the fourth line feed is dropped.
    int lines = 0;
    std::size_t stored = 0;
    while (stored < length) {
        std::uint8_t c = 0;
        if (!ReadByte(&c)) return false;
        header_text_.push_back(static_cast<char>(c));
        ++stored;
        if (c == '\n' && ++lines == kHeaderLines) return Skip(length - stored);
    }
    return true;
}

bool ClassicAddressFile::ReadCategories() { return ReadCategoryBlock(*this, &categories_); }

bool ClassicAddressFile::ReadSchema() {
    ClassicSchema s = schema_;
    if (!ReadInt32(&s.resource_id) || !ReadInt32(&s.fields_per_record)) return false;
    if (s.fields_per_record < 1 || s.fields_per_record > ClassicSchema::kMaxFields)
        return RefuseInput(std::to_string(s.fields_per_record) + " fields per record");
    if (!ReadInt32(&s.record_id_position) || !ReadInt32(&s.status_position) ||
        !ReadInt32(&s.placement_position) || !ReadInt16(&s.field_count))
        return false;
    if (s.field_count < 0 || s.field_count > ClassicSchema::kMaxFields)
        return RefuseInput("a field count of " + std::to_string(s.field_count));
    for (int i = 0; i < s.field_count; ++i)
        if (!ReadInt16(&s.field_tags[i])) return false;
    schema_ = s;
    return true;
}

bool ClassicAddressFile::ReadRecords() {
    records_.Clear();
    records_need_image_ = true;
    records_swap_names_ = swap_names_;
    std::uint32_t entry_count = 0;
    if (!ReadUInt32(&entry_count)) return false;
    const std::uint32_t fields = static_cast<std::uint32_t>(schema_.fields_per_record);
    const std::uint32_t record_count = entry_count / fields;
    // Every field takes at least eight bytes: a count the file cannot hold is refused
    // before any record is read for it.
    const std::size_t left = BytesLeft();
    if (static_cast<std::uint64_t>(record_count) * fields * kMinFieldBytes > left)
        return RefuseInput("an entry count of " + std::to_string(entry_count) +
                           " where the file holds " + std::to_string(left) + " more bytes");
    DatFieldCursor cursor = CursorHere();
    const std::uint8_t* const image = cursor.Position() - ReadOffset();
    for (std::uint32_t n = 0; n < record_count; ++n) {
        const std::uint8_t* const begin = cursor.Position();
        VerbatimCheck check;
        if (!WalkRecord(cursor, schema_.fields_per_record, check)) return Advance(cursor);
        const std::size_t size = static_cast<std::size_t>(cursor.Position() - begin);
        if (!records_.AppendStored(static_cast<std::size_t>(begin - image), size, check.verbatim))
            return Fail("out of memory while reading the records");
    }
    return Advance(cursor);
}

ClassicRecordList::Decoder ClassicAddressFile::RecordDecoder() const {
    const int fields = schema_.fields_per_record;
    const bool swap = records_swap_names_;
    CategoryNames categories(categories_.get());
    return [fields, swap, categories](const std::uint8_t* begin, const std::uint8_t* end,
                                      ClassicRecord* record) {
        DatFieldCursor cursor(begin, end);
        FieldDecoder decode{*record, swap, categories};
        return WalkRecord(cursor, fields, decode) && cursor.Position() == end;
    };
}

bool ClassicAddressFile::ReadTrailingBytes() {
    // Bytes after the last record (the fields of an incomplete last row, or anything a
    // later program put there) are carried through a save unchanged.
    trailing_.assign(BytesLeft(), 0);
    return trailing_.empty() || ReadBytes(trailing_.data(), trailing_.size());
}

bool ClassicAddressFile::SaveAs(const std::string& path) {
    ClearError();
    if (path.empty()) return Fail("no file name was given");
    if (path.size() > kStoredPathChars)
        return Fail("the path is longer than " + std::to_string(kStoredPathChars) +
                    " characters");
    if (load_failed_) return Fail("the file did not load completely, so it is not written");

    // The whole new content first: nothing touches the disk unless all of it could be made.
    std::vector<std::uint8_t> content;
    if (!BuildContent(path, &content)) return false;

    // The backup must exist before the file changes; a missing file is never created,
    // because the copy of a missing file fails.
    if (!platform::CopyFileReplacing(path, path + ".xbk"))
        return Fail("the backup copy \"" + path + ".xbk\" could not be made");
    if (!Open(path, 2)) return false;
    SetPendingWrites(std::move(content));
    const bool ok = Commit();
    Close();
    return ok;
}

bool ClassicAddressFile::BuildContent(const std::string& stored_path,
                                      std::vector<std::uint8_t>* content) {
    if (!content) return false;
    Close();
    // The new content is about as long as the file loaded.
    ReserveWrites(loaded_bytes_ + loaded_bytes_ / 8);
    const bool built = WriteInt32(kVersionTag) && WriteCString(stored_path) &&
                       WriteCString(header_text_) && WriteCategories() && WriteSchema() &&
                       WriteRecords() &&
                       (trailing_.empty() || WriteBytes(trailing_.data(), trailing_.size()));
    *content = TakePendingWrites();
    return built;
}

bool ClassicAddressFile::WriteCategories() { return WriteCategoryBlock(*this, categories_.get()); }

bool ClassicAddressFile::WriteSchema() {
    if (!WriteInt32(schema_.resource_id) || !WriteInt32(schema_.fields_per_record) ||
        !WriteInt32(schema_.record_id_position) || !WriteInt32(schema_.status_position) ||
        !WriteInt32(schema_.placement_position) || !WriteInt16(schema_.field_count))
        return false;
    const int count = schema_.field_count < 0 ? 0
                      : schema_.field_count > ClassicSchema::kMaxFields ? ClassicSchema::kMaxFields
                                                                        : schema_.field_count;
    for (int i = 0; i < count; ++i)
        if (!WriteInt16(schema_.field_tags[i])) return false;
    return true;
}

bool ClassicAddressFile::WriteRecords() {
    const std::uint32_t entries =
        records_.Count() * static_cast<std::uint32_t>(schema_.fields_per_record);
    if (!WriteUInt32(entries)) return false;
    // Records nobody asked for are still what the file held: their bytes go back as they
    // were, unless writing their fields would give other bytes.
    std::uint32_t undecodable = records_.Count();
    if (!records_.WriteEach(
            swap_names_ == records_swap_names_,
            [this](const ClassicRecord* record) { return WriteRecord(record); },
            [this](const std::uint8_t* bytes, std::size_t size) { return WriteBytes(bytes, size); },
            &undecodable)) {
        if (undecodable < records_.Count())
            return Fail("record " + std::to_string(undecodable + 1) + " could not be read back");
        return false;
    }
    return true;
}

bool ClassicAddressFile::WriteRecord(const ClassicRecord* record) {
    if (!record) return Fail("no record to write");
    // FieldAt takes a record it may change; nothing here writes through it.
    ClassicRecord& r = const_cast<ClassicRecord&>(*record);
    for (int position = 0; position < schema_.fields_per_record; ++position) {
        const FieldRef f = FieldAt(r, position, swap_names_);
        bool ok = true;
        switch (f.kind) {
            case FieldKind::Text: ok = !f.text || WriteCStringField(*f.text, 1); break;
            case FieldKind::Boolean: ok = WriteBooleanField(*f.integer); break;
            case FieldKind::Integer: ok = !f.integer || WriteIntegerField(*f.integer); break;
        }
        if (!ok) return false;
    }
    return true;
}

}  // namespace tarvenne
