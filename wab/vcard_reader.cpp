// The vCard reader: physical lines through one bounded reader, unfolded into logical
// lines, split into name, parameters and value, decoded (quoted-printable, escapes,
// character set) and mapped onto the address book's property tags.
#include "wab/vcard_reader.h"

#include "platform/file_system.h"
#include "wab/ansi_text.h"
#include "wab/automation_date.h"

#include <array>
#include <cstring>
#include <memory>
#include <string_view>

namespace tarvenne::wab {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool ContainsNoCase(std::string_view text, std::string_view word) {
    if (word.size() > text.size()) return false;
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i)
        if (EqualsNoCase(text.substr(i, word.size()), word)) return true;
    return false;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// ---------------------------------------------------------------------------------------
// The one reader over the file's bytes. It hands out physical lines without their line
// ends (CR LF, LF, CR, and the CR CR LF some exporters write); once it has failed, every
// later read fails too.

class LineReader {
public:
    // More bytes than a vCard file may have fail the reader before its first line.
    LineReader(const char* data, std::size_t size)
        : data_(data), size_(size), failed_(size > kMaxVCardFileBytes) {}

    bool Next(std::string_view* line, std::size_t* start) {
        if (failed_ || pos_ >= size_) return false;
        const char* begin = data_ + pos_;
        std::size_t i = pos_;
        while (i < size_ && data_[i] != '\r' && data_[i] != '\n') ++i;
        *line = std::string_view(begin, i - pos_);
        *start = pos_;
        if (i >= size_) {
            pos_ = size_;
        } else if (data_[i] == '\n') {
            pos_ = i + 1;
        } else if (i + 1 < size_ && data_[i + 1] == '\n') {
            pos_ = i + 2;
        } else if (i + 2 < size_ && data_[i + 1] == '\r' && data_[i + 2] == '\n') {
            pos_ = i + 3;
        } else {
            pos_ = i + 1;
        }
        return true;
    }

    // The first byte of the next line, 0 at the end.
    char PeekByte() const { return !failed_ && pos_ < size_ ? data_[pos_] : '\0'; }

    // The next line without consuming it.
    std::string_view PeekLine() const {
        if (failed_ || pos_ >= size_) return std::string_view();
        std::size_t i = pos_;
        while (i < size_ && data_[i] != '\r' && data_[i] != '\n') ++i;
        return std::string_view(data_ + pos_, i - pos_);
    }

    bool failed() const { return failed_; }

private:
    const char* data_;  // not owned: the caller's buffer outlives the reader
    std::size_t size_;
    std::size_t pos_ = 0;
    bool failed_;
};

// A line whose parameters ask for quoted-printable: its value may continue on the next
// line after a soft break (a trailing '=').
bool IsQuotedPrintableLine(std::string_view line) {
    const std::size_t colon = line.find(':');
    return ContainsNoCase(colon == std::string_view::npos ? line : line.substr(0, colon),
                          "QUOTED-PRINTABLE");
}

bool IsEndOfCard(std::string_view line) {
    return EqualsNoCase(Trim(line), "END:VCARD");
}

// One logical line: physical lines joined where the next begins with a space or a tab
// (the fold), and, for quoted-printable values, where the line ends in a soft break.
// *line views the file's bytes when nothing was joined, else scratch. A line longer than
// the limit is consumed whole and reported oversized, with nothing of it kept.
struct LogicalLine {
    std::string_view text;
    std::size_t offset = 0;
    bool oversized = false;
};

bool NextLogicalLine(LineReader& in, std::string& scratch, LogicalLine* out) {
    std::string_view piece;
    if (!in.Next(&piece, &out->offset)) return false;
    out->text = piece;
    out->oversized = piece.size() > kMaxVCardLineBytes;
    const bool quoted_printable = IsQuotedPrintableLine(piece);
    bool joined = false;
    std::size_t total = piece.size();
    char last = piece.empty() ? '\0' : piece.back();

    auto append = [&](std::string_view more, bool drop_soft_break) {
        if (!joined) {
            scratch.clear();
            if (!out->oversized) scratch.assign(out->text.data(), out->text.size());
            joined = true;
        }
        if (drop_soft_break && !scratch.empty()) scratch.pop_back();
        total += more.size();
        if (total > kMaxVCardLineBytes) {
            out->oversized = true;
            scratch.clear();
        }
        if (!out->oversized) scratch.append(more.data(), more.size());
        if (!more.empty()) last = more.back();
        else if (drop_soft_break) last = '\0';
    };

    for (;;) {
        std::string_view next;
        std::size_t ignored = 0;
        if (quoted_printable && last == '=') {
            // A soft break never swallows the card's end, whatever a broken exporter wrote.
            if (in.PeekByte() == '\0' || IsEndOfCard(in.PeekLine())) break;
            in.Next(&next, &ignored);
            append(next, true);
        } else if (in.PeekByte() == ' ' || in.PeekByte() == '\t') {
            in.Next(&next, &ignored);
            append(next.substr(1), false);
        } else {
            break;
        }
    }
    if (joined) out->text = out->oversized ? std::string_view() : std::string_view(scratch);
    return true;
}

// ---------------------------------------------------------------------------------------
// A property line: [group.]NAME(;PARAM)*:VALUE, parameter values quoted or not, several
// values of one parameter separated by commas; vCard 2.1's bare parameters (TEL;WORK;FAX)
// have no name.

struct Param {
    std::string_view name;   // empty for a bare parameter
    std::string_view value;  // as written, quotes included
};

constexpr std::size_t kMaxParams = 24;

struct PropertyLine {
    std::string_view name;
    std::array<Param, kMaxParams> params;
    std::size_t param_count = 0;
    std::string_view value;
};

bool ParsePropertyLine(std::string_view line, PropertyLine* out) {
    std::size_t i = 0;
    while (i < line.size() && line[i] != ';' && line[i] != ':') ++i;
    if (i >= line.size()) return false;
    std::string_view name = Trim(line.substr(0, i));
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(dot + 1);  // item1.EMAIL
    out->name = name;
    out->param_count = 0;
    while (i < line.size() && line[i] == ';') {
        ++i;
        const std::size_t name_start = i;
        while (i < line.size() && line[i] != '=' && line[i] != ';' && line[i] != ':') ++i;
        if (i >= line.size()) return false;
        Param param;
        if (line[i] == '=') {
            param.name = Trim(line.substr(name_start, i - name_start));
            ++i;
            const std::size_t value_start = i;
            while (i < line.size() && line[i] != ';' && line[i] != ':') {
                if (line[i] == '"') {
                    const std::size_t close = line.find('"', i + 1);
                    if (close == std::string_view::npos) return false;
                    i = close;
                }
                ++i;
            }
            if (i >= line.size()) return false;
            param.value = Trim(line.substr(value_start, i - value_start));
        } else {
            param.value = Trim(line.substr(name_start, i - name_start));
        }
        if (out->param_count < kMaxParams) out->params[out->param_count++] = param;
    }
    if (i >= line.size() || line[i] != ':') return false;
    out->value = line.substr(i + 1);
    return true;
}

// Calls visit on each comma-separated item of a parameter value, quotes and spaces removed.
template <typename Visit>
bool AnyItem(std::string_view value, Visit&& visit) {
    std::size_t start = 0;
    while (start <= value.size()) {
        std::size_t comma = value.find(',', start);
        if (comma == std::string_view::npos) comma = value.size();
        std::string_view item = Trim(value.substr(start, comma - start));
        while (!item.empty() && item.front() == '"') item.remove_prefix(1);
        while (!item.empty() && item.back() == '"') item.remove_suffix(1);
        if (visit(Trim(item))) return true;
        start = comma + 1;
    }
    return false;
}

// True when the property carries a type: TYPE=x (in any list form) or a bare x.
bool HasType(const PropertyLine& p, std::string_view type) {
    for (std::size_t k = 0; k < p.param_count; ++k) {
        const Param& param = p.params[k];
        if (param.name.empty() || EqualsNoCase(param.name, "TYPE")) {
            if (AnyItem(param.value, [&](std::string_view item) { return EqualsNoCase(item, type); }))
                return true;
        }
    }
    return false;
}

std::string_view ParamValue(const PropertyLine& p, std::string_view name) {
    for (std::size_t k = 0; k < p.param_count; ++k) {
        if (EqualsNoCase(p.params[k].name, name)) {
            std::string_view v = p.params[k].value;
            while (!v.empty() && v.front() == '"') v.remove_prefix(1);
            while (!v.empty() && v.back() == '"') v.remove_suffix(1);
            return Trim(v);
        }
    }
    return std::string_view();
}

bool HasEncoding(const PropertyLine& p, std::string_view encoding) {
    return EqualsNoCase(ParamValue(p, "ENCODING"), encoding) || HasType(p, encoding);
}

bool IsPreferred(const PropertyLine& p) {
    if (HasType(p, "PREF")) return true;
    for (std::size_t k = 0; k < p.param_count; ++k)
        if (EqualsNoCase(p.params[k].name, "PREF")) return true;  // vCard 4.0: PREF=1
    return false;
}

// ---------------------------------------------------------------------------------------
// Values.

enum class Charset { Unspecified, Utf8, Windows1252, Other };

struct ValueCodec {
    bool quoted_printable = false;
    Charset charset = Charset::Unspecified;
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string DecodeQuotedPrintable(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '=' && i + 2 < raw.size() && HexDigit(raw[i + 1]) >= 0 &&
            HexDigit(raw[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexDigit(raw[i + 1]) * 16 + HexDigit(raw[i + 2])));
            i += 2;
        } else {
            out.push_back(raw[i]);  // a stray '=' stays as it is
        }
    }
    return out;
}

// A backslash stands for the character after it in every version ("http\://"), and
// "\n" for a line break.
std::string Unescape(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c != '\\' || i + 1 >= raw.size()) {
            out.push_back(c);
            continue;
        }
        const char next = raw[i + 1];
        out.push_back(next == 'n' || next == 'N' ? '\n' : next);
        ++i;
    }
    return out;
}

// Every line break inside a value becomes CR LF, as Windows programs store them; NUL
// characters, which no 8-bit text field can hold, are dropped.
std::string NormalizeBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else if (c != '\0') {
            out.push_back(c);
        }
    }
    return out;
}

// One text value (or one component of a structured value) in the ANSI code page.
std::string DecodeText(std::string_view raw, const ValueCodec& codec) {
    std::string bytes =
        codec.quoted_printable ? Unescape(DecodeQuotedPrintable(raw)) : Unescape(raw);
    bytes = NormalizeBreaks(bytes);
    bool ascii = true;
    for (char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return bytes;
    switch (codec.charset) {
        case Charset::Windows1252:
            return AnsiFromUtf8(Utf8FromWindows1252(bytes));
        case Charset::Utf8:
        case Charset::Unspecified:
        case Charset::Other:
            break;
    }
    // UTF-8 where the bytes are UTF-8 (the rule from 3.0 on, and what most 2.1 exporters
    // write with CHARSET=UTF-8); otherwise the bytes were written in the system's own
    // 8-bit code page, as address-book programs of the 2.1 era did, and stay as they are.
    if (IsValidUtf8(bytes)) return AnsiFromUtf8(bytes);
    return bytes;
}

Charset CharsetOf(const PropertyLine& p) {
    const std::string_view name = ParamValue(p, "CHARSET");
    if (name.empty()) return Charset::Unspecified;
    if (EqualsNoCase(name, "UTF-8") || EqualsNoCase(name, "UTF8")) return Charset::Utf8;
    if (EqualsNoCase(name, "ISO-8859-1") || EqualsNoCase(name, "WINDOWS-1252") ||
        EqualsNoCase(name, "CP1252") || EqualsNoCase(name, "LATIN1") ||
        EqualsNoCase(name, "US-ASCII") || EqualsNoCase(name, "ASCII"))
        return Charset::Windows1252;
    return Charset::Other;
}

// Splits a structured value (N, ADR, ORG) at the semicolons that are not escaped.
std::vector<std::string_view> SplitComponents(std::string_view raw) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\') {
            ++i;
        } else if (raw[i] == ';') {
            parts.push_back(raw.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(raw.substr(start));
    return parts;
}

bool ReadDigits(std::string_view s, std::size_t at, std::size_t n, int* out) {
    if (at + n > s.size()) return false;
    int v = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const char c = s[at + k];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    *out = v;
    return true;
}

// YYYYMMDD or YYYY-MM-DD, either followed by a time part; 00:00 UTC of that day. A date
// without a year (--0203) or that does not exist is no date.
bool ParseDate(std::string_view text, std::uint64_t* time_stamp) {
    text = Trim(text);
    int year = 0, month = 0, day = 0;
    std::size_t end = 0;
    if (!ReadDigits(text, 0, 4, &year)) return false;
    if (text.size() > 4 && text[4] == '-') {
        if (!ReadDigits(text, 5, 2, &month) || text.size() < 8 || text[7] != '-' ||
            !ReadDigits(text, 8, 2, &day))
            return false;
        end = 10;
    } else {
        if (!ReadDigits(text, 4, 2, &month) || !ReadDigits(text, 6, 2, &day)) return false;
        end = 8;
    }
    if (end < text.size() && text[end] != 'T' && text[end] != 't' && text[end] != ' ')
        return false;
    return DateToTimeStamp(year, month, day, time_stamp);
}

// ---------------------------------------------------------------------------------------
// One card under construction.

class CardBuilder {
public:
    explicit CardBuilder(std::size_t index) : index_(index) {}

    int version() const { return version_; }

    void Handle(const PropertyLine& p) {
        const std::string_view name = p.name;
        if (EqualsNoCase(name, "VERSION")) {
            const std::string_view v = Trim(p.value);
            version_ = v == "2.1" ? 21 : v == "4.0" ? 40 : 30;
            return;
        }
        // Binary values (PHOTO, LOGO, SOUND, KEY, and anything else sent as base64) carry
        // nothing a text slot could hold.
        if (HasEncoding(p, "BASE64") || HasEncoding(p, "B") ||
            EqualsNoCase(ParamValue(p, "VALUE"), "BINARY"))
            return;

        ValueCodec codec;
        codec.quoted_printable = HasEncoding(p, "QUOTED-PRINTABLE");
        codec.charset = CharsetOf(p);
        auto text = [&]() { return DecodeText(p.value, codec); };

        if (EqualsNoCase(name, "FN")) {
            Set(tag::kDisplayName, text());
        } else if (EqualsNoCase(name, "N")) {
            const auto parts = SplitComponents(p.value);
            const std::uint32_t tags[5] = {tag::kLastName, tag::kFirstName, tag::kMiddleName, 0,
                                           tag::kGeneration};
            for (std::size_t k = 0; k < parts.size() && k < 5; ++k)
                if (tags[k] != 0) Set(tags[k], DecodeText(parts[k], codec));
        } else if (EqualsNoCase(name, "NICKNAME")) {
            Set(tag::kNickName, text());
        } else if (EqualsNoCase(name, "EMAIL")) {
            SetEmail(text(), IsPreferred(p));
        } else if (EqualsNoCase(name, "ORG")) {
            const auto parts = SplitComponents(p.value);
            Set(tag::kCompany, DecodeText(parts[0], codec));
            if (parts.size() > 1) Set(tag::kDepartment, DecodeText(parts[1], codec));
        } else if (EqualsNoCase(name, "TITLE")) {
            Set(tag::kTitle, text());
        } else if (EqualsNoCase(name, "ROLE")) {
            Set(tag::kProfession, text());
        } else if (EqualsNoCase(name, "NOTE")) {
            Set(tag::kComment, text());
        } else if (EqualsNoCase(name, "TEL")) {
            SetPhone(p, text());
        } else if (EqualsNoCase(name, "ADR")) {
            SetAddress(p, codec);
        } else if (EqualsNoCase(name, "URL")) {
            Set(HasType(p, "HOME") ? tag::kPersonalHomepage : tag::kBusinessHomepage, text());
        } else if (EqualsNoCase(name, "BDAY")) {
            SetDate(tag::kBirthday, text());
        } else if (EqualsNoCase(name, "ANNIVERSARY") || EqualsNoCase(name, "X-ANNIVERSARY")) {
            SetDate(tag::kWeddingAnniversary, text());
        } else if (EqualsNoCase(name, "UID")) {
            if (uid_.empty()) uid_ = Trim(p.value).substr(0, 256);
        } else if (EqualsNoCase(name, "KIND") || EqualsNoCase(name, "X-ADDRESSBOOKSERVER-KIND")) {
            if (EqualsNoCase(Trim(p.value), "group")) entry_.object_type = kObjectTypeDistList;
        }
    }

    VCardEntry Finish() {
        const std::string id = uid_.empty() ? "vcf#" + std::to_string(index_) : "vcf:" + uid_;
        entry_.entry_id.assign(id.begin(), id.end());
        return std::move(entry_);
    }

private:
    // The first non-empty value of a property wins.
    bool Set(std::uint32_t tag, std::string value) {
        const int row = FindPropertyRow(tag);
        if (row < 0 || taken_[row] || value.empty()) return false;
        taken_[row] = true;
        PropertyValue v;
        v.tag = tag;
        v.text = std::move(value);
        entry_.values.push_back(std::move(v));
        return true;
    }

    void SetDate(std::uint32_t tag, const std::string& value) {
        const int row = FindPropertyRow(tag);
        std::uint64_t stamp = 0;
        if (row < 0 || taken_[row] || !ParseDate(value, &stamp)) return;
        taken_[row] = true;
        PropertyValue v;
        v.tag = tag;
        v.time = stamp;
        entry_.values.push_back(std::move(v));
    }

    // The first address marked preferred, else the first.
    void SetEmail(std::string value, bool preferred) {
        if (value.empty()) return;
        if (email_index_ < 0) {
            email_preferred_ = preferred;
            email_index_ = static_cast<int>(entry_.values.size());
            Set(tag::kEmailAddress, std::move(value));
        } else if (preferred && !email_preferred_) {
            email_preferred_ = true;
            entry_.values[static_cast<std::size_t>(email_index_)].text = std::move(value);
        }
    }

    // Fax first, then cell, pager, car, ISDN, work, home, preferred, other.
    void SetPhone(const PropertyLine& p, std::string value) {
        if (StartsWithNoCase(value, "tel:")) value.erase(0, 4);
        if (value.empty()) return;
        const bool work = HasType(p, "WORK");
        const bool home = HasType(p, "HOME");
        if (HasType(p, "FAX")) {
            Set(work ? tag::kBusinessFax : home ? tag::kHomeFax : tag::kPrimaryFax, std::move(value));
        } else if (HasType(p, "CELL")) {
            Set(tag::kMobilePhone, std::move(value));
        } else if (HasType(p, "PAGER")) {
            Set(tag::kPager, std::move(value));
        } else if (HasType(p, "CAR")) {
            Set(tag::kCarPhone, std::move(value));
        } else if (HasType(p, "ISDN")) {
            Set(tag::kIsdn, std::move(value));
        } else if (work) {
            if (!Set(tag::kBusinessPhone, value)) Set(tag::kBusinessPhone2, std::move(value));
        } else if (home) {
            if (!Set(tag::kHomePhone, value)) Set(tag::kHomePhone2, std::move(value));
        } else if (IsPreferred(p) || HasType(p, "MAIN")) {
            Set(tag::kPrimaryPhone, std::move(value));
        } else {
            Set(tag::kOtherPhone, std::move(value));
        }
    }

    // Post-office box; extended address; street; city; region; postal code; country. The
    // first address of each kind is taken whole, never mixed with a second one.
    void SetAddress(const PropertyLine& p, const ValueCodec& codec) {
        static const std::uint32_t kTags[3][5] = {
            {tag::kBusinessStreet, tag::kBusinessCity, tag::kBusinessState, tag::kBusinessPostal,
             tag::kBusinessCountry},
            {tag::kHomeStreet, tag::kHomeCity, tag::kHomeState, tag::kHomePostal, tag::kHomeCountry},
            {tag::kOtherStreet, tag::kOtherCity, tag::kOtherState, tag::kOtherPostal,
             tag::kOtherCountry},
        };
        const int kind = HasType(p, "WORK") ? 0 : HasType(p, "HOME") ? 1 : 2;
        if (address_taken_[kind]) return;
        const auto parts = SplitComponents(p.value);
        std::string decoded[7];
        for (std::size_t k = 0; k < parts.size() && k < 7; ++k)
            decoded[k] = DecodeText(parts[k], codec);
        std::string street;
        for (int k = 0; k < 3; ++k) {
            if (decoded[k].empty()) continue;
            if (!street.empty()) street += "\r\n";
            street += decoded[k];
        }
        if (street.empty() && decoded[3].empty() && decoded[4].empty() && decoded[5].empty() &&
            decoded[6].empty())
            return;
        address_taken_[kind] = true;
        Set(kTags[kind][0], std::move(street));
        for (int k = 1; k < 5; ++k) Set(kTags[kind][k], std::move(decoded[k + 2]));
    }

    std::size_t index_;  // 1-based position of the card in the file
    int version_ = 30;   // until the card says otherwise
    VCardEntry entry_;
    std::array<bool, kPropertyCount> taken_{};
    std::array<bool, 3> address_taken_{};
    int email_index_ = -1;
    bool email_preferred_ = false;
    std::string uid_;
};

bool IsCardBoundary(const PropertyLine& p, std::string_view which) {
    return EqualsNoCase(p.name, which) && EqualsNoCase(Trim(p.value), "VCARD");
}

bool Refuse(VCardReadResult* result, std::string reason, std::size_t offset) {
    result->ok = false;
    result->entries.clear();
    result->error = std::move(reason);
    result->error_offset = offset;
    return false;
}

}  // namespace

bool ParseVCards(const std::uint8_t* data, std::size_t size, VCardReadResult* result) {
    if (!result) return false;
    result->ok = false;
    result->error.clear();
    result->error_offset = 0;
    result->entries.clear();
    if (!data && size != 0) return Refuse(result, "no data", 0);
    if (size > kMaxVCardFileBytes)
        return Refuse(result, "the file is larger than the " +
                                  std::to_string(kMaxVCardFileBytes / (1024 * 1024)) +
                                  " MiB a vCard file may have", 0);

    const char* text = reinterpret_cast<const char*>(data);
    std::string_view bytes(text ? text : "", size);
    // UTF-16 files (with a byte-order mark, or recognisable by their first character)
    // are read as the UTF-8 they stand for.
    std::string transcoded;
    const bool le_bom = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
    const bool be_bom = size >= 2 && data[0] == 0xFE && data[1] == 0xFF;
    const bool le_bare = !le_bom && !be_bom && size >= 2 && data[0] != 0 && data[1] == 0;
    const bool be_bare = !le_bom && !be_bom && size >= 2 && data[0] == 0 && data[1] != 0;
    if (le_bom || be_bom || le_bare || be_bare) {
        transcoded = Utf8FromUtf16(bytes.substr(le_bom || be_bom ? 2 : 0), be_bom || be_bare);
        bytes = transcoded;
    } else if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        bytes.remove_prefix(3);
    }

    LineReader in(bytes.data(), bytes.size());
    std::string scratch;
    LogicalLine line;
    PropertyLine property;
    bool seen_first = false;
    bool in_card = false;
    int nested = 0;  // depth of cards inside the current one (AGENT)
    std::size_t cards = 0;
    std::unique_ptr<CardBuilder> card;

    while (NextLogicalLine(in, scratch, &line)) {
        if (Trim(line.text).empty() && !line.oversized) continue;
        const bool parsed = !line.oversized && ParsePropertyLine(line.text, &property);
        if (!seen_first) {
            if (!parsed || !IsCardBoundary(property, "BEGIN"))
                return Refuse(result, "not a vCard file: it does not begin with BEGIN:VCARD",
                              line.offset);
            seen_first = true;
        }
        // Lines without a colon (the base64 blocks of 2.1, stray text) and lines too long
        // for any slot are passed over.
        if (!parsed) continue;
        if (IsCardBoundary(property, "BEGIN")) {
            if (in_card) {
                ++nested;
            } else {
                if (++cards > kMaxVCardCards)
                    return Refuse(result, "the file holds more than " +
                                              std::to_string(kMaxVCardCards) + " cards",
                                  line.offset);
                card = std::make_unique<CardBuilder>(cards);
                in_card = true;
            }
            continue;
        }
        if (IsCardBoundary(property, "END")) {
            if (nested > 0) {
                --nested;
            } else if (in_card) {
                result->entries.push_back(card->Finish());
                card.reset();
                in_card = false;
            }
            continue;
        }
        if (in_card && nested == 0) card->Handle(property);
    }
    if (in.failed())
        return Refuse(result, "the file's text is larger than the " +
                                  std::to_string(kMaxVCardFileBytes / (1024 * 1024)) +
                                  " MiB a vCard file may have", 0);
    // A card cut off by the end of the file keeps what it has.
    if (in_card && card) result->entries.push_back(card->Finish());
    if (!seen_first) return Refuse(result, "not a vCard file: it holds no card", 0);
    result->ok = true;
    return true;
}

bool ReadVCardFile(const std::string& path, VCardReadResult* result) {
    if (!result) return false;
    result->entries.clear();
    platform::ExclusiveFile file;
    if (!file.Open(path, platform::OpenMode::Read))
        return Refuse(result, file.LastError().Describe(), 0);
    std::uint64_t size = 0;
    if (!file.Size(&size)) return Refuse(result, file.LastError().Describe(), 0);
    if (size > kMaxVCardFileBytes)
        return Refuse(result, "the file is larger than the " +
                                  std::to_string(kMaxVCardFileBytes / (1024 * 1024)) +
                                  " MiB a vCard file may have", 0);
    std::vector<std::uint8_t> bytes;
    if (!file.ReadAll(&bytes)) return Refuse(result, file.LastError().Describe(), 0);
    file.Close();
    return ParseVCards(bytes.data(), bytes.size(), result);
}

}  // namespace tarvenne::wab
