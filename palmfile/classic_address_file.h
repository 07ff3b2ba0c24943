// The classic layout of the Palm Desktop contacts file (first bytes 00 01 42 41): read
// whole into memory, changed by the conversion, written back whole.
#pragma once

#include "palmfile/category_table.h"
#include "palmfile/dat_stream.h"
#include "palmfile/stored_record_list.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvenne {

// Widths of the classic record's texts: what the conversion may write into each field.
// Texts read from a file are kept whole, whatever their length.
namespace classic_width {
constexpr std::size_t kName = 32, kTitle = 32, kCompany = 256, kPhone = 32, kAddress = 256,
                      kCity = 32, kState = 32, kZip = 32, kCountry = 32, kNote = 2048,
                      kCustom = 64, kCategoryName = 16;
}

struct ClassicRecord {
    static constexpr int kPhones = 5;
    static constexpr int kCustoms = 4;

    std::int32_t record_id = 0;     // row position 0
    std::uint32_t status = 0;       // 1: 0x01 added, 0x02 updated; 0x04, 0x80 not listed
    std::int32_t placement = 0;     // 2
    std::string last_name;          // 3 (4 with swapped names)
    std::string first_name;         // 4 (3 with swapped names)
    std::string title;              // 5
    std::string company;            // 6
    std::int32_t phone_label[kPhones] = {};  // 7, 9, 11, 13, 15
    std::string phone[kPhones];              // 8, 10, 12, 14, 16
    std::string address;            // 17
    std::string city;               // 18
    std::string state;              // 19
    std::string zip;                // 20
    std::string country;            // 21
    std::string note;               // 22
    std::int32_t is_private = 0;    // 23, a boolean field
    std::int32_t category_id = 0;   // 24
    std::string custom[kCustoms];   // 25 to 28
    std::int32_t display_phone = 0; // 29
    std::string category_name;      // from the category table; never written
};

// The records of one classic file in file order, then appended ones. Records read from
// the file are decoded when first asked for; every record handed out is owned here.
class ClassicRecordList : public StoredRecordList<ClassicRecord> {
public:
    ClassicRecordList() = default;
    virtual ~ClassicRecordList() = default;

    using StoredRecordList<ClassicRecord>::Append;
    bool Append(const ClassicRecord& record);  // stores a copy
    bool Append(ClassicRecord&& record);       // takes the record over
};

struct ClassicSchema {
    static constexpr int kMaxFields = 30;

    std::int32_t resource_id = 74;
    std::int32_t fields_per_record = 30;
    std::int32_t record_id_position = 0;
    std::int32_t status_position = 1;
    std::int32_t placement_position = 2;
    std::int16_t field_count = 30;
    std::int16_t field_tags[kMaxFields] = {1, 1, 1, 5, 5, 5, 5, 1, 5, 1, 5, 1, 5, 1, 5,
                                           1, 5, 5, 5, 5, 5, 5, 5, 6, 1, 5, 5, 5, 5, 1};
};

class ClassicAddressFile : public DatStream {
public:
    static constexpr std::int32_t kVersionTag = 0x41420100;

    // Defaults, and the swap-names option from the settings file.
    ClassicAddressFile();
    // The same, then Load(path); Loaded() tells the outcome.
    explicit ClassicAddressFile(const std::string& path);
    ~ClassicAddressFile() override;

    // The user's address\address.dat under the folder Palm Desktop keeps for that user.
    bool LoadForUser(std::int32_t user_id);
    // Reads the whole file. Refused (false, nothing on disk changed): a file that cannot
    // be opened, another layout, a truncated or inconsistent file. LastError() says why.
    bool Load(const std::string& path);
    // The same reading over bytes in memory; the remembered path does not change.
    bool LoadImage(std::vector<std::uint8_t> bytes);
    // The whole file as SaveAs writes it, with stored_path in its file-name item.
    bool BuildContent(const std::string& stored_path, std::vector<std::uint8_t>* content);
    // Makes the ".xbk" backup beside path, then replaces the file's content all at once.
    // Never creates a file; a failed save leaves the file as it was.
    virtual bool SaveAs(const std::string& path);
    bool Save() { return SaveAs(Path()); }

    bool Loaded() const { return loaded_; }
    bool SwapNames() const { return swap_names_; }
    void SetSwapNames(bool swap) { swap_names_ = swap; }
    ClassicRecordList& Records() { return records_; }
    const ClassicRecordList& Records() const { return records_; }
    const CategoryTable* Categories() const { return categories_.get(); }
    const std::string& HeaderText() const { return header_text_; }
    const ClassicSchema& Schema() const { return schema_; }
    // Bytes that followed the last record in the file read; written back after the records.
    const std::vector<std::uint8_t>& TrailingBytes() const { return trailing_; }

protected:
    virtual bool ReadVersionTag();
    virtual bool ReadHeaderText();
    virtual bool ReadCategories();
    virtual bool ReadSchema();
    virtual bool ReadRecords();
    virtual bool WriteCategories();
    virtual bool WriteSchema();
    virtual bool WriteRecords();
    virtual bool WriteRecord(const ClassicRecord* record);

private:
    std::unique_ptr<CategoryTable> categories_;  // none until the first load
    bool swap_names_ = false;
    bool loaded_ = false;
    std::string header_text_;  // at most the first four lines of the stored header
    ClassicSchema schema_;
    ClassicRecordList records_;
    // True after a load that opened a file and failed: the object then holds part of that
    // file (or another file's records), and writing it would lose the rest, so SaveAs
    // refuses until a load succeeds.
    bool load_failed_ = false;
    std::vector<std::uint8_t> trailing_;
    std::size_t loaded_bytes_ = 0;  // the size of the file last read, to size a save by
    // The records were read by this load and wait for the file's image to decode from.
    bool records_need_image_ = false;
    // The swap-names option the records were read with: their stored bytes can be written
    // back as they are only under the same option.
    bool records_swap_names_ = false;

    bool ReadTrailingBytes();
    ClassicRecordList::Decoder RecordDecoder() const;
    bool ReadOpened();  // everything after the open of Load or LoadImage
};

}  // namespace tarvenne
