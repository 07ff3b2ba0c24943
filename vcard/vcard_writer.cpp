// vCard content lines: folding, text escapes, quoted parameters and URIs.
#include "vcard/vcard_writer.h"

namespace tarvenne::vcard {
namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Neither version's text or parameter values may hold a control character but the tab
// (line breaks have their escapes).
bool IsUnwritableControl(unsigned char b) {
    return (b < 0x20 && b != '\t' && b != '\r' && b != '\n') || b == 0x7F;
}

bool IsUriUnsafe(unsigned char b) {
    switch (b) {
        case '"': case '<': case '>': case '\\': case '^': case '`': case '{': case '|': case '}':
            return true;
        default: return b <= 0x20 || b == 0x7F;
    }
}

// One flag per byte value: whether a kind of value must write the byte otherwise.
struct ByteSet {
    bool has[256] = {};
    template <class Test>
    explicit ByteSet(Test test) {
        for (int b = 0; b < 256; ++b) has[b] = test(static_cast<unsigned char>(b));
    }
};
const ByteSet kTextSpecial([](unsigned char b) {
    return b == '\\' || b == ',' || b == ';' || b == '\r' || b == '\n' || IsUnwritableControl(b);
});
const ByteSet kParamSpecial([](unsigned char b) {
    return b == '^' || b == '"' || b == '\r' || b == '\n' || IsUnwritableControl(b);
});
const ByteSet kUriSpecial(IsUriUnsafe);

// Walks utf8 and hands runs of bytes the set does not hold to plain and every other byte
// to special, which returns how many bytes it took (a CR LF pair is one line break).
template <class Plain, class Special>
void Scan(std::string_view utf8, const ByteSet& set, Plain plain, Special special) {
    const char* p = utf8.data();
    const char* const end = p + utf8.size();
    while (p < end) {
        const char* run = p;
        while (p < end && !set.has[static_cast<unsigned char>(*p)]) ++p;
        if (p > run) plain(std::string_view(run, static_cast<std::size_t>(p - run)));
        if (p < end) p += special(std::string_view(p, static_cast<std::size_t>(end - p)));
    }
}

// How many bytes a line break at the start of text takes: CR LF, a lone CR or a lone LF.
std::size_t BreakLength(std::string_view text) { return text.size() > 1 && text[0] == '\r' && text[1] == '\n' ? 2 : 1; }

}  // namespace

void VCardWriter::Unit(std::string_view unit) {
    if (column_ + unit.size() > kLineOctets) {
        Append("\r\n ", 3);
        column_ = 1;
    }
    Append(unit.data(), unit.size());
    column_ += unit.size();
}

void VCardWriter::Fold(std::string_view utf8) {
    while (column_ + utf8.size() > kLineOctets) {
        const std::size_t room = kLineOctets - column_;
        std::size_t cut = room;
        while (cut > 0 && IsContinuation(utf8[cut])) --cut;
        // Bytes that are no UTF-8 at all still end a line somewhere.
        if (cut == 0 && column_ <= 1) cut = room;
        Append(utf8.data(), cut);
        Append("\r\n ", 3);
        column_ = 1;
        utf8.remove_prefix(cut);
    }
    Append(utf8.data(), utf8.size());
    column_ += utf8.size();
}

void VCardWriter::Name(std::string_view name) { Put(name); }

void VCardWriter::Param(std::string_view name, std::string_view tokens) {
    Put(";");
    Put(name);
    Put("=");
    Put(tokens);
}

void VCardWriter::QuotedParam(std::string_view name, std::string_view utf8) {
    Put(";");
    Put(name);
    Put("=\"");
    Scan(
        utf8, kParamSpecial,
        [this](std::string_view run) { Put(run); },
        [this](std::string_view at) -> std::size_t {
            switch (at[0]) {
                case '^': Unit("^^"); return 1;
                case '"': Unit("^'"); return 1;
                case '\r': case '\n': Unit("^n"); return BreakLength(at);
                default: return 1;
            }
        });
    Put("\"");
}

void VCardWriter::Text(std::string_view utf8) {
    Scan(
        utf8, kTextSpecial,
        [this](std::string_view run) { Put(run); },
        [this](std::string_view at) -> std::size_t {
            switch (at[0]) {
                case '\\': Unit("\\\\"); return 1;
                case ',': Unit("\\,"); return 1;
                case ';': Unit("\\;"); return 1;
                case '\r': case '\n': Unit("\\n"); return BreakLength(at);
                default: return 1;
            }
        });
}

void VCardWriter::Uri(std::string_view utf8) {
    static const char kHex[] = "0123456789ABCDEF";
    Scan(
        utf8, kUriSpecial, [this](std::string_view run) { Put(run); },
        [this](std::string_view at) -> std::size_t {
            const auto b = static_cast<unsigned char>(at[0]);
            const char escaped[3] = {'%', kHex[b >> 4], kHex[b & 15]};
            Unit(std::string_view(escaped, 3));
            return 1;
        });
}

void VCardWriter::End() {
    Append("\r\n", 2);
    column_ = 0;
}

}  // namespace tarvenne::vcard
