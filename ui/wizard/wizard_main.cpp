// The program entry of the wizard.
#include "ui/wizard/wizard_run.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return tarvenne::RunWizard(instance); }
