// Without Windows there is no active code page: texts are taken to be Windows-1252.
#include "platform/code_page.h"

namespace tarvenne::platform {

unsigned ActiveAnsiCodePage() { return 1252; }

}  // namespace tarvenne::platform
