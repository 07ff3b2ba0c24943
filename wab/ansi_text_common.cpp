// What every build shares: UTF-8 checks, UTF-16 decoding, the rules that decide how a
// declared (or undeclared) character set is read before the platform converts it, and the
// scripts of the characters a code page lacks.
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

struct ScriptRange {
    std::uint32_t first, last;
    unsigned code_page;
};

// Blocks of one script, in order; the Latin letters of several code pages are looked up
// one by one below.
constexpr ScriptRange kScripts[] = {
    {0x00A0, 0x00FF, 1252}, {0x0370, 0x03FF, 1253}, {0x0400, 0x052F, 1251}, {0x0590, 0x05FF, 1255},
    {0x0600, 0x06FF, 1256}, {0x0750, 0x077F, 1256}, {0x0E00, 0x0E7F, 874},  {0x1100, 0x11FF, 949},
    {0x1E00, 0x1EFF, 1258}, {0x1F00, 0x1FFF, 1253}, {0x3000, 0x303F, 936},  {0x3040, 0x30FF, 932},
    {0x3130, 0x318F, 949},  {0x3400, 0x4DBF, 936},  {0x4E00, 0x9FFF, 936},  {0xAC00, 0xD7AF, 949},
    {0xF900, 0xFAFF, 936},  {0xFB50, 0xFDFF, 1256}, {0xFE70, 0xFEFF, 1256}, {0xFF01, 0xFF9F, 932},
};

// Letters and signs outside those blocks that one code page holds and a reader of that
// script would expect: Windows-1252's additions to Latin-1, the Turkish, Baltic and
// Vietnamese letters; the other letters of Latin Extended-A are Central European.
constexpr std::pair<std::uint16_t, std::uint16_t> kLetters[] = {
    {0x0100, 1257}, {0x0101, 1257}, {0x0112, 1257}, {0x0113, 1257}, {0x0116, 1257}, {0x0117, 1257},
    {0x011E, 1254}, {0x011F, 1254}, {0x0122, 1257}, {0x0123, 1257}, {0x012A, 1257}, {0x012B, 1257},
    {0x012E, 1257}, {0x012F, 1257}, {0x0130, 1254}, {0x0131, 1254}, {0x0136, 1257}, {0x0137, 1257},
    {0x013B, 1257}, {0x013C, 1257}, {0x0145, 1257}, {0x0146, 1257}, {0x014C, 1257}, {0x014D, 1257},
    {0x0152, 1252}, {0x0153, 1252}, {0x0156, 1257}, {0x0157, 1257}, {0x015E, 1254}, {0x015F, 1254},
    {0x0160, 1252}, {0x0161, 1252}, {0x016A, 1257}, {0x016B, 1257}, {0x0172, 1257}, {0x0173, 1257},
    {0x0178, 1252}, {0x017D, 1252}, {0x017E, 1252}, {0x0192, 1252}, {0x01A0, 1258}, {0x01A1, 1258},
    {0x01AF, 1258}, {0x01B0, 1258}, {0x02C6, 1252}, {0x02C7, 1250}, {0x02D8, 1250}, {0x02D9, 1250},
    {0x02DB, 1250}, {0x02DC, 1252}, {0x02DD, 1250}, {0x2013, 1252}, {0x2014, 1252}, {0x2018, 1252},
    {0x2019, 1252}, {0x201A, 1252}, {0x201C, 1252}, {0x201D, 1252}, {0x201E, 1252}, {0x2020, 1252},
    {0x2021, 1252}, {0x2022, 1252}, {0x2026, 1252}, {0x2030, 1252}, {0x2039, 1252}, {0x203A, 1252},
    {0x20AB, 1258}, {0x20AC, 1252}, {0x2122, 1252},
};

}  // namespace

void UnmappedCharacters::Add(unsigned code_page, std::uint32_t count) {
    total += count;
    for (auto& [page, n] : by_code_page)
        if (page == code_page) return void(n += count);
    by_code_page.emplace_back(code_page, count);
}

void UnmappedCharacters::Add(const UnmappedCharacters& more) {
    for (const auto& [page, n] : more.by_code_page) Add(page, n);
}

unsigned UnmappedCharacters::MostlyOf() const {
    for (const auto& [page, n] : by_code_page)
        if (page != 0 && 2 * n > total) return page;
    return 0;
}

unsigned ScriptCodePage(std::uint32_t c) {
    for (const auto& [letter, page] : kLetters)
        if (letter == c) return page;
    if (c >= 0x0100 && c <= 0x017F) return 1250;
    for (const ScriptRange& r : kScripts)
        if (c >= r.first && c <= r.last) return r.code_page;
    return 0;
}

std::string_view ScriptName(unsigned code_page) {
    switch (code_page) {
        case 874: return "Thai";
        case 932: return "Japanese";
        case 936: return "Chinese";
        case 949: return "Korean";
        case 1250: return "Central European";
        case 1251: return "Cyrillic";
        case 1252: return "Western European";
        case 1253: return "Greek";
        case 1254: return "Turkish";
        case 1255: return "Hebrew";
        case 1256: return "Arabic";
        case 1257: return "Baltic";
        case 1258: return "Vietnamese";
        default: return {};
    }
}

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

std::string_view AnsiConverter::CanonicalCharset(std::string_view charset) {
    // Exporters that say Latin-1 write Windows-1252 (curly quotes, the euro sign), as
    // browsers also read it. Bytes above 127 declared ASCII are the system's own, as if
    // nothing had been declared. The East Asian sets are read as Windows reads them.
    static constexpr std::pair<std::string_view, std::string_view> kNames[] = {
        {"ISO-8859-1", "windows-1252"}, {"LATIN1", "windows-1252"}, {"ISO_8859-1", "windows-1252"},
        {"US-ASCII", ""},               {"ASCII", ""},              {"UTF8", "UTF-8"},
        {"SHIFT_JIS", "CP932"},         {"SHIFT-JIS", "CP932"},     {"SJIS", "CP932"},
        {"X-SJIS", "CP932"},            {"MS_KANJI", "CP932"},      {"WINDOWS-31J", "CP932"},
        {"GB2312", "CP936"},            {"GBK", "CP936"},           {"X-GBK", "CP936"},
        {"BIG5", "CP950"},              {"EUC-KR", "CP949"},        {"KS_C_5601-1987", "CP949"},
        {"UHC", "CP949"},
    };
    for (const auto& [name, canonical] : kNames)
        if (EqualsNoCase(charset, name)) return canonical;
    return charset;
}

bool AnsiConverter::AppendUtf8(std::string_view text, std::string_view charset, std::string* out) {
    if (NamesUtf8OrNothing(charset)) return false;
    // The character sets exporters declare keep ASCII as it is.
    if (IsAscii(text)) {
        out->append(text.data(), text.size());
        return true;
    }
    return DecodeToUtf8(text, CanonicalCharset(charset), out);
}

void AnsiConverter::Append(std::string_view text, std::string_view charset, std::string* out) {
    // Every code page the program writes keeps ASCII as it is.
    if (IsAscii(text)) {
        out->append(text.data(), text.size());
        return;
    }
    charset = CanonicalCharset(charset);
    if (!charset.empty() && AppendConverted(text, charset, out)) return;
    if (IsValidUtf8(text) && AppendConverted(text, "UTF-8", out)) return;
    out->append(text.data(), text.size());
}

}  // namespace tarvenne::wab
