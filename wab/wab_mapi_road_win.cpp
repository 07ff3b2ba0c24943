// The Windows Address Book read through WAB32.DLL: WABOpen, the personal address book,
// its contents table one row at a time, and each mail user's properties.
#include "wab/wab_mapi_road.h"

#include <windows.h>
// MinGW's <wab.h> does not compile (two of its headers define ENTRYID); these do.
#include <wabdefs.h>
#include <wabcode.h>
#include <wabtags.h>
#include <wabiab.h>
#include <wabapi.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvenne::wab {
namespace {

// The tags the readers and the conversion name are MAPI's own: a wrong one would lose
// that property on both roads alike, where no comparison of the two could see it.
constexpr std::pair<std::uint32_t, ULONG> kNamedTags[] = {
    {tag::kDisplayName, PR_DISPLAY_NAME_A}, {tag::kEmailAddress, PR_EMAIL_ADDRESS_A},
    {tag::kLastName, PR_SURNAME_A}, {tag::kMiddleName, PR_MIDDLE_NAME_A},
    {tag::kFirstName, PR_GIVEN_NAME_A}, {tag::kCompany, PR_COMPANY_NAME_A},
    {tag::kTitle, PR_TITLE_A}, {tag::kDepartment, PR_DEPARTMENT_NAME_A},
    {tag::kComment, PR_COMMENT_A}, {tag::kBusinessPhone, PR_BUSINESS_TELEPHONE_NUMBER_A},
    {tag::kHomePhone, PR_HOME_TELEPHONE_NUMBER_A}, {tag::kPrimaryPhone, PR_PRIMARY_TELEPHONE_NUMBER_A},
    {tag::kMobilePhone, PR_MOBILE_TELEPHONE_NUMBER_A}, {tag::kCarPhone, PR_CAR_TELEPHONE_NUMBER_A},
    {tag::kOtherPhone, PR_OTHER_TELEPHONE_NUMBER_A}, {tag::kPager, PR_PAGER_TELEPHONE_NUMBER_A},
    {tag::kPrimaryFax, PR_PRIMARY_FAX_NUMBER_A}, {tag::kBusinessFax, PR_BUSINESS_FAX_NUMBER_A},
    {tag::kHomeFax, PR_HOME_FAX_NUMBER_A}, {tag::kPersonalHomepage, PR_PERSONAL_HOME_PAGE_A},
    {tag::kBusinessHomepage, PR_BUSINESS_HOME_PAGE_A}, {tag::kBusinessCountry, PR_COUNTRY_A},
    {tag::kBusinessState, PR_STATE_OR_PROVINCE_A}, {tag::kBusinessCity, PR_LOCALITY_A},
    {tag::kBusinessStreet, PR_STREET_ADDRESS_A}, {tag::kBusinessPostal, PR_POSTAL_CODE_A},
    {tag::kHomeCountry, PR_HOME_ADDRESS_COUNTRY_A},
    {tag::kHomeState, PR_HOME_ADDRESS_STATE_OR_PROVINCE_A}, {tag::kHomeCity, PR_HOME_ADDRESS_CITY_A},
    {tag::kHomeStreet, PR_HOME_ADDRESS_STREET_A}, {tag::kHomePostal, PR_HOME_ADDRESS_POSTAL_CODE_A},
    {tag::kOtherCountry, PR_OTHER_ADDRESS_COUNTRY_A},
    {tag::kOtherState, PR_OTHER_ADDRESS_STATE_OR_PROVINCE_A},
    {tag::kOtherCity, PR_OTHER_ADDRESS_CITY_A}, {tag::kOtherStreet, PR_OTHER_ADDRESS_STREET_A},
    {tag::kOtherPostal, PR_OTHER_ADDRESS_POSTAL_CODE_A}, {tag::kGeneration, PR_GENERATION_A},
    {tag::kBusinessPhone2, PR_BUSINESS2_TELEPHONE_NUMBER_A},
    {tag::kHomePhone2, PR_HOME2_TELEPHONE_NUMBER_A}, {tag::kIsdn, PR_ISDN_NUMBER_A},
    {tag::kProfession, PR_PROFESSION_A}, {tag::kBirthday, PR_BIRTHDAY},
    {tag::kWeddingAnniversary, PR_WEDDING_ANNIVERSARY}, {tag::kNickName, PR_NICKNAME_A},
    {tag::kContactEmailAddresses, PR_CONTACT_EMAIL_ADDRESSES_A},
    {tag::kEntryId, PR_ENTRYID}, {tag::kObjectType, PR_OBJECT_TYPE},
};
constexpr bool AllTagsAreMapis() {
    for (const auto& [ours, mapi] : kNamedTags)
        if (ours != mapi) return false;
    return true;
}
static_assert(AllTagsAreMapis(), "the property table's tags are MAPI's");
static_assert(MAPI_MAILUSER == kObjectTypeMailUser && MAPI_DISTLIST == kObjectTypeDistList,
              "object types are MAPI's");

class WabSession final : public AddressBookSession {
public:
    ~WabSession() override {
        if (address_book) address_book->Release();
        if (wab_object) wab_object->Release();
    }
    LPADRBOOK address_book = nullptr;   // owned: released first
    LPWABOBJECT wab_object = nullptr;   // owned: released after the address book
};

// Releases an interface when the scope ends.
template <typename T>
class Held {
public:
    Held() = default;
    ~Held() {
        if (p) p->Release();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    T* p = nullptr;  // owned
};

// A buffer the WAB allocated, freed through the WAB object when the scope ends.
class WabBuffer {
public:
    explicit WabBuffer(LPWABOBJECT wab_object) : wab_object_(wab_object) {}
    ~WabBuffer() { Free(); }
    WabBuffer(const WabBuffer&) = delete;
    WabBuffer& operator=(const WabBuffer&) = delete;
    void Free() {
        if (p && wab_object_) wab_object_->FreeBuffer(p);
        p = nullptr;
    }
    void* p = nullptr;  // owned

private:
    LPWABOBJECT wab_object_;  // not owned: the session's
};

// A row set: each row's property array is freed, then the set itself.
class RowSet {
public:
    explicit RowSet(LPWABOBJECT wab_object) : wab_object_(wab_object) {}
    ~RowSet() {
        if (!rows) return;
        for (ULONG i = 0; i < rows->cRows; ++i)
            if (rows->aRow[i].lpProps) wab_object_->FreeBuffer(rows->aRow[i].lpProps);
        wab_object_->FreeBuffer(rows);
    }
    RowSet(const RowSet&) = delete;
    RowSet& operator=(const RowSet&) = delete;
    LPSRowSet rows = nullptr;  // owned

private:
    LPWABOBJECT wab_object_;  // not owned: the session's
};

std::string Describe(const char* call, HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    return std::string(call) + " failed (" + code + ")";
}

// The entry's properties in the portable form, viewing the WAB's buffer: strings and
// time stamps carry their values; anything else only its tag, which matches no text slot.
// Every address of PR_CONTACT_EMAIL_ADDRESSES but the entry's e-mail address (the one
// Outlook Express sends to) follows as an extra e-mail address, in the list's order.
void ViewProperties(const SPropValue* props, ULONG count, std::vector<PropertyValue>* out) {
    out->reserve(count);
    const SLPSTRArray* addresses = nullptr;
    std::string_view email;
    for (ULONG i = 0; i < count; ++i) {
        PropertyValue v;
        v.tag = props[i].ulPropTag;
        switch (PROP_TYPE(props[i].ulPropTag)) {
            case PT_STRING8:
                if (props[i].Value.lpszA) v.text = props[i].Value.lpszA;
                if (v.tag == PR_EMAIL_ADDRESS_A) email = v.text;
                break;
            case PT_SYSTIME:
                v.time = (static_cast<std::uint64_t>(props[i].Value.ft.dwHighDateTime) << 32) |
                         props[i].Value.ft.dwLowDateTime;
                break;
            case PT_MV_STRING8:
                if (v.tag == PR_CONTACT_EMAIL_ADDRESSES_A && props[i].Value.MVszA.lppszA) addresses = &props[i].Value.MVszA;
                break;
            default:
                break;
        }
        out->push_back(v);
    }
    for (ULONG k = 0; addresses && k < addresses->cValues; ++k) {
        const char* address = addresses->lppszA[k];
        if (!address || !*address || address == email) continue;
        PropertyValue v;
        v.tag = tag::kEmailAddress;
        v.text = address;
        v.extra = true;
        out->push_back(v);
    }
}

// Reads one mail user named by its entry id and hands it to deliver while its property
// buffer is held; nothing is delivered when it cannot be opened or its properties read.
void ReadMailUser(LPADRBOOK address_book, LPWABOBJECT wab_object, const SBinary& id,
                  const EntrySink& deliver) {
    ULONG object_type = 0;
    Held<IUnknown> opened;
    HRESULT hr = address_book->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, 0,
                                         &object_type, &opened.p);
    if (FAILED(hr) || !opened.p) return;
    LPMAILUSER mail_user = reinterpret_cast<LPMAILUSER>(opened.p);

    ULONG count = 0;
    WabBuffer props(wab_object);
    LPSPropValue values = nullptr;
    hr = mail_user->GetProps(nullptr, 0, &count, &values);
    props.p = values;
    if (FAILED(hr) || !values) return;
    std::vector<PropertyValue> viewed;
    ViewProperties(values, count, &viewed);
    EntryView entry;
    entry.object_type = MAPI_MAILUSER;
    if (id.cb > 0 && id.lpb) entry.entry_id = std::string_view(reinterpret_cast<const char*>(id.lpb), id.cb);
    entry.values = viewed.data();
    entry.value_count = viewed.size();
    deliver(entry);
}

}  // namespace

bool ReadAddressBook(platform::EntryPoint wab_open, const std::string& path,
                     std::unique_ptr<AddressBookSession>* session,
                     const EntrySink& deliver, std::string* why) {
    std::string ignored;
    if (!why) why = &ignored;
    if (session) session->reset();
    if (!wab_open || !session) {
        *why = "the address book library has no WABOpen";
        return false;
    }
    // The file name travels in a buffer of MAX_PATH bytes; a longer path would be cut
    // and name another file, so it is refused.
    char file_name[MAX_PATH] = {};
    if (path.size() >= sizeof file_name) {
        *why = "the address book's path is longer than " + std::to_string(MAX_PATH - 1) +
               " characters";
        return false;
    }
    std::memcpy(file_name, path.data(), path.size());

    WAB_PARAM param;
    std::memset(&param, 0, sizeof param);
    // The structure as it was first published, without the extension GUID: 16 bytes in
    // the 32-bit build.
    param.cbSize = static_cast<ULONG>(offsetof(WAB_PARAM, guidPSExt));
    param.hwnd = nullptr;
    param.szFileName = file_name;
    param.ulFlags = 0;

    auto open = reinterpret_cast<LPWABOPEN>(wab_open);
    auto held = std::make_unique<WabSession>();
    HRESULT hr = open(&held->address_book, &held->wab_object, &param, 0);
    if (FAILED(hr) || !held->address_book || !held->wab_object) {
        *why = Describe("WABOpen", FAILED(hr) ? hr : E_POINTER);
        return false;
    }
    LPADRBOOK book = held->address_book;
    LPWABOBJECT wab = held->wab_object;

    ULONG pab_size = 0;
    LPENTRYID pab_id = nullptr;
    hr = book->GetPAB(&pab_size, &pab_id);
    if (FAILED(hr)) {
        *why = Describe("GetPAB", hr);
        return false;
    }
    ULONG object_type = 0;
    Held<IUnknown> container_unknown;
    hr = book->OpenEntry(pab_size, pab_id, nullptr, 0, &object_type, &container_unknown.p);
    if (pab_id) wab->FreeBuffer(pab_id);
    if (FAILED(hr) || !container_unknown.p) {
        *why = Describe("OpenEntry of the personal address book", FAILED(hr) ? hr : E_POINTER);
        return false;
    }
    LPABCONT container = reinterpret_cast<LPABCONT>(container_unknown.p);

    Held<IMAPITable> table;
    hr = container->GetContentsTable(0, &table.p);
    if (FAILED(hr) || !table.p) {
        // A book without a contents table has no contacts; that is not a failure.
        *session = std::move(held);
        return true;
    }

    SizedSPropTagArray(3, columns) = {3, {PR_DISPLAY_NAME_A, PR_ENTRYID, PR_OBJECT_TYPE}};
    hr = table.p->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
    if (FAILED(hr)) {
        *why = Describe("SetColumns", hr);
        return false;
    }
    hr = table.p->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
    if (FAILED(hr)) {
        *why = Describe("SeekRow", hr);
        return false;
    }

    for (;;) {
        RowSet row_set(wab);
        hr = table.p->QueryRows(1, 0, &row_set.rows);
        if (FAILED(hr)) {
            *why = Describe("QueryRows", hr);
            return false;
        }
        if (!row_set.rows || row_set.rows->cRows == 0) break;
        const SRow& row = row_set.rows->aRow[0];
        // Columns are found by their whole tag: a column the entry lacks comes back as an
        // error value and matches nothing.
        if (!row.lpProps || row.cValues < 3) continue;
        const SPropValue& id = row.lpProps[1];
        const SPropValue& type = row.lpProps[2];
        if (type.ulPropTag != PR_OBJECT_TYPE || type.Value.l != MAPI_MAILUSER) continue;
        if (id.ulPropTag != PR_ENTRYID) continue;
        ReadMailUser(book, wab, id.Value.bin, deliver);
    }
    *session = std::move(held);
    return true;
}

}  // namespace tarvenne::wab
