// The state every page of the wizard shares: the user's choices (partly kept in
// tarvenne.ini), the address-book loader, the conversion job and the chosen contacts.
#pragma once

#include "engine/bounded_text.h"
#include "engine/contact_list.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tarvenne {

namespace wab {
class WabLoader;
class SourceContact;
}  // namespace wab
class ConversionJob;

// Text fields hold at most 259 characters, as the 260-byte fields of the INI contract.
using SettingsPath = BoundedText<260>;

struct WizardSettings {
    WizardSettings();   // creates the loader (no address book), the job and an empty list
    ~WizardSettings();  // job first, then loader, then the chosen copies
    WizardSettings(const WizardSettings&) = delete;
    WizardSettings& operator=(const WizardSettings&) = delete;

    std::int32_t DataMode = 0;  // 0 current address book, 1 the file in WabFile
    SettingsPath WabFile;
    std::int32_t PalmMode = 0;  // 0 target by Palm Desktop user, 1 by PalmFile
    SettingsPath PalmFile;
    std::int32_t UserID = 0;
    std::int32_t CheckDuplicates = 1;  // shown and kept for the run, never persisted
    std::int32_t Custom[9] = {};       // address-book property tag per custom field, 0 none

    std::unique_ptr<wab::WabLoader> Loader;
    std::unique_ptr<ConversionJob> Job;
    // Copies of the contacts chosen on the record list page; the list owns the copies
    // (freed with Clear(true)), the copies share the loader's entry-id blocks.
    std::unique_ptr<ContactList<wab::SourceContact>> SelectedContacts;
    std::int32_t SelectedCount = 0;
};

// Reads and writes the persisted fields (section Brisfold of the settings file).
void LoadSettings(WizardSettings* settings, const std::string& ini_file);
void SaveSettings(const WizardSettings& settings, const std::string& ini_file);

}  // namespace tarvenne
