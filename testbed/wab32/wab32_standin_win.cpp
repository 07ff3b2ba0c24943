// A stand-in WAB32.DLL for the Wine tests: WABOpen and the address-book interfaces the
// loader calls, serving the cards of a vCard file (read by the program's own vCard reader)
// as the entries of the personal address book. Besides the cards, the contents table
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

#include "wab/vcard_reader.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// ------------------------------------------------------------------ buffers

// Every buffer handed out carries this header, so a buffer that is not ours, or is freed
// twice, is refused.
struct BufferHeader {
    static constexpr std::uint32_t kMagic = 0x57414232;  // "WAB2"
    std::uint32_t magic;
    alignas(16) unsigned char data[1];
};

long g_outstanding_buffers = 0;
long g_live_objects = 0;
long g_open_entry_calls = 0;
long g_calls = 0;    // calls of WABOpen and of the interfaces' methods the loader uses
long g_fail_at = 0;  // the call that fails; 0: none

// Counts a call; true when it is the one to fail.
bool FailsNow() { return ++g_calls == g_fail_at; }

BufferHeader* HeaderOf(void* p) {
    return reinterpret_cast<BufferHeader*>(static_cast<unsigned char*>(p) -
                                           offsetof(BufferHeader, data));
}

void* Allocate(std::size_t size) {
    auto* h = static_cast<BufferHeader*>(std::calloc(1, offsetof(BufferHeader, data) + (size ? size : 1)));
    if (!h) return nullptr;
    h->magic = BufferHeader::kMagic;
    ++g_outstanding_buffers;
    return h->data;
}

bool Free(void* p) {
    if (!p) return true;
    BufferHeader* h = HeaderOf(p);
    if (h->magic != BufferHeader::kMagic) return false;
    h->magic = 0;
    std::free(h);
    --g_outstanding_buffers;
    return true;
}

// ------------------------------------------------------------------ the book's data

struct Value {
    ULONG tag;
    std::string text;
    std::uint64_t time;
};

struct Entry {
    ULONG object_type;
    std::vector<BYTE> entry_id;
    std::vector<Value> values;
    bool opens;  // false: OpenEntry fails for it
};

const char kPabId[] = "stand-in PAB";

// One opened book: its entries in table order. Shared by the objects it hands out.
struct Book {
    std::vector<Entry> entries;
};

std::vector<BYTE> Bytes(const std::string& text) { return std::vector<BYTE>(text.begin(), text.end()); }

// The cards of a vCard file as the book's entries; false when it is not a vCard file.
bool BuildBook(const char* path, Book* book) {
    book->entries.push_back({MAPI_DISTLIST, Bytes("stand-in:list"), {{PR_DISPLAY_NAME_A, "Stand-in list", 0}}, true});
    tarvenne::wab::VCardReadResult read;
    return tarvenne::wab::ReadVCardFile(
        path,
        [&](const tarvenne::wab::EntryView& card) {
            Entry entry{card.object_type, Bytes(std::string(card.entry_id)), {}, true};
            for (std::size_t i = 0; i < card.value_count; ++i)
                entry.values.push_back({card.values[i].tag, std::string(card.values[i].text), card.values[i].time});
            book->entries.push_back(std::move(entry));
            if (book->entries.size() == 2)
                book->entries.push_back(
                    {MAPI_MAILUSER, Bytes("stand-in:gone"), {{PR_DISPLAY_NAME_A, "Cannot be opened", 0}}, false});
        },
        &read);
}

// ------------------------------------------------------------------ COM plumbing

#define STANDIN_NOT_SUPPORTED { return MAPI_E_NO_SUPPORT; }

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
    STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP SaveChanges(ULONG) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP GetProps(LPSPropTagArray, ULONG, ULONG*, LPSPropValue*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP GetPropList(ULONG, LPSPropTagArray*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP SetProps(ULONG, LPSPropValue, LPSPropProblemArray*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP DeleteProps(LPSPropTagArray, LPSPropProblemArray*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                        LPSPropProblemArray*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP CopyProps(LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                           LPSPropProblemArray*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG*, LPMAPINAMEID**) override
        STANDIN_NOT_SUPPORTED
    STDMETHODIMP GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray*) override STANDIN_NOT_SUPPORTED
};

// The values of an entry under tags (no tags: all of them, then its object type and entry
// id) in one buffer: the value array followed by its texts and binary values. A tag the
// entry has no value for comes back as an error value.
HRESULT PropertyBuffer(const Entry& entry, std::vector<ULONG> tags, ULONG* count, LPSPropValue* props) {
    if (tags.empty()) {
        for (const auto& v : entry.values) tags.push_back(v.tag);
        tags.insert(tags.end(), {PR_OBJECT_TYPE, PR_ENTRYID});
    }
    auto value_of = [&](ULONG tag) -> const Value* {
        for (const auto& v : entry.values)
            if (v.tag == tag) return &v;
        return nullptr;
    };
    std::size_t extra = 0;
    for (ULONG tag : tags)
        extra += tag == PR_ENTRYID ? entry.entry_id.size() : value_of(tag) ? value_of(tag)->text.size() + 1 : 0;
    const std::size_t head = sizeof(SPropValue) * tags.size();
    auto* array = static_cast<SPropValue*>(Allocate(head + extra));
    if (!array) return MAPI_E_NOT_ENOUGH_MEMORY;
    char* tail = reinterpret_cast<char*>(array) + head;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        SPropValue& p = array[i];
        const Value* v = value_of(tags[i]);
        p.ulPropTag = tags[i];
        if (tags[i] == PR_OBJECT_TYPE) {
            p.Value.l = static_cast<LONG>(entry.object_type);
        } else if (tags[i] == PR_ENTRYID) {
            p.Value.bin.cb = static_cast<ULONG>(entry.entry_id.size());
            p.Value.bin.lpb = reinterpret_cast<LPBYTE>(tail);
            if (!entry.entry_id.empty()) std::memcpy(tail, entry.entry_id.data(), entry.entry_id.size());
            tail += entry.entry_id.size();
        } else if (!v) {
            p.ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(tags[i]));
            p.Value.err = MAPI_E_NOT_FOUND;
        } else if (PROP_TYPE(v->tag) == PT_SYSTIME) {
            p.Value.ft.dwLowDateTime = static_cast<DWORD>(v->time);
            p.Value.ft.dwHighDateTime = static_cast<DWORD>(v->time >> 32);
        } else {
            std::memcpy(tail, v->text.c_str(), v->text.size() + 1);
            p.Value.lpszA = tail;
            tail += v->text.size() + 1;
        }
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
        return PropertyBuffer(book_->entries[index_], {}, count, props);
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
        position_ = std::min<std::size_t>(static_cast<std::size_t>(count), book_->entries.size());
        if (sought) *sought = static_cast<LONG>(position_);
        return S_OK;
    }
    STDMETHODIMP QueryRows(LONG wanted, ULONG, LPSRowSet* rows) override {
        if (!rows || wanted < 1) return MAPI_E_INVALID_PARAMETER;
        *rows = nullptr;
        if (FailsNow()) return MAPI_E_CALL_FAILED;
        const std::size_t n =
            std::min<std::size_t>(static_cast<std::size_t>(wanted), book_->entries.size() - position_);
        auto* set = static_cast<SRowSet*>(Allocate(offsetof(SRowSet, aRow) + sizeof(SRow) * (n ? n : 1)));
        if (!set) return MAPI_E_NOT_ENOUGH_MEMORY;
        set->cRows = 0;
        for (std::size_t r = 0; r < n; ++r) {
            SRow& row = set->aRow[r];
            row.ulAdrEntryPad = 0;
            if (PropertyBuffer(book_->entries[position_ + r], columns_, &row.cValues, &row.lpProps) != S_OK) {
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

    STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP Advise(ULONG, LPMAPIADVISESINK, ULONG*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP Unadvise(ULONG) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP GetStatus(ULONG*, ULONG*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP QueryColumns(ULONG, LPSPropTagArray*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP GetRowCount(ULONG, ULONG*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP SeekRowApprox(ULONG, ULONG) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP QueryPosition(ULONG*, ULONG*, ULONG*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP FindRow(LPSRestriction, BOOKMARK, ULONG) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP Restrict(LPSRestriction, ULONG) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP CreateBookmark(BOOKMARK*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP FreeBookmark(BOOKMARK) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP SortTable(LPSSortOrderSet, ULONG) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP QuerySortOrder(LPSSortOrderSet*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP Abort() override STANDIN_NOT_SUPPORTED
    STDMETHODIMP ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet*, ULONG*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP CollapseRow(ULONG, LPBYTE, ULONG, ULONG*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP WaitForCompletion(ULONG, ULONG, ULONG*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP GetCollapseState(ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK*) override STANDIN_NOT_SUPPORTED

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
    STDMETHODIMP GetHierarchyTable(ULONG, LPMAPITABLE*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP OpenEntry(ULONG, LPENTRYID, LPCIID, ULONG, ULONG*, LPUNKNOWN*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP SetSearchCriteria(LPSRestriction, LPENTRYLIST, ULONG) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP GetSearchCriteria(ULONG, LPSRestriction*, LPENTRYLIST*, ULONG*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP CreateEntry(ULONG, LPENTRYID, ULONG, LPMAPIPROP*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP CopyEntries(LPENTRYLIST, ULONG, LPMAPIPROGRESS, ULONG) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP DeleteEntries(LPENTRYLIST, ULONG) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP ResolveNames(LPSPropTagArray, ULONG, LPADRLIST, LPFlagList) override STANDIN_NOT_SUPPORTED
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
        ++g_open_entry_calls;
        if (!type || !out) return MAPI_E_INVALID_PARAMETER;
        *out = nullptr;
        if (FailsNow()) return MAPI_E_CALL_FAILED;
        const BYTE* bytes = reinterpret_cast<const BYTE*>(id);
        if (size == sizeof kPabId && bytes && std::memcmp(bytes, kPabId, size) == 0) {
            *type = MAPI_ABCONT;
            *out = static_cast<IABContainer*>(new Container(book_));
            return S_OK;
        }
        for (std::size_t i = 0; i < book_->entries.size(); ++i) {
            const Entry& e = book_->entries[i];
            if (e.entry_id.size() != size || (size && std::memcmp(e.entry_id.data(), bytes, size) != 0))
                continue;
            if (!e.opens || e.object_type != MAPI_MAILUSER) return MAPI_E_NOT_FOUND;
            *type = MAPI_MAILUSER;
            *out = static_cast<IMailUser*>(new MailUser(book_, i));
            return S_OK;
        }
        return MAPI_E_NOT_FOUND;
    }

    STDMETHODIMP CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP Unadvise(ULONG) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP CreateOneOff(LPTSTR, LPTSTR, LPTSTR, ULONG, ULONG*, LPENTRYID*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP NewEntry(ULONG, ULONG, ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG*, LPENTRYID*) override
        STANDIN_NOT_SUPPORTED
    STDMETHODIMP ResolveName(ULONG_PTR, ULONG, LPTSTR, LPADRLIST) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP Address(ULONG*, LPADRPARM, LPADRLIST*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP Details(ULONG*, LPFNDISMISS, LPVOID, ULONG, LPENTRYID, LPFNBUTTON, LPVOID, LPTSTR, ULONG) override
        STANDIN_NOT_SUPPORTED
    STDMETHODIMP RecipOptions(ULONG, ULONG, LPADRENTRY) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP QueryDefaultRecipOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP SetPAB(ULONG, LPENTRYID) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP GetDefaultDir(ULONG*, LPENTRYID*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP SetDefaultDir(ULONG, LPENTRYID) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP GetSearchPath(ULONG, LPSRowSet*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP SetSearchPath(ULONG, LPSRowSet) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP PrepareRecips(ULONG, LPSPropTagArray, LPADRLIST) override STANDIN_NOT_SUPPORTED
};

class WabObject final : public Counted<IWABObject> {
public:
    STDMETHODIMP AllocateBuffer(ULONG size, LPVOID* out) override {
        if (!out) return MAPI_E_INVALID_PARAMETER;
        *out = Allocate(size);
        return *out ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
    }
    STDMETHODIMP AllocateMore(ULONG, LPVOID, LPVOID*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP FreeBuffer(LPVOID buffer) override {
        return Free(buffer) ? S_OK : MAPI_E_INVALID_PARAMETER;
    }
    STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP Backup(LPSTR) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP Import(LPSTR) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP Find(LPADRBOOK, HWND) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP VCardDisplay(LPADRBOOK, HWND, LPSTR) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP LDAPUrl(LPADRBOOK, HWND, ULONG, LPSTR, LPMAILUSER*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP VCardCreate(LPADRBOOK, ULONG, LPSTR, LPMAILUSER) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP VCardRetrieve(LPADRBOOK, ULONG, LPSTR, LPMAILUSER*) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP GetMe(LPADRBOOK, ULONG, DWORD*, SBinary*, ULONG) override STANDIN_NOT_SUPPORTED
    STDMETHODIMP SetMe(LPADRBOOK, ULONG, SBinary, ULONG) override STANDIN_NOT_SUPPORTED
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
LONG StandInOutstandingBuffers() { return g_outstanding_buffers; }
LONG StandInLiveObjects() { return g_live_objects; }
LONG StandInOpenEntryCalls() { return g_open_entry_calls; }
LONG StandInCalls() { return g_calls; }
// From now on the n-th call fails (1: the next one); 0 lets every call succeed.
void StandInFailCall(LONG n) { g_fail_at = n > 0 ? g_calls + n : 0; }

}  // extern "C"
