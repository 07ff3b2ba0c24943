// The vCard reader: a file read a piece at a time (or bytes in memory), UTF-16 read as the
// UTF-8 it stands for, the limits against hostile files, and the cards of each piece read
// property by property (vcard_lines.h) into entries (card_to_contact.h).
#include "vcard/vcard_reader.h"

#include "engine/bounded_text.h"
#include "platform/file_system.h"
#include "vcard/card_to_contact.h"
#include "vcard/vcard_lines.h"
#include "vcard/vcard_text.h"
#include "wab/ansi_text.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvenne::vcard {
namespace {

bool Refuse(VCardReadResult* result, std::string reason, std::size_t offset) {
    result->ok = false;
    result->error = std::move(reason);
    result->error_offset = offset;
    return false;
}

std::string TooLarge() {
    return "the file is larger than the " + std::to_string(kMaxVCardFileBytes / (1024 * 1024)) +
           " MiB a vCard file may have";
}

// The cards of a file in UTF-8 or an 8-bit character set, fed to it in pieces that each
// end just before a line that begins a card, so that no property runs from one piece into
// the next. What the cards are read into carries over from piece to piece.
class CardStream {
public:
    CardStream(const VCardSink& deliver, VCardReadResult* result)
        : converter_(TextCodePage()), card_(converter_), deliver_(deliver), result_(result) {}

    // False, with the reason in the result, once the bytes are refused.
    bool Feed(std::string_view bytes, std::size_t file_offset);
    bool Finish() {
        FinishCard();  // a card cut off by the end of the file keeps what it has
        if (!seen_first_) return Refuse(result_, "not a vCard file: it holds no card", 0);
        result_->ok = true;
        result_->unmapped = converter_.Unmapped();
        return true;
    }

private:
    void FinishCard() {
        if (in_card_) deliver_(card_.Finish());
        in_card_ = false;
        nested_ = 0;
    }

    wab::AnsiConverter converter_;
    CardBuilder card_;
    const VCardSink& deliver_;  // not owned: the caller's
    VCardReadResult* result_;   // not owned: the caller's
    bool seen_first_ = false, in_card_ = false, after_empty_agent_ = false;
    int nested_ = 0;  // depth of the cards inside the current one (AGENT)
};

bool CardStream::Feed(std::string_view bytes, std::size_t file_offset) {
    LineReader lines(bytes.data(), bytes.size());
    PropertyReader in(lines, kMaxVCardLineBytes);
    Property property;
    std::size_t offset = 0;
    for (;;) {
        const PropertyReader::Kind kind = in.Next(&property, &offset);
        if (kind == PropertyReader::Kind::End) return true;
        if (kind == PropertyReader::Kind::Blank) continue;
        const bool is_property = kind == PropertyReader::Kind::Property;
        const bool begin = is_property && EqualsNoCase(property.name, "BEGIN") &&
                           EqualsNoCase(Trim(property.value), "VCARD");
        if (!seen_first_ && !begin)
            return Refuse(result_, "not a vCard file: it does not begin with BEGIN:VCARD",
                          file_offset + offset);
        seen_first_ = true;
        // Lines without a colon (2.1's base64 blocks, stray text) and lines too long for
        // any slot are passed over.
        if (!is_property) {
            after_empty_agent_ = false;
            continue;
        }
        if (begin) {
            // A card inside a card is an AGENT's value; any other BEGIN ends an open card,
            // so a card that lost its END:VCARD does not swallow the cards after it.
            if (in_card_ && after_empty_agent_) {
                ++nested_;
            } else {
                FinishCard();
                if (++result_->cards > kMaxVCardCards)
                    return Refuse(result_,
                                  "the file holds more than " + std::to_string(kMaxVCardCards) +
                                      " cards",
                                  file_offset + offset);
                card_.Start(result_->cards);
                in_card_ = true;
            }
        } else if (EqualsNoCase(property.name, "END") &&
                   EqualsNoCase(Trim(property.value), "VCARD")) {
            if (nested_ > 0) --nested_;
            else FinishCard();
        } else if (in_card_ && nested_ == 0) {
            card_.Handle(property);
        }
        after_empty_agent_ = EqualsNoCase(property.name, "AGENT") && Trim(property.value).empty();
    }
}

// UTF-16 files (with a byte-order mark, or recognisable by their first character) are
// read as the UTF-8 they stand for; *big_endian tells which order.
bool LooksLikeUtf16(const std::uint8_t* data, std::size_t size, bool* big_endian,
                    std::size_t* mark) {
    if (size < 2) return false;
    const bool le_bom = data[0] == 0xFF && data[1] == 0xFE;
    const bool be_bom = data[0] == 0xFE && data[1] == 0xFF;
    const bool le_bare = !le_bom && !be_bom && data[0] != 0 && data[1] == 0;
    const bool be_bare = !le_bom && !be_bom && data[0] == 0 && data[1] != 0;
    *big_endian = be_bom || be_bare;
    *mark = le_bom || be_bom ? 2 : 0;
    return le_bom || be_bom || le_bare || be_bare;
}

}  // namespace

bool ParseVCards(const std::uint8_t* data, std::size_t size, const VCardSink& deliver,
                 VCardReadResult* result) {
    if (!result) return false;
    *result = VCardReadResult();
    if (!data && size != 0) return Refuse(result, "no data", 0);
    if (size > kMaxVCardFileBytes) return Refuse(result, TooLarge(), 0);
    std::string_view bytes(data ? reinterpret_cast<const char*>(data) : "", size);
    std::string utf8;
    bool big_endian = false;
    std::size_t mark = 0;
    if (LooksLikeUtf16(data, size, &big_endian, &mark)) {
        utf8 = wab::Utf8FromUtf16(bytes.substr(mark), big_endian);
        if (utf8.size() > kMaxVCardFileBytes) return Refuse(result, TooLarge(), 0);
        bytes = utf8;
    }
    CardStream stream(deliver, result);
    return stream.Feed(bytes, 0) && stream.Finish();
}

bool ReadVCardFile(const std::string& path, const VCardSink& deliver, VCardReadResult* result) {
    if (!result) return false;
    *result = VCardReadResult();
    platform::ExclusiveFile file;
    if (!file.Open(path, platform::OpenMode::Read))
        return Refuse(result, file.LastError().Describe(), 0);
    std::uint64_t size = 0;
    if (!file.Size(&size)) return Refuse(result, file.LastError().Describe(), 0);
    if (size > kMaxVCardFileBytes) return Refuse(result, TooLarge(), 0);

    // The file is read a piece at a time, so that a large book never sits in memory whole
    // beside the contacts read from it.
    constexpr std::size_t kPiece = 1u << 20;
    std::string window;
    std::size_t window_offset = 0;  // of window's first byte in the file
    std::size_t total = 0;
    CardStream stream(deliver, result);
    for (bool end = false; !end;) {
        const std::size_t held = window.size();
        window.resize(held + kPiece);
        std::size_t got = 0;
        if (!file.Read(&window[held], kPiece, &got)) return Refuse(result, file.LastError().Describe(), total);
        window.resize(held + got);
        total += got;
        end = got == 0;
        if (total > kMaxVCardFileBytes) return Refuse(result, TooLarge(), 0);
        bool big_endian = false;
        std::size_t mark = 0;
        if (window_offset == 0 && held == 0 &&
            LooksLikeUtf16(reinterpret_cast<const std::uint8_t*>(window.data()), window.size(),
                           &big_endian, &mark)) {
            std::vector<std::uint8_t> bytes;
            if (!file.ReadAll(&bytes)) return Refuse(result, file.LastError().Describe(), 0);
            return ParseVCards(bytes.data(), bytes.size(), deliver, result);
        }
        // Only the bytes just read and the line they may finish are searched, so a card
        // larger than a piece is not searched again and again.
        const std::size_t cut = end ? window.size() : LastCardStart(window, held > 80 ? held - 80 : 0);
        if (cut == 0) continue;
        if (!stream.Feed(std::string_view(window).substr(0, cut), window_offset)) return false;
        window.erase(0, cut);
        window_offset += cut;
    }
    return stream.Finish();
}

bool ReadVCardBook(const std::string& path, const VCardSink& deliver, std::string* why,
                   wab::UnmappedCharacters* unmapped) {
    VCardReadResult result;
    if (ReadVCardFile(path, deliver, &result)) {
        if (unmapped) *unmapped = std::move(result.unmapped);
        return true;
    }
    *why = std::move(result.error);
    return false;
}

}  // namespace tarvenne::vcard
