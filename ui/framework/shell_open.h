// Opening a document or starting a program through the shell, and saying so when it
// cannot be done, rather than leaving a click without an answer.
#pragma once

#include <windows.h>

#include <string>

namespace tarvenne {

// Opens file (with parameters, when not empty). When the shell cannot, shows an error box
// owned by owner: failure (for example "The help page could not be opened"), a colon and
// the system's reason. False then.
bool OpenWithShell(HWND owner, const std::string& file, const std::string& parameters, const std::string& failure);

}  // namespace tarvenne
