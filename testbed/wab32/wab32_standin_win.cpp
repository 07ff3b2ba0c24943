// A stand-in WAB32.DLL for the Wine tests: WABOpen and the address-book interfaces the
// loader calls, serving the cards of a vCard file (read by the program's own vCard reader)
// as the entries of the personal address book, each card's e-mail addresses in
// PR_CONTACT_EMAIL_ADDRESSES as well. Besides the cards, the contents table
// holds a distribution list first and, after the first card, a mail user that cannot be
// opened, as real address books can. StandInFailCall(n) makes the n-th call from then on
// fail, so tests can break a load at every step.
#include <windows.h>
// MinGW's <wab.h> does not compile (two of its headers define ENTRYID); these do.
#include <wabdefs.h>
#include <wabcode.h>
#include <wabtags.h>
#include <wabiab.h>
#include <wabapi.h>

#include "vcard/vcard_reader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// ------------------------------------------------------------------ buffers

std::set<void*> g_buffers;  // handed out and not yet freed
long g_live_objects = 0;
long g_calls = 0;    // calls of WABOpen and of the interfaces' methods the loader uses
long g_fail_at = 0;  // the call that fails; 0: none

// Counts a call; true when it is the one to fail.
bool FailsNow() { return ++g_calls == g_fail_at; }

void* Allocate(std::size_t size) {
    void* p = std::calloc(1, size ? size : 1);
    if (p) g_buffers.insert(p);
    return p;
}

// A buffer that is not ours, or is freed twice, is refused.
bool Free(void* p) {
    if (p && g_buffers.erase(p) == 0) return false;
    std::free(p);
    return true;
}

// ------------------------------------------------------------------ the book's data

struct Value {
    ULONG tag;
    std::string bytes;     // texts (handed out with a NUL after them) and binary values
    std::uint64_t number;  // time stamps and object types
    std::vector<std::string> texts = {};  // multi-valued texts
};

// An entry's values, its object type and entry id among them.
struct Entry {
    std::vector<Value> values;
    bool opens;  // false: OpenEntry fails for it
    const Value* Find(ULONG tag) const {
        for (const Value& v : values)
            if (v.tag == tag) return &v;
        return nullptr;
    }
};

const char kPabId[] = "stand-in PAB";

// One opened book: its entries in table order. Shared by the objects it hands out.
using Book = std::vector<Entry>;

// The cards of a vCard file as the book's entries; false when it is not a vCard file. A
// card's e-mail addresses are all in PR_CONTACT_EMAIL_ADDRESSES, the entry's own second
// where there are several (it need not be the first), as the address book keeps them; the
// other values a card repeats have no property of their own and are left out.
bool BuildBook(const char* path, Book* book) {
    book->push_back({{{PR_OBJECT_TYPE, "", MAPI_DISTLIST}, {PR_ENTRYID, "stand-in:list", 0},
                      {PR_DISPLAY_NAME_A, "Stand-in list", 0}}, true});
    tarvenne::vcard::VCardReadResult read;
    return tarvenne::vcard::ReadVCardFile(
        path,
        [&](const tarvenne::wab::EntryView& card) {
            Entry entry{{{PR_OBJECT_TYPE, "", card.object_type}, {PR_ENTRYID, std::string(card.entry_id), 0}}, true};
            Value addresses{PR_CONTACT_EMAIL_ADDRESSES_A, "", 0};
            std::string own;
            for (std::size_t i = 0; i < card.value_count; ++i) {
                const tarvenne::wab::PropertyValue& v = card.values[i];
                if (v.tag == PR_EMAIL_ADDRESS_A && v.extra) addresses.texts.emplace_back(v.text);
                if (v.tag == PR_EMAIL_ADDRESS_A && !v.extra) own = v.text;
                if (!v.extra) entry.values.push_back({v.tag, std::string(v.text), v.time});
            }
            if (!own.empty()) addresses.texts.insert(addresses.texts.begin() + std::min<std::size_t>(1, addresses.texts.size()), own);
            if (!addresses.texts.empty()) entry.values.push_back(addresses);
            book->push_back(std::move(entry));
            if (book->size() == 2)
                book->push_back({{{PR_OBJECT_TYPE, "", MAPI_MAILUSER}, {PR_ENTRYID, "stand-in:gone", 0},
                                  {PR_DISPLAY_NAME_A, "Cannot be opened", 0}}, false});
        },
        &read);
}

// ------------------------------------------------------------------ COM plumbing

// The methods the loader never calls.
#define UNUSED(method, ...) STDMETHODIMP method(__VA_ARGS__) override { return MAPI_E_NO_SUPPORT; }

// Reference counting shared by every object; counts the live ones for the tests. Objects of
// an opened book share it.
template <typename Interface>
class Counted : public Interface {
public:
    explicit Counted(std::shared_ptr<Book> book = nullptr) : book_(std::move(book)) { ++g_live_objects; }
    virtual ~Counted() { --g_live_objects; }
    STDMETHODIMP QueryInterface(REFIID, LPVOID* out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    std::shared_ptr<Book> book_;

private:
    ULONG refs_ = 1;
};

// The property interface every address-book object carries; none of it is used by the
// loader except GetProps of a mail user, which that class supplies.
template <typename Interface>
class PropStubs : public Counted<Interface> {
public:
    using Counted<Interface>::Counted;
    UNUSED(GetLastError, HRESULT, ULONG, LPMAPIERROR*) UNUSED(SaveChanges, ULONG)
    UNUSED(GetProps, LPSPropTagArray, ULONG, ULONG*, LPSPropValue*)
    UNUSED(GetPropList, ULONG, LPSPropTagArray*) UNUSED(OpenProperty, ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN*)
    UNUSED(SetProps, ULONG, LPSPropValue, LPSPropProblemArray*)
    UNUSED(DeleteProps, LPSPropTagArray, LPSPropProblemArray*)
    UNUSED(CopyTo, ULONG, LPCIID, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG, LPSPropProblemArray*)
    UNUSED(CopyProps, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG, LPSPropProblemArray*)
    UNUSED(GetNamesFromIDs, LPSPropTagArray*, LPGUID, ULONG, ULONG*, LPMAPINAMEID**)
    UNUSED(GetIDsFromNames, ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray*)
};

// The values of an entry under tags (no tags: all of them) in one buffer: the value array
// followed by its texts and binary values. A tag the entry has no value for comes back as
// an error value.
HRESULT PropertyBuffer(const Entry& entry, std::vector<ULONG> tags, ULONG* count, LPSPropValue* props) {
    if (tags.empty())
        for (const Value& v : entry.values) tags.push_back(v.tag);
    std::size_t pointers = 0, extra = 0;
    for (ULONG tag : tags) {
        const Value* v = entry.Find(tag);
        if (!v) continue;
        extra += v->bytes.size() + 1;
        pointers += v->texts.size();
        for (const std::string& text : v->texts) extra += text.size() + 1;
    }
    const std::size_t head = sizeof(SPropValue) * tags.size();
    // Zeroed: every NUL is there. The pointers of the multi-valued texts come first, where
    // they are aligned, then the texts and binary values.
    auto* array = static_cast<SPropValue*>(Allocate(head + pointers * sizeof(LPSTR) + extra));
    if (!array) return MAPI_E_NOT_ENOUGH_MEMORY;
    auto* pointer = reinterpret_cast<LPSTR*>(reinterpret_cast<char*>(array) + head);
    char* tail = reinterpret_cast<char*>(pointer + pointers);
    for (std::size_t i = 0; i < tags.size(); ++i) {
        SPropValue& p = array[i];
        const Value* v = entry.Find(tags[i]);
        p.ulPropTag = v ? tags[i] : PROP_TAG(PT_ERROR, PROP_ID(tags[i]));
        switch (PROP_TYPE(p.ulPropTag)) {
            case PT_ERROR: p.Value.err = MAPI_E_NOT_FOUND; break;
            case PT_LONG: p.Value.l = static_cast<LONG>(v->number); break;
            case PT_SYSTIME: p.Value.ft = {static_cast<DWORD>(v->number), static_cast<DWORD>(v->number >> 32)}; break;
            case PT_BINARY: p.Value.bin = {static_cast<ULONG>(v->bytes.size()), reinterpret_cast<LPBYTE>(tail)}; break;
            case PT_MV_STRING8:
                p.Value.MVszA = {static_cast<ULONG>(v->texts.size()), pointer};
                for (const std::string& text : v->texts) {
                    *pointer++ = tail;
                    tail = std::copy(text.begin(), text.end(), tail) + 1;
                }
                break;
            default: p.Value.lpszA = tail;
        }
        if (v) tail = std::copy(v->bytes.begin(), v->bytes.end(), tail) + 1;
    }
    *count = static_cast<ULONG>(tags.size());
    *props = array;
    return S_OK;
}

class MailUser final : public PropStubs<IMailUser> {
public:
    MailUser(std::shared_ptr<Book> book, std::size_t index) : PropStubs(std::move(book)), index_(index) {}

    STDMETHODIMP GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* props) override {
        if (!count || !props) return MAPI_E_INVALID_PARAMETER;
        *count = 0;
        *props = nullptr;
        if (FailsNow()) return MAPI_E_CALL_FAILED;
        if (tags) return MAPI_E_NO_SUPPORT;  // the loader asks for everything
        return PropertyBuffer((*book_)[index_], {}, count, props);
    }

private:
    std::size_t index_;
};

class Table final : public Counted<IMAPITable> {
public:
    using Counted::Counted;

    STDMETHODIMP SetColumns(LPSPropTagArray tags, ULONG) override {
        if (!tags) return MAPI_E_INVALID_PARAMETER;
        if (FailsNow()) return MAPI_E_CALL_FAILED;
        columns_.assign(tags->aulPropTag, tags->aulPropTag + tags->cValues);
        return S_OK;
    }
    STDMETHODIMP SeekRow(BOOKMARK origin, LONG count, LONG* sought) override {
        if (FailsNow()) return MAPI_E_CALL_FAILED;
        if (origin != BOOKMARK_BEGINNING || count < 0) return MAPI_E_NO_SUPPORT;
        position_ = std::min<std::size_t>(static_cast<std::size_t>(count), book_->size());
        if (sought) *sought = static_cast<LONG>(position_);
        return S_OK;
    }
    STDMETHODIMP QueryRows(LONG wanted, ULONG, LPSRowSet* rows) override {
        if (!rows || wanted < 1) return MAPI_E_INVALID_PARAMETER;
        *rows = nullptr;
        if (FailsNow()) return MAPI_E_CALL_FAILED;
        const std::size_t n =
            std::min<std::size_t>(static_cast<std::size_t>(wanted), book_->size() - position_);
        auto* set = static_cast<SRowSet*>(Allocate(offsetof(SRowSet, aRow) + sizeof(SRow) * (n ? n : 1)));
        if (!set) return MAPI_E_NOT_ENOUGH_MEMORY;
        set->cRows = 0;
        for (std::size_t r = 0; r < n; ++r) {
            SRow& row = set->aRow[r];
            row.ulAdrEntryPad = 0;
            if (PropertyBuffer((*book_)[position_ + r], columns_, &row.cValues, &row.lpProps) != S_OK) {
                for (ULONG k = 0; k < set->cRows; ++k) Free(set->aRow[k].lpProps);
                Free(set);
                return MAPI_E_NOT_ENOUGH_MEMORY;
            }
            set->cRows = static_cast<ULONG>(r + 1);
        }
        position_ += n;
        *rows = set;
        return S_OK;
    }

    UNUSED(GetLastError, HRESULT, ULONG, LPMAPIERROR*) UNUSED(Advise, ULONG, LPMAPIADVISESINK, ULONG*)
    UNUSED(Unadvise, ULONG) UNUSED(GetStatus, ULONG*, ULONG*) UNUSED(QueryColumns, ULONG, LPSPropTagArray*)
    UNUSED(GetRowCount, ULONG, ULONG*) UNUSED(SeekRowApprox, ULONG, ULONG)
    UNUSED(QueryPosition, ULONG*, ULONG*, ULONG*) UNUSED(FindRow, LPSRestriction, BOOKMARK, ULONG)
    UNUSED(Restrict, LPSRestriction, ULONG) UNUSED(CreateBookmark, BOOKMARK*) UNUSED(FreeBookmark, BOOKMARK)
    UNUSED(SortTable, LPSSortOrderSet, ULONG) UNUSED(QuerySortOrder, LPSSortOrderSet*) UNUSED(Abort)
    UNUSED(ExpandRow, ULONG, LPBYTE, ULONG, ULONG, LPSRowSet*, ULONG*)
    UNUSED(CollapseRow, ULONG, LPBYTE, ULONG, ULONG*) UNUSED(WaitForCompletion, ULONG, ULONG, ULONG*)
    UNUSED(GetCollapseState, ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*)
    UNUSED(SetCollapseState, ULONG, ULONG, LPBYTE, BOOKMARK*)

private:
    std::vector<ULONG> columns_;
    std::size_t position_ = 0;
};

class Container final : public PropStubs<IABContainer> {
public:
    using PropStubs::PropStubs;

    STDMETHODIMP GetContentsTable(ULONG, LPMAPITABLE* table) override {
        if (!table) return MAPI_E_INVALID_PARAMETER;
        *table = nullptr;
        if (FailsNow()) return MAPI_E_CALL_FAILED;
        *table = new Table(book_);
        return S_OK;
    }
    UNUSED(GetHierarchyTable, ULONG, LPMAPITABLE*)
    UNUSED(OpenEntry, ULONG, LPENTRYID, LPCIID, ULONG, ULONG*, LPUNKNOWN*)
    UNUSED(SetSearchCriteria, LPSRestriction, LPENTRYLIST, ULONG)
    UNUSED(GetSearchCriteria, ULONG, LPSRestriction*, LPENTRYLIST*, ULONG*)
    UNUSED(CreateEntry, ULONG, LPENTRYID, ULONG, LPMAPIPROP*)
    UNUSED(CopyEntries, LPENTRYLIST, ULONG, LPMAPIPROGRESS, ULONG) UNUSED(DeleteEntries, LPENTRYLIST, ULONG)
    UNUSED(ResolveNames, LPSPropTagArray, ULONG, LPADRLIST, LPFlagList)
};

class AddressBook final : public PropStubs<IAddrBook> {
public:
    using PropStubs::PropStubs;

    STDMETHODIMP GetPAB(ULONG* size, LPENTRYID* id) override {
        if (!size || !id) return MAPI_E_INVALID_PARAMETER;
        if (FailsNow()) return MAPI_E_CALL_FAILED;
        void* bytes = Allocate(sizeof kPabId);
        if (!bytes) return MAPI_E_NOT_ENOUGH_MEMORY;
        std::memcpy(bytes, kPabId, sizeof kPabId);
        *size = sizeof kPabId;
        *id = static_cast<LPENTRYID>(bytes);
        return S_OK;
    }
    STDMETHODIMP OpenEntry(ULONG size, LPENTRYID id, LPCIID, ULONG, ULONG* type, LPUNKNOWN* out) override {
        if (!type || !out) return MAPI_E_INVALID_PARAMETER;
        *out = nullptr;
        if (FailsNow()) return MAPI_E_CALL_FAILED;
        const std::string wanted = id ? std::string(reinterpret_cast<const char*>(id), size) : "";
        if (wanted == std::string(kPabId, sizeof kPabId)) {
            *type = MAPI_ABCONT;
            *out = static_cast<IABContainer*>(new Container(book_));
            return S_OK;
        }
        for (std::size_t i = 0; i < book_->size(); ++i) {
            const Entry& e = (*book_)[i];
            if (e.Find(PR_ENTRYID)->bytes != wanted) continue;
            if (!e.opens || e.Find(PR_OBJECT_TYPE)->number != MAPI_MAILUSER) return MAPI_E_NOT_FOUND;
            *type = MAPI_MAILUSER;
            *out = static_cast<IMailUser*>(new MailUser(book_, i));
            return S_OK;
        }
        return MAPI_E_NOT_FOUND;
    }

    UNUSED(CompareEntryIDs, ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG*)
    UNUSED(Advise, ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) UNUSED(Unadvise, ULONG)
    UNUSED(CreateOneOff, LPTSTR, LPTSTR, LPTSTR, ULONG, ULONG*, LPENTRYID*)
    UNUSED(NewEntry, ULONG, ULONG, ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG*, LPENTRYID*)
    UNUSED(ResolveName, ULONG_PTR, ULONG, LPTSTR, LPADRLIST) UNUSED(Address, ULONG*, LPADRPARM, LPADRLIST*)
    UNUSED(Details, ULONG*, LPFNDISMISS, LPVOID, ULONG, LPENTRYID, LPFNBUTTON, LPVOID, LPTSTR, ULONG)
    UNUSED(RecipOptions, ULONG, ULONG, LPADRENTRY)
    UNUSED(QueryDefaultRecipOpt, LPTSTR, ULONG, ULONG*, LPSPropValue*) UNUSED(SetPAB, ULONG, LPENTRYID)
    UNUSED(GetDefaultDir, ULONG*, LPENTRYID*) UNUSED(SetDefaultDir, ULONG, LPENTRYID)
    UNUSED(GetSearchPath, ULONG, LPSRowSet*) UNUSED(SetSearchPath, ULONG, LPSRowSet)
    UNUSED(PrepareRecips, ULONG, LPSPropTagArray, LPADRLIST)
};

class WabObject final : public Counted<IWABObject> {
public:
    STDMETHODIMP AllocateBuffer(ULONG size, LPVOID* out) override {
        if (!out) return MAPI_E_INVALID_PARAMETER;
        *out = Allocate(size);
        return *out ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
    }
    UNUSED(AllocateMore, ULONG, LPVOID, LPVOID*)
    STDMETHODIMP FreeBuffer(LPVOID buffer) override {
        return Free(buffer) ? S_OK : MAPI_E_INVALID_PARAMETER;
    }
    UNUSED(GetLastError, HRESULT, ULONG, LPMAPIERROR*) UNUSED(Backup, LPSTR) UNUSED(Import, LPSTR)
    UNUSED(Find, LPADRBOOK, HWND) UNUSED(VCardDisplay, LPADRBOOK, HWND, LPSTR)
    UNUSED(LDAPUrl, LPADRBOOK, HWND, ULONG, LPSTR, LPMAILUSER*)
    UNUSED(VCardCreate, LPADRBOOK, ULONG, LPSTR, LPMAILUSER)
    UNUSED(VCardRetrieve, LPADRBOOK, ULONG, LPSTR, LPMAILUSER*)
    UNUSED(GetMe, LPADRBOOK, ULONG, DWORD*, SBinary*, ULONG) UNUSED(SetMe, LPADRBOOK, ULONG, SBinary, ULONG)
};

}  // namespace

extern "C" {

// The address book of the file named in the parameter; the current user's book (no file)
// and a file that is not a vCard file cannot be opened.
STDMETHODIMP WABOpen(LPADRBOOK* address_book, LPWABOBJECT* wab_object, LPWAB_PARAM param, DWORD) {
    if (!address_book || !wab_object) return MAPI_E_INVALID_PARAMETER;
    *address_book = nullptr;
    *wab_object = nullptr;
    if (FailsNow()) return MAPI_E_CALL_FAILED;
    if (!param || !param->szFileName || !param->szFileName[0]) return MAPI_E_NOT_FOUND;
    auto book = std::make_shared<Book>();
    if (!BuildBook(param->szFileName, book.get())) return MAPI_E_NOT_FOUND;
    *address_book = new AddressBook(book);
    *wab_object = new WabObject();
    return S_OK;
}

// For the tests: what the stand-in still holds after the loader let go.
LONG StandInOutstandingBuffers() { return static_cast<LONG>(g_buffers.size()); }
LONG StandInLiveObjects() { return g_live_objects; }
LONG StandInCalls() { return g_calls; }
// From now on the n-th call fails (1: the next one); 0 lets every call succeed.
void StandInFailCall(LONG n) { g_fail_at = n > 0 ? g_calls + n : 0; }

}  // extern "C"
