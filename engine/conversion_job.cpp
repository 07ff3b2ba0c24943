// The conversion engine: opening the target, turning records into contacts and back,
// adding and merging contacts, and saving in the layout Palm Desktop reads.
#include "engine/conversion_job.h"

#include "engine/bounded_text.h"
#include "palminstall/palm_desktop_locator.h"

#include <new>
#include <string>
#include <string_view>
#include <utility>

namespace tarvenne {
namespace {

constexpr std::uint32_t kStatusAdded = 0x01;
constexpr std::uint32_t kStatusUpdated = 0x02;
constexpr std::uint32_t kStatusNotListed = 0x04 | 0x80;
constexpr std::int32_t kPlacementAppended = 0x7FFFFFFF;
constexpr std::int32_t kFirstRecordNumber = 0x1000;
constexpr std::int32_t kPalmSgFieldsPerRecord = 73;

enum PhoneLabel : std::int32_t {
    kWorkPhone = 0,
    kHomePhone = 1,
    kFax = 2,
    kOtherPhone = 3,
    kEmail = 4,
    kMainPhone = 5,
    kPager = 6,
    kMobilePhone = 7,
};

// Phone slots in slot order into the fields their labels name; a later slot with the same
// label wins, pagers and unknown labels are not carried.
void ReadPhones(const std::string* text, const std::int32_t* label, int slots, ContactRecord& c) {
    for (int i = 0; i < slots; ++i) {
        if (text[i].empty()) continue;
        switch (label[i]) {
            case kWorkPhone: c.work_phone = text[i]; break;
            case kHomePhone: c.home_phone = text[i]; break;
            case kFax: c.fax = text[i]; break;
            case kOtherPhone: c.other_phone = text[i]; break;
            case kEmail: c.email = text[i]; break;
            case kMainPhone: c.main_phone = text[i]; break;
            case kMobilePhone: c.mobile_phone = text[i]; break;
            default: break;
        }
    }
}

std::string_view PhoneSource(const ContactRecord& c, std::int32_t label) {
    switch (label) {
        case kWorkPhone: return c.work_phone;
        case kHomePhone: return c.home_phone;
        case kFax: return c.fax.empty() ? std::string_view(c.home_fax) : std::string_view(c.fax);
        case kOtherPhone: return c.other_phone;
        case kEmail: return c.email;
        case kMainPhone: return c.main_phone;
        case kMobilePhone: return c.mobile_phone;
        default: return {};
    }
}

// Each label in turn takes the slot already carrying it, else the first empty slot (which
// it relabels even without a value, for the next label to take over); a value that finds
// neither is not written. An existing pager slot is left alone.
void WritePhones(std::string* text, std::int32_t* label, int slots, std::size_t width,
                 const ContactRecord& c) {
    for (std::int32_t l = kWorkPhone; l <= kMobilePhone; ++l) {
        const std::string_view source = PhoneSource(c, l);
        int labelled = -1;
        for (int i = 0; i < slots && labelled < 0; ++i)
            if (label[i] == l) labelled = i;
        if (labelled >= 0 && l == kPager) continue;
        if (labelled >= 0 && !source.empty()) {
            CopyBounded(text[labelled], source, width);
            continue;
        }
        for (int i = 0; i < slots; ++i) {
            if (!text[i].empty()) continue;
            label[i] = l;
            if (!source.empty()) CopyBounded(text[i], source, width);
            break;
        }
    }
}

void ReadContact(const ClassicRecord& r, ContactRecord& c) {
    c.first_name = r.first_name;
    c.last_name = r.last_name;
    c.company = r.company;
    c.title = r.title;
    c.work.street = r.address;
    c.work.city = r.city;
    c.work.state = r.state;
    c.work.postal_code = r.zip;
    c.work.country = r.country;
    c.note = r.note;
    for (int i = 0; i < ClassicRecord::kCustoms; ++i) c.custom[i] = r.custom[i];
    ReadPhones(r.phone, r.phone_label, ClassicRecord::kPhones, c);
}

void ReadAddress(const PalmSgAddress& a, ContactAddress& c) {
    c.street = a.street;
    c.city = a.city;
    c.state = a.state;
    c.postal_code = a.zip;
    c.country = a.country;
}

void ReadContact(const PalmSgRecord& r, ContactRecord& c) {
    c.first_name = r.first_name;
    c.last_name = r.last_name;
    c.company = r.company;
    c.title = r.title;
    // The address blocks by their place; their kind fields say nothing more.
    ReadAddress(r.address[0], c.work);
    ReadAddress(r.address[1], c.home);
    ReadAddress(r.address[2], c.other);
    c.note = r.note;
    for (int i = 0; i < PalmSgRecord::kCustoms; ++i) c.custom[i] = r.custom[i];
    c.birthday = r.Birthday();
    ReadPhones(r.phone, r.phone_label, PalmSgRecord::kPhones, c);
}

// Contact into record: an empty text never clears what the record holds. The web page
// is matched on but has no place in a record.
void WriteContact(const ContactRecord& c, ClassicRecord& r) {
    namespace w = classic_width;
    WritePhones(r.phone, r.phone_label, ClassicRecord::kPhones, w::kPhone, c);
    CopyIfNotEmpty(r.last_name, c.last_name, w::kName);
    CopyIfNotEmpty(r.first_name, c.first_name, w::kName);
    CopyIfNotEmpty(r.company, c.company, w::kCompany);
    CopyIfNotEmpty(r.title, c.title, w::kTitle);
    CopyIfNotEmpty(r.note, c.note, w::kNote);
    for (int i = 0; i < ClassicRecord::kCustoms; ++i)
        CopyIfNotEmpty(r.custom[i], c.custom[i], w::kCustom);
    CopyIfNotEmpty(r.address, c.work.street, w::kAddress);
    CopyIfNotEmpty(r.city, c.work.city, w::kCity);
    CopyIfNotEmpty(r.state, c.work.state, w::kState);
    CopyIfNotEmpty(r.zip, c.work.postal_code, w::kZip);
    CopyIfNotEmpty(r.country, c.work.country, w::kCountry);
    r.is_private = 0;
}

void WriteAddress(const ContactAddress& c, std::int32_t kind, PalmSgAddress& a) {
    namespace w = palmsg_width;
    a.kind = kind;
    CopyIfNotEmpty(a.street, c.street, w::kLong);
    CopyIfNotEmpty(a.city, c.city, w::kShort);
    CopyIfNotEmpty(a.state, c.state, w::kShort);
    CopyIfNotEmpty(a.zip, c.postal_code, w::kShort);
    CopyIfNotEmpty(a.country, c.country, w::kShort);
}

void WriteContact(const ContactRecord& c, PalmSgRecord& r) {
    namespace w = palmsg_width;
    WritePhones(r.phone, r.phone_label, PalmSgRecord::kPhones, w::kShort, c);
    CopyIfNotEmpty(r.last_name, c.last_name, w::kShort);
    CopyIfNotEmpty(r.first_name, c.first_name, w::kShort);
    CopyIfNotEmpty(r.company, c.company, w::kLong);
    CopyIfNotEmpty(r.title, c.title, w::kShort);
    WriteAddress(c.work, 0, r.address[0]);
    WriteAddress(c.home, 1, r.address[1]);
    WriteAddress(c.other, 2, r.address[2]);
    CopyIfNotEmpty(r.note, c.note, w::kNote);
    for (int i = 0; i < PalmSgRecord::kCustoms; ++i)
        CopyIfNotEmpty(r.custom[i], c.custom[i], w::kLong);
    r.is_private = 0;
    // A contact without a birthday (0) is no reason to drop the one the record has, the
    // same rule as for every text.
    if (c.birthday != 0.0) r.SetBirthday(c.birthday);
}

std::string VersionText(std::uint32_t version) {
    return std::to_string(version / 10000) + "." + std::to_string(version / 100 % 100) + "." +
           std::to_string(version % 100);
}

}  // namespace

ConversionJob::ConversionJob() : ConversionJob(GetDesktopVersion()) {}

ConversionJob::ConversionJob(std::uint32_t desktop_version)
    : desktop_version_(desktop_version),
      // Unsigned on purpose: "no installation" is the largest number and picks the newer
      // layout, which every later Palm Desktop reads.
      uses_new_layout_(desktop_version >= DesktopVersionThreshold),
      classic_file_(std::make_unique<ClassicAddressFile>()),
      palmsg_file_(std::make_unique<PalmSgAddressFile>()) {}

ConversionJob::~ConversionJob() { FreeWorkingCopies(); }

std::int32_t ConversionJob::ProbeContactsFile(const std::string& path) {
    {
        ClassicAddressFile classic(path);
        if (classic.Loaded()) return kProbeClassic;
    }
    PalmSgAddressFile palmsg(path);
    return palmsg.Loaded() ? kProbePalmSg : kProbeUnreadable;
}

void ConversionJob::SetSwapNames(bool swap) {
    classic_file_->SetSwapNames(swap);
    palmsg_file_->SetSwapNames(swap);
}

bool ConversionJob::LoadTargetForUser(std::int32_t user_id) {
    ResetTarget();
    try {
        if (classic_file_->LoadForUser(user_id)) return FinishLoad(true, false);
        return FinishLoad(false, palmsg_file_->LoadForUser(user_id));
    } catch (const std::bad_alloc&) {
        return OutOfMemoryWhileLoading();
    }
}

bool ConversionJob::LoadTargetFromFile(const std::string& path) {
    ResetTarget();
    try {
        if (classic_file_->Load(path)) return FinishLoad(true, false);
        return FinishLoad(false, palmsg_file_->Load(path));
    } catch (const std::bad_alloc&) {
        return OutOfMemoryWhileLoading();
    }
}

bool ConversionJob::OutOfMemoryWhileLoading() {
    ResetTarget();
    loaded_layout_ = kLayoutFailed;
    error_ = "The computer ran out of memory while reading the contacts file.";
    return false;
}

bool ConversionJob::FinishLoad(bool classic_loaded, bool palmsg_loaded) {
    error_.clear();
    if (!classic_loaded && !palmsg_loaded) {
        loaded_layout_ = kLayoutFailed;
        error_ = "The contacts file could not be read. Classic layout: " +
                 (classic_file_->LastError().empty() ? std::string("not readable")
                                                     : classic_file_->LastError()) +
                 ". Newer layout: " +
                 (palmsg_file_->LastError().empty() ? std::string("not readable")
                                                    : palmsg_file_->LastError()) +
                 ".";
        // Half-read records are of no use and must never reach a save.
        classic_file_->Records().Clear();
        palmsg_file_->Records().Clear();
        return false;
    }

    loaded_layout_ = classic_loaded ? kLayoutClassic : kLayoutPalmSg;
    const std::uint32_t count =
        classic_loaded ? classic_file_->Records().Count() : palmsg_file_->Records().Count();
    for (std::uint32_t position = 0; position < count; ++position) {
        auto copy = std::make_unique<TargetRecordCopy>();
        copy->layout = loaded_layout_;
        copy->file_position = position;
        ContactRecord contact;
        if (classic_loaded) {
            const ClassicRecord* record = classic_file_->Records().Get(position);
            if (!record || (record->status & kStatusNotListed)) continue;
            copy->classic = *record;
            ReadContact(copy->classic, contact);
        } else {
            const PalmSgRecord* record = palmsg_file_->Records().Get(position);
            if (!record || (record->status & kStatusNotListed)) continue;
            copy->palmsg = *record;  // with its own copies of the blob bytes
            ReadContact(copy->palmsg, contact);
        }
        if (!working_copies_.Append(copy.get())) continue;
        copy.release();  // the working copies own it now
        target_contacts_.AppendCopy(&contact);
    }
    return true;
}

bool ConversionJob::AddContact(const ContactRecord* record) {
    last_match_ = kMatchBadInput;
    if (!record) return false;
    try {
        const MatchResult match = target_contacts_.FindMatch(record);
        last_match_ = match.code;
        switch (match.code) {
            case kMatchIdentical: return false;
            case kMatchNone: return AppendRecord(*record);
            case kMatchDiffers: return UpdateRecord(*record, match.position);
            default: return false;
        }
    } catch (const std::bad_alloc&) {
        // The working copies, the target contacts and the file's records may no longer
        // stand for each other: nothing of this run may be saved.
        loaded_layout_ = kLayoutFailed;
        error_ = "The computer ran out of memory during the conversion; nothing was written.";
        return false;
    }
}

bool ConversionJob::AppendRecord(const ContactRecord& contact) {
    auto copy = std::make_unique<TargetRecordCopy>();
    copy->layout = loaded_layout_ == kLayoutClassic ? kLayoutClassic : kLayoutPalmSg;
    if (copy->layout == kLayoutClassic) {
        WriteContact(contact, copy->classic);
    } else {
        WriteContact(contact, copy->palmsg);
    }
    TargetRecordCopy* added = copy.get();
    if (!working_copies_.Append(added)) return false;
    copy.release();  // the working copies own it now
    // Kept also when no file takes the record, so both lists stay in step by position.
    target_contacts_.AppendCopy(&contact);

    if (loaded_layout_ == kLayoutClassic) {
        ClassicRecordList& records = classic_file_->Records();
        added->classic.placement = kPlacementAppended;
        added->classic.status |= kStatusAdded;
        added->file_position = records.Count();
        if (!records.Append(added->classic)) {
            added->file_position = TargetRecordCopy::kNoFileRecord;
            return false;
        }
        return true;
    }
    if (loaded_layout_ == kLayoutPalmSg) {
        PalmSgRecordList& records = palmsg_file_->Records();
        const std::uint32_t n = records.Count();
        added->palmsg.status |= kStatusAdded;
        added->palmsg.placement = kPlacementAppended;
        added->palmsg.record_number = static_cast<std::int32_t>(kFirstRecordNumber + n);
        added->palmsg.entry_index = static_cast<std::int32_t>(n * kPalmSgFieldsPerRecord);
        added->file_position = n;
        if (!records.AppendCopy(&added->palmsg)) {
            added->file_position = TargetRecordCopy::kNoFileRecord;
            return false;
        }
        return true;
    }
    // No file is open: nothing may be written anywhere.
    return false;
}

bool ConversionJob::UpdateRecord(const ContactRecord& contact, std::uint32_t position) {
    if (loaded_layout_ != kLayoutClassic && loaded_layout_ != kLayoutPalmSg) return false;
    TargetRecordCopy* copy = working_copies_.Get(position);
    if (!copy || copy->layout != loaded_layout_ ||
        copy->file_position == TargetRecordCopy::kNoFileRecord)
        return false;

    if (loaded_layout_ == kLayoutClassic) {
        ClassicRecord* file_record = classic_file_->Records().Get(copy->file_position);
        if (!file_record) return false;
        WriteContact(contact, copy->classic);
        target_contacts_.MergeAt(&contact, position);
        copy->classic.status |= kStatusUpdated;
        *file_record = copy->classic;
        return true;
    }

    PalmSgRecord* file_record = palmsg_file_->Records().Get(copy->file_position);
    if (!file_record) return false;
    WriteContact(contact, copy->palmsg);
    target_contacts_.MergeAt(&contact, position);
    copy->palmsg.status |= kStatusUpdated;
    // The file's record keeps its own blob bytes; everything else comes from the copy.
    PalmSgRecord updated = copy->palmsg;
    for (int i = 0; i < 4; ++i) updated.blob[i] = std::move(file_record->blob[i]);
    *file_record = std::move(updated);
    return true;
}

bool ConversionJob::SaveTarget() {
    error_.clear();
    const std::int32_t writer = uses_new_layout_ ? kLayoutPalmSg : kLayoutClassic;
    if (loaded_layout_ != writer) {
        if (loaded_layout_ == kLayoutNone || loaded_layout_ == kLayoutFailed) {
            error_ = "No contacts file is open, so nothing was written.";
        } else {
            const std::string installed =
                desktop_version_ == kNoDesktopVersion
                    ? std::string(
                          "No Palm Desktop installation was found, so the newer layout is written")
                    : "The installed Palm Desktop " + VersionText(desktop_version_) +
                          " reads the " + (uses_new_layout_ ? "newer" : "classic") + " layout";
            error_ = installed + ", but the contacts file is in the " +
                     (loaded_layout_ == kLayoutClassic ? "classic" : "newer") +
                     " layout; it was not written.";
        }
        return false;
    }
    DatStream& stream = writer == kLayoutPalmSg ? static_cast<DatStream&>(*palmsg_file_)
                                                : static_cast<DatStream&>(*classic_file_);
    const bool saved = writer == kLayoutPalmSg ? palmsg_file_->Save() : classic_file_->Save();
    if (!saved) {
        error_ = "The contacts file could not be written" +
                 (stream.LastError().empty() ? std::string(".") : ": " + stream.LastError());
        if (stream.RestoreFailed()) error_ += " Its previous content could not be put back.";
    }
    return saved;
}

void ConversionJob::ResetTarget() {
    loaded_layout_ = kLayoutNone;
    classic_file_->Records().Clear();
    palmsg_file_->Records().Clear();
    FreeWorkingCopies();
    target_contacts_.FreeAll();
}

void ConversionJob::FreeWorkingCopies() { working_copies_.Clear(true); }

}  // namespace tarvenne
