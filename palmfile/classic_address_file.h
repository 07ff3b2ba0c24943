// The classic layout of the Palm Desktop contacts file (first bytes 00 01 42 41): the
// version tag, the stored file name and a header text ahead of the shared items.
#pragma once

#include "palmfile/address_file.h"

#include <string>

namespace tarvenne {

// Row positions of the classic record.
namespace classic_field {
constexpr int kRecordId = 0, kStatus = 1, kPlacement = 2, kLastName = 3, kFirstName = 4,
              kTitle = 5, kCompany = 6, kAddress = 17, kCity = 18, kState = 19, kZip = 20,
              kCountry = 21, kNote = 22, kPrivate = 23, kCategoryId = 24, kDisplayPhone = 29;
}

class ClassicAddressFile : public AddressFile {
public:
    static constexpr std::uint32_t kVersionTag = 0x41420100;

    // Defaults, and the swap-names option from the settings file.
    ClassicAddressFile();
    // The same, then Load(path); Loaded() tells the outcome.
    explicit ClassicAddressFile(const std::string& path);

    // At most the first four lines of the stored header, kept whole.
    const std::string& HeaderText() const { return header_text_; }

protected:
    std::size_t StartBytes() const override { return 4; }
    bool IsOwnStart(const std::vector<std::uint8_t>& start) const override;
    const char* NotOwnLayout() const override { return "not a classic contacts file"; }
    bool ReadStartItems(DatReader& in) override;
    bool WriteStartItems(const std::string& stored_path) override;
    std::size_t LongestStoredPath() const override { return 259; }

private:
    std::string header_text_;
};

}  // namespace tarvenne
