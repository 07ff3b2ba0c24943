// Without Windows there is no active code page: the address book's texts are taken to be
// Windows-1252, the code page of the systems these address books come from.
#include "wab/ansi_text.h"

namespace tarvenne::wab {

unsigned AnsiCodePage() { return 1252; }

std::string AnsiFromUtf8(std::string_view utf8) { return Windows1252FromUtf8(utf8); }

}  // namespace tarvenne::wab
