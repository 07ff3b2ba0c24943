// The conversion engine: opens a Palm Desktop contacts file in whichever layout reads it,
// adds converted contacts as new records or merges them into the records they match, and
// writes the file back in the layout the installed Palm Desktop reads.
#pragma once

#include "engine/contact_record.h"
#include "engine/record_edits.h"
#include "engine/target_contact_list.h"
#include "palmfile/classic_address_file.h"
#include "palmfile/palmsg_address_file.h"
#include "palminstall/palm_desktop_locator.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvenne {

// Which reader opened the target.
enum LoadedLayoutCode : std::int32_t {
    kLayoutNone = 0,  // nothing opened since the last reset
    kLayoutClassic = 1,
    kLayoutPalmSg = 2,
    kLayoutFailed = 3,  // the last opening failed
};

// The result of ProbeContactsFile.
enum ProbeResult : std::int32_t {
    kProbeClassic = 1,
    kProbePalmSg = 2,
    kProbeUnreadable = 3,
};

// What the last AddContact did.
enum class AddOutcome {
    kNone,     // no contact was added since the last opening
    kAdded,    // appended as a new record
    kUpdated,  // merged into the record it matches
    kSkipped,  // identical to a record: nothing changed
    kFailed,   // an error (see LastError()); the save is refused from then on
};

// Why neither reader took a file, from what each of them found, and, when a good backup
// lies beside the file, where it is and how to restore it.
std::string UnreadableTargetReason(const AddressFile& classic, const AddressFile& palmsg);

class ConversionJob {
public:
    // Reads the installed Palm Desktop's version once.
    ConversionJob();
    // The same with the version given (no installation: kNoDesktopVersion).
    explicit ConversionJob(std::uint32_t desktop_version);
    virtual ~ConversionJob() = default;
    ConversionJob(const ConversionJob&) = delete;
    ConversionJob& operator=(const ConversionJob&) = delete;

    // 1 when the classic reader accepts the file, else 2 when the newer one does, else 3.
    static std::int32_t ProbeContactsFile(const std::string& path);

    void SetSwapNames(bool swap);

    // Open a target: every listed record becomes an entry of the target contacts. False
    // when neither reader accepts the file (LoadedLayout() is then 3, LastError() says why).
    bool LoadTargetForUser(std::int32_t user_id);
    bool LoadTargetFromFile(const std::string& path);

    // Skips a contact identical to a target record, appends one that matches none, and
    // merges one that differs into its record. True when a record was added or updated.
    bool AddContact(const ContactRecord* record);
    AddOutcome LastOutcome() const { return last_outcome_; }
    // The match code the last AddContact acted on (kMatchBadInput for a null contact).
    std::int32_t LastMatch() const { return last_match_; }
    // For the contact last added or updated: what it did to its record, so a caller can
    // tell the user about texts cut to fit.
    const RecordEdits& LastEdits() const { return last_edits_; }
    // What adding the contact would do, without doing it: the match, and the edits it would
    // make to the matched record or to a new one (none when no file is open).
    MatchResult ListEditsFor(const ContactRecord& contact, RecordEdits* edits);

    // Writes the target through the file object of the layout the installed Palm Desktop
    // reads; refused (false, nothing written) when that object did not open the target or
    // a contact failed to be added, and when another program (Palm Desktop, HotSync) wrote
    // the file since it was opened: then LastSaveFailure() is kChangedOnDisk, and the
    // conversion must start again from a new opening of the file.
    bool SaveTarget();
    // Why the last SaveTarget wrote nothing (kNone when it wrote, or none was tried).
    SaveFailure LastSaveFailure() const { return save_failure_; }

    void ResetTarget();

    TargetContactList& TargetContacts() { return target_contacts_; }
    const TargetContactList& TargetContacts() const { return target_contacts_; }

    // For a caller that settles the version once the target is open (the tool, without an
    // installation, writes the layout the file was read in).
    void SetDesktopVersion(std::uint32_t version) {
        desktop_version_ = version;
        uses_new_layout_ = version >= DesktopVersionThreshold;
    }

    std::int32_t LoadedLayout() const { return loaded_layout_; }
    bool UsesNewLayout() const { return uses_new_layout_; }
    std::uint32_t DesktopVersion() const { return desktop_version_; }

    ClassicAddressFile& ClassicFile() { return *classic_file_; }
    const ClassicAddressFile& ClassicFile() const { return *classic_file_; }
    PalmSgAddressFile& PalmSgFile() { return *palmsg_file_; }
    const PalmSgAddressFile& PalmSgFile() const { return *palmsg_file_; }

    // Why the last opening, addition or save failed, in words for the user.
    const std::string& LastError() const { return error_; }

private:
    bool FinishLoad(bool classic_loaded, bool palmsg_loaded);
    AddressFile* LoadedFile();
    int SavedFields() const;
    bool Failed(const std::string& why);
    bool AppendRecord(const ContactRecord& contact);
    bool UpdateRecord(const ContactRecord& contact, std::uint32_t entry);

    std::uint32_t desktop_version_;
    bool uses_new_layout_;
    std::int32_t loaded_layout_ = kLayoutNone;
    std::int32_t last_match_ = kMatchBadInput;
    AddOutcome last_outcome_ = AddOutcome::kNone;
    SaveFailure save_failure_ = SaveFailure::kNone;
    bool add_failed_ = false;  // a contact of this run was lost: nothing may be saved
    RecordEdits last_edits_;
    std::unique_ptr<ClassicAddressFile> classic_file_;
    std::unique_ptr<PalmSgAddressFile> palmsg_file_;
    TargetContactList target_contacts_;
    std::string error_;
};

}  // namespace tarvenne
