// The vCard reader: physical lines through one bounded reader, joined into properties
// (folds, and quoted-printable soft breaks), each property's parameters parsed once, its
// value decoded by the rules of the version the card declares, converted into the text
// code page and offered to the slot it maps to.
#include "vcard/vcard_reader.h"

#include "engine/bounded_text.h"
#include "platform/file_system.h"
#include "wab/ansi_text.h"
#include "wab/automation_date.h"

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvenne::vcard {
namespace {

using namespace wab;

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

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string_view Unquote(std::string_view s) {
    s = Trim(s);
    while (!s.empty() && s.front() == '"') s.remove_prefix(1);
    while (!s.empty() && s.back() == '"') s.remove_suffix(1);
    return Trim(s);
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// ---------------------------------------------------------------------------------------
// The one reader over the file's bytes. It hands out physical lines without their line
// ends (CR LF, LF, CR, and the CR CR LF some exporters write).

class LineReader {
public:
    LineReader(const char* data, std::size_t size) : data_(data), size_(size) {}

    bool Next(std::string_view* line, std::size_t* start) {
        if (pos_ >= size_) return false;
        std::size_t i = pos_;
        while (i < size_ && data_[i] != '\r' && data_[i] != '\n') ++i;
        *line = std::string_view(data_ + pos_, i - pos_);
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
    char PeekByte() const { return pos_ < size_ ? data_[pos_] : '\0'; }

    // The next line without consuming it.
    std::string_view PeekLine() const {
        std::size_t i = pos_;
        while (i < size_ && data_[i] != '\r' && data_[i] != '\n') ++i;
        return std::string_view(data_ + pos_, i - pos_);
    }

private:
    const char* data_;  // not owned: the caller's buffer outlives the reader
    std::size_t size_;
    std::size_t pos_ = 0;
};

// ---------------------------------------------------------------------------------------
// A property: [group.]NAME(;PARAM)*:VALUE, its parameters read once into what the
// mapping asks of them. Parameter values may be quoted and hold comma lists; vCard 2.1's
// bare parameters (TEL;WORK;FAX, NOTE;QUOTED-PRINTABLE) have no name.

enum TypeBit : std::uint32_t {
    kWork = 1u << 0, kHome = 1u << 1, kCell = 1u << 2, kFax = 1u << 3, kPager = 1u << 4,
    kCar = 1u << 5, kIsdn = 1u << 6, kPref = 1u << 7, kMain = 1u << 8,
};

// PREF runs from 1 (most preferred) to 100; a value without it comes after them all.
constexpr int kNoRank = 101;

enum class Encoding { Plain, QuotedPrintable, Base64 };

struct Property {
    std::string_view name;  // without its group (item1.EMAIL is EMAIL)
    std::uint32_t types = 0;
    int rank = kNoRank;
    Encoding encoding = Encoding::Plain;
    std::string_view charset;   // as declared; empty when none is
    bool binary = false;        // VALUE=binary
    bool omits_year = false;    // Apple's X-APPLE-OMIT-YEAR: the date's year is a stand-in
    std::string_view value;
};

void NoteType(std::string_view item, Property* p) {
    static constexpr std::pair<std::string_view, std::uint32_t> kTypes[] = {
        {"WORK", kWork}, {"HOME", kHome}, {"CELL", kCell}, {"FAX", kFax}, {"PAGER", kPager},
        {"CAR", kCar},   {"ISDN", kIsdn}, {"PREF", kPref}, {"MAIN", kMain},
    };
    for (const auto& [name, bit] : kTypes) {
        if (!EqualsNoCase(item, name)) continue;
        p->types |= bit;
        if (bit == kPref && p->rank > 1) p->rank = 1;
        return;
    }
    if (EqualsNoCase(item, "QUOTED-PRINTABLE")) p->encoding = Encoding::QuotedPrintable;
    if (EqualsNoCase(item, "BASE64")) p->encoding = Encoding::Base64;
}

// One parameter: a name (empty for a bare one) and its value as written.
void NoteParameter(std::string_view name, std::string_view value, Property* p) {
    if (name.empty() || EqualsNoCase(name, "TYPE")) {
        for (std::size_t start = 0; start <= value.size();) {
            std::size_t comma = value.find(',', start);
            if (comma == std::string_view::npos) comma = value.size();
            NoteType(Unquote(value.substr(start, comma - start)), p);
            start = comma + 1;
        }
    } else if (EqualsNoCase(name, "ENCODING")) {
        const std::string_view v = Unquote(value);
        if (EqualsNoCase(v, "QUOTED-PRINTABLE")) p->encoding = Encoding::QuotedPrintable;
        if (EqualsNoCase(v, "BASE64") || EqualsNoCase(v, "B")) p->encoding = Encoding::Base64;
    } else if (EqualsNoCase(name, "CHARSET")) {
        p->charset = Unquote(value);
    } else if (EqualsNoCase(name, "VALUE")) {
        p->binary = EqualsNoCase(Unquote(value), "BINARY");
    } else if (EqualsNoCase(name, "PREF")) {
        const std::string_view v = Unquote(value);
        int n = 0;
        for (char c : v) n = c >= '0' && c <= '9' && n <= 100 ? n * 10 + (c - '0') : 1000;
        if (n >= 1 && n <= 100 && n < p->rank) p->rank = n;
    } else if (EqualsNoCase(name, "X-APPLE-OMIT-YEAR")) {
        p->omits_year = true;
    }
}

// Reads the name and the parameters; *value_start is where the value begins. False for a
// line that is no property (no colon, or a quote left open).
bool ParseHeader(std::string_view line, Property* out, std::size_t* value_start) {
    *out = Property();
    std::size_t i = 0;
    while (i < line.size() && line[i] != ';' && line[i] != ':') ++i;
    if (i >= line.size()) return false;
    std::string_view name = Trim(line.substr(0, i));
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(dot + 1);
    out->name = name;
    while (line[i] == ';') {
        const std::size_t name_start = ++i;
        while (i < line.size() && line[i] != '=' && line[i] != ';' && line[i] != ':') ++i;
        if (i >= line.size()) return false;
        if (line[i] != '=') {
            NoteParameter({}, Trim(line.substr(name_start, i - name_start)), out);
            continue;
        }
        const std::string_view param = Trim(line.substr(name_start, i - name_start));
        const std::size_t value_begin = ++i;
        while (i < line.size() && line[i] != ';' && line[i] != ':') {
            if (line[i] == '"') {
                const std::size_t close = line.find('"', i + 1);
                if (close == std::string_view::npos) return false;
                i = close;
            }
            ++i;
        }
        if (i >= line.size()) return false;
        NoteParameter(param, line.substr(value_begin, i - value_begin), out);
    }
    *value_start = i + 1;
    return true;
}

bool IsCardBoundary(std::string_view line, std::string_view which) {
    line = Trim(line);
    if (!StartsWithNoCase(line, which)) return false;
    line = Trim(line.substr(which.size()));
    return !line.empty() && line.front() == ':' && EqualsNoCase(Trim(line.substr(1)), "VCARD");
}

// One property line: physical lines joined where the next begins with a space or a tab
// (a fold) and, in a quoted-printable value, where a line ends in a soft break ('='). A
// line longer than the limit is consumed whole and reported oversized.
class PropertyReader {
public:
    explicit PropertyReader(LineReader& in) : in_(in) {}

    enum class Kind { End, Blank, Stray, Oversized, Property };

    Kind Next(Property* p, std::size_t* offset) {
        std::string_view line;
        if (!in_.Next(&line, offset)) return Kind::End;
        // Files joined with copy /b or cat keep each part's byte-order mark.
        if (line.substr(0, 3) == kByteOrderMark) line.remove_prefix(3);
        std::size_t value_start = 0;
        bool parsed = ParseHeader(line, p, &value_start);
        bool joined = false, oversized = line.size() > kMaxVCardLineBytes;
        auto join = [&](std::string_view more, bool drop_soft_break) {
            if (!joined && !oversized) joined_.assign(line.data(), line.size());
            joined = true;
            if (drop_soft_break && !joined_.empty()) joined_.pop_back();
            oversized = oversized || joined_.size() + more.size() > kMaxVCardLineBytes;
            if (oversized) joined_.clear();
            else joined_.append(more.data(), more.size());
        };
        for (;;) {
            const std::string_view current = joined ? std::string_view(joined_) : line;
            std::string_view next;
            std::size_t ignored = 0;
            if (parsed && p->encoding == Encoding::QuotedPrintable && !oversized &&
                !current.empty() && current.back() == '=') {
                // A soft break never swallows a card's boundary, whatever an exporter wrote.
                const std::string_view peek = in_.PeekLine();
                if (in_.PeekByte() == '\0' || IsCardBoundary(peek, "END") ||
                    IsCardBoundary(peek, "BEGIN"))
                    break;
                in_.Next(&next, &ignored);
                join(next, true);
            } else if (in_.PeekByte() == ' ' || in_.PeekByte() == '\t') {
                in_.Next(&next, &ignored);
                join(next.substr(1), false);
            } else {
                break;
            }
        }
        if (oversized) return Kind::Oversized;
        if (Trim(line).empty() && !joined) return Kind::Blank;
        if (joined) {
            // The header was read from the first line, unless a fold cut it short.
            if (!parsed) parsed = ParseHeader(joined_, p, &value_start);
            if (!parsed) return Kind::Stray;
            p->value = std::string_view(joined_).substr(value_start);
            return Kind::Property;
        }
        if (!parsed) return Kind::Stray;
        p->value = line.substr(value_start);
        return Kind::Property;
    }

private:
    LineReader& in_;
    std::string joined_;  // the joined line when there was more than one
};

// ---------------------------------------------------------------------------------------
// Values.

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void DecodeQuotedPrintable(std::string_view raw, std::string* out) {
    out->clear();
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '=' && i + 2 < raw.size() && HexDigit(raw[i + 1]) >= 0 &&
            HexDigit(raw[i + 2]) >= 0) {
            out->push_back(static_cast<char>(HexDigit(raw[i + 1]) * 16 + HexDigit(raw[i + 2])));
            i += 2;
        } else {
            out->push_back(raw[i]);  // a stray '=' stays as it is
        }
    }
}

// Escapes resolved by the card's version, every line break made CR LF (as Windows programs
// store them), and NULs, which no 8-bit text field can hold, dropped. In 3.0 and 4.0 a
// backslash stands for the character after it and "\n" for a line break; in 2.1 it escapes
// only ; , : and \ itself, so a path such as C:\new\data survives.
void Unescape(std::string_view raw, int version, std::string* out) {
    out->clear();
    bool after_cr = false;
    auto put = [&](char c) {
        if (c == '\0') return;
        if (c == '\n' && after_cr) {
            after_cr = false;
            return;
        }
        after_cr = c == '\r';
        if (c == '\r' || c == '\n') out->append("\r\n");
        else out->push_back(c);
    };
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c != '\\' || i + 1 >= raw.size()) {
            put(c);
            continue;
        }
        const char next = raw[i + 1];
        if (version == 21) {
            if (next == ';' || next == ',' || next == ':' || next == '\\') {
                put(next);
                ++i;
            } else {
                put(c);
            }
            continue;
        }
        put(next == 'n' || next == 'N' ? '\n' : next);
        ++i;
    }
}

// Splits a structured value (N, ADR, ORG) at the semicolons that are not escaped; parts
// past the last slot are left in the last one's tail, which no mapping reads.
template <std::size_t N>
std::size_t SplitComponents(std::string_view raw, std::array<std::string_view, N>* parts) {
    std::size_t count = 0, start = 0;
    for (std::size_t i = 0; i < raw.size() && count + 1 < N; ++i) {
        if (raw[i] == '\\') {
            ++i;
        } else if (raw[i] == ';') {
            (*parts)[count++] = raw.substr(start, i - start);
            start = i + 1;
        }
    }
    (*parts)[count++] = raw.substr(start);
    for (std::size_t k = count; k < N; ++k) (*parts)[k] = {};
    return count;
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
// One card under construction. The builder is reused from card to card, so reading a
// book allocates nothing per card once its buffers have grown.

class CardBuilder {
public:
    explicit CardBuilder(AnsiConverter& converter) : converter_(converter) {}

    void Start(std::size_t index) {
        index_ = index;
        version_ = 30;
        object_type_ = kObjectTypeMailUser;
        texts_.clear();
        slots_.fill(Slot());
        address_rank_.fill(0);
        birthday_ = anniversary_ = DateSlot();
        uid_.clear();
    }

    void Handle(const Property& p);
    EntryView Finish();

private:
    struct Slot {
        std::uint32_t offset = 0, length = 0;
        int rank = 0;  // 0: empty
    };

    // The value decoded and in the code page, in decoded_.
    std::string_view Decode(std::string_view raw, const Property& p) {
        std::string_view source = raw;
        if (p.encoding == Encoding::QuotedPrintable) {
            DecodeQuotedPrintable(raw, &quoted_);
            source = quoted_;
        }
        // Most values hold nothing to unescape or normalise: they go on as they are.
        if (source.find_first_of(std::string_view("\\\r\n\0", 4)) != std::string_view::npos) {
            Unescape(source, version_, &unescaped_);
            source = unescaped_;
        }
        decoded_.clear();
        converter_.Append(source, p.charset, &decoded_);
        return decoded_;
    }

    // The value goes into the slot when the slot is empty or holds a value of a lower
    // preference; otherwise the first value stays. Empty values are no values.
    bool Offer(std::uint32_t tag, std::string_view value, int rank) {
        const int row = FindTextRow(tag);
        if (row < 0 || value.empty()) return false;
        Slot& slot = slots_[row];
        if (slot.rank != 0 && slot.rank <= rank) return false;
        slot = {static_cast<std::uint32_t>(texts_.size()), static_cast<std::uint32_t>(value.size()), rank};
        texts_.append(value.data(), value.size());
        return true;
    }

    // Two slots of one kind (work and home phones): the better value in the first, the
    // next in the second.
    void OfferPair(std::uint32_t first, std::uint32_t second, std::string_view value, int rank) {
        Slot& a = slots_[FindTextRow(first)];
        const Slot displaced = a;
        if (Offer(first, value, rank)) {
            if (displaced.rank != 0) slots_[FindTextRow(second)] = displaced;
        } else {
            Offer(second, value, rank);
        }
    }

    void HandleName(const Property& p);
    void HandlePhone(const Property& p);
    void HandleAddress(const Property& p);
    struct DateSlot {
        bool set = false;
        std::uint64_t stamp = 0;
    };
    void HandleDate(const Property& p, DateSlot* date);

    AnsiConverter& converter_;  // not owned: the parse's
    std::size_t index_ = 0;     // 1-based position of the card in the file
    int version_ = 30;          // 21, 30 or 40; 3.0 until the card says otherwise
    std::uint32_t object_type_ = kObjectTypeMailUser;
    std::string texts_;         // every value kept, back to back
    std::array<Slot, kPropertyCount> slots_{};
    std::array<int, 3> address_rank_{};  // work, home, other; 0 while none is taken
    DateSlot birthday_, anniversary_;
    std::string uid_;
    std::string id_;
    std::string quoted_, unescaped_, decoded_, phone_;
    std::array<std::string, 5> address_;  // street, city, region, postal code, country
    std::vector<PropertyValue> values_;
};

void CardBuilder::Handle(const Property& p) {
    // Binary values (PHOTO, LOGO, SOUND, KEY, and anything else sent as base64) carry
    // nothing a text slot could hold.
    if (p.encoding == Encoding::Base64 || p.binary || p.name.empty()) return;
    const std::string_view n = p.name;
    switch (Upper(n[0])) {
        case 'A':
            if (EqualsNoCase(n, "ADR")) return HandleAddress(p);
            if (EqualsNoCase(n, "ANNIVERSARY")) return HandleDate(p, &anniversary_);
            break;
        case 'B':
            if (EqualsNoCase(n, "BDAY")) return HandleDate(p, &birthday_);
            break;
        case 'E':
            if (EqualsNoCase(n, "EMAIL")) Offer(tag::kEmailAddress, Decode(p.value, p), p.rank);
            return;
        case 'F':
            if (EqualsNoCase(n, "FN")) Offer(tag::kDisplayName, Decode(p.value, p), kNoRank);
            return;
        case 'K':
            if (EqualsNoCase(n, "KIND") && EqualsNoCase(Trim(p.value), "group"))
                object_type_ = kObjectTypeDistList;
            return;
        case 'N':
            if (EqualsNoCase(n, "N")) return HandleName(p);
            if (EqualsNoCase(n, "NICKNAME")) Offer(tag::kNickName, Decode(p.value, p), kNoRank);
            if (EqualsNoCase(n, "NOTE")) Offer(tag::kComment, Decode(p.value, p), kNoRank);
            return;
        case 'O':
            if (EqualsNoCase(n, "ORG")) {
                std::array<std::string_view, 2> parts;
                SplitComponents(p.value, &parts);
                Offer(tag::kCompany, Decode(parts[0], p), kNoRank);
                Offer(tag::kDepartment, Decode(parts[1], p), kNoRank);
            }
            return;
        case 'R':
            if (EqualsNoCase(n, "ROLE")) Offer(tag::kProfession, Decode(p.value, p), kNoRank);
            return;
        case 'T':
            if (EqualsNoCase(n, "TEL")) return HandlePhone(p);
            if (EqualsNoCase(n, "TITLE")) Offer(tag::kTitle, Decode(p.value, p), kNoRank);
            return;
        case 'U':
            if (EqualsNoCase(n, "UID") && uid_.empty()) uid_ = Trim(p.value).substr(0, 256);
            if (EqualsNoCase(n, "URL"))
                Offer(p.types & kHome ? tag::kPersonalHomepage : tag::kBusinessHomepage,
                      Decode(p.value, p), p.rank);
            return;
        case 'V':
            if (EqualsNoCase(n, "VERSION")) {
                const std::string_view v = Trim(p.value);
                version_ = v == "2.1" ? 21 : v == "4.0" ? 40 : 30;
            }
            return;
        case 'X':
            if (EqualsNoCase(n, "X-ANNIVERSARY")) return HandleDate(p, &anniversary_);
            if (EqualsNoCase(n, "X-ADDRESSBOOKSERVER-KIND") && EqualsNoCase(Trim(p.value), "group"))
                object_type_ = kObjectTypeDistList;
            return;
        default:
            break;
    }
}

// Family; given; additional; prefix; suffix.
void CardBuilder::HandleName(const Property& p) {
    std::array<std::string_view, 5> parts;
    SplitComponents(p.value, &parts);
    Offer(tag::kLastName, Decode(parts[0], p), kNoRank);
    Offer(tag::kFirstName, Decode(parts[1], p), kNoRank);
    Offer(tag::kMiddleName, Decode(parts[2], p), kNoRank);
    Offer(tag::kGeneration, Decode(parts[4], p), kNoRank);
}

// Fax first, then cell, pager, car, ISDN, work, home, preferred, other. A tel: URI is the
// number before its first ';', with an extension appended as " x" and the digits.
void CardBuilder::HandlePhone(const Property& p) {
    std::string_view number = Decode(p.value, p);
    if (StartsWithNoCase(number, "tel:")) {
        const std::string_view uri = number.substr(4);
        const std::size_t semicolon = uri.find(';');
        phone_ = uri.substr(0, semicolon);
        for (std::size_t at = semicolon; at != std::string_view::npos;) {
            const std::size_t next = uri.find(';', at + 1);
            const std::string_view param = uri.substr(at + 1, next == std::string_view::npos ? next : next - at - 1);
            if (StartsWithNoCase(param, "ext=") && param.size() > 4)
                phone_.append(" x").append(param.substr(4));
            at = next;
        }
        number = phone_;
    }
    const std::uint32_t t = p.types;
    if (t & kFax) {
        Offer(t & kWork ? tag::kBusinessFax : t & kHome ? tag::kHomeFax : tag::kPrimaryFax, number, p.rank);
    } else if (t & kCell) {
        Offer(tag::kMobilePhone, number, p.rank);
    } else if (t & kPager) {
        Offer(tag::kPager, number, p.rank);
    } else if (t & kCar) {
        Offer(tag::kCarPhone, number, p.rank);
    } else if (t & kIsdn) {
        Offer(tag::kIsdn, number, p.rank);
    } else if (t & kWork) {
        OfferPair(tag::kBusinessPhone, tag::kBusinessPhone2, number, p.rank);
    } else if (t & kHome) {
        OfferPair(tag::kHomePhone, tag::kHomePhone2, number, p.rank);
    } else if (p.rank < kNoRank || (t & kMain)) {
        Offer(tag::kPrimaryPhone, number, p.rank);
    } else {
        Offer(tag::kOtherPhone, number, p.rank);
    }
}

// Post-office box; extended address; street; city; region; postal code; country. An
// address of a kind is taken whole, never mixed with a second one of the same kind.
void CardBuilder::HandleAddress(const Property& p) {
    static const std::uint32_t kTags[3][5] = {
        {tag::kBusinessStreet, tag::kBusinessCity, tag::kBusinessState, tag::kBusinessPostal,
         tag::kBusinessCountry},
        {tag::kHomeStreet, tag::kHomeCity, tag::kHomeState, tag::kHomePostal, tag::kHomeCountry},
        {tag::kOtherStreet, tag::kOtherCity, tag::kOtherState, tag::kOtherPostal,
         tag::kOtherCountry},
    };
    const int kind = p.types & kWork ? 0 : p.types & kHome ? 1 : 2;
    if (address_rank_[kind] != 0 && address_rank_[kind] <= p.rank) return;
    std::array<std::string_view, 7> parts;
    SplitComponents(p.value, &parts);
    // The street's parts, then city, region, postal code and country, each in address_[].
    for (std::string& part : address_) part.clear();
    for (int k = 0; k < 7; ++k) {
        const std::string_view part = Decode(parts[k], p);
        std::string& into = address_[k < 3 ? 0 : k - 2];
        if (k < 3 && !into.empty() && !part.empty()) into += "\r\n";
        into.append(part.data(), part.size());
    }
    bool any = false;
    for (const std::string& part : address_) any = any || !part.empty();
    if (!any) return;
    address_rank_[kind] = p.rank;
    for (std::uint32_t t : kTags[kind]) slots_[FindTextRow(t)] = Slot();
    for (int k = 0; k < 5; ++k) Offer(kTags[kind][k], address_[k], p.rank);
}

// The first date of each kind wins; a date whose year is a stand-in is no date.
void CardBuilder::HandleDate(const Property& p, DateSlot* date) {
    std::uint64_t stamp = 0;
    if (date->set || p.omits_year || !ParseDate(Decode(p.value, p), &stamp)) return;
    *date = {true, stamp};
}

EntryView CardBuilder::Finish() {
    // A card with neither name nor display name is shown as the address book shows it:
    // by its organisation, else by its e-mail address.
    auto filled = [&](std::uint32_t t) { return slots_[FindTextRow(t)].rank != 0; };
    if (!filled(tag::kDisplayName) && !filled(tag::kFirstName) && !filled(tag::kLastName)) {
        const std::uint32_t stand_in = filled(tag::kCompany) ? tag::kCompany : tag::kEmailAddress;
        slots_[FindTextRow(tag::kDisplayName)] = slots_[FindTextRow(stand_in)];
    }
    values_.clear();
    const PropertyRow* rows = PropertyTable();
    for (std::size_t r = 0; r < kPropertyCount; ++r) {
        const Slot& slot = slots_[r];
        if (slot.rank == 0) continue;
        PropertyValue v;
        v.tag = rows[r].tag;
        v.text = std::string_view(texts_).substr(slot.offset, slot.length);
        values_.push_back(v);
    }
    for (const auto& [date, t] : {std::make_pair(birthday_, tag::kBirthday),
                                  std::make_pair(anniversary_, tag::kWeddingAnniversary)}) {
        if (!date.set) continue;
        PropertyValue v;
        v.tag = t;
        v.time = date.stamp;
        values_.push_back(v);
    }
    id_.assign(uid_.empty() ? "vcf#" : "vcf:");
    if (uid_.empty()) id_ += std::to_string(index_);
    else id_.append(uid_.data(), uid_.size());
    EntryView entry;
    entry.object_type = object_type_;
    entry.entry_id = id_;
    entry.values = values_.data();
    entry.value_count = values_.size();
    return entry;
}

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
        return true;
    }

private:
    void FinishCard() {
        if (in_card_) deliver_(card_.Finish());
        in_card_ = false;
        nested_ = 0;
    }

    AnsiConverter converter_;
    CardBuilder card_;
    const VCardSink& deliver_;  // not owned: the caller's
    VCardReadResult* result_;   // not owned: the caller's
    bool seen_first_ = false, in_card_ = false, after_empty_agent_ = false;
    int nested_ = 0;  // depth of the cards inside the current one (AGENT)
};

bool CardStream::Feed(std::string_view bytes, std::size_t file_offset) {
    LineReader lines(bytes.data(), bytes.size());
    PropertyReader in(lines);
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

// Where the last card of bytes begins, as a line of its own at or after from: 0 when no
// such line follows the first.
std::size_t LastCardStart(std::string_view bytes, std::size_t from) {
    for (std::size_t i = bytes.size(); i > from && i > 1; --i) {
        if (bytes[i - 1] != '\n' && bytes[i - 1] != '\r') continue;
        std::string_view line = bytes.substr(i, bytes.find_first_of("\r\n", i) - i);
        if (line.substr(0, 3) == kByteOrderMark) line.remove_prefix(3);
        // A line that begins with a blank continues the one before it: never a start.
        if (line.empty() || line[0] == ' ' || line[0] == '\t') continue;
        if (IsCardBoundary(line, "BEGIN") && i + line.size() < bytes.size()) return i;
    }
    return 0;
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
        utf8 = Utf8FromUtf16(bytes.substr(mark), big_endian);
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

bool ReadVCardBook(const std::string& path, const VCardSink& deliver, std::string* why) {
    VCardReadResult result;
    if (ReadVCardFile(path, deliver, &result)) return true;
    *why = std::move(result.error);
    return false;
}

}  // namespace tarvenne::vcard
