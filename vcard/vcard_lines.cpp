// Properties out of physical lines: the header ([group.]NAME and parameters) read once,
// folds and soft breaks joined, and where the cards of a piece of a file begin.
#include "vcard/vcard_lines.h"

#include "vcard/vcard_text.h"

#include <utility>

namespace tarvenne::vcard {
namespace {

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

// One parameter: a name (empty for a bare one, as 2.1's TEL;WORK;FAX and
// NOTE;QUOTED-PRINTABLE have it) and its value as written, which may be quoted and hold a
// comma list.
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
    while (i < line.size() && !HasRole(line[i], kParamEnd)) ++i;
    if (i >= line.size()) return false;
    std::string_view name = Trim(line.substr(0, i));
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(dot + 1);
    out->name = name;
    while (line[i] == ';') {
        const std::size_t name_start = ++i;
        while (i < line.size() && line[i] != '=' && !HasRole(line[i], kParamEnd)) ++i;
        if (i >= line.size()) return false;
        if (line[i] != '=') {
            NoteParameter({}, Trim(line.substr(name_start, i - name_start)), out);
            continue;
        }
        const std::string_view param = Trim(line.substr(name_start, i - name_start));
        const std::size_t value_begin = ++i;
        while (i < line.size() && !HasRole(line[i], kParamEnd)) {
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

}  // namespace

bool IsCardBoundary(std::string_view line, std::string_view which) {
    line = Trim(line);
    if (!StartsWithNoCase(line, which)) return false;
    line = Trim(line.substr(which.size()));
    return !line.empty() && line.front() == ':' && EqualsNoCase(Trim(line.substr(1)), "VCARD");
}

PropertyReader::Kind PropertyReader::Next(Property* p, std::size_t* offset) {
    std::string_view line;
    if (!in_.Next(&line, offset)) return Kind::End;
    // Files joined with copy /b or cat keep each part's byte-order mark.
    if (line.substr(0, 3) == kByteOrderMark) line.remove_prefix(3);
    std::size_t value_start = 0;
    bool parsed = ParseHeader(line, p, &value_start);
    bool joined = false, oversized = line.size() > max_line_bytes_;
    auto join = [&](std::string_view more, bool drop_soft_break) {
        if (!joined && !oversized) joined_.assign(line.data(), line.size());
        joined = true;
        if (drop_soft_break && !joined_.empty()) joined_.pop_back();
        oversized = oversized || joined_.size() + more.size() > max_line_bytes_;
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
        } else if (IsFoldIndent(in_.PeekByte())) {
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

std::size_t LastCardStart(std::string_view bytes, std::size_t from) {
    for (std::size_t i = bytes.size(); i > from && i > 1; --i) {
        if (bytes[i - 1] != '\n' && bytes[i - 1] != '\r') continue;
        std::string_view line = bytes.substr(i, bytes.find_first_of("\r\n", i) - i);
        if (line.substr(0, 3) == kByteOrderMark) line.remove_prefix(3);
        // A line that begins with a fold's blank continues the one before it: never a start.
        if (line.empty() || IsFoldIndent(line[0])) continue;
        if (IsCardBoundary(line, "BEGIN") && i + line.size() < bytes.size()) return i;
    }
    return 0;
}

}  // namespace tarvenne::vcard
