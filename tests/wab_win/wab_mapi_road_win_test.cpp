// The loader's road through WAB32.DLL under Wine, against the test bed's stand-in library
// registered under DLLPath: the contacts it reads are exactly those the vCard reader reads
// from the same file, and whichever call of the library fails, the load releases every
// buffer and interface. Also the loader without any library at all (run by itself, with
// Wine's own wab32 switched off).
#include "tests/test_folder.h"
#include "wab/wab_loader.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>

namespace tarvenne::wab {
namespace {

// The build's Unix paths as the drive paths Wine gives programs.
std::string WinePath(const std::string& unix_path) {
    std::string path = unix_path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path.size() > 1 && path[1] == ':' ? path : "Z:" + path;
}

// Sets HKLM\Software\Microsoft\WAB\DLLPath for the test's lifetime and puts back what was
// there before.
class RegisteredWabPath {
public:
    explicit RegisteredWabPath(const std::string& value) {
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                            nullptr) != ERROR_SUCCESS)
            return;
        char old[MAX_PATH] = {};
        DWORD size = sizeof old;
        had_value_ = RegQueryValueExA(key_, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old),
                                      &size) == ERROR_SUCCESS;
        old_value_ = old;
        set_ = Write(value);
    }
    ~RegisteredWabPath() {
        if (!key_) return;
        if (had_value_) Write(old_value_);
        else RegDeleteValueA(key_, nullptr);
        RegCloseKey(key_);
    }
    RegisteredWabPath(const RegisteredWabPath&) = delete;
    RegisteredWabPath& operator=(const RegisteredWabPath&) = delete;
    bool Set() const { return set_; }

private:
    bool Write(const std::string& v) {
        return RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                              static_cast<DWORD>(v.size() + 1)) == ERROR_SUCCESS;
    }
    static constexpr const char* kKey = "Software\\Microsoft\\WAB\\DLLPath";
    HKEY key_ = nullptr;  // owned: closed when the old value is back
    bool set_ = false, had_value_ = false;
    std::string old_value_;
};

// The stand-in's counters and its switch (through void*: FARPROC's own type is not theirs).
struct StandIn {
    explicit StandIn(const std::string& path) : module(LoadLibraryA(path.c_str())) {}
    ~StandIn() { FreeLibrary(module); }
    template <typename F>
    F Get(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    LONG Buffers() const { return Get<LONG (*)()>("StandInOutstandingBuffers")(); }
    LONG Objects() const { return Get<LONG (*)()>("StandInLiveObjects")(); }
    LONG Calls() const { return Get<LONG (*)()>("StandInCalls")(); }
    void FailCall(LONG n) const { Get<void (*)(LONG)>("StandInFailCall")(n); }
    HMODULE module;  // held so the counters outlive the loaders' own handles
};

class MapiRoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(registered.Set());
        ASSERT_NE(standin.module, nullptr);
        std::filesystem::copy_file(sample, as_wab);
        std::filesystem::copy_file(sample, as_vcf);
    }
    const std::string library = WinePath(TARVENNE_STANDIN_WAB32);
    const std::string sample = WinePath(TARVENNE_SAMPLE_BOOK);
    testing::TestFolder dir;
    const std::string as_wab = dir.File("book.wab"), as_vcf = dir.File("book.vcf");
    RegisteredWabPath registered{library};
    StandIn standin{library};
};

TEST_F(MapiRoad, ReadsTheSameContactsAsTheVCardReaderAndReleasesEverything) {
    WabLoader mapi, vcard;
    ASSERT_TRUE(mapi.Load(as_wab)) << mapi.LastError();
    ASSERT_TRUE(vcard.Load(as_vcf)) << vcard.LastError();
    EXPECT_EQ(mapi.LastRoad(), LoadRoad::AddressBook);
    EXPECT_EQ(vcard.LastRoad(), LoadRoad::VCard);
    // 32 people: the group card, the stand-in's own list and the entry that cannot be
    // opened are not contacts.
    ASSERT_EQ(mapi.Count(), 32u);
    ASSERT_EQ(vcard.Count(), 32u);
    for (std::uint32_t i = 0; i < mapi.Count(); ++i) {
        const SourceContact &x = *mapi.Get(i), &y = *vcard.Get(i);
        for (std::size_t row = 0; row < kPropertyCount; ++row)
            EXPECT_EQ(x.TextAtRow(row), y.TextAtRow(row)) << i << " " << PropertyTable()[row].name;
        EXPECT_EQ(x.birthday, y.birthday) << i;
        EXPECT_EQ(*x.entry_id, *y.entry_id) << i;
    }
    // While the book is open the loader holds the address book and the WAB object only.
    EXPECT_EQ(standin.Objects(), 2);
    EXPECT_EQ(standin.Buffers(), 0);
    mapi.Unload();
    EXPECT_EQ(standin.Objects(), 0);
}

TEST_F(MapiRoad, AFailureAtAnyCallReleasesEverythingItHeld) {
    const LONG before = standin.Calls();
    {
        WabLoader loader;
        ASSERT_TRUE(loader.Load(as_wab));
    }
    const LONG calls = standin.Calls() - before;
    ASSERT_GT(calls, 32);
    for (LONG n = 1; n <= calls; ++n) {
        WabLoader loader;
        standin.FailCall(n);
        const bool read = loader.Load(as_wab);
        standin.FailCall(0);
        // A failed open, table or row read fails the load; a failed entry is passed over;
        // a book without a contents table has no contacts.
        const std::uint32_t count = loader.Count();
        EXPECT_TRUE(read ? count == 31 || count == 32 || count == 0 : count == 0) << n;
        EXPECT_EQ(read, loader.LastError().empty()) << n << " " << loader.LastError();
        loader.Unload();
        EXPECT_EQ(standin.Objects(), 0) << "call " << n;
        EXPECT_EQ(standin.Buffers(), 0) << "call " << n;
    }
}

TEST_F(MapiRoad, FilesWabOpenRefusesFailTheLoad) {
    const std::string bad = dir.File("notes.wab");
    std::ofstream(bad, std::ios::binary) << "these are not cards\r\n";
    WabLoader loader;
    ASSERT_TRUE(loader.Load(as_wab));
    EXPECT_FALSE(loader.Load(bad));  // nothing from the earlier load survives
    EXPECT_EQ(loader.Count(), 0u);
    EXPECT_NE(loader.LastError().find("WABOpen"), std::string::npos) << loader.LastError();
    EXPECT_FALSE(loader.Load(""));  // the current user's book goes to WABOpen too
    EXPECT_NE(loader.LastError().find("current user"), std::string::npos) << loader.LastError();
    // A path longer than WABOpen's buffer would name another file: refused before the call.
    const LONG calls = standin.Calls();
    EXPECT_FALSE(loader.Load(std::string(MAX_PATH, 'p') + ".wab"));
    EXPECT_EQ(standin.Calls(), calls);
    EXPECT_EQ(standin.Objects(), 0);
    EXPECT_EQ(standin.Buffers(), 0);
}

TEST(NoAddressBookLibrary, EveryFileGoesToTheVCardReader) {
    testing::TestFolder dir;
    RegisteredWabPath registered(dir.File("nowhere\\WAB32.DLL"));
    ASSERT_TRUE(registered.Set());
    // A library reachable by name here would make the rest prove nothing.
    ASSERT_EQ(LoadLibraryA("WAB32.DLL"), nullptr) << "a WAB32.DLL is reachable by name";
    WabLoader loader;
    EXPECT_EQ(loader.LibraryPath(), "WAB32.DLL");  // the registered path, then the name
    const std::string as_wab = dir.File("book.wab");
    std::filesystem::copy_file(WinePath(TARVENNE_SAMPLE_BOOK), as_wab);
    ASSERT_TRUE(loader.Load(as_wab)) << loader.LastError();
    EXPECT_EQ(loader.LastRoad(), LoadRoad::VCard);
    EXPECT_EQ(loader.Count(), 32u);
    EXPECT_FALSE(loader.Load(""));
    EXPECT_NE(loader.LastError().find("could not be loaded"), std::string::npos) << loader.LastError();
}

}  // namespace
}  // namespace tarvenne::wab
