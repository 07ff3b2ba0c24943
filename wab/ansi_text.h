// Text into the system's 8-bit (ANSI) code page, the form every text of an address-book
// entry and a contacts file takes: the active code page on Windows, Windows-1252 elsewhere.
#pragma once

#include <string>
#include <string_view>

namespace tarvenne::wab {

// The code page AnsiFromUtf8 converts into (GetACP() on Windows, 1252 elsewhere).
unsigned AnsiCodePage();

// UTF-8 text in the ANSI code page; a character without an 8-bit form becomes '?', and
// so does each byte of an invalid sequence.
std::string AnsiFromUtf8(std::string_view utf8);

// True when text is well-formed UTF-8 (plain ASCII included).
bool IsValidUtf8(std::string_view text);
// 8-bit text of Windows-1252 (and so of ISO-8859-1, which it extends) as UTF-8.
std::string Utf8FromWindows1252(std::string_view text);
// UTF-16 code units (little or big endian bytes) as UTF-8; unpaired surrogates become
// U+FFFD.
std::string Utf8FromUtf16(std::string_view bytes, bool big_endian);

// The portable converter behind AnsiFromUtf8 on non-Windows builds, open to tests on
// every build.
std::string Windows1252FromUtf8(std::string_view utf8);

}  // namespace tarvenne::wab
