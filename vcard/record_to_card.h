// The export's mapping of a contacts-file record (either layout) to a vCard 3.0 or 4.0
// card; docs/export-mapping.md gives the place of every field.
//
// The cards are made so that the program's own vCard reader, and so a conversion back
// into a contacts file, reads each record's contact as ReadContact reads it from the file:
// of the slots that share a label, the one a read takes comes first, and of the address
// blocks that share a kind, the first.
#pragma once

#include "palmfile/address_file.h"
#include "palmfile/palm_record.h"
#include "vcard/vcard_writer.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvenne {

class PalmSgAddressFile;
struct AddressFields;

namespace vcard {

// Writes records as cards into a writer, one card a record.
class CardMaker {
public:
    CardMaker(bool v4, VCardWriter* out) : v4_(v4), w_(*out) {}

    // A record with the file it lies in, whose categories and custom labels it takes.
    void Write(const AddressFile& file, const PalmRecord& r);

private:
    // The one place the file's 8-bit texts become UTF-8.
    class TextDecoder {
    public:
        // The text up to its first NUL, as UTF-8; valid until the next call.
        std::string_view Utf8Of(std::string_view ansi);

    private:
        std::string scratch_;
    };

    std::string_view Utf8(const PalmRecord& r, int slot) { return decoder_.Utf8Of(r.Text(slot)); }
    void Line(std::string_view name, std::string_view plain);
    void WriteNames(const PalmRecord& r);
    void WritePhones(const PalmRecord& r);
    void WritePhone(const PalmRecord& r, int slot, std::int32_t label);
    void WriteAddresses(const PalmRecord& r);
    void WriteAddress(const PalmRecord& r, const AddressFields& f, std::int32_t kind);
    void WriteBirthday(double date);

    bool v4_;
    TextDecoder decoder_;
    VCardWriter& w_;                             // not owned: the caller's
    const AddressFile* file_ = nullptr;          // the file of the last record written
    const PalmSgAddressFile* palmsg_ = nullptr;  // the same when it is of the newer layout
};

}  // namespace vcard
}  // namespace tarvenne
