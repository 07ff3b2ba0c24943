// The conversion engine: opens a Palm Desktop contacts file in whichever layout reads it,
// adds converted contacts as new records or merges them into the records they match, and
// writes the file back in the layout the installed Palm Desktop reads.
#pragma once

#include "engine/contact_list.h"
#include "engine/contact_record.h"
#include "engine/target_contact_list.h"
#include "palmfile/classic_address_file.h"
#include "palmfile/palmsg_address_file.h"

#include <cstdint>
#include <memory>
#include <string>

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

// The job's own copy of one target record: the record it edits, and which record of the
// file object's list it stands for.
struct TargetRecordCopy {
    static constexpr std::uint32_t kNoFileRecord = 0xFFFFFFFFu;

    std::int32_t layout = 0;  // 1 classic (classic is used), 2 newer (palmsg is used)
    ClassicRecord classic;
    PalmSgRecord palmsg;  // owns its own blob bytes, apart from the file's record
    // Position of the record in the file object's record list (skipped records counted);
    // kNoFileRecord when the copy never reached a file (a failed opening).
    std::uint32_t file_position = kNoFileRecord;
};

class ConversionJob {
public:
    // Reads the installed Palm Desktop's version once.
    ConversionJob();
    // The same with the version given (no installation: kNoDesktopVersion).
    explicit ConversionJob(std::uint32_t desktop_version);
    virtual ~ConversionJob();
    ConversionJob(const ConversionJob&) = delete;
    ConversionJob& operator=(const ConversionJob&) = delete;

    // 1 when the classic reader accepts the file, else 2 when the newer one does, else 3.
    static std::int32_t ProbeContactsFile(const std::string& path);

    void SetSwapNames(bool swap);

    // Open a target: every listed record becomes a working copy and a target contact.
    // False when neither reader accepts the file (LoadedLayout() is then 3).
    bool LoadTargetForUser(std::int32_t user_id);
    bool LoadTargetFromFile(const std::string& path);

    // Skips a contact identical to a target record, appends one that matches none, and
    // merges one that differs into its record. True when a record was added or updated.
    bool AddContact(const ContactRecord* record);
    // The match code the last AddContact acted on (kMatchBadInput for a null contact),
    // so a caller can tell an added record from an updated one and a skipped contact.
    std::int32_t LastMatch() const { return last_match_; }

    // Writes the target through the file object of the layout the installed Palm Desktop
    // reads; refused (false, nothing written) when that object did not open the target.
    bool SaveTarget();

    void ResetTarget();

    TargetContactList& TargetContacts() { return target_contacts_; }
    const TargetContactList& TargetContacts() const { return target_contacts_; }
    std::uint32_t WorkingCopyCount() const { return working_copies_.Count(); }
    const TargetRecordCopy* WorkingCopy(std::uint32_t position) const {
        return working_copies_.At(position);
    }

    std::int32_t LoadedLayout() const { return loaded_layout_; }
    bool UsesNewLayout() const { return uses_new_layout_; }
    std::uint32_t DesktopVersion() const { return desktop_version_; }

    ClassicAddressFile& ClassicFile() { return *classic_file_; }
    const ClassicAddressFile& ClassicFile() const { return *classic_file_; }
    PalmSgAddressFile& PalmSgFile() { return *palmsg_file_; }
    const PalmSgAddressFile& PalmSgFile() const { return *palmsg_file_; }

    // Why the last opening or save failed, in words for the user; empty after success.
    const std::string& LastError() const { return error_; }

private:
    bool FinishLoad(bool classic_loaded, bool palmsg_loaded);
    bool OutOfMemoryWhileLoading();
    bool AppendRecord(const ContactRecord& contact);
    bool UpdateRecord(const ContactRecord& contact, std::uint32_t position);
    void FreeWorkingCopies();

    std::uint32_t desktop_version_;
    bool uses_new_layout_;
    std::int32_t loaded_layout_ = kLayoutNone;
    std::int32_t last_match_ = kMatchBadInput;
    std::unique_ptr<ClassicAddressFile> classic_file_;
    std::unique_ptr<PalmSgAddressFile> palmsg_file_;
    ContactList<TargetRecordCopy> working_copies_;  // owns its copies (freed by the job)
    TargetContactList target_contacts_;
    std::string error_;
};

}  // namespace tarvenne
