// The road through WAB32.DLL, driven by an in-process address book that stands in for the
// library's interfaces: which rows become contacts, what a failing call leaves, and that
// every buffer is freed and every interface released exactly once.
#include "wab/wab_mapi_road.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <wabdefs.h>
#include <wabcode.h>
#include <wabtags.h>
#include <wabiab.h>
#include <wabapi.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <memory>
#endif

namespace tarvenne::wab {
namespace {

#ifndef _WIN32

TEST(WabMapiRoad, NotAvailableWithoutWindows) {
    std::unique_ptr<AddressBookSession> session;
    std::string why;
    int delivered = 0;
    EXPECT_FALSE(ReadAddressBook(nullptr, "", &session, [&](AddressBookEntry&&) { ++delivered; }, &why));
    EXPECT_EQ(session, nullptr);
    EXPECT_EQ(delivered, 0);
    EXPECT_FALSE(why.empty());
}

#else

#define TV_STUB \
    { return E_NOTIMPL; }

// Every method of each interface answers "not implemented"; the fakes below override
// what the road uses.
struct StubAddrBook : IAddrBook {
    MAPI_IUNKNOWN_METHODS(TV_STUB)
    MAPI_IMAPIPROP_METHODS(TV_STUB)
    MAPI_IADDRBOOK_METHODS(TV_STUB)
};
struct StubWabObject : IWABObject {
    MAPI_IUNKNOWN_METHODS(TV_STUB)
    WAB_IWABOBJECT_METHODS(TV_STUB)
};
struct StubContainer : IABContainer {
    MAPI_IUNKNOWN_METHODS(TV_STUB)
    MAPI_IMAPIPROP_METHODS(TV_STUB)
    MAPI_IMAPICONTAINER_METHODS(TV_STUB)
    MAPI_IABCONTAINER_METHODS(TV_STUB)
};
struct StubTable : IMAPITable {
    MAPI_IUNKNOWN_METHODS(TV_STUB)
    MAPI_IMAPITABLE_METHODS(TV_STUB)
};
struct StubMailUser : IMailUser {
    MAPI_IUNKNOWN_METHODS(TV_STUB)
    MAPI_IMAPIPROP_METHODS(TV_STUB)
};

// One entry of the fake book.
struct FakeEntry {
    ULONG object_type = MAPI_MAILUSER;
    std::string id;
    bool open_fails = false;
    bool props_fail = false;
    bool id_column_missing = false;
    std::vector<std::pair<ULONG, std::string>> texts;  // PT_STRING8 values
    std::uint64_t birthday = 0;
};

// What the fake book does and what it saw.
struct Scenario {
    std::vector<FakeEntry> entries;
    HRESULT open_result = S_OK;
    HRESULT contents_result = S_OK;
    HRESULT set_columns_result = S_OK;
    HRESULT seek_result = S_OK;
    int query_fails_at = -1;  // 0-based call of QueryRows that fails
    // Seen:
    std::string file_name;
    ULONG cb_size = 0;
    int queries = 0;
    std::map<void*, int> buffers;  // allocation -> times freed
    int live_objects = 0;
    bool wab_open_called = false;
};

Scenario* g_scenario = nullptr;

void* Allocate(std::size_t n) {
    void* p = ::operator new(n);
    std::memset(p, 0, n);
    g_scenario->buffers[p] = 0;
    return p;
}

// Counts its references; deletes itself at the last Release.
template <typename Base>
struct Counted : Base {
    Counted() { ++g_scenario->live_objects; }
    virtual ~Counted() { --g_scenario->live_objects; }
    ULONG refs = 1;
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --refs;
        if (left == 0) delete this;
        return left;
    }
};

struct FakeWabObject : Counted<StubWabObject> {
    STDMETHODIMP FreeBuffer(LPVOID p) override {
        auto it = g_scenario->buffers.find(p);
        if (it == g_scenario->buffers.end()) ADD_FAILURE() << "freeing a buffer never handed out";
        else ++it->second;
        return S_OK;
    }
};

struct FakeMailUser : Counted<StubMailUser> {
    const FakeEntry* entry = nullptr;
    STDMETHODIMP GetProps(LPSPropTagArray, ULONG, ULONG* count, LPSPropValue* props) override {
        if (entry->props_fail) return MAPI_E_CALL_FAILED;
        const std::size_t n = entry->texts.size() + 2;
        auto* values = static_cast<SPropValue*>(Allocate(sizeof(SPropValue) * n));
        std::size_t k = 0;
        for (const auto& [tag, text] : entry->texts) {
            values[k].ulPropTag = tag;
            values[k].Value.lpszA = const_cast<char*>(text.c_str());  // the scenario's own
            ++k;
        }
        values[k].ulPropTag = PR_BIRTHDAY;
        values[k].Value.ft.dwLowDateTime = static_cast<DWORD>(entry->birthday);
        values[k].Value.ft.dwHighDateTime = static_cast<DWORD>(entry->birthday >> 32);
        ++k;
        values[k].ulPropTag = PROP_TAG(PT_ERROR, 0x3003);  // the e-mail, missing
        values[k].Value.err = MAPI_E_NOT_FOUND;
        *count = static_cast<ULONG>(n);
        *props = values;
        return S_OK;
    }
};

struct FakeTable : Counted<StubTable> {
    std::size_t next = 0;
    STDMETHODIMP SetColumns(LPSPropTagArray columns, ULONG) override {
        EXPECT_EQ(columns->cValues, 3u);
        EXPECT_EQ(columns->aulPropTag[0], PR_DISPLAY_NAME_A);
        EXPECT_EQ(columns->aulPropTag[1], PR_ENTRYID);
        EXPECT_EQ(columns->aulPropTag[2], PR_OBJECT_TYPE);
        return g_scenario->set_columns_result;
    }
    STDMETHODIMP SeekRow(BOOKMARK origin, LONG count, LONG*) override {
        EXPECT_EQ(origin, BOOKMARK_BEGINNING);
        EXPECT_EQ(count, 0);
        next = 0;
        return g_scenario->seek_result;
    }
    STDMETHODIMP QueryRows(LONG count, ULONG, LPSRowSet* rows) override {
        EXPECT_EQ(count, 1);
        if (g_scenario->queries++ == g_scenario->query_fails_at) return MAPI_E_CALL_FAILED;
        auto* set = static_cast<SRowSet*>(Allocate(sizeof(SRowSet)));
        *rows = set;
        if (next >= g_scenario->entries.size()) return S_OK;  // cRows 0
        const FakeEntry& e = g_scenario->entries[next++];
        set->cRows = 1;
        auto* props = static_cast<SPropValue*>(Allocate(sizeof(SPropValue) * 3));
        set->aRow[0].cValues = 3;
        set->aRow[0].lpProps = props;
        props[0].ulPropTag = PR_DISPLAY_NAME_A;
        props[0].Value.lpszA = const_cast<char*>("row");
        if (e.id_column_missing) {
            props[1].ulPropTag = PROP_TAG(PT_ERROR, 0x0FFF);
        } else {
            props[1].ulPropTag = PR_ENTRYID;
            props[1].Value.bin.cb = static_cast<ULONG>(e.id.size());
            props[1].Value.bin.lpb = reinterpret_cast<LPBYTE>(const_cast<char*>(e.id.data()));
        }
        props[2].ulPropTag = PR_OBJECT_TYPE;
        props[2].Value.l = static_cast<LONG>(e.object_type);
        return S_OK;
    }
};

struct FakeContainer : Counted<StubContainer> {
    STDMETHODIMP GetContentsTable(ULONG, LPMAPITABLE* table) override {
        if (FAILED(g_scenario->contents_result)) return g_scenario->contents_result;
        *table = new FakeTable;
        return S_OK;
    }
};

const char kPabId[] = "PAB";

struct FakeAddrBook : Counted<StubAddrBook> {
    STDMETHODIMP GetPAB(ULONG* size, LPENTRYID* id) override {
        auto* block = static_cast<char*>(Allocate(sizeof kPabId));
        std::memcpy(block, kPabId, sizeof kPabId);
        *size = sizeof kPabId;
        *id = reinterpret_cast<LPENTRYID>(block);
        return S_OK;
    }
    STDMETHODIMP OpenEntry(ULONG size, LPENTRYID id, LPCIID, ULONG, ULONG* type,
                           LPUNKNOWN* object) override {
        const std::string wanted(reinterpret_cast<const char*>(id), size);
        if (wanted == std::string(kPabId, sizeof kPabId)) {
            *type = MAPI_ABCONT;
            *object = static_cast<IABContainer*>(new FakeContainer);
            return S_OK;
        }
        for (const FakeEntry& e : g_scenario->entries) {
            if (e.id != wanted) continue;
            if (e.open_fails) return MAPI_E_NOT_FOUND;
            auto* user = new FakeMailUser;
            user->entry = &e;
            *type = MAPI_MAILUSER;
            *object = static_cast<IMailUser*>(user);
            return S_OK;
        }
        return MAPI_E_NOT_FOUND;
    }
};

HRESULT WINAPI FakeWabOpen(LPADRBOOK* book, LPWABOBJECT* wab, LPWAB_PARAM param, DWORD) {
    g_scenario->wab_open_called = true;
    g_scenario->cb_size = param->cbSize;
    g_scenario->file_name = param->szFileName ? param->szFileName : "<null>";
    if (FAILED(g_scenario->open_result)) return g_scenario->open_result;
    *book = new FakeAddrBook;
    *wab = new FakeWabObject;
    return S_OK;
}

class WabMapiRoad : public ::testing::Test {
protected:
    void SetUp() override { g_scenario = &scenario; }
    void TearDown() override {
        session.reset();
        EXPECT_EQ(scenario.live_objects, 0) << "interfaces never released";
        for (const auto& [buffer, frees] : scenario.buffers) {
            EXPECT_EQ(frees, 1) << "a buffer freed " << frees << " times";
            ::operator delete(buffer);
        }
        g_scenario = nullptr;
    }

    bool Read(const std::string& path) {
        why.clear();
        contacts.clear();
        return ReadAddressBook(reinterpret_cast<platform::EntryPoint>(&FakeWabOpen), path, &session,
                               [this](AddressBookEntry&& e) { contacts.push_back(std::move(e)); }, &why);
    }

    static FakeEntry User(const std::string& id, const std::string& surname) {
        FakeEntry e;
        e.id = id;
        e.texts = {{PR_SURNAME_A, surname}, {PR_GIVEN_NAME_A, "Given " + surname}};
        return e;
    }

    static std::string Text(const AddressBookEntry& e, std::uint32_t tag) {
        for (const PropertyValue& v : e.values)
            if (v.tag == tag) return v.text;
        return "<none>";
    }

    Scenario scenario;
    std::unique_ptr<AddressBookSession> session;
    std::vector<AddressBookEntry> contacts;
    std::string why;
};

TEST_F(WabMapiRoad, ReadsMailUsersInOrderAndPassesOverTheRest) {
    FakeEntry list = User("list", "List");
    list.object_type = MAPI_DISTLIST;
    FakeEntry unopenable = User("gone", "Gone");
    unopenable.open_fails = true;
    FakeEntry unreadable = User("mute", "Mute");
    unreadable.props_fail = true;
    FakeEntry no_id = User("noid", "NoId");
    no_id.id_column_missing = true;
    FakeEntry ada = User("ada", "Lovelace");
    ada.birthday = 116444736000000000ULL;  // 1 January 1970
    scenario.entries = {ada, list, unopenable, unreadable, no_id, User("bob", "Babbage")};

    ASSERT_TRUE(Read("C:\\books\\my book.wab")) << why;
    EXPECT_EQ(scenario.file_name, "C:\\books\\my book.wab");
    EXPECT_EQ(scenario.cb_size, offsetof(WAB_PARAM, guidPSExt));
    ASSERT_EQ(contacts.size(), 2u);
    EXPECT_EQ(Text(contacts[0], PR_SURNAME_A), "Lovelace");
    EXPECT_EQ(Text(contacts[0], PR_GIVEN_NAME_A), "Given Lovelace");
    EXPECT_EQ(std::string(contacts[0].entry_id.begin(), contacts[0].entry_id.end()), "ada");
    EXPECT_EQ(Text(contacts[1], PR_SURNAME_A), "Babbage");
    bool birthday = false;
    for (const PropertyValue& v : contacts[0].values)
        if (v.tag == PR_BIRTHDAY) birthday = v.time == 116444736000000000ULL;
    EXPECT_TRUE(birthday);
    // The book and the WAB object stay held; the table and container are already gone.
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(scenario.live_objects, 2);
}

TEST_F(WabMapiRoad, TheCurrentBookIsAnEmptyFileName) {
    scenario.entries = {User("a", "A")};
    ASSERT_TRUE(Read(""));
    EXPECT_EQ(scenario.file_name, "");
    EXPECT_EQ(contacts.size(), 1u);
}

TEST_F(WabMapiRoad, ABookWithoutAContentsTableHasNoContacts) {
    scenario.entries = {User("a", "A")};
    scenario.contents_result = MAPI_E_NO_SUPPORT;
    EXPECT_TRUE(Read("x.wab"));
    EXPECT_TRUE(contacts.empty());
    EXPECT_NE(session, nullptr);
}

TEST_F(WabMapiRoad, FailuresReleaseEverything) {
    scenario.entries = {User("a", "A"), User("b", "B"), User("c", "C")};
    scenario.query_fails_at = 2;
    EXPECT_FALSE(Read("x.wab"));
    EXPECT_EQ(session, nullptr);
    EXPECT_EQ(scenario.live_objects, 0);
    EXPECT_NE(why.find("QueryRows"), std::string::npos) << why;

    scenario.query_fails_at = -1;
    scenario.seek_result = MAPI_E_CALL_FAILED;
    EXPECT_FALSE(Read("x.wab"));
    EXPECT_NE(why.find("SeekRow"), std::string::npos) << why;
    EXPECT_EQ(scenario.live_objects, 0);

    scenario.seek_result = S_OK;
    scenario.set_columns_result = MAPI_E_CALL_FAILED;
    EXPECT_FALSE(Read("x.wab"));
    EXPECT_NE(why.find("SetColumns"), std::string::npos) << why;
    EXPECT_TRUE(contacts.empty());

    scenario.open_result = MAPI_E_NOT_FOUND;
    EXPECT_FALSE(Read("missing.wab"));
    EXPECT_NE(why.find("WABOpen"), std::string::npos) << why;
    EXPECT_EQ(session, nullptr);
}

TEST_F(WabMapiRoad, APathTooLongForTheBufferIsRefusedBeforeOpening) {
    EXPECT_FALSE(Read(std::string(MAX_PATH, 'p')));
    EXPECT_FALSE(scenario.wab_open_called);
    EXPECT_FALSE(why.empty());
    EXPECT_TRUE(Read(std::string(MAX_PATH - 1, 'p')));
    EXPECT_EQ(scenario.file_name.size(), static_cast<std::size_t>(MAX_PATH - 1));
}

#endif

}  // namespace
}  // namespace tarvenne::wab
