// On Windows the texts go into the active code page, as every other program of the
// system stores them.
#include "wab/ansi_text.h"

#include <windows.h>

#include <climits>
#include <string>

namespace tarvenne::wab {

unsigned AnsiCodePage() { return GetACP(); }

std::string AnsiFromUtf8(std::string_view utf8) {
    if (utf8.empty()) return std::string();
    bool ascii = true;
    for (char ch : utf8) ascii = ascii && static_cast<unsigned char>(ch) < 0x80;
    if (ascii) return std::string(utf8);
    // A system whose code page is UTF-8 already has the text in its own form.
    if (GetACP() == CP_UTF8) return std::string(utf8);
    if (utf8.size() > static_cast<std::size_t>(INT_MAX / 2)) return std::string();

    const int in_len = static_cast<int>(utf8.size());
    const int wide_len = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in_len, nullptr, 0);
    if (wide_len <= 0) return Windows1252FromUtf8(utf8);
    std::wstring wide(static_cast<std::size_t>(wide_len), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in_len, &wide[0], wide_len);

    // No "best fit": a character the code page lacks becomes '?' rather than a look-alike
    // that would read as something it is not.
    const int out_len = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wide_len,
                                            nullptr, 0, "?", nullptr);
    if (out_len <= 0) return Windows1252FromUtf8(utf8);
    std::string out(static_cast<std::size_t>(out_len), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wide_len, &out[0], out_len,
                        "?", nullptr);
    return out;
}

}  // namespace tarvenne::wab
