// Writing vCard 3.0 (RFC 2426) and 4.0 (RFC 6350) content lines: UTF-8, ended by CR LF,
// folded at 75 octets but never inside a UTF-8 sequence or an escape, text values escaped,
// parameter values quoted, by the rules the reader reads them by (vcard_text.h). What goes
// into a card is the caller's business (record_to_card.h).
#pragma once

#include "vcard/vcard_text.h"

#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

namespace tarvenne::vcard {

// Collects lines in a buffer of its own, which the caller takes and empties between lines.
class VCardWriter {
public:
    std::string_view Written() const { return std::string_view(buffer_.data(), size_); }
    void Clear() { size_ = 0; }

    // Starts a line: "TEL", or "BEGIN" for "BEGIN:VCARD".
    void Name(std::string_view name);
    // ";TYPE=WORK,VOICE": name and values are tokens, written as they are.
    void Param(std::string_view name, std::string_view tokens);
    // ";LABEL="..."": the value quoted; its quotes, carets and line breaks, which no quoted
    // value can hold as they are, in the caret form of RFC 6868 (4.0), else as 3.0 has to
    // write them (PlainParamFormOf: a quote an apostrophe, a line break a space).
    void QuotedParam(std::string_view name, std::string_view utf8, bool caret_escapes);
    // The ':' before the value; every value part below follows it.
    void BeginValue() { Put(":"); }
    // A text: backslash, comma, semicolon and line breaks escaped; control characters a
    // vCard text cannot hold (all but tab) left out.
    void Text(std::string_view utf8);
    // ';' between the components of a structured value (N, ADR, ORG).
    void Separator() { Put(";"); }
    // A URI: what RFC 3986 lets no URI hold (blanks, controls, quotes, backslash and
    // the like) and the UTF-8 bytes of every character beyond ASCII percent-encoded;
    // nothing else is escaped, since a URI value has no escapes.
    void Uri(std::string_view utf8);
    // Written as it is: a version, a date, "VCARD".
    void Plain(std::string_view ascii) { Put(ascii); }
    // Ends the line with CR LF.
    void End();

    // A whole line of one text value.
    void TextLine(std::string_view name, std::string_view utf8) {
        Name(name);
        BeginValue();
        Text(utf8);
        End();
    }

private:
    // Appends a unit no fold may split (a character, an escape), folding first when it
    // would pass the 75th octet of the line.
    void Unit(std::string_view unit);
    // Appends text that needs no escaping, folding between characters as needed.
    void Put(std::string_view utf8) {
        if (column_ + utf8.size() > kLineOctets) return Fold(utf8);
        Append(utf8.data(), utf8.size());
        column_ += utf8.size();
    }
    void Fold(std::string_view utf8);
    // Ends the physical line with a fold; the line goes on after the fold's blank.
    void BreakLine();
    // Writes utf8 with each byte of the roles as escape_of has it (nothing: left out), each
    // escape a unit; where the roles take in line breaks, a CR LF pair is one break.
    void Escaped(std::string_view utf8, unsigned roles, std::string_view (*escape_of)(char));
    void Append(const char* bytes, std::size_t n) {
        if (buffer_.size() - size_ < n) buffer_.resize(2 * buffer_.size() + n);
        std::memcpy(buffer_.data() + size_, bytes, n);
        size_ += n;
    }

    std::vector<char> buffer_;
    std::size_t size_ = 0;    // bytes of buffer_ written
    std::size_t column_ = 0;  // octets on the current physical line
};

}  // namespace tarvenne::vcard
