// The shared wizard state and its INI persistence (section Brisfold of tarvenne.ini).
#include "ui/wizard/wizard_settings.h"

#include "engine/conversion_job.h"
#include "platform/private_profile.h"
#include "vcard/vcard_reader.h"
#include "wab/source_contact.h"
#include "wab/wab_loader.h"

#include <string>

namespace tarvenne {

namespace {
constexpr char kSection[] = "Brisfold";

std::string CustomKey(int k) { return "Custom" + std::to_string(k); }
}  // namespace

WizardSettings::WizardSettings()
    : Loader(std::make_unique<wab::WabLoader>(vcard::ReadVCardBook)),
      Job(std::make_unique<ConversionJob>()),
      SelectedContacts(std::make_unique<ContactList<wab::SourceContact>>()) {}

WizardSettings::~WizardSettings() {
    Job.reset();
    Loader.reset();
    if (SelectedContacts) SelectedContacts->Clear(true);
    SelectedContacts.reset();
}

void LoadSettings(WizardSettings* settings, const std::string& ini_file) {
    using platform::ReadIniInt;
    using platform::ReadIniString;
    settings->DataMode = ReadIniInt(kSection, "DataMode", 0, ini_file);
    if (settings->DataMode != 0 && settings->DataMode != 1) settings->DataMode = 0;
    settings->WabFile = ReadIniString(kSection, "WabFile", "", ini_file);
    // An unknown target mode falls to "by file", unlike the source mode.
    settings->PalmMode = ReadIniInt(kSection, "PalmMode", 0, ini_file);
    if (settings->PalmMode != 0 && settings->PalmMode != 1) settings->PalmMode = 1;
    settings->PalmFile = ReadIniString(kSection, "PalmFile", "", ini_file);
    settings->UserID = ReadIniInt(kSection, "UserID", 0, ini_file);
    for (int k = 1; k <= 9; ++k) {
        settings->Custom[k - 1] = ReadIniInt(kSection, CustomKey(k), 0, ini_file);
    }
}

void SaveSettings(const WizardSettings& settings, const std::string& ini_file) {
    using platform::WriteIniString;
    // A failed write is not reported: there is nobody left to tell when the wizard closes.
    WriteIniString(kSection, "DataMode", std::to_string(settings.DataMode), ini_file);
    WriteIniString(kSection, "PalmMode", std::to_string(settings.PalmMode), ini_file);
    WriteIniString(kSection, "WabFile", settings.WabFile.str(), ini_file);
    WriteIniString(kSection, "PalmFile", settings.PalmFile.str(), ini_file);
    WriteIniString(kSection, "UserID", std::to_string(settings.UserID), ini_file);
    for (int k = 1; k <= 9; ++k) {
        WriteIniString(kSection, CustomKey(k), std::to_string(settings.Custom[k - 1]), ini_file);
    }
}

}  // namespace tarvenne
