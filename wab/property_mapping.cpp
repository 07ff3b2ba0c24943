// The conversion of an address-book contact into a ContactRecord and the marking of the
// loaded contacts against the target.
#include "wab/property_mapping.h"

#include "engine/contact_record.h"
#include "engine/target_contact_list.h"
#include "wab/automation_date.h"
#include "wab/wab_loader.h"

#include <string_view>

namespace tarvenne::wab {
namespace {

CustomFieldMap g_custom_field_map{};  // one per process, like the address book itself

// The number of characters a record field takes is its capacity less the NUL, which the
// bounded assignment already observes.
void ConvertAddress(const SourceContact& c, ContactAddress* a, std::uint32_t street,
                    std::uint32_t city, std::uint32_t state, std::uint32_t postal,
                    std::uint32_t country) {
    a->street = c.Text(street);
    a->city = c.Text(city);
    a->state = c.Text(state);
    a->postal_code = c.Text(postal);
    a->country = c.Text(country);
}

}  // namespace

const CustomFieldMap& CurrentCustomFieldMap() { return g_custom_field_map; }

void ClearCustomFieldMap() { g_custom_field_map.fill(0); }

bool SetCustomFieldMap(const std::uint32_t* tags, std::uint32_t count) {
    if (!tags || count < 1 || count > kCustomFieldCount) return false;
    for (std::uint32_t i = 0; i < count; ++i) g_custom_field_map[i] = tags[i];
    return true;
}

bool ConvertSourceContact(const SourceContact* contact, ContactRecord* record) {
    if (!contact || !record) return false;
    const SourceContact& c = *contact;
    ContactRecord& r = *record;

    r.first_name = c.Text(tag::kFirstName);
    r.last_name = c.Text(tag::kLastName);
    ConvertAddress(c, &r.work, tag::kBusinessStreet, tag::kBusinessCity, tag::kBusinessState,
                   tag::kBusinessPostal, tag::kBusinessCountry);
    ConvertAddress(c, &r.home, tag::kHomeStreet, tag::kHomeCity, tag::kHomeState,
                   tag::kHomePostal, tag::kHomeCountry);
    ConvertAddress(c, &r.other, tag::kOtherStreet, tag::kOtherCity, tag::kOtherState,
                   tag::kOtherPostal, tag::kOtherCountry);
    r.company = c.Text(tag::kCompany);
    r.title = c.Text(tag::kTitle);
    r.work_phone = c.Text(tag::kBusinessPhone);
    r.home_phone = c.Text(tag::kHomePhone);
    r.mobile_phone = c.Text(tag::kMobilePhone);
    r.other_phone = c.Text(tag::kOtherPhone);
    r.main_phone = c.Text(tag::kPrimaryPhone);
    r.email = c.Text(tag::kEmailAddress);
    r.fax = c.Text(tag::kPrimaryFax);
    r.home_fax = c.Text(tag::kHomeFax);
    r.note = c.Text(tag::kComment);
    r.web_page = c.Text(tag::kBusinessHomepage);

    // An entry that is only a display name (a bare e-mail contact, a company) still needs a
    // name in the handheld's list.
    if (r.first_name.empty() && r.last_name.empty()) r.first_name = c.Text(tag::kDisplayName);

    for (std::uint32_t i = 0; i < kCustomFieldCount; ++i) {
        const std::uint32_t mapped = g_custom_field_map[i];
        // A tag without a text slot (Birthday, Gender, ...) or unknown leaves the field empty.
        r.custom[i] = mapped != 0 ? c.Text(mapped) : std::string_view();
    }

    // No time stamp means no birthday (0), never 1 January 1601; a time stamp the
    // automation date cannot hold is treated the same way.
    double date = 0.0;
    r.birthday = c.birthday != 0 && TimeStampToAutomationDate(c.birthday, &date) ? date : 0.0;
    return true;
}

std::uint32_t SourceTagOf(const SourceContact& contact, ContactText text) {
    using T = ContactText;
    static const std::uint32_t kAddressTags[3][5] = {
        {tag::kBusinessStreet, tag::kBusinessCity, tag::kBusinessState, tag::kBusinessPostal, tag::kBusinessCountry},
        {tag::kHomeStreet, tag::kHomeCity, tag::kHomeState, tag::kHomePostal, tag::kHomeCountry},
        {tag::kOtherStreet, tag::kOtherCity, tag::kOtherState, tag::kOtherPostal, tag::kOtherCountry}};
    const int index = static_cast<int>(text);
    if (text >= T::kWorkStreet && text <= T::kOtherCountry) {
        const int at = index - static_cast<int>(T::kWorkStreet);
        return kAddressTags[at / 5][at % 5];
    }
    if (text >= T::kCustom1) {
        const int custom = index - static_cast<int>(T::kCustom1);
        return custom < static_cast<int>(kCustomFieldCount) ? g_custom_field_map[custom] : 0;
    }
    switch (text) {
        case T::kFirstName:
            return contact.Text(tag::kFirstName).empty() && contact.Text(tag::kLastName).empty()
                       ? tag::kDisplayName
                       : tag::kFirstName;
        case T::kLastName: return tag::kLastName;
        case T::kHomePhone: return tag::kHomePhone;
        case T::kWorkPhone: return tag::kBusinessPhone;
        case T::kMobilePhone: return tag::kMobilePhone;
        case T::kMainPhone: return tag::kPrimaryPhone;
        case T::kOtherPhone: return tag::kOtherPhone;
        case T::kEmail: return tag::kEmailAddress;
        case T::kFax: return tag::kPrimaryFax;
        case T::kHomeFax: return tag::kHomeFax;
        case T::kCompany: return tag::kCompany;
        case T::kTitle: return tag::kTitle;
        case T::kWebPage: return tag::kBusinessHomepage;
        case T::kNote: return tag::kComment;
        default: return 0;
    }
}

std::vector<TextCut> CutTexts(const SourceContact& contact, const RecordEdits& edits) {
    std::vector<TextCut> cuts;
    for (const RecordEdit& e : edits.All()) {
        if (e.kind != EditKind::kText) continue;
        // The contact's own text may already be shorter than the address book's.
        const std::uint32_t tag = SourceTagOf(contact, e.text);
        const std::size_t length = contact.DeliveredLength(tag);
        if (tag != 0 && e.kept < length) cuts.push_back(TextCut{tag, length, e.kept});
    }
    return cuts;
}

bool MarkAgainstTarget(WabLoader* loader, TargetContactList* target) {
    if (!loader || !target) return false;
    for (SourceContact* c = loader->First(); c; c = loader->Next()) {
        ContactRecord record;
        ConvertSourceContact(c, &record);
        const MatchResult match = target->FindMatch(&record);
        c->difference_status = match.code == kMatchNone      ? kNew
                               : match.code == kMatchDiffers ? kChanged
                                                             : kUnchanged;
    }
    return true;
}

}  // namespace tarvenne::wab
