// The escapes of vCard text both ways, and hex escapes both ways.
#include "vcard/vcard_text.h"

namespace tarvenne::vcard {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// "%00" to "%FF", three bytes a byte value.
constexpr std::array<char, 3 * 256> MakePercentEscapes() {
    std::array<char, 3 * 256> escapes{};
    for (unsigned b = 0; b < 256; ++b) {
        escapes[3 * b] = '%';
        escapes[3 * b + 1] = kHexDigits[b >> 4];
        escapes[3 * b + 2] = kHexDigits[b & 15];
    }
    return escapes;
}
constexpr std::array<char, 3 * 256> kPercentEscapes = MakePercentEscapes();

// A byte a quoted parameter value cannot hold as it is: in 4.0's caret form, or as 3.0,
// which has no escapes there, has to write it.
std::string_view QuotedParamForm(char c, bool caret_escapes) {
    switch (c) {
        case '^': return caret_escapes ? "^^" : "^";
        case '"': return caret_escapes ? "^'" : "'";
        case '\r': case '\n': return caret_escapes ? "^n" : " ";
        default: return {};
    }
}

}  // namespace

std::string_view TextEscapeOf(char c) {
    switch (c) {
        case '\\': return "\\\\";
        case ',': return "\\,";
        case ';': return "\\;";
        case '\r': case '\n': return "\\n";
        default: return {};
    }
}

std::string_view CaretEscapeOf(char c) { return QuotedParamForm(c, true); }

std::string_view PlainParamFormOf(char c) { return QuotedParamForm(c, false); }

std::string_view PercentEscapeOf(char c) {
    return std::string_view(kPercentEscapes.data() + 3 * static_cast<unsigned char>(c), 3);
}

void Unescape(std::string_view raw, Version version, std::string* out) {
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
        if (version == kVersion21) {
            // 2.1 exporters also escape the colon (http\://).
            if (HasRole(next, kTextEscaped) || next == ':') {
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

void DecodePercentEscapes(std::string_view uri, std::string* out) {
    out->clear();
    for (std::size_t i = 0; i < uri.size(); ++i) {
        const int high = i + 2 < uri.size() && uri[i] == '%' ? HexDigit(uri[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(uri[i + 2]) : -1;
        const char byte = static_cast<char>(high * 16 + low);
        if (low >= 0 && byte != '\0' && HasRole(byte, kUriUnsafe)) {
            out->push_back(byte);
            i += 2;
        } else {
            out->push_back(uri[i]);
        }
    }
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

}  // namespace tarvenne::vcard
