// The system's 8-bit (ANSI) code page, the one every text of the address book and the
// contacts files is in unless the user names another. code_page_win.cpp asks Windows;
// code_page_posix.cpp answers for systems that have none.
#pragma once

namespace tarvenne::platform {

// GetACP() on Windows; 1252 elsewhere, the code page of the systems the address books
// and contacts files come from.
unsigned ActiveAnsiCodePage();

}  // namespace tarvenne::platform
