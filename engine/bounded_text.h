// A text field of fixed capacity: n bytes hold at most n - 1 characters, and every
// assignment is cut to fit, so no copy can ever run past the field. Texts are 8-bit, in
// the process's text code page, and a cut never leaves half a character behind.
#pragma once

#include "platform/code_page.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvenne {

namespace detail {
inline unsigned g_text_code_page = 0;  // 0: the system's active code page
}  // namespace detail

// The Windows ANSI code page of every 8-bit text the program handles: the one set for the
// process, else the system's (the active code page on Windows, 1252 elsewhere).
inline unsigned TextCodePage() {
    return detail::g_text_code_page != 0 ? detail::g_text_code_page
                                         : platform::ActiveAnsiCodePage();
}
// Sets it for the whole process (the command-line tool's --codepage); 0 returns to the
// system's. Set it before any text is read: texts already held stay as they were made.
inline void SetTextCodePage(unsigned code_page) { detail::g_text_code_page = code_page; }

// True when byte opens a two-byte character in code_page (932 Japanese, 936 Simplified
// Chinese, 949 Korean, 950 Traditional Chinese); every other code page has one byte per
// character.
constexpr bool IsLeadByte(unsigned code_page, unsigned char byte) {
    switch (code_page) {
        case 932: return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        case 936:
        case 949:
        case 950: return byte >= 0x81 && byte <= 0xFE;
        default: return false;
    }
}

// True when byte continues a UTF-8 character (10xxxxxx): no cut or fold falls before it.
constexpr bool IsUtf8Continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// How much of text to keep when at most limit bytes fit: the longest start that ends on a
// whole character of code_page, and not between the CR and the LF of a line break.
inline std::size_t CharacterSafeLength(std::string_view text, std::size_t limit,
                                       unsigned code_page) {
    if (text.size() <= limit) return text.size();
    std::size_t cut = limit;
    if (IsLeadByte(code_page, 0x81)) {
        // A trail byte may look like a lead byte, so only a walk from the start tells
        // where the characters begin.
        std::size_t i = 0;
        while (i < limit) {
            const std::size_t step = IsLeadByte(code_page, static_cast<unsigned char>(text[i])) ? 2 : 1;
            if (i + step > limit) break;
            i += step;
        }
        cut = i;
    } else if (code_page == 65001) {
        // A system whose code page is UTF-8: text[cut] is the first byte dropped, and
        // while it continues a character the character's start goes too.
        while (cut > 0 && IsUtf8Continuation(static_cast<unsigned char>(text[cut]))) --cut;
    }
    if (cut > 0 && text[cut - 1] == '\r' && text[cut] == '\n') --cut;
    return cut;
}

// How many bytes of text a field of `capacity` bytes (with its NUL) keeps: at most
// capacity - 1, cut on a character boundary of the text code page.
inline std::size_t FitLength(std::string_view text, std::size_t capacity) {
    const std::size_t room = capacity == 0 ? 0 : capacity - 1;
    return text.size() <= room ? text.size() : CharacterSafeLength(text, room, TextCodePage());
}

// The part of text a field of `capacity` bytes keeps.
inline std::string_view Fit(std::string_view text, std::size_t capacity) {
    return text.substr(0, FitLength(text, capacity));
}

// Copies what a field of `capacity` bytes keeps of source into dest (capacity 0 empties it).
inline void CopyBounded(std::string& dest, std::string_view source, std::size_t capacity) {
    dest.assign(source.data(), FitLength(source, capacity));
}

// Copy-if-not-empty: an empty source never clears a value.
inline void CopyIfNotEmpty(std::string& dest, std::string_view source, std::size_t capacity) {
    if (!source.empty()) CopyBounded(dest, source, capacity);
}

template <std::size_t Capacity>
class BoundedText {
public:
    static constexpr std::size_t kCapacity = Capacity;

    BoundedText() = default;
    BoundedText(std::string_view text) { Assign(text); }  // NOLINT: texts convert freely
    BoundedText& operator=(std::string_view text) {
        Assign(text);
        return *this;
    }

    void Assign(std::string_view text) { CopyBounded(text_, text, Capacity); }
    void AssignIfNotEmpty(std::string_view text) { CopyIfNotEmpty(text_, text, Capacity); }
    void Clear() { text_.clear(); }

    const std::string& str() const { return text_; }
    const char* c_str() const { return text_.c_str(); }
    bool empty() const { return text_.empty(); }
    std::size_t size() const { return text_.size(); }
    operator std::string_view() const { return text_; }  // NOLINT

    friend bool operator==(const BoundedText& a, const BoundedText& b) { return a.text_ == b.text_; }
    friend bool operator!=(const BoundedText& a, const BoundedText& b) { return a.text_ != b.text_; }

private:
    std::string text_;
};

}  // namespace tarvenne
