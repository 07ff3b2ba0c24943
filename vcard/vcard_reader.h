// The built-in address-book reader for vCard files (versions 2.1, 3.0 and 4.0), which the
// loader is given for where WAB32.DLL is not there and for every *.vcf file. It hands over
// each card as the address book's road does: property values under the tags of the
// property table, an object type and an entry id, so that the same Fill serves both.
#pragma once

#include "wab/ansi_text.h"
#include "wab/source_contact.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvenne::vcard {

// Why a file was refused; cards counts the cards handed over (also before a refusal).
struct VCardReadResult {
    bool ok = false;
    std::string error;             // why the file was refused, when !ok
    std::size_t error_offset = 0;  // the byte offset the reason refers to
    std::size_t cards = 0;
    // The characters the values read hold that the text code page lacks (stored as '?').
    wab::UnmappedCharacters unmapped;
};

// Receives each card as it is read. The entry's id is the card's UID ("vcf:" + UID) or,
// without one, its 1-based position in the file ("vcf#" + number): stable for as long as
// the file is. Its object type is kObjectTypeDistList for a group (KIND:group).
using VCardSink = wab::EntrySink;

// Limits against hostile files. A larger file is refused whole; a longer line is a
// property no slot could hold (the widest takes 2,047 characters) and is passed over;
// more cards than the limit refuse the file rather than drop contacts unseen.
constexpr std::size_t kMaxVCardFileBytes = 256u * 1024u * 1024u;
constexpr std::size_t kMaxVCardLineBytes = 1024u * 1024u;
constexpr std::size_t kMaxVCardCards = 1000000u;

// Parses the bytes of a vCard file, converting every value into the text code page. False,
// with the reason in result->error, when the bytes do not start with a card ("BEGIN:VCARD"
// as the first line that is not blank, after an optional byte-order mark) or pass a limit;
// the caller then drops whatever cards it was given.
bool ParseVCards(const std::uint8_t* data, std::size_t size, const VCardSink& deliver,
                 VCardReadResult* result);

// Reads and parses a file; a file that cannot be read or is larger than the limit fails.
bool ReadVCardFile(const std::string& path, const VCardSink& deliver, VCardReadResult* result);

// ReadVCardFile in the shape the address-book loader takes (wab::BookFileReader): the
// reason of a refusal in *why, the characters the code page lacks in *unmapped.
bool ReadVCardBook(const std::string& path, const VCardSink& deliver, std::string* why,
                   wab::UnmappedCharacters* unmapped);

}  // namespace tarvenne::vcard
