// What every build shares: UTF-8 checks, UTF-16 decoding, and the rules that decide how a
// declared (or undeclared) character set is read before the platform converts it.
#include "wab/ansi_text.h"

#include "engine/bounded_text.h"

#include <cstdint>

namespace tarvenne::wab {
namespace {

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

bool IsAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

std::size_t Utf8CharacterLength(std::string_view text) {
    if (text.empty()) return 0;
    const auto b0 = static_cast<unsigned char>(text[0]);
    std::size_t need = 0;
    std::uint32_t value = 0, min = 0;
    if (b0 < 0x80) return 1;
    if ((b0 & 0xE0) == 0xC0) {
        need = 1, value = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        need = 2, value = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        need = 3, value = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (text.size() <= need) return 0;
    for (std::size_t k = 1; k <= need; ++k) {
        const auto b = static_cast<unsigned char>(text[k]);
        if (!IsUtf8Continuation(b)) return 0;
        value = (value << 6) | (b & 0x3F);
    }
    // Overlong forms and surrogates are no characters.
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return need + 1;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = Utf8CharacterLength(text.substr(i));
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string Utf8FromUtf16(std::string_view bytes, bool big_endian) {
    std::string out;
    out.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    auto unit = [&](std::size_t k) -> std::uint32_t {
        const auto a = static_cast<unsigned char>(bytes[2 * k]);
        const auto b = static_cast<unsigned char>(bytes[2 * k + 1]);
        return big_endian ? (a << 8 | b) : (b << 8 | a);
    };
    for (std::size_t k = 0; k < units; ++k) {
        std::uint32_t u = unit(k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units) {
            const std::uint32_t low = unit(k + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++k;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;
        AppendUtf8(out, u);
    }
    return out;
}

void AnsiConverter::Append(std::string_view text, std::string_view charset, std::string* out) {
    // Every code page the program writes keeps ASCII as it is.
    if (IsAscii(text)) {
        out->append(text.data(), text.size());
        return;
    }
    // Exporters that say Latin-1 write Windows-1252 (curly quotes, the euro sign), as
    // browsers also read it. Bytes above 127 declared ASCII are the system's own, as if
    // nothing had been declared.
    if (EqualsNoCase(charset, "ISO-8859-1") || EqualsNoCase(charset, "LATIN1") ||
        EqualsNoCase(charset, "ISO_8859-1"))
        charset = "windows-1252";
    if (EqualsNoCase(charset, "US-ASCII") || EqualsNoCase(charset, "ASCII")) charset = {};
    if (EqualsNoCase(charset, "UTF8")) charset = "UTF-8";
    if (!charset.empty() && AppendConverted(text, charset, out)) return;
    if (IsValidUtf8(text) && AppendConverted(text, "UTF-8", out)) return;
    out->append(text.data(), text.size());
}

}  // namespace tarvenne::wab
