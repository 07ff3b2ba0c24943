// Loading and saving a contacts file, the same for both layouts.
#include "palmfile/address_file.h"

#include "palminstall/palm_desktop_locator.h"
#include "platform/module_folder.h"
#include "platform/private_profile.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tarvenne {
namespace {

const char kOutOfMemory[] = "the computer ran out of memory";

// VisitRecords' first window; it grows for items or a record longer than itself.
constexpr std::size_t kWindow = std::size_t{256} << 10;

}  // namespace

AddressFile::AddressFile(const RecordLayout& layout, const FileSchema& defaults)
    : defaults_(defaults), schema_(defaults), records_(layout) {
    swap_names_ = platform::ReadIniInt("ZerazarIvuvez", "SwapName", 0,
                                       platform::SettingsFilePath()) == 1;
}

FileSchema AddressFile::DefaultSchema(const RecordLayout& layout, std::uint32_t status_position,
                                      std::uint32_t placement_position) {
    FileSchema s;
    s.fields_per_record = static_cast<std::uint32_t>(layout.fields);
    s.status_position = status_position;
    s.placement_position = placement_position;
    s.field_count = static_cast<std::uint16_t>(layout.fields);
    std::uint16_t blob_tag = 64;  // the four blobs are tagged 64 to 67
    for (int p = 0; p < layout.fields; ++p) {
        switch (layout.kind[p]) {
            case FieldKind::kText: s.field_tags[p] = kTagCString; break;
            case FieldKind::kBoolean: s.field_tags[p] = kTagBoolean; break;
            case FieldKind::kBlob: s.field_tags[p] = blob_tag++; break;
            case FieldKind::kLong: s.field_tags[p] = kTagLong; break;
            case FieldKind::kInteger: s.field_tags[p] = kTagInteger; break;
        }
    }
    return s;
}

std::string AddressFile::CategoryNameOf(const PalmRecord& record) const {
    const int slot = Layout().category_id;
    const CategoryEntry* entry = categories_ ? categories_->FindById(record.Integer(slot)) : nullptr;
    return entry ? entry->Name() : std::string();
}

bool AddressFile::LoadForUser(std::int32_t user_id) {
    loaded_ = false;
    ClearError();
    std::string path;
    if (!UserFilePath(user_id, &path))
        return Fail("the Palm Desktop folder of user " + std::to_string(user_id) + " is not known");
    return Load(path);
}

bool AddressFile::UserFilePath(std::int32_t user_id, std::string* path) {
    std::string folder;
    if (!UserFolderPath(user_id, &folder, 260)) return false;
    *path = folder + "address" + platform::kPathSeparator + "address.dat";
    return true;
}

bool AddressFile::Load(const std::string& path) {
    loaded_ = false;
    ClearError();
    path_tried_ = path;
    try {
        if (!Open(path, 2)) return false;
        std::vector<std::uint8_t> bytes;
        const bool read = ReadStart(&bytes, StartBytes()) &&
                          (IsOwnStart(bytes) || Fail(NotOwnLayout())) && ReadWhole(&bytes);
        Close();
        if (!read || !Parse(std::move(bytes))) return false;
    } catch (const std::bad_alloc&) {
        Close();
        records_.Clear();
        return Fail(std::string(kOutOfMemory) + " while reading the file");
    }
    loaded_path_ = path;
    return true;
}

bool AddressFile::LoadBytes(std::vector<std::uint8_t> bytes) {
    loaded_ = false;
    ClearError();
    try {
        return (IsOwnStart(std::vector<std::uint8_t>(
                    bytes.begin(), bytes.begin() + std::min(bytes.size(), StartBytes()))) ||
                Fail(NotOwnLayout())) &&
               Parse(std::move(bytes));
    } catch (const std::bad_alloc&) {
        records_.Clear();
        return Fail(std::string(kOutOfMemory) + " while reading the file");
    }
}

bool AddressFile::VisitRecords(const std::string& path, bool check_first, const RecordVisitor& visit) {
    loaded_ = false;
    ClearError();
    path_tried_ = path;
    records_.Clear();
    bool ok = false;
    try {
        std::vector<std::uint8_t> start;
        ok = Open(path, 0) && ReadStart(&start, StartBytes()) && (IsOwnStart(start) || Fail(NotOwnLayout()));
        // Both walks under the one exclusive open, so both read the same file.
        for (int walk = check_first ? 0 : 1; ok && walk < 2; ++walk) ok = WalkRecords(walk == 1 ? &visit : nullptr);
    } catch (const std::bad_alloc&) {
        ok = Fail(std::string(kOutOfMemory) + " while reading the file");
    }
    Close();
    records_.Clear();
    return ok;
}

bool AddressFile::WalkRecords(const RecordVisitor* visit) {
    // The window is the records' store, so the records read point into it; it is taken
    // back to be refilled once the records read from it are done with.
    std::vector<std::uint8_t> window = records_.Store().TakeImage();
    window.resize(std::max(window.size(), kWindow));
    std::uint64_t origin = 0;  // where the window starts in the file
    std::size_t filled = 0, at = 0;
    if (!ReadAt(0, window.data(), window.size(), &filled)) return false;
    bool at_end = filled < window.size();
    records_.Store().Adopt(std::move(window));
    // What is read from `at` on runs past the window: it moves to the front and the rest
    // of the window is read on, into a window twice as long when it fills it alone.
    const auto read_on = [&]() {
        window = records_.Store().TakeImage();
        if (at == 0) window.resize(window.size() * 2);
        const std::size_t keep = filled - at;
        std::memmove(window.data(), window.data() + at, keep);
        origin += at;
        at = 0;
        std::size_t got = 0;
        const bool read = ReadAt(origin + keep, window.data() + keep, window.size() - keep, &got);
        filled = keep + got;
        at_end = filled < window.size();
        records_.Store().Adopt(std::move(window));
        return read;
    };

    std::uint32_t entry_count = 0;
    for (;;) {
        schema_ = defaults_;
        DatReader head(records_.Store().Image().data(), filled);
        if (ReadStartItems(head) && ReadCategoryBlock(head, &categories_) && ReadSchema(head) &&
            head.ReadUInt32(&entry_count)) {
            at = head.Offset();
            break;
        }
        if (!head.RanOut() || at_end) return Fail(head.Error());
        if (!read_on()) return false;
    }
    const std::uint32_t count = entry_count / schema_.fields_per_record;
    for (std::uint32_t n = 0; n < count;) {
        DatReader in(records_.Store().Image().data(), filled, static_cast<std::size_t>(origin));
        in.Skip(at);
        if (const PalmRecord* record = records_.ReadPassing(in, schema_.fields_per_record, swap_names_)) {
            at = in.Offset();
            ++n;
            if (visit && !(*visit)(*record)) return Fail("the reading was stopped");
            continue;
        }
        if (!in.RanOut() || at_end) {
            in.Explain("record " + std::to_string(n + 1) + " of " + std::to_string(count));
            return Fail(in.Error());
        }
        if (!read_on()) return false;
    }
    return true;
}

bool AddressFile::Parse(std::vector<std::uint8_t>&& image) {
    records_.Clear();
    trailing_.clear();
    written_.clear();
    saved_since_load_ = false;
    schema_ = defaults_;
    DatReader in(image.data(), image.size());
    const bool ok = ReadStartItems(in) && ReadCategoryBlock(in, &categories_) && ReadSchema(in) &&
                    ReadRecords(in);
    if (ok) {
        const std::uint8_t* rest = in.Begin() + in.Offset();
        trailing_.assign(rest, rest + in.Left());
    }
    // The records read (all of them, or those before a damaged one) point into the bytes.
    records_.Store().Adopt(std::move(image));
    if (!ok) return Fail(in.Error());
    loaded_ = true;
    return true;
}

bool AddressFile::ReadSchema(DatReader& in) {
    FileSchema s = defaults_;
    if (!in.ReadUInt32(&s.resource_id) || !in.ReadUInt32(&s.fields_per_record) ||
        !in.ReadUInt32(&s.record_id_position) || !in.ReadUInt32(&s.status_position) ||
        !in.ReadUInt32(&s.placement_position) || !in.ReadUInt16(&s.field_count))
        return false;
    const std::uint32_t most = static_cast<std::uint32_t>(Layout().fields);
    if (s.field_count > most)
        return in.Refuse("the schema lists " + std::to_string(s.field_count) + " fields; at most " +
                         std::to_string(most) + " are known");
    if (s.fields_per_record == 0 || s.fields_per_record > most)
        return in.Refuse("records of " + std::to_string(s.fields_per_record) +
                         " fields are not a known layout");
    for (int i = 0; i < s.field_count; ++i)
        if (!in.ReadUInt16(&s.field_tags[i])) return false;
    schema_ = s;
    return true;
}

bool AddressFile::ReadRecords(DatReader& in) {
    std::uint32_t entry_count = 0;
    if (!in.ReadUInt32(&entry_count)) return false;
    // A count larger than the file can hold runs into its end; nothing is set aside for it.
    const std::uint32_t count = entry_count / schema_.fields_per_record;
    for (std::uint32_t n = 0; n < count; ++n) {
        if (!records_.ReadRecord(in, schema_.fields_per_record, swap_names_)) {
            in.Explain("record " + std::to_string(n + 1) + " of " + std::to_string(count));
            return false;
        }
    }
    return true;
}

bool AddressFile::SaveAs(const std::string& path) {
    ClearError();
    if (!loaded_)
        return SaveFailed(SaveFailure::kNotWritten, "no contacts file was loaded completely, so nothing is written");
    if (path.empty()) return SaveFailed(SaveFailure::kNotWritten, "no file name was given");
    if (path.size() > LongestStoredPath())
        return SaveFailed(SaveFailure::kNotWritten,
                          "the path is longer than " + std::to_string(LongestStoredPath()) + " characters");
    try {
        // The whole new content first: nothing touches the disk unless all of it was made.
        std::vector<std::uint8_t> content;
        if (!BuildContent(path, &content)) return SaveFailed(SaveFailure::kNotWritten, LastError());
        const std::vector<std::uint8_t>& on_disk = saved_since_load_ ? written_ : records_.Store().Image();
        if (!ReplaceWithBackup(path, content, path + ".xbk", on_disk)) return false;
        written_ = std::move(content);
        saved_since_load_ = true;
    } catch (const std::bad_alloc&) {
        return SaveFailed(SaveFailure::kNotWritten, std::string(kOutOfMemory) + " while saving; the file was not changed");
    }
    loaded_path_ = path;
    return true;
}

bool AddressFile::BuildContent(const std::string& stored_path, std::vector<std::uint8_t>* content) {
    const std::size_t loaded = records_.Store().Image().size();
    ReserveWrites(loaded + loaded / 8 + 4096);
    const bool built = WriteStartItems(stored_path) && WriteCategoryBlock(*this, categories_.get()) &&
                       WriteSchema() && WriteRecords() &&
                       (trailing_.empty() || WriteBytes(trailing_.data(), trailing_.size()));
    *content = TakePendingWrites();
    return built || Fail("the new content of the file could not be made");
}

bool AddressFile::WriteSchema() {
    if (!WriteUInt32(schema_.resource_id) || !WriteUInt32(schema_.fields_per_record) ||
        !WriteUInt32(schema_.record_id_position) || !WriteUInt32(schema_.status_position) ||
        !WriteUInt32(schema_.placement_position) || !WriteInt16(schema_.field_count))
        return false;
    for (int i = 0; i < schema_.field_count; ++i)
        if (!WriteInt16(schema_.field_tags[i])) return false;
    return true;
}

bool AddressFile::WriteRecords() {
    const std::uint64_t entries =
        static_cast<std::uint64_t>(records_.Count()) * schema_.fields_per_record;
    if (entries > 0xFFFFFFFFu) return Fail("too many records for one contacts file");
    if (!WriteUInt32(static_cast<std::uint32_t>(entries))) return false;
    for (std::uint32_t i = 0; i < records_.Count(); ++i)
        if (!RecordList::WriteRecord(*this, *records_.At(i), schema_.fields_per_record, swap_names_))
            return false;
    return true;
}

}  // namespace tarvenne
