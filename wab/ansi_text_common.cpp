// UTF-8 decoding and encoding and the Windows-1252 table, shared by both builds.
#include "wab/ansi_text.h"

#include <cstdint>

namespace tarvenne::wab {
namespace {

// Windows-1252 0x80 to 0x9F. The five unassigned bytes stand for the C1 controls of the
// same value, as the system's own conversion maps them, so every byte survives a round
// trip.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

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

// Decodes one character at text[*i], advancing *i; false (advancing one byte) for an
// invalid, overlong or truncated sequence or a surrogate.
bool DecodeUtf8(std::string_view text, std::size_t* i, std::uint32_t* cp) {
    const auto b0 = static_cast<unsigned char>(text[*i]);
    std::size_t need = 0;
    std::uint32_t value = 0, min = 0;
    if (b0 < 0x80) {
        *cp = b0;
        ++*i;
        return true;
    } else if ((b0 & 0xE0) == 0xC0) {
        need = 1, value = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        need = 2, value = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        need = 3, value = b0 & 0x07, min = 0x10000;
    } else {
        ++*i;
        return false;
    }
    if (text.size() - *i <= need) {
        ++*i;
        return false;
    }
    for (std::size_t k = 1; k <= need; ++k) {
        const auto b = static_cast<unsigned char>(text[*i + k]);
        if ((b & 0xC0) != 0x80) {
            ++*i;
            return false;
        }
        value = (value << 6) | (b & 0x3F);
    }
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++*i;
        return false;
    }
    *i += need + 1;
    *cp = value;
    return true;
}

char Windows1252FromCodePoint(std::uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int k = 0; k < 32; ++k)
        if (kHigh1252[k] == cp) return static_cast<char>(0x80 + k);
    return '?';
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    std::uint32_t cp = 0;
    while (i < text.size()) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        if (!DecodeUtf8(text, &i, &cp)) return false;
    }
    return true;
}

std::string Utf8FromWindows1252(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80 || b >= 0xA0) AppendUtf8(out, b);
        else AppendUtf8(out, kHigh1252[b - 0x80]);
    }
    return out;
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

std::string Windows1252FromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        std::uint32_t cp = 0;
        out.push_back(DecodeUtf8(utf8, &i, &cp) ? Windows1252FromCodePoint(cp) : '?');
    }
    return out;
}

}  // namespace tarvenne::wab
