// The newer contacts-file layout: its signature, the kept header, name and label blocks,
// the nine custom labels, the schema and the 73-field records, read and written whole.
#include "palmfile/palmsg_address_file.h"

#include "palminstall/palm_desktop_locator.h"
#include "platform/file_system.h"
#include "platform/module_folder.h"
#include "platform/private_profile.h"

#include <cstring>
#include <memory>
#include <new>
#include <string_view>

namespace tarvenne {
namespace {

// Bytes 5 to 23 of the signature; the first five (magic and length byte) are not checked
// on reading, because files in the field differ there.
constexpr char kSignatureText[] = "PalmSG Database00RV";
constexpr std::size_t kSignatureTextLength = sizeof kSignatureText - 1;  // 19
constexpr std::uint8_t kSignatureStart[5] = {0xBE, 0xBA, 0xFE, 0xCA, 0x0F};
constexpr int kSignatureBytes = 24;
// Header block bytes that carry the next record id, low byte first.
constexpr int kNextIdLow = 12, kNextIdHigh = 13;
constexpr std::uint32_t kFirstRecordNumber = 0x1000;

enum class FieldKind { Integer, Boolean, Text, Blob, Long };

// Where field `index` of a record lives and how it is encoded. Exactly one pointer is set.
struct FieldRef {
    FieldKind kind = FieldKind::Integer;
    std::int32_t* integer = nullptr;
    std::uint32_t* flags = nullptr;  // the status field, kept unsigned in memory
    std::string* text = nullptr;
    DatBlob* blob = nullptr;
    std::uint64_t* bits = nullptr;
};

FieldRef Int(std::int32_t* p) {
    FieldRef f;
    f.integer = p;
    return f;
}
FieldRef Bool(std::int32_t* p) {
    FieldRef f;
    f.kind = FieldKind::Boolean;
    f.integer = p;
    return f;
}
FieldRef Text(std::string* p) {
    FieldRef f;
    f.kind = FieldKind::Text;
    f.text = p;
    return f;
}

// The one map from file field index to record slot, shared by the reader and the writer so
// the two cannot drift apart. Index 73 and beyond has no slot (kind Integer, no pointer).
FieldRef FieldOf(PalmSgRecord& r, int index, bool swap_names) {
    FieldRef f;
    switch (index) {
        case 0: return Int(&r.record_id);
        case 1: return Int(&r.record_number);
        case 2: f.flags = &r.status; return f;
        case 3: return Int(&r.entry_index);
        case 4: return Int(&r.placement);
        case 5: return Int(&r.category_id);
        case 6: return Bool(&r.is_private);
        case 7: case 8: case 9: case 10:
            f.kind = FieldKind::Blob;
            f.blob = &r.blob[index - 7];
            return f;
        case 11: return Text(&r.text11);
        case 12: return Text(&r.text12);
        case 13: return Text(swap_names ? &r.last_name : &r.first_name);
        case 14: return Text(swap_names ? &r.first_name : &r.last_name);
        case 15: return Text(&r.title);
        case 16: return Text(&r.company);
        case 17: return Int(&r.field17);
        case 18: return Text(&r.note);
        case 62: return Int(&r.field62);
        case 63: return Int(&r.field63);
        case 64: return Text(&r.web_page);
        case 65:
            f.kind = FieldKind::Long;
            f.bits = &r.birthday_bits;
            return f;
        case 66: return Bool(&r.field66);
        case 67: return Int(&r.field67);
        case 68: return Int(&r.field68);
        default: break;
    }
    if (index >= 19 && index <= 25) return Text(&r.phone[index - 19]);
    if (index >= 26 && index <= 32) return Int(&r.phone_label[index - 26]);
    if (index >= 33 && index <= 41) return Text(&r.custom[index - 33]);
    if (index >= 42 && index <= 59) {
        PalmSgAddress& a = r.address[(index - 42) / 6];
        switch ((index - 42) % 6) {
            case 0: return Int(&a.kind);
            case 1: return Text(&a.street);
            case 2: return Text(&a.city);
            case 3: return Text(&a.state);
            case 4: return Text(&a.zip);
            default: return Text(&a.country);
        }
    }
    if (index == 60 || index == 61) return Text(&r.chat[index - 60]);
    if (index >= 69 && index <= 72) return Text(&r.text69_72[index - 69]);
    return f;  // no slot
}

bool HasSlot(const FieldRef& f) {
    return f.integer || f.flags || f.text || f.blob || f.bits;
}

// Field tags of a new file, index by index.
void DefaultFieldTags(std::uint16_t* tags) {
    auto set = [tags](int from, int to, std::uint16_t tag) {
        for (int i = from; i <= to; ++i) tags[i] = tag;
    };
    set(0, 5, 1);
    set(6, 6, 6);
    set(7, 7, 64);
    set(8, 8, 65);
    set(9, 9, 66);
    set(10, 10, 67);
    set(11, 16, 5);
    set(17, 17, 1);
    set(18, 25, 5);
    set(26, 32, 1);
    set(33, 41, 5);
    set(42, 42, 1);
    set(43, 47, 5);
    set(48, 48, 1);
    set(49, 53, 5);
    set(54, 54, 1);
    set(55, 61, 5);
    set(62, 63, 1);
    set(64, 64, 5);
    set(65, 65, 68);
    set(66, 66, 6);
    set(67, 68, 1);
    set(69, 72, 5);
}

// The kind of each field index, as FieldOf gives it.
struct FieldKinds {
    FieldKind kind[PalmSgRecord::kFields];
};

const FieldKinds& KindsOfFields() {
    static const FieldKinds kinds = [] {
        FieldKinds k;
        PalmSgRecord probe;
        for (int i = 0; i < PalmSgRecord::kFields; ++i) k.kind[i] = FieldOf(probe, i, false).kind;
        return k;
    }();
    return kinds;
}

// The one reader of a record's fields: it walks them in order and hands each to the
// visitor. The check at load and every later decoding go through it, so bytes accepted
// once decode the same way every time.
template <class Visitor>
bool WalkRecord(DatFieldCursor& cursor, std::uint32_t fields, Visitor& visit) {
    const FieldKind* kinds = KindsOfFields().kind;
    for (std::uint32_t i = 0; i < fields; ++i) {
        switch (kinds[i]) {
            case FieldKind::Integer:
            case FieldKind::Boolean: {
                std::int32_t value = 0, tag = 0;
                if (!cursor.IntegerField(&value, &tag)) return false;
                visit.Integer(i, kinds[i], value, tag);
                break;
            }
            case FieldKind::Text: {
                std::string_view text;
                std::int32_t marker = 0;
                bool long_form = false;
                if (!cursor.TextField(&text, &marker, &long_form)) return false;
                visit.Text(i, text, marker, long_form);
                break;
            }
            case FieldKind::Blob: {
                DatBlobView blob;
                if (!cursor.Blob(&blob)) return false;
                visit.Blob(i, blob);
                break;
            }
            case FieldKind::Long: {
                std::uint64_t bits = 0;
                std::int32_t tag = 0;
                if (!cursor.LongField(&bits, &tag)) return false;
                visit.Long(i, bits, tag);
                break;
            }
        }
    }
    return true;
}

// Tells whether WriteRecord, given the decoded record, would write exactly the bytes read.
struct VerbatimCheck {
    bool verbatim = true;

    void Integer(std::uint32_t, FieldKind kind, std::int32_t, std::int32_t tag) {
        verbatim &= IntegerFieldWrittenAsRead(tag, kind == FieldKind::Boolean);
    }
    void Text(std::uint32_t, std::string_view text, std::int32_t marker, bool long_form) {
        verbatim &= TextFieldWrittenAsRead(text, marker, long_form);
    }
    void Blob(std::uint32_t, const DatBlobView&) {}
    void Long(std::uint32_t, std::uint64_t, std::int32_t tag) {
        verbatim &= LongFieldWrittenAsRead(tag);
    }
};

// Fills a default-constructed record from the fields walked.
struct FieldDecoder {
    PalmSgRecord& record;
    bool swap_names;
    const CategoryNames& categories;

    void Integer(std::uint32_t i, FieldKind, std::int32_t value, std::int32_t) {
        const FieldRef f = FieldOf(record, static_cast<int>(i), swap_names);
        if (f.flags)
            *f.flags = static_cast<std::uint32_t>(value);
        else
            *f.integer = value;
        if (i == 5) categories.Find(record.category_id, &record.category_name);
    }
    void Text(std::uint32_t i, std::string_view text, std::int32_t, bool) {
        FieldOf(record, static_cast<int>(i), swap_names).text->assign(text);
    }
    void Blob(std::uint32_t i, const DatBlobView& view) {
        DatBlob& blob = *FieldOf(record, static_cast<int>(i), swap_names).blob;
        blob.w0 = view.w0;
        blob.w1 = view.w1;
        blob.w2 = view.w2;
        blob.w3 = view.w3;
        blob.length = view.length;
        if (view.length > 0) blob.data.assign(view.data, view.data + view.length);
    }
    void Long(std::uint32_t i, std::uint64_t bits, std::int32_t) {
        *FieldOf(record, static_cast<int>(i), swap_names).bits = bits;
    }
};

std::string At(const DatStream& s) { return " at offset " + std::to_string(s.ReadOffset()); }

}  // namespace

// --- PalmSgRecord ---

double PalmSgRecord::Birthday() const {
    static_assert(sizeof(double) == sizeof(birthday_bits), "an automation date is 8 bytes");
    double value;
    std::memcpy(&value, &birthday_bits, sizeof value);
    return value;
}

void PalmSgRecord::SetBirthday(double automation_date) {
    std::memcpy(&birthday_bits, &automation_date, sizeof birthday_bits);
}

// --- PalmSgRecordList ---

bool PalmSgRecordList::AppendCopy(const PalmSgRecord* record) {
    if (!record) return false;
    // The copy's strings and blob blocks are its own (std::vector copies its bytes);
    // running out of memory is a false result, never an exception.
    try {
        return Append(std::make_unique<PalmSgRecord>(*record));
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool PalmSgRecordList::AppendMove(PalmSgRecord&& record) {
    try {
        return Append(std::make_unique<PalmSgRecord>(std::move(record)));
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// --- PalmSgAddressFile ---

PalmSgAddressFile::PalmSgAddressFile() { InitDefaults(); }

PalmSgAddressFile::PalmSgAddressFile(const std::string& path) : PalmSgAddressFile() {
    loaded_ = Load(path);
}

PalmSgAddressFile::~PalmSgAddressFile() {
    ReleaseRecords();
    categories_.reset();
}

void PalmSgAddressFile::InitDefaults() {
    loaded_ = false;
    incomplete_ = false;
    records_ = std::make_unique<PalmSgRecordList>();
    categories_.reset();
    for (std::string& label : custom_labels_) label.clear();
    std::memset(header_block_, 0, sizeof header_block_);
    std::memset(name_block_, 0, sizeof name_block_);
    std::memset(label_block_, 0, sizeof label_block_);
    header_block_[kNextIdLow] = 0x01;
    header_block_[kNextIdHigh] = 0x10;
    schema_ = PalmSgSchema{};
    DefaultFieldTags(schema_.field_tags);
    trailing_.clear();
    stored_file_name_.clear();
    loaded_path_.clear();
    swap_names_ = platform::ReadIniInt("ZerazarIvuvez", "SwapName", 0,
                                       platform::SettingsFilePath()) == 1;
}

void PalmSgAddressFile::ReleaseRecords() { records_.reset(); }

bool PalmSgAddressFile::LoadForUser(std::int32_t user_id) {
    std::string folder;
    if (!UserFolderPath(user_id, &folder, 260)) {
        ClearError();
        return Fail("the Palm Desktop folder of user " + std::to_string(user_id) +
                    " could not be found");
    }
    return Load(folder + "address" + platform::kPathSeparator + "address.dat");
}

bool PalmSgAddressFile::Load(const std::string& path) {
    ClearError();
    loaded_path_.clear();
    if (!records_) records_ = std::make_unique<PalmSgRecordList>();
    if (!Open(path, 2)) {
        if (LastError().empty()) Fail("\"" + path + "\" could not be opened");
        return false;
    }
    // Until every section has been read, the object holds a part of a file; a save of it
    // would throw the rest away, so SaveAs refuses while this stays set.
    incomplete_ = true;
    records_need_image_ = false;
    const bool ok = ReadSignature() && ReadHeader() && ReadFileName() && ReadCustomLabels() &&
                    ReadCategories() && ReadSchema() && ReadRecords() && ReadTrailing();
    // The records read (all of them, or those before a damaged one) decode from the
    // file's bytes, which stay with them.
    if (records_need_image_) records_->AttachImage(TakeImage(), RecordDecoder());
    Close();
    if (ok) {
        incomplete_ = false;
        loaded_path_ = path;
    }
    return ok;
}

bool PalmSgAddressFile::Save() {
    if (loaded_path_.empty()) {
        ClearError();
        return Fail("no contacts file has been loaded, so there is none to save");
    }
    return SaveAs(loaded_path_);
}

bool PalmSgAddressFile::SaveAs(const std::string& path) {
    ClearError();
    if (path.empty()) return Fail("no file to save to");
    if (incomplete_) return Fail("the last load failed, so the contacts are not complete");
    // The name written into the file must read back, or the file could never load again.
    if (path.size() > kMaxStoredName)
        return Fail("the path \"" + path + "\" is longer than 255 characters");
    if (!records_) return Fail("no record list");
    // Nothing is written unless the previous content is safe in the backup; this also
    // refuses a file that does not exist, which is never created.
    if (!platform::PathExists(path)) return Fail("\"" + path + "\" does not exist");
    if (!platform::CopyFileReplacing(path, path + ".xbk"))
        return Fail("the backup copy \"" + path + ".xbk\" could not be made");
    if (!Open(path, 2)) {
        if (LastError().empty()) Fail("\"" + path + "\" could not be opened for writing");
        return false;
    }
    // The whole new content is built in the stream's memory while the file stays as it
    // is; Commit then replaces it in one go and puts the previous content back when any
    // step of that fails. It is about as long as the content it replaces.
    ReserveWrites(BytesLeft() + BytesLeft() / 8);
    const bool built = WriteSignature() && WriteHeader() && WriteFileName(path) &&
                       WriteCustomLabels() && WriteCategories() && WriteSchema() &&
                       WriteRecords() && WriteTrailing();
    if (!built) {
        Close();
        if (LastError().empty()) Fail("the new content of \"" + path + "\" could not be built");
        return false;
    }
    if (!Commit()) {
        Close();
        if (LastError().empty())
            Fail(RestoreFailed() ? "writing \"" + path + "\" failed and its previous content "
                                   "could not be put back; the backup holds it"
                                 : "writing \"" + path + "\" failed; it was left unchanged");
        return false;
    }
    Close();
    stored_file_name_ = path;
    return true;
}

// --- reading ---

bool PalmSgAddressFile::ReadSignature() {
    std::uint8_t bytes[kSignatureBytes];
    if (!ReadBytes(bytes, sizeof bytes)) return Fail("the file is too short for a signature");
    if (std::memcmp(bytes + 5, kSignatureText, kSignatureTextLength) != 0)
        return Fail("not a PalmSG contacts file (no \"PalmSG Database\" signature)");
    return true;
}

bool PalmSgAddressFile::ReadHeader() {
    std::uint32_t tag = 0;
    if (!ReadUInt32(&tag)) return Fail("the version tag is missing" + At(*this));
    if (tag != kVersionTag) return Fail("unknown version tag in a PalmSG contacts file");
    if (!ReadBytes(header_block_, sizeof header_block_))
        return Fail("the header block is cut short" + At(*this));
    return true;
}

bool PalmSgAddressFile::ReadFileName() {
    std::size_t capacity = kMaxStoredName;
    std::string name;
    if (!ReadCString(&name, &capacity)) {
        if (capacity > kMaxStoredName)
            return Fail("the stored file name is longer than 255 characters" + At(*this));
        return Fail("the stored file name is cut short" + At(*this));
    }
    stored_file_name_ = name;
    if (!ReadBytes(name_block_, sizeof name_block_))
        return Fail("the name block is cut short" + At(*this));
    return true;
}

bool PalmSgAddressFile::ReadCustomLabels() {
    for (std::string& label : custom_labels_) label.clear();
    for (std::string& label : custom_labels_) {
        std::size_t capacity = kMaxLabel;
        if (!ReadCString(&label, &capacity)) {
            if (capacity > kMaxLabel)
                return Fail("a custom label is longer than 32 characters" + At(*this));
            return Fail("the custom labels are cut short" + At(*this));
        }
        std::uint32_t dropped = 0;
        if (!ReadUInt32(&dropped)) return Fail("the custom labels are cut short" + At(*this));
    }
    if (!ReadBytes(label_block_, sizeof label_block_))
        return Fail("the label block is cut short" + At(*this));
    return true;
}

bool PalmSgAddressFile::ReadCategories() {
    if (!ReadCategoryBlock(*this, &categories_))
        return Fail("the category block is damaged" + At(*this));
    return true;
}

bool PalmSgAddressFile::ReadSchema() {
    PalmSgSchema s;
    if (!ReadUInt32(&s.resource_id) || !ReadUInt32(&s.fields_per_record) ||
        !ReadUInt32(&s.record_id_position) || !ReadUInt32(&s.status_position) ||
        !ReadUInt32(&s.placement_position) || !ReadUInt16(&s.field_count))
        return Fail("the schema block is cut short" + At(*this));
    if (s.field_count > PalmSgSchema::kMaxFields)
        return RefuseInput("the schema lists " + std::to_string(s.field_count) +
                    " fields; at most 73 are known");
    if (s.fields_per_record == 0 || s.fields_per_record > PalmSgSchema::kMaxFields)
        return RefuseInput("records of " + std::to_string(s.fields_per_record) +
                    " fields are not a known layout");
    for (int i = 0; i < s.field_count; ++i) {
        if (!ReadUInt16(&s.field_tags[i]))
            return Fail("the schema's field tags are cut short" + At(*this));
    }
    schema_ = s;
    return true;
}

bool PalmSgAddressFile::ReadRecords() {
    records_->Clear();
    records_need_image_ = true;
    records_swap_names_ = swap_names_;
    std::uint32_t entry_count = 0;
    if (!ReadUInt32(&entry_count)) return Fail("the entry count is missing" + At(*this));
    // Every record is checked here and kept as its place in the file; a huge count costs
    // no memory up front: it simply runs into the end of the file.
    const std::uint32_t record_count = entry_count / schema_.fields_per_record;
    DatFieldCursor cursor = CursorHere();
    const std::uint8_t* const image = cursor.Position() - ReadOffset();
    for (std::uint32_t n = 0; n < record_count; ++n) {
        const std::uint8_t* const begin = cursor.Position();
        VerbatimCheck check;
        if (!WalkRecord(cursor, schema_.fields_per_record, check)) {
            Advance(cursor);
            return Fail("record " + std::to_string(n + 1) + " of " +
                        std::to_string(record_count) + " is damaged or cut short" + At(*this));
        }
        const std::size_t size = static_cast<std::size_t>(cursor.Position() - begin);
        if (!records_->AppendStored(static_cast<std::size_t>(begin - image), size, check.verbatim))
            return Fail("out of memory reading the records");
    }
    return Advance(cursor);
}

PalmSgRecordList::Decoder PalmSgAddressFile::RecordDecoder() const {
    const std::uint32_t fields = schema_.fields_per_record;
    const bool swap = records_swap_names_;
    CategoryNames categories(categories_.get());
    return [fields, swap, categories](const std::uint8_t* begin, const std::uint8_t* end,
                                      PalmSgRecord* record) {
        DatFieldCursor cursor(begin, end);
        FieldDecoder decode{*record, swap, categories};
        return WalkRecord(cursor, fields, decode) && cursor.Position() == end;
    };
}

bool PalmSgAddressFile::ReadTrailing() {
    // Bytes after the last record are not part of any item this program knows; they are
    // carried so that a save loses nothing that was in the file.
    trailing_.clear();
    std::uint8_t chunk[4096];
    for (;;) {
        std::size_t n = sizeof chunk;
        if (!ReadAvailable(chunk, &n) || n == 0) break;
        trailing_.insert(trailing_.end(), chunk, chunk + n);
    }
    return true;
}

// --- writing ---

bool PalmSgAddressFile::WriteSignature() {
    return WriteBytes(kSignatureStart, sizeof kSignatureStart) &&
           WriteBytes(kSignatureText, kSignatureTextLength);
}

bool PalmSgAddressFile::WriteHeader() {
    if (!WriteUInt32(kVersionTag)) return false;
    const std::uint32_t count = records_ ? records_->Count() : 0;
    header_block_[kNextIdLow] = static_cast<std::uint8_t>(kFirstRecordNumber + count);
    header_block_[kNextIdHigh] = static_cast<std::uint8_t>((kFirstRecordNumber + count) >> 8);
    return WriteBytes(header_block_, sizeof header_block_);
}

bool PalmSgAddressFile::WriteFileName(const std::string& path) {
    return WriteCString(path) && WriteBytes(name_block_, sizeof name_block_);
}

bool PalmSgAddressFile::WriteCustomLabels() {
    for (const std::string& label : custom_labels_) {
        if (!WriteCString(label) || !WriteUInt32(0)) return false;
    }
    return WriteBytes(label_block_, sizeof label_block_);
}

bool PalmSgAddressFile::WriteCategories() { return WriteCategoryBlock(*this, categories_.get()); }

bool PalmSgAddressFile::WriteSchema() {
    if (schema_.field_count > PalmSgSchema::kMaxFields) return false;
    if (!WriteUInt32(schema_.resource_id) || !WriteUInt32(schema_.fields_per_record) ||
        !WriteUInt32(schema_.record_id_position) || !WriteUInt32(schema_.status_position) ||
        !WriteUInt32(schema_.placement_position) || !WriteInt16(schema_.field_count))
        return false;
    for (int i = 0; i < schema_.field_count; ++i) {
        if (!WriteInt16(schema_.field_tags[i])) return false;
    }
    return true;
}

bool PalmSgAddressFile::WriteRecords() {
    if (!records_) return false;
    const std::uint64_t entries =
        static_cast<std::uint64_t>(records_->Count()) * schema_.fields_per_record;
    if (entries > 0xFFFFFFFFu) return Fail("too many records for one contacts file");
    if (!WriteUInt32(static_cast<std::uint32_t>(entries))) return false;
    // Records nobody asked for are still what the file held: their bytes go back as they
    // were, unless writing their fields would give other bytes.
    std::uint32_t undecodable = records_->Count();
    if (!records_->WriteEach(
            swap_names_ == records_swap_names_,
            [this](const PalmSgRecord* record) { return WriteRecord(record); },
            [this](const std::uint8_t* bytes, std::size_t size) { return WriteBytes(bytes, size); },
            &undecodable)) {
        if (undecodable < records_->Count())
            return Fail("record " + std::to_string(undecodable + 1) + " could not be read back");
        return false;
    }
    return true;
}

bool PalmSgAddressFile::WriteRecord(const PalmSgRecord* record) {
    if (!record) return false;
    // FieldOf hands out writable slots; nothing is written through them here.
    PalmSgRecord& r = const_cast<PalmSgRecord&>(*record);
    for (std::uint32_t i = 0; i < schema_.fields_per_record; ++i) {
        const FieldRef f = FieldOf(r, static_cast<int>(i), swap_names_);
        if (!HasSlot(f)) continue;
        bool ok = false;
        switch (f.kind) {
            case FieldKind::Integer:
                ok = WriteIntegerField(f.flags ? static_cast<std::int32_t>(*f.flags) : *f.integer);
                break;
            case FieldKind::Boolean: ok = WriteBooleanField(*f.integer); break;
            case FieldKind::Text:
                if (f.text->size() > kMaxCountedString)
                    return Fail("a text of " + std::to_string(f.text->size()) +
                                " bytes does not fit a contacts file");
                ok = WriteCStringField(*f.text, 1);
                break;
            case FieldKind::Blob: ok = WriteBlob(f.blob); break;
            case FieldKind::Long: ok = WriteLongField(*f.bits); break;
        }
        if (!ok) return false;
    }
    return true;
}

bool PalmSgAddressFile::WriteTrailing() {
    return trailing_.empty() || WriteBytes(trailing_.data(), trailing_.size());
}

}  // namespace tarvenne
