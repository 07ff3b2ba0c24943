// The code page Windows stores 8-bit texts in for this user.
#include "platform/code_page.h"

#include <windows.h>

namespace tarvenne::platform {

unsigned ActiveAnsiCodePage() { return GetACP(); }

}  // namespace tarvenne::platform
