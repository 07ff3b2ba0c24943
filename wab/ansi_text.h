// Texts into and out of the 8-bit (ANSI) code page every text of an address-book entry
// and a contacts file takes: values of any declared character set converted into it
// through the platform (MultiByteToWideChar and WideCharToMultiByte on Windows, iconv
// elsewhere, in ansi_text_win.cpp and ansi_text_posix.cpp), and its texts decoded to
// UTF-8 for printing.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tarvenne::wab {

// Converts texts into one code page. It keeps open what the platform needs for that (iconv
// descriptors), so one converter serves a whole file.
class AnsiConverter {
public:
    explicit AnsiConverter(unsigned code_page);
    ~AnsiConverter();
    AnsiConverter(const AnsiConverter&) = delete;
    AnsiConverter& operator=(const AnsiConverter&) = delete;

    // Appends text, declared to be in charset (empty: none declared), to *out in the code
    // page; a character the code page lacks becomes '?'. Text declared in no character
    // set, or in one the platform does not know, is read as UTF-8 when it is valid UTF-8
    // and kept as it is otherwise (old exports carry the system's bytes undeclared). Only
    // in text declared UTF-8 does an invalid byte become '?'.
    void Append(std::string_view text, std::string_view charset, std::string* out);

    unsigned CodePage() const { return code_page_; }

private:
    struct Platform;
    // The platform's half: appends text of charset in the code page and returns true, or
    // returns false, with nothing appended, when the platform does not know charset.
    bool AppendConverted(std::string_view text, std::string_view charset, std::string* out);

    unsigned code_page_;
    std::unique_ptr<Platform> platform_;  // owned: the platform's open descriptors
};

// Text of code_page as UTF-8, for printing; a byte that is no character there becomes
// U+FFFD.
std::string Utf8FromAnsi(std::string_view text, unsigned code_page);

// True when text is well-formed UTF-8 (plain ASCII included).
bool IsValidUtf8(std::string_view text);
// The length of the well-formed UTF-8 character at the start of text, 0 when there is none.
std::size_t Utf8CharacterLength(std::string_view text);
// UTF-16 code units (little or big endian bytes) as UTF-8; unpaired surrogates become
// U+FFFD.
std::string Utf8FromUtf16(std::string_view bytes, bool big_endian);

}  // namespace tarvenne::wab
