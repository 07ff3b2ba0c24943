// The conversion: open the target, add or merge each contact, save.
#include "engine/conversion_job.h"

#include "palminstall/palm_desktop_locator.h"
#include "platform/file_system.h"

#include <new>

namespace tarvenne {
namespace {

const char kChangedOnDiskMessage[] =
    "The contacts file was changed by another program (Palm Desktop or HotSync) since it was opened, so nothing "
    "was written and its backup was left as it was. Run the conversion again: the file will be read anew.";

std::string VersionText(std::uint32_t version) {
    return std::to_string(version / 10000) + "." + std::to_string(version / 100 % 100) + "." +
           std::to_string(version % 100);
}

std::string Reason(const AddressFile& file) {
    return file.LastError().empty() ? std::string("not readable") : file.LastError();
}

}  // namespace

std::string UnreadableTargetReason(const AddressFile& classic, const AddressFile& palmsg) {
    std::string reason = "Classic layout: " + Reason(classic) + ". Newer layout: " + Reason(palmsg) + ".";
    // A save cut short by a crash leaves the file unreadable and its backup whole; nothing
    // restores it behind the user's back, but the user is told how.
    const std::string& path = classic.PathTried().empty() ? palmsg.PathTried() : classic.PathTried();
    const std::string backup = path + ".xbk";
    if (!path.empty() && platform::PathExists(backup) &&
        (ClassicAddressFile(backup).Loaded() || PalmSgAddressFile(backup).Loaded())) {
        const std::string when = platform::ModifiedTimeText(backup);
        reason += " A backup" + (when.empty() ? std::string() : " from " + when) + " is at " + backup +
                  "; copy it over the file to restore it.";
    }
    return reason;
}

ConversionJob::ConversionJob() : ConversionJob(GetDesktopVersion()) {}

ConversionJob::ConversionJob(std::uint32_t desktop_version)
    : desktop_version_(desktop_version),
      // Unsigned on purpose: "no installation" is the largest number and picks the newer
      // layout, which every later Palm Desktop reads.
      uses_new_layout_(desktop_version >= DesktopVersionThreshold),
      classic_file_(std::make_unique<ClassicAddressFile>()),
      palmsg_file_(std::make_unique<PalmSgAddressFile>()) {}

std::int32_t ConversionJob::ProbeContactsFile(const std::string& path) {
    if (ClassicAddressFile(path).Loaded()) return kProbeClassic;
    return PalmSgAddressFile(path).Loaded() ? kProbePalmSg : kProbeUnreadable;
}

void ConversionJob::SetSwapNames(bool swap) {
    classic_file_->SetSwapNames(swap);
    palmsg_file_->SetSwapNames(swap);
}

bool ConversionJob::LoadTargetForUser(std::int32_t user_id) {
    ResetTarget();
    if (classic_file_->LoadForUser(user_id)) return FinishLoad(true, false);
    return FinishLoad(false, palmsg_file_->LoadForUser(user_id));
}

bool ConversionJob::LoadTargetFromFile(const std::string& path) {
    ResetTarget();
    if (classic_file_->Load(path)) return FinishLoad(true, false);
    return FinishLoad(false, palmsg_file_->Load(path));
}

int ConversionJob::SavedFields() const {
    const AddressFile* file = loaded_layout_ == kLayoutClassic  ? static_cast<const AddressFile*>(classic_file_.get())
                              : loaded_layout_ == kLayoutPalmSg ? palmsg_file_.get()
                                                                : nullptr;
    // A save writes fields-per-record positions of every record; what lies past them is lost.
    return file ? static_cast<int>(file->Schema().fields_per_record) : kMaxRecordFields;
}

AddressFile* ConversionJob::LoadedFile() {
    if (loaded_layout_ == kLayoutClassic) return classic_file_.get();
    if (loaded_layout_ == kLayoutPalmSg) return palmsg_file_.get();
    return nullptr;
}

bool ConversionJob::FinishLoad(bool classic_loaded, bool palmsg_loaded) {
    error_.clear();
    if (!classic_loaded && !palmsg_loaded) {
        loaded_layout_ = kLayoutFailed;
        error_ = "The contacts file could not be read. " +
                 UnreadableTargetReason(*classic_file_, *palmsg_file_);
        // Half-read records are of no use here.
        classic_file_->ReleaseRecords();
        palmsg_file_->ReleaseRecords();
        return false;
    }
    loaded_layout_ = classic_loaded ? kLayoutClassic : kLayoutPalmSg;
    RecordList& records = LoadedFile()->Records();
    target_contacts_.Attach(&records, SavedFields());
    for (std::uint32_t position = 0; position < records.Count(); ++position) {
        // Records the user deleted or archived are neither matched nor changed.
        if (records.At(position)->Status() & kStatusNotListed) continue;
        if (!target_contacts_.AppendRecord(position)) {
            ResetTarget();
            loaded_layout_ = kLayoutFailed;
            error_ = "The computer ran out of memory while reading the contacts file.";
            return false;
        }
    }
    return true;
}

bool ConversionJob::Failed(const std::string& why) {
    last_outcome_ = AddOutcome::kFailed;
    add_failed_ = true;
    error_ = why;
    return false;
}

bool ConversionJob::AddContact(const ContactRecord* record) {
    last_match_ = kMatchBadInput;
    last_edits_.Clear();
    last_outcome_ = AddOutcome::kFailed;
    if (!record) return false;
    if (!LoadedFile()) return Failed("No contacts file is open, so the contact was not added.");
    try {
        const MatchResult match = target_contacts_.FindMatch(record);
        last_match_ = match.code;
        if (match.code == kMatchIdentical) {
            last_outcome_ = AddOutcome::kSkipped;
            return false;
        }
        if (match.code == kMatchNone && AppendRecord(*record)) return true;
        if (match.code == kMatchDiffers && UpdateRecord(*record, match.position)) return true;
    } catch (const std::bad_alloc&) {
    }
    return Failed("The computer ran out of memory during the conversion; nothing was written.");
}

bool ConversionJob::AppendRecord(const ContactRecord& contact) {
    RecordList& records = LoadedFile()->Records();
    const std::uint32_t n = records.Count();
    PalmRecord* added = records.AppendNew();
    if (!added) return false;
    ListEdits(contact, *added, true, &last_edits_, SavedFields());
    if (!ApplyEdits(last_edits_, added)) return false;
    const RecordLayout& l = records.Layout();
    added->SetStatusBits(kStatusAdded);
    added->SetInteger(l.placement, kPlacementAppended);
    if (l.record_number >= 0) added->SetInteger(l.record_number, static_cast<std::int32_t>(records.NumberForAppended(n)));
    if (l.entry_index >= 0) added->SetInteger(l.entry_index, static_cast<std::int32_t>(n) * l.fields);
    // Later contacts of this run are matched against it too.
    if (!target_contacts_.AppendRecord(n)) return false;
    last_outcome_ = AddOutcome::kAdded;
    return true;
}

bool ConversionJob::UpdateRecord(const ContactRecord& contact, std::uint32_t entry) {
    PalmRecord* record = LoadedFile()->Records().At(target_contacts_.RecordPosition(entry));
    if (!record) return false;
    ListEdits(contact, *record, false, &last_edits_, SavedFields());
    if (!ApplyEdits(last_edits_, record)) return false;
    record->SetStatusBits(kStatusUpdated);
    target_contacts_.RecordChanged(entry);
    last_outcome_ = AddOutcome::kUpdated;
    return true;
}

MatchResult ConversionJob::ListEditsFor(const ContactRecord& contact, RecordEdits* edits) {
    edits->Clear();
    MatchResult match;
    AddressFile* file = LoadedFile();
    if (!file) return match;
    match = target_contacts_.FindMatch(&contact);
    if (match.code == kMatchNone) {
        ListEdits(contact, BlankRecord(file->Records().Layout()), true, edits, SavedFields());
    } else if (match.code == kMatchIdentical || match.code == kMatchDiffers) {
        ListEdits(contact, *file->Records().At(target_contacts_.RecordPosition(match.position)), false, edits,
                  SavedFields());
    }
    return match;
}

bool ConversionJob::SaveTarget() {
    const std::int32_t writer = uses_new_layout_ ? kLayoutPalmSg : kLayoutClassic;
    save_failure_ = SaveFailure::kNotWritten;  // until the file says otherwise
    if (add_failed_) {
        // error_ already says which contact went wrong.
        return false;
    }
    error_.clear();
    if (loaded_layout_ != writer) {
        if (loaded_layout_ == kLayoutNone || loaded_layout_ == kLayoutFailed) {
            error_ = "No contacts file is open, so nothing was written.";
        } else {
            const std::string installed =
                desktop_version_ == kNoDesktopVersion
                    ? std::string("No Palm Desktop installation was found, so the newer layout is written")
                    : "The installed Palm Desktop " + VersionText(desktop_version_) + " reads the " +
                          (uses_new_layout_ ? "newer" : "classic") + " layout";
            error_ = installed + ", but the contacts file is in the " +
                     (loaded_layout_ == kLayoutClassic ? "classic" : "newer") +
                     " layout; it was not written.";
        }
        return false;
    }
    AddressFile& file = *LoadedFile();
    const bool saved = file.Save();
    save_failure_ = file.LastSaveFailure();
    if (saved) return true;
    if (save_failure_ == SaveFailure::kChangedOnDisk) {
        error_ = kChangedOnDiskMessage;
        return false;
    }
    error_ = "The contacts file could not be written" +
             (file.LastError().empty() ? std::string(".") : ": " + file.LastError() + ".");
    return false;
}

void ConversionJob::ResetTarget() {
    loaded_layout_ = kLayoutNone;
    save_failure_ = SaveFailure::kNone;
    last_match_ = kMatchBadInput;
    last_outcome_ = AddOutcome::kNone;
    add_failed_ = false;
    last_edits_.Clear();
    target_contacts_.FreeAll();
    classic_file_->ReleaseRecords();
    palmsg_file_->ReleaseRecords();
}

}  // namespace tarvenne
