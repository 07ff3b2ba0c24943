// The integer parse of GetPrivateProfileIntA, shared by both implementations.
#include "platform/private_profile.h"

#include <cstdint>

namespace tarvenne::platform {

int ParseIniInt(const std::string& text) {
    // RtlUnicodeStringToInteger with base 0, which is what the profile reader uses:
    // leading blanks and control characters skipped, an optional sign, then 0x, 0o or 0b
    // choosing the base, then digits up to the first that does not belong.
    std::size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    unsigned base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        const char c = text[i + 1];
        if (c == 'x' || c == 'X') base = 16;
        if (c == 'o' || c == 'O') base = 8;
        if (c == 'b' || c == 'B') base = 2;
        if (base != 10) i += 2;
    }
    std::uint32_t value = 0;  // wraps like the ULONG it stands for
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'z') digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'Z') digit = static_cast<unsigned>(c - 'A' + 10);
        else break;
        if (digit >= base) break;
        value = value * base + digit;
    }
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}

}  // namespace tarvenne::platform
