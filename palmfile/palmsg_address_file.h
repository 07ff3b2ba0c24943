// The newer layout of the Palm Desktop contacts file (a "PalmSG Database" signature, then
// 00 02 42 41): everything read is kept, blocks it does not interpret included, so that
// a save writes the same file back with the added records and a new next record id.
#pragma once

#include "palmfile/category_table.h"
#include "palmfile/dat_stream.h"
#include "palmfile/stored_record_list.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvenne {

// Widths of the newer record's texts: what the conversion may write into each field.
namespace palmsg_width {
constexpr std::size_t kShort = 32, kLong = 256, kNote = 2048, kCategoryName = 20;
}

struct PalmSgAddress {
    std::int32_t kind = 0;  // fields 42, 48, 54: 0 work, 1 home, 2 other
    std::string street;     // 43, 49, 55 (width 256)
    std::string city;       // 44, 50, 56 (32 each from here)
    std::string state;      // 45, 51, 57
    std::string zip;        // 46, 52, 58
    std::string country;    // 47, 53, 59
};

// One contact of the newer layout: 73 fields, named after what they hold.
struct PalmSgRecord {
    static constexpr int kFields = 73;
    static constexpr int kPhones = 7;
    static constexpr int kCustoms = 9;

    std::int32_t record_id = 0;     // 0
    std::int32_t record_number = 0; // 1: 0x1000 + records before it, for added records
    std::uint32_t status = 0;       // 2: 0x01 added, 0x02 updated; 0x04, 0x80 not listed
    std::int32_t entry_index = 0;   // 3: 73 x records before it, for added records
    std::int32_t placement = 0;     // 4
    std::int32_t category_id = 0;   // 5
    std::int32_t is_private = 0;    // 6, a boolean field
    DatBlob blob[4];                // 7 to 10, carried unchanged
    std::string text11, text12;     // 11, 12, carried unchanged
    std::string first_name;         // 13 (14 with swapped names)
    std::string last_name;          // 14 (13 with swapped names)
    std::string title;              // 15
    std::string company;            // 16 (width 256)
    std::int32_t field17 = 0;       // 17, carried unchanged
    std::string note;               // 18 (width 2048)
    std::string phone[kPhones];     // 19 to 25
    std::int32_t phone_label[kPhones] = {};  // 26 to 32
    std::string custom[kCustoms];   // 33 to 41 (width 256)
    PalmSgAddress address[3];       // 42 to 59: work, home, other
    std::string chat[2];            // 60, 61
    std::int32_t field62 = 0, field63 = 0;  // carried unchanged
    std::string web_page;           // 64 (width 256), carried unchanged
    std::uint64_t birthday_bits = 0;  // 65: the automation date's eight bytes as stored
    std::int32_t field66 = 0;       // boolean field, carried unchanged
    std::int32_t field67 = 0, field68 = 0;  // carried unchanged
    std::string text69_72[4];       // 69 to 72, carried unchanged
    std::string category_name;      // from the category table; never written

    double Birthday() const;
    void SetBirthday(double automation_date);
};

// The records of one newer-layout file, in file order, then appended ones. Records read
// from the file are decoded when first asked for; every record handed out is owned here.
class PalmSgRecordList : public StoredRecordList<PalmSgRecord> {
public:
    PalmSgRecordList() = default;
    virtual ~PalmSgRecordList() = default;

    bool AppendCopy(const PalmSgRecord* record);  // deep copy, blobs included
    bool AppendMove(PalmSgRecord&& record);        // takes the record over
};

struct PalmSgSchema {
    static constexpr int kMaxFields = 73;

    std::uint32_t resource_id = 74;
    std::uint32_t fields_per_record = 73;
    std::uint32_t record_id_position = 0;
    std::uint32_t status_position = 2;
    std::uint32_t placement_position = 4;
    std::uint16_t field_count = 73;
    std::uint16_t field_tags[kMaxFields] = {};  // the defaults are set by InitDefaults
};

class PalmSgAddressFile : public DatStream {
public:
    static constexpr std::uint32_t kVersionTag = 0x41420200;
    static constexpr int kHeaderBlock = 24, kNameBlock = 11, kLabelBlock = 42;
    static constexpr int kCustomLabels = 9;
    static constexpr std::size_t kMaxLabel = 32, kMaxStoredName = 255;

    PalmSgAddressFile();
    explicit PalmSgAddressFile(const std::string& path);
    ~PalmSgAddressFile() override;

    bool LoadForUser(std::int32_t user_id);
    // Reads the whole file; refused (false, nothing on disk changed) as the classic
    // layout's Load. LastError() says why.
    bool Load(const std::string& path);
    // Saves to the file that was loaded (whose path is then stored in it).
    bool Save();
    // Makes the ".xbk" backup beside path, then replaces the file's content all at once.
    // Never creates a file; a failed save leaves the file as it was.
    virtual bool SaveAs(const std::string& path);

    bool Loaded() const { return loaded_; }
    bool SwapNames() const { return swap_names_; }
    void SetSwapNames(bool swap) { swap_names_ = swap; }
    PalmSgRecordList& Records() { return *records_; }
    const PalmSgRecordList& Records() const { return *records_; }
    const CategoryTable* Categories() const { return categories_.get(); }
    const PalmSgSchema& Schema() const { return schema_; }
    const std::string& CustomLabel(int i) const { return custom_labels_[i]; }
    // The path stored inside the file when it was read.
    const std::string& StoredFileName() const { return stored_file_name_; }
    // Bytes found after the last record, written back after the records on save.
    const std::vector<std::uint8_t>& TrailingBytes() const { return trailing_; }

protected:
    virtual void InitDefaults();
    virtual void ReleaseRecords();
    virtual bool ReadSignature();
    virtual bool ReadHeader();
    virtual bool ReadFileName();
    virtual bool ReadCustomLabels();
    virtual bool ReadCategories();
    virtual bool ReadSchema();
    virtual bool ReadRecords();
    virtual bool WriteSignature();
    virtual bool WriteHeader();
    virtual bool WriteFileName(const std::string& path);
    virtual bool WriteCustomLabels();
    virtual bool WriteCategories();
    virtual bool WriteSchema();
    virtual bool WriteRecords();
    virtual bool WriteRecord(const PalmSgRecord* record);

private:
    bool ReadTrailing();
    PalmSgRecordList::Decoder RecordDecoder() const;
    bool WriteTrailing();

    std::unique_ptr<CategoryTable> categories_;  // none before the first load
    bool swap_names_ = false;
    bool loaded_ = false;
    PalmSgSchema schema_;
    std::unique_ptr<PalmSgRecordList> records_;
    std::uint8_t header_block_[kHeaderBlock] = {};
    std::uint8_t name_block_[kNameBlock] = {};
    std::uint8_t label_block_[kLabelBlock] = {};
    std::string custom_labels_[kCustomLabels];
    std::string stored_file_name_;
    std::string loaded_path_;  // the file Load read, which Save rewrites
    std::vector<std::uint8_t> trailing_;  // bytes after the last record, carried
    bool incomplete_ = false;  // a load failed part way: SaveAs refuses
    // The records were read by this load and wait for the file's image to decode from.
    bool records_need_image_ = false;
    // The swap-names option the records were read with: their stored bytes can be written
    // back as they are only under the same option.
    bool records_swap_names_ = false;
};

}  // namespace tarvenne
