// Conversions through Windows: MultiByteToWideChar from the declared character set's code
// page, WideCharToMultiByte into the text code page. Windows knows character sets only by
// code page number, so the names exporters write are looked up here.
#include "wab/ansi_text.h"

#include <windows.h>

#include <climits>
#include <cstdlib>
#include <string>

namespace tarvenne::wab {
namespace {

struct NamedCodePage {
    const char* name;
    UINT code_page;
};

// The names address-book exporters declare, with the code pages Windows reads them by
// (the East Asian sets arrive as "CP932" and the like, AnsiConverter::CanonicalCharset).
constexpr NamedCodePage kCharsets[] = {
    {"UTF-8", 65001},       {"UTF-7", 65000},       {"ISO-8859-2", 28592},  {"ISO-8859-3", 28593},
    {"ISO-8859-4", 28594},  {"ISO-8859-5", 28595},  {"ISO-8859-6", 28596},  {"ISO-8859-7", 28597},
    {"ISO-8859-8", 28598},  {"ISO-8859-9", 28599},  {"ISO-8859-13", 28603}, {"ISO-8859-15", 28605},
    {"KOI8-R", 20866},      {"KOI8-U", 21866},      {"EUC-JP", 20932},      {"ISO-2022-JP", 50220},
    {"GB18030", 54936},     {"TIS-620", 874},       {"IBM866", 866},        {"MACINTOSH", 10000},
};

bool EqualsNoCase(std::string_view a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char x = a[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (x != b[i]) return false;
    }
    return i == a.size() && b[i] == '\0';
}

// The code page of a character set's name ("windows-1251", "cp1251" and "ibm866" by their
// number); 0 when Windows does not know it.
UINT CodePageOfCharset(std::string_view name) {
    for (const NamedCodePage& entry : kCharsets)
        if (EqualsNoCase(name, entry.name)) return entry.code_page;
    std::string_view digits;
    for (const char* prefix : {"WINDOWS-", "CP", "IBM"}) {
        const std::size_t n = std::char_traits<char>::length(prefix);
        if (name.size() > n && EqualsNoCase(name.substr(0, n), prefix)) digits = name.substr(n);
    }
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
        return 0;
    const UINT number = static_cast<UINT>(std::strtoul(std::string(digits).c_str(), nullptr, 10));
    return IsValidCodePage(number) ? number : 0;
}

// text of code page from as UTF-16 in *wide; an invalid byte becomes U+FFFD.
bool Widen(std::string_view text, UINT from, std::wstring* wide) {
    if (text.size() > static_cast<std::size_t>(INT_MAX / 2)) return false;
    const int in_len = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(from, 0, text.data(), in_len, nullptr, 0);
    if (n <= 0) return false;
    wide->resize(static_cast<std::size_t>(n));
    return MultiByteToWideChar(from, 0, text.data(), in_len, &(*wide)[0], n) == n;
}

// UTF-16 appended to *out in code page to; a character it lacks becomes '?' (no "best
// fit": a look-alike would read as something it is not) and is counted in *unmapped.
bool Narrow(const std::wstring& wide, UINT to, std::string* out, UnmappedCharacters* unmapped) {
    const int in_len = static_cast<int>(wide.size());
    const bool utf8 = to == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = utf8 ? nullptr : "?";
    BOOL used = FALSE;
    BOOL* used_default = utf8 ? nullptr : &used;
    const int n = WideCharToMultiByte(to, flags, wide.data(), in_len, nullptr, 0, fallback, used_default);
    if (n <= 0) return false;
    const std::size_t start = out->size();
    out->resize(start + static_cast<std::size_t>(n));
    WideCharToMultiByte(to, flags, wide.data(), in_len, &(*out)[start], n, fallback, nullptr);
    if (!used || !unmapped) return true;
    // Rarely any: which characters they were is asked one character at a time. U+FFFD
    // stands for a byte that was no character, which is not counted.
    for (std::size_t i = 0; i < wide.size();) {
        const bool pair = i + 1 < wide.size() && wide[i] >= 0xD800 && wide[i] <= 0xDBFF && wide[i + 1] >= 0xDC00 &&
                          wide[i + 1] <= 0xDFFF;
        const int units = pair ? 2 : 1;
        char bytes[8];
        BOOL lacks = FALSE;
        if (wide[i] >= 0x80 && wide[i] != 0xFFFD &&
            WideCharToMultiByte(to, flags, &wide[i], units, bytes, sizeof bytes, fallback, &lacks) > 0 && lacks)
            unmapped->Add(ScriptCodePage(pair ? 0x10000 + ((wide[i] - 0xD800u) << 10) + (wide[i + 1] - 0xDC00u)
                                              : wide[i]));
        i += static_cast<std::size_t>(units);
    }
    return true;
}

}  // namespace

struct AnsiConverter::Platform {
    std::wstring wide;  // scratch for the middle step
};

AnsiConverter::AnsiConverter(unsigned code_page)
    : code_page_(code_page), platform_(std::make_unique<Platform>()) {}

AnsiConverter::~AnsiConverter() = default;

bool AnsiConverter::AppendConverted(std::string_view text, std::string_view charset,
                                    std::string* out) {
    const UINT from = CodePageOfCharset(charset);
    if (from == 0) return false;
    if (!Widen(text, from, &platform_->wide) || !Narrow(platform_->wide, code_page_, out, &unmapped_))
        out->append(text.size(), '?');
    return true;
}

bool AnsiConverter::DecodeToUtf8(std::string_view text, std::string_view charset, std::string* out) {
    const UINT from = CodePageOfCharset(charset);
    if (from == 0) return false;
    if (!Widen(text, from, &platform_->wide) || !Narrow(platform_->wide, CP_UTF8, out, nullptr))
        out->append(text.size(), '?');
    return true;
}

std::string Utf8FromAnsi(std::string_view text, unsigned code_page) {
    bool ascii = true;
    for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii || code_page == CP_UTF8) return std::string(text);
    std::wstring wide;
    std::string out;
    if (!Widen(text, code_page, &wide) || !Narrow(wide, CP_UTF8, &out, nullptr)) return std::string(text);
    return out;
}

}  // namespace tarvenne::wab
