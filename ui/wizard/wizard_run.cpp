// The wizard's whole life: common controls, the Palm Desktop libraries, the banner fonts,
// the frame run modally, and the message loop until the frame quits.
#include "ui/wizard/wizard_run.h"

#include "palminstall/palm_desktop_libraries.h"
#include "resources/resource_ids.h"
#include "ui/framework/program_instance.h"
#include "ui/look/fonts.h"
#include "ui/wizard/wizard_frame.h"

#include <commctrl.h>

#include <memory>

namespace tarvenne {

int RunWizard(HINSTANCE instance) {
    SetProgramInstance(instance);

    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = 0x1FF;  // ICC_WIN95_CLASSES and ICC_DATE_CLASSES
    if (!InitCommonControlsEx(&controls)) {
        UnloadLibraries(kAllPalmLibraries);
        DeleteBannerFonts();
        return -1;
    }

    LoadLibraries(kAllPalmLibraries);  // without them the wizard still runs, with no users
    CreateBannerFonts();

    auto frame = std::make_unique<WizardFrame>();
    frame->RunModal(nullptr, instance, IDD_WIZARD_FRAME);

    // The frame posts the quit message when its window goes. A frame that never got a
    // window (no display, no template) posts nothing, and waiting would never end.
    int exit_code = -1;
    if (frame->Window()) {
        MSG message;
        BOOL got;
        while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0 && got != -1) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        exit_code = got == 0 ? static_cast<int>(message.wParam) : -1;
    }

    UnloadLibraries(kAllPalmLibraries);
    DeleteBannerFonts();
    frame.reset();
    return exit_code;
}

}  // namespace tarvenne
