// The items that start a newer-layout contacts file: the signature, the version tag and
// the kept header block, the stored file name and name block, the nine custom labels and
// the label block.
#include "palmfile/palmsg_address_file.h"

#include <algorithm>
#include <cstring>

namespace tarvenne {
namespace {

// Bytes 5 to 23 of the signature; the first five (magic and length byte) are not checked
// on reading, because files in the field differ there.
constexpr char kSignatureText[] = "PalmSG Database00RV";
constexpr std::size_t kSignatureTextLength = sizeof kSignatureText - 1;  // 19
constexpr std::uint8_t kSignatureStart[5] = {0xBE, 0xBA, 0xFE, 0xCA, 0x0F};
constexpr std::size_t kSignatureBytes = 24;
// Header block bytes that carry the next record id, low byte first.
constexpr int kNextIdLow = 12, kNextIdHigh = 13;

}  // namespace

double BirthdayOf(const PalmRecord& record) {
    const std::uint64_t bits = record.Long(record.Layout().birthday);
    double date = 0;
    std::memcpy(&date, &bits, sizeof date);
    return date;
}

void SetBirthday(PalmRecord& record, double automation_date) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &automation_date, sizeof bits);
    record.SetLong(record.Layout().birthday, bits);
}

PalmSgAddressFile::PalmSgAddressFile() : AddressFile(PalmSgLayout(), DefaultSchema(PalmSgLayout(), 2, 4)) {
    header_block_[12] = 0x01;
    header_block_[13] = 0x10;
}

PalmSgAddressFile::PalmSgAddressFile(const std::string& path) : PalmSgAddressFile() { Load(path); }

bool PalmSgAddressFile::IsOwnStart(const std::vector<std::uint8_t>& start) const {
    return start.size() >= 28 &&
           std::memcmp(start.data() + 5, kSignatureText, kSignatureTextLength) == 0 &&
           DatReader::Le32(start.data() + kSignatureBytes) == kVersionTag;
}

bool PalmSgAddressFile::ReadStartItems(DatReader& in) {
    const std::uint8_t* signature = nullptr;
    std::uint32_t tag = 0;
    if (!in.Take(kSignatureBytes, &signature) ||
        (std::memcmp(signature + 5, kSignatureText, kSignatureTextLength) != 0 &&
         !in.Refuse(NotOwnLayout())) ||
        !in.ReadUInt32(&tag) || (tag != kVersionTag && !in.Refuse(NotOwnLayout())) ||
        !in.ReadBytes(header_block_, sizeof header_block_) ||
        !in.ReadCString(&stored_file_name_, kMaxStoredName, "a stored file name") ||
        !in.ReadBytes(name_block_, sizeof name_block_))
        return false;
    for (std::string& label : custom_labels_) {
        std::uint32_t dropped = 0;
        if (!in.ReadCString(&label, kMaxLabel, "a custom label") || !in.ReadUInt32(&dropped))
            return false;
    }
    return in.ReadBytes(label_block_, sizeof label_block_);
}

bool PalmSgAddressFile::WriteStartItems(const std::string& stored_path) {
    // Never lowered, and past every record's number, so that no number given later repeats
    // one of them; in the 16 bits the header has for it.
    std::uint64_t next_id = header_block_[kNextIdLow] | header_block_[kNextIdHigh] << 8;
    const RecordList& records = Records();
    for (std::uint32_t i = 0; i < records.Count(); ++i)
        next_id = std::max<std::uint64_t>(
            next_id, std::uint64_t{static_cast<std::uint32_t>(records.At(i)->Integer(palmsg_field::kRecordNumber))} + 1);
    header_block_[kNextIdLow] = static_cast<std::uint8_t>(next_id);
    header_block_[kNextIdHigh] = static_cast<std::uint8_t>(next_id >> 8);
    if (!WriteBytes(kSignatureStart, sizeof kSignatureStart) ||
        !WriteBytes(kSignatureText, kSignatureTextLength) || !WriteUInt32(kVersionTag) ||
        !WriteBytes(header_block_, sizeof header_block_) || !WriteCString(stored_path) ||
        !WriteBytes(name_block_, sizeof name_block_))
        return false;
    for (const std::string& label : custom_labels_)
        if (!WriteCString(label) || !WriteUInt32(0)) return false;
    return WriteBytes(label_block_, sizeof label_block_);
}

}  // namespace tarvenne
