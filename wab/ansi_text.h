// Texts into and out of the 8-bit (ANSI) code page every text of an address-book entry
// and a contacts file takes: values of any declared character set converted into it
// through the platform (MultiByteToWideChar and WideCharToMultiByte on Windows, iconv
// elsewhere, in ansi_text_win.cpp and ansi_text_posix.cpp), and its texts decoded to
// UTF-8 for printing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvenne::wab {

// Characters a conversion stored as '?' because the code page has no letter for them, and
// for each the Windows code page whose script holds it, so that a user can be told which
// code page would have kept them.
struct UnmappedCharacters {
    std::uint32_t total = 0;
    // (code page, characters), in the order first met; code page 0 for characters of no
    // Windows code page's script.
    std::vector<std::pair<unsigned, std::uint32_t>> by_code_page;

    void Add(unsigned code_page, std::uint32_t count = 1);
    void Add(const UnmappedCharacters& more);
    // The code page more than half of them belong to; 0 when none does.
    unsigned MostlyOf() const;
};

// The Windows ANSI code page whose script holds a Unicode character: Cyrillic 1251, Greek
// 1253, Turkish letters 1254, Hebrew 1255, Arabic 1256, Baltic letters 1257, Vietnamese
// 1258, Central European Latin 1250, Thai 874, kana 932, Hangul 949, Han 936, Latin-1 and
// the rest of Windows-1252 1252; 0 for a character of none of them.
unsigned ScriptCodePage(std::uint32_t code_point);
// The script of such a code page in words ("Cyrillic"); empty for others.
std::string_view ScriptName(unsigned code_page);

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
    // Every character the code page lacks is counted in Unmapped(); a byte that is no
    // character of charset is not.
    void Append(std::string_view text, std::string_view charset, std::string* out);

    // Appends text of a declared character set (not UTF-8) to *out as UTF-8, so that it can
    // be taken apart before it goes into the code page; false, with nothing appended, when
    // the platform does not know charset. A byte that is no character there becomes '?'.
    bool AppendUtf8(std::string_view text, std::string_view charset, std::string* out);
    // True when charset, as declared, names no character set, ASCII or UTF-8: a text of it
    // needs no AppendUtf8.
    static bool NamesUtf8OrNothing(std::string_view charset) {
        charset = CanonicalCharset(charset);
        return charset.empty() || charset == "UTF-8";
    }

    unsigned CodePage() const { return code_page_; }
    // The characters Append has stored as '?' since the converter was made.
    const UnmappedCharacters& Unmapped() const { return unmapped_; }

private:
    struct Platform;
    // The platform's half: appends text of charset in the code page and returns true, or
    // returns false, with nothing appended, when the platform does not know charset.
    bool AppendConverted(std::string_view text, std::string_view charset, std::string* out);
    // The platform's half of AppendUtf8, for a canonical name other than UTF-8.
    bool DecodeToUtf8(std::string_view text, std::string_view charset, std::string* out);
    // The name the platform knows a declared character set by: exporters' spellings and
    // the Windows readings of the East Asian sets (Shift_JIS read as code page 932, so
    // 0x5C is a backslash as Windows has it, not a yen sign).
    static std::string_view CanonicalCharset(std::string_view charset);

    unsigned code_page_;
    UnmappedCharacters unmapped_;
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
