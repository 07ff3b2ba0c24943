// The newer layout of the Palm Desktop contacts file (a "PalmSG Database" signature, then
// 00 02 42 41): its own items are carried whole, blocks it does not interpret included, so
// that a save writes the same file back with the added records and a new next record id.
#pragma once

#include "palmfile/address_file.h"

#include <cstdint>
#include <string>

namespace tarvenne {

// Field indexes of the newer record.
namespace palmsg_field {
constexpr int kRecordId = 0, kRecordNumber = 1, kStatus = 2, kEntryIndex = 3, kPlacement = 4,
              kCategoryId = 5, kPrivate = 6, kFirstName = 13, kLastName = 14, kTitle = 15,
              kCompany = 16, kNote = 18, kWebPage = 64, kBirthday = 65;
}

// The automation date of a newer record's birthday (0: none) as the eight bytes it is
// stored in, and back.
double BirthdayOf(const PalmRecord& record);
void SetBirthday(PalmRecord& record, double automation_date);

class PalmSgAddressFile : public AddressFile {
public:
    static constexpr std::uint32_t kVersionTag = 0x41420200;
    static constexpr int kHeaderBlock = 24, kNameBlock = 11, kLabelBlock = 42;
    static constexpr int kCustomLabels = 9;
    static constexpr std::size_t kMaxLabel = 32, kMaxStoredName = 255;

    PalmSgAddressFile();
    explicit PalmSgAddressFile(const std::string& path);

    const std::string& CustomLabel(int i) const { return custom_labels_[i]; }
    // The path stored inside the file when it was read.
    const std::string& StoredFileName() const { return stored_file_name_; }

protected:
    std::size_t StartBytes() const override { return 28; }
    bool IsOwnStart(const std::vector<std::uint8_t>& start) const override;
    const char* NotOwnLayout() const override {
        return "not a PalmSG contacts file (no \"PalmSG Database\" signature and version 00 02 42 41)";
    }
    bool ReadStartItems(DatReader& in) override;
    bool WriteStartItems(const std::string& stored_path) override;
    std::size_t LongestStoredPath() const override { return kMaxStoredName; }

private:
    std::uint8_t header_block_[kHeaderBlock] = {};
    std::uint8_t name_block_[kNameBlock] = {};
    std::uint8_t label_block_[kLabelBlock] = {};
    std::string custom_labels_[kCustomLabels];
    std::string stored_file_name_;
};

}  // namespace tarvenne
