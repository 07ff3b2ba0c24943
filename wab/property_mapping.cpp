// The conversion of an address-book contact into a ContactRecord and the marking of the
// loaded contacts against the target.
#include "wab/property_mapping.h"

#include "engine/contact_record.h"
#include "engine/target_contact_list.h"
#include "wab/automation_date.h"
#include "wab/wab_loader.h"

#include <algorithm>
#include <cctype>
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

namespace {

// Equal without regard to letter case and surrounding blanks.
bool SameWords(std::string_view a, std::string_view b) {
    const auto trim = [](std::string_view s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
        return s;
    };
    a = trim(a);
    b = trim(b);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// Every phone and fax number of an entry, in the order a name stands in for them.
constexpr std::uint32_t kNumberTags[] = {
    tag::kBusinessPhone, tag::kHomePhone,   tag::kMobilePhone, tag::kPrimaryPhone, tag::kOtherPhone,
    tag::kPager,         tag::kPrimaryFax,  tag::kBusinessFax, tag::kHomeFax,      tag::kBusinessPhone2,
    tag::kHomePhone2,    tag::kCarPhone,    tag::kIsdn};

// The display name stands in for the names only when it says more than the entry's
// company, e-mail address and numbers: a company-only or e-mail-only entry keeps its names
// empty, so that the weak-name rule keeps two desks of one company apart.
bool DisplayNameSaysMore(const SourceContact& c, std::string_view display) {
    if (display.empty() || SameWords(display, c.Text(tag::kCompany)) ||
        SameWords(display, c.Text(tag::kEmailAddress)))
        return false;
    for (std::uint32_t t : kNumberTags) {
        // A number its slot cut is compared with as much of the display name.
        const std::string_view number = c.Text(t);
        if (SameWords(c.DeliveredLength(t) > number.size() ? display.substr(0, number.size()) : display, number))
            return false;
    }
    return true;
}

// The label a value of a kind takes when it is an extra; -1 for kinds no slot holds.
std::int32_t ExtraLabel(std::uint32_t t) {
    switch (t) {
        case tag::kEmailAddress: return kEmail;
        case tag::kBusinessPhone: case tag::kBusinessPhone2: return kWorkPhone;
        case tag::kHomePhone: case tag::kHomePhone2: return kHomePhone;
        case tag::kMobilePhone: case tag::kCarPhone: return kMobilePhone;
        case tag::kPager: return kPager;
        case tag::kPrimaryFax: case tag::kBusinessFax: case tag::kHomeFax: return kFax;
        case tag::kPrimaryPhone: return kMainPhone;
        case tag::kOtherPhone: case tag::kIsdn: return kOtherPhone;
        default: return -1;
    }
}

// What an extra no slot holds is, in the user's words.
const char* ExtraWords(std::uint32_t t) {
    switch (t) {
        case tag::kBusinessHomepage: case tag::kPersonalHomepage: return "Web Page";
        case tag::kBusinessStreet: return "Work address";
        case tag::kHomeStreet: return "Home address";
        case tag::kOtherStreet: return "Other address";
        default: {
            const int row = FindPropertyRow(t);
            return row >= 0 ? PropertyTable()[row].name : "Other value";
        }
    }
}

void AddExtra(ContactRecord& r, std::uint32_t t, std::string_view text, std::uint32_t delivered = 0,
              std::uint32_t unmapped = 0) {
    if (text.empty()) return;
    ContactExtra extra;
    extra.label = ExtraLabel(t);
    extra.text = text;
    extra.origin = t;
    extra.delivered = delivered;
    extra.unmapped = unmapped;
    if (extra.label < 0) extra.words = ExtraWords(t);
    r.extras.push_back(std::move(extra));
}

}  // namespace

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
    r.pager = c.Text(tag::kPager);
    r.email = c.Text(tag::kEmailAddress);
    // The fax slot takes the primary fax, else the business fax, else the home fax; the
    // others are extras.
    const std::string_view primary_fax = c.Text(tag::kPrimaryFax), business_fax = c.Text(tag::kBusinessFax);
    r.fax = primary_fax.empty() ? business_fax : primary_fax;
    r.home_fax = c.Text(tag::kHomeFax);
    r.note = c.Text(tag::kComment);
    const std::string_view business_page = c.Text(tag::kBusinessHomepage);
    r.web_page = business_page.empty() ? c.Text(tag::kPersonalHomepage) : business_page;

    r.extras.clear();
    if (!primary_fax.empty()) AddExtra(r, tag::kBusinessFax, business_fax);
    if (!r.fax.empty()) AddExtra(r, tag::kHomeFax, c.Text(tag::kHomeFax));
    for (const SourceContact::Extra& extra : c.Extras())
        if (extra.tag == tag::kEmailAddress) AddExtra(r, extra.tag, extra.text, extra.delivered, extra.unmapped);
    for (std::uint32_t t : {tag::kBusinessPhone2, tag::kHomePhone2, tag::kCarPhone, tag::kIsdn}) AddExtra(r, t, c.Text(t));
    if (!business_page.empty()) AddExtra(r, tag::kPersonalHomepage, c.Text(tag::kPersonalHomepage));
    for (const SourceContact::Extra& extra : c.Extras())
        if (extra.tag != tag::kEmailAddress) AddExtra(r, extra.tag, extra.text, extra.delivered, extra.unmapped);

    if (r.first_name.empty() && r.last_name.empty() && DisplayNameSaysMore(c, c.Text(tag::kDisplayName)))
        r.first_name = c.Text(tag::kDisplayName);

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

std::string ContactListName(const SourceContact& c) {
    if (!c.Text(tag::kDisplayName).empty()) return std::string(c.Text(tag::kDisplayName));
    std::string name(c.Text(tag::kFirstName));
    const std::string_view last = c.Text(tag::kLastName);
    if (!name.empty() && !last.empty()) name += ' ';
    name.append(last.data(), last.size());
    for (std::uint32_t t : {tag::kCompany, tag::kEmailAddress})
        if (name.empty()) name = c.Text(t);
    for (std::uint32_t t : kNumberTags)
        if (name.empty()) name = c.Text(t);
    return name;
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
        case T::kFax: return contact.Text(tag::kPrimaryFax).empty() ? tag::kBusinessFax : tag::kPrimaryFax;
        case T::kHomeFax: return tag::kHomeFax;
        case T::kCompany: return tag::kCompany;
        case T::kTitle: return tag::kTitle;
        case T::kWebPage:
            return contact.Text(tag::kBusinessHomepage).empty() ? tag::kPersonalHomepage : tag::kBusinessHomepage;
        case T::kPager: return tag::kPager;
        case T::kBirthday: return tag::kBirthday;
        case T::kNote: return tag::kComment;
        default: return 0;
    }
}

std::vector<TextCut> CutTexts(const SourceContact& contact, const ContactRecord& record, const RecordEdits& edits) {
    std::vector<TextCut> cuts;
    for (const RecordEdit& e : edits.All()) {
        if (e.kind == EditKind::kLabel || e.kind == EditKind::kKind) continue;
        const ContactExtra* extra =
            e.extra >= 0 && static_cast<std::size_t>(e.extra) < record.extras.size() ? &record.extras[e.extra] : nullptr;
        const std::uint32_t tag = extra ? extra->origin : SourceTagOf(contact, e.text);
        if (tag == 0) continue;
        // The contact's own text may already be shorter than the address book's.
        std::size_t length = extra ? std::max<std::size_t>(extra->delivered, e.length) : contact.DeliveredLength(tag);
        if (e.kind == EditKind::kDate) length = 10;  // a day, as "1968-11-04"
        const std::size_t kept = e.NoRoom() ? 0 : e.kind == EditKind::kDate ? length : e.kept;
        const std::uint32_t unmapped = extra ? extra->unmapped : contact.Unmapped(tag);
        if (kept < length || unmapped > 0) cuts.push_back(TextCut{tag, length, kept, unmapped});
    }
    return cuts;
}

bool MarkAgainstTarget(WabLoader* loader, TargetContactList* target) {
    if (!loader || !target) return false;
    for (SourceContact* c = loader->First(); c; c = loader->Next()) {
        ContactRecord record;
        ConvertSourceContact(c, &record);
        if (record.Empty()) {
            c->difference_status = kFeedsNothing;
            continue;
        }
        const MatchResult match = target->FindMatch(&record);
        c->difference_status = match.code == kMatchNone      ? kNew
                               : match.code == kMatchDiffers ? kChanged
                                                             : kUnchanged;
    }
    return true;
}

}  // namespace tarvenne::wab
