// The rules of vCard text that the reader and the writer share: names in any letter case,
// which bytes are special in a text, a parameter value or a URI, folding, the escapes of
// each version, the caret escapes of parameter values, and hex escapes both ways.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvenne::vcard {

// ---------------------------------------------------------------------------------------
// Names, parameter values and blanks.

inline char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// A parameter value without the quotes around it (and blanks inside them).
inline std::string_view Unquote(std::string_view s) {
    s = Trim(s);
    while (!s.empty() && s.front() == '"') s.remove_prefix(1);
    while (!s.empty() && s.back() == '"') s.remove_suffix(1);
    return Trim(s);
}

// ---------------------------------------------------------------------------------------
// Folding. A physical line that begins with a blank continues the line before it, and
// that blank is no part of the value; the writer folds with CR LF and one space, and
// counts its lines in octets without their CR LF (the fold's space counts).

inline bool IsFoldIndent(char first_byte) { return IsBlank(first_byte); }
constexpr std::string_view kFoldBreak = "\r\n ";
constexpr std::size_t kLineOctets = 75;

// ---------------------------------------------------------------------------------------
// What each byte is to each kind of value: one set of roles per byte value, which the
// writer escapes by and the reader looks for work by.

enum ByteRole : std::uint8_t {
    kTextEscaped = 1u << 0,   // backslash, comma, semicolon: a text holds them escaped
    kLineBreak = 1u << 1,     // CR, LF: "\n" in a text, "^n" in a parameter value
    kUnwritable = 1u << 2,    // controls but tab, CR and LF, and DEL: no text or parameter
                              // value of either version can hold them
    kCaretEscaped = 1u << 3,  // caret, quote: in the caret form inside a quoted parameter value
    kUriUnsafe = 1u << 4,     // what RFC 3986 lets no URI hold, and every byte of a character
                              // beyond ASCII: percent-encoded
    kParamEnd = 1u << 5,      // semicolon, colon: they end a parameter, and a property's name
};

constexpr std::array<std::uint8_t, 256> MakeByteRoles() {
    std::array<std::uint8_t, 256> roles{};
    for (unsigned b = 0; b < 256; ++b) {
        std::uint8_t r = 0;
        if (b == '\\' || b == ',' || b == ';') r |= kTextEscaped;
        if (b == '\r' || b == '\n') r |= kLineBreak;
        if ((b < 0x20 && b != '\t' && b != '\r' && b != '\n') || b == 0x7F) r |= kUnwritable;
        if (b == '^' || b == '"') r |= kCaretEscaped;
        if (b <= 0x20 || b >= 0x7F || b == '"' || b == '<' || b == '>' || b == '\\' || b == '^' ||
            b == '`' || b == '{' || b == '|' || b == '}')
            r |= kUriUnsafe;
        if (b == ';' || b == ':') r |= kParamEnd;
        roles[b] = r;
    }
    return roles;
}
inline constexpr std::array<std::uint8_t, 256> kByteRoles = MakeByteRoles();

inline bool HasRole(char c, unsigned roles) { return (kByteRoles[static_cast<unsigned char>(c)] & roles) != 0; }

// How many bytes at the start of text have none of the roles.
inline std::size_t SpanWithout(std::string_view text, unsigned roles) {
    std::size_t i = 0;
    while (i < text.size() && !HasRole(text[i], roles)) ++i;
    return i;
}

// How many bytes the line break at the start of text takes: CR LF is one break, as is a
// lone CR or a lone LF.
inline std::size_t BreakLength(std::string_view text) {
    return text.size() > 1 && text[0] == '\r' && text[1] == '\n' ? 2 : 1;
}

// ---------------------------------------------------------------------------------------
// Escapes.

// The vCard versions the reader tells apart; 3.0 stands for any other.
enum Version { kVersion21 = 21, kVersion30 = 30, kVersion40 = 40 };

// How a text value writes the byte c, one of kTextEscaped, kLineBreak or kUnwritable: a
// backslash before it, "\n" for a line break, nothing for a byte it cannot hold.
std::string_view TextEscapeOf(char c);

// How a quoted parameter value of 4.0 writes the byte c, one of kCaretEscaped, kLineBreak or
// kUnwritable (RFC 6868): "^^", "^'", "^n", or nothing.
std::string_view CaretEscapeOf(char c);
// The same for 3.0, which has no escapes there and whose readers take a caret as it stands:
// a caret stays, a quote becomes an apostrophe, a line break a space, the rest nothing.
std::string_view PlainParamFormOf(char c);

// How a URI writes the byte c, one of kUriUnsafe: '%' and two upper-case hex digits.
std::string_view PercentEscapeOf(char c);
// A URI's percent escapes of the bytes PercentEscapeOf writes (NUL, which no text holds,
// aside) made the bytes again, so that a web page with blanks or letters beyond ASCII reads
// as it was written; other escapes ("%2F", "%41") stay as they are.
void DecodePercentEscapes(std::string_view uri, std::string* out);
inline bool HasPercentEscape(std::string_view uri) { return uri.find('%') != std::string_view::npos; }

// A text value's escapes resolved by the card's version, every line break made CR LF (as
// Windows programs store them), and NULs, which no 8-bit text field can hold, dropped. In
// 3.0 and 4.0 a backslash stands for the character after it and "\n" for a line break; in
// 2.1 it escapes only ; , : and \ itself, so a path such as C:\new\data survives.
void Unescape(std::string_view raw, Version version, std::string* out);

// Whether Unescape would change text: true when it holds any byte special in a text.
inline bool NeedsUnescape(std::string_view text) {
    return SpanWithout(text, kTextEscaped | kLineBreak | kUnwritable) < text.size();
}

// Quoted-printable decoded: "=XX" is the byte XX; a stray '=' stays as it is.
void DecodeQuotedPrintable(std::string_view raw, std::string* out);

}  // namespace tarvenne::vcard
