// The options page as a person meets it when a file is of no use: why Next is refused,
// once and plainly; F1 and Enter; the file dialogs opening beside the path; the settings kept.
#include "tests/ui/wine_driver.h"

namespace tarvenne::testing {
namespace {

// Why Next is refused, once and plainly, for files that cannot be opened (one held by
// another program, read-only, not allowed), files of no use (a junk
// book, a damaged or cut contacts file, another layout than Palm Desktop writes, with it or
// with none installed); F1 and Enter; the file dialogs; the settings.
TEST(Wizard, OptionsPageSaysWhyAndBrowsesBesideThePath) {
    REQUIRE_DISPLAY();
    Wizard w("options_page");
    w.InstallPalmDesktop("palm601");
    // The test bed's address-book library reads the .wab files (and refuses the junk one).
    const char* const kLibraryKey = "Software\\Microsoft\\WAB\\DLLPath";
    const std::string library = WinPath(TARVENNE_STANDIN_WAB32);
    ASSERT_EQ(RegSetValueA(HKEY_LOCAL_MACHINE, kLibraryKey, REG_SZ, library.c_str(), 0), ERROR_SUCCESS);
    const std::string f = w.Folder() + "\\";
    const std::string notes = f + "notes.vcf", junk = f + "junk.wab", good = f + "good.dat", held = f + "held.dat";
    const std::string damaged = f + "damaged.dat", cut = f + "cut.dat", classic = f + "classic.dat";
    std::ofstream(notes) << "Shopping list: tea, bread.\r\n";
    std::ofstream(junk, std::ios::binary) << std::string(2000, '\x9C');
    ASSERT_TRUE(CopyInto(Sample("address-palmsg.dat"), good) && CopyInto(good, held));
    ASSERT_TRUE(CopyInto(Sample("address-classic.dat"), classic));
    std::ofstream(damaged, std::ios::binary)
        << FileText(Sample("address-classic.dat")).substr(0, 300);
    // A file a crash left cut, with its good backup beside it.
    std::ofstream(cut, std::ios::binary) << FileText(good).substr(0, 500);
    ASSERT_TRUE(CopyInto(good, cut + ".xbk"));
    // Held open as Palm Desktop or HotSync holds the file it works on, and a book held so.
    const std::string held_book = f + "held.vcf";
    ASSERT_TRUE(CopyInto(SmallBook(), held_book));
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE book_holder = CreateFileA(held_book.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(holder != INVALID_HANDLE_VALUE && book_holder != INVALID_HANDLE_VALUE);
    // Unknown modes read as the current book and a target by file; paths are bounded.
    const std::string long_path = "C:\\" + std::string(300, 'w') + ".wab";
    w.WriteIni("DataMode=7\r\nPalmMode=7\r\nWabFile=" + long_path + "\r\nCustom2=-7\r\n");
    ASSERT_TRUE(w.Start());
    EXPECT_TRUE(w.Checked(IDC_CURRENT_WAB) && w.Checked(IDC_BY_FILE));
    EXPECT_EQ(w.Text(IDC_WAB_FILE), long_path.substr(0, 259));
    w.Keys({VK_F1});  // Help, whose page is not beside this copy of the program
    EXPECT_EQ(w.TakeMessageBox().rfind("The help page " + Quoted(f + "app\\help.html") + " could not be opened: ", 0), 0u);
    w.Keys({VK_RETURN});  // Enter is Next
    EXPECT_EQ(w.TakeMessageBox(), "No contacts file was given.");
    const std::string unreadable = "Invalid Palm Desktop contacts file.\n\nThe contacts file could not be read. Classic layout: ";
    // No book is the current one, no contacts file a target by user. A whole text is all the
    // box says; a part, what it says among the reasons of the readers.
    const struct { std::string book, contacts, says; bool whole; } refusals[] = {
        {notes, good, Quoted(notes) + " is neither an address book nor a vCard file.", true},
        {junk, good, Quoted(junk) + " is neither an address book nor a vCard file.", true},
        {w.Folder(), good, Quoted(w.Folder()) + " is a folder, not an address book file.", true},
        {f + "gone.vcf", good, "The address book file " + Quoted(f + "gone.vcf") + " does not exist.", true},
        {held_book, good, "The address book file " + Quoted(held_book) + " is in use by another program: close the "
             "program that uses it (Outlook Express, for one) and try again.", true},
        {SmallBook(), held, "The contacts file " + Quoted(held) +
             " is in use by another program: close Palm Desktop or HotSync and try again.", true},
        {SmallBook(), f + "gone.dat", "The contacts file " + Quoted(f + "gone.dat") + " does not exist.", true},
        {SmallBook(), w.Folder(), Quoted(w.Folder()) + " is a folder, not a contacts file.", true},
        {SmallBook(), "", "address.dat\" does not exist.", false},  // the user has none yet
        {SmallBook(), damaged, unreadable, false},
        {SmallBook(), cut, " is at " + cut + ".xbk; copy it over the file to restore it.", false},  // the backup
        {SmallBook(), classic, "The contacts file " + Quoted(classic) + " is in the classic layout, but the installed "
             "Palm Desktop 6.0.1 reads and writes the newer layout, so it cannot take the contacts.", true},
        {"", good, "The current Outlook Express address book cannot be read.\n\nThe current user's address book", false}};
    for (const auto& c : refusals) {
        SCOPED_TRACE(c.says);
        const int source = c.book.empty() ? IDC_CURRENT_WAB : IDC_SPECIFIC_WAB;
        const int target = c.contacts.empty() ? IDC_BY_USER : IDC_BY_FILE;
        w.Click(source);
        w.Click(target);
        ASSERT_TRUE(WaitUntil([&] { return w.Checked(source) && w.Checked(target); }));
        w.SetText(IDC_WAB_FILE, c.book);
        w.SetText(IDC_PALM_FILE, c.contacts);
        w.Click(IDC_NEXT);
        const std::string text = w.TakeMessageBox();
        if (c.whole) {
            EXPECT_EQ(text, c.says);
        } else {
            EXPECT_TRUE(Contains(text, c.says));
        }
        EXPECT_EQ(w.CurrentPage(), kOptions);
    }
    CloseHandle(holder);
    CloseHandle(book_holder);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kLibraryKey);

    // Each file dialog opens where the path in its box is: a bare name is found there.
    w.Click(IDC_SPECIFIC_WAB);
    w.Click(IDC_BY_FILE);
    const std::string books = w.Folder() + "\\books\\", palm = w.Folder() + "\\palm files\\";
    ASSERT_TRUE(CopyInto(SmallBook(), books + "b.vcf") && CopyInto(good, palm + "y.dat"));
    const struct { int box, browse; const char *title, *filters; std::string folder, name; }
        dialogs[] = {
            {IDC_WAB_FILE, IDC_WAB_BROWSE, "Open Windows Address Book File",
             "Address books (*.wab;*.vcf)|vCard files (*.vcf)|Windows Address Book files (*.wab)|"
             "All files (*.*)|", books, "b.vcf"},
            {IDC_PALM_FILE, IDC_PALM_BROWSE, "Open Palm Desktop Contacts File",
             "Palm Desktop Contacts File(*.dat)|All Files(*.*)|", palm, "y.dat"},
        };
    for (const auto& c : dialogs) {
        SCOPED_TRACE(c.title);
        w.SetText(c.box, c.folder + "new" + c.name);  // not there yet
        w.Click(c.browse);
        HWND dialog = w.WaitForTopLevel(c.title);
        ASSERT_NE(dialog, nullptr);
        HWND types = GetDlgItem(dialog, 0x470);  // "files of type", Unicode inside
        std::string filters;
        for (WPARAM i = 0; i < static_cast<WPARAM>(Send(types, CB_GETCOUNT)); ++i) {
            wchar_t item[128] = {};
            SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            for (const wchar_t* ch = item; *ch; ++ch) filters += static_cast<char>(*ch);
            filters += '|';
        }
        EXPECT_EQ(filters, c.filters);
        HWND name_box = GetDlgItem(dialog, 0x480);  // "file name", an edit or a combo box
        Send(name_box ? name_box : GetDlgItem(dialog, 0x47C), WM_SETTEXT, 0,
             reinterpret_cast<LPARAM>(c.name.c_str()));
        w.Click(IDOK, dialog);
        ASSERT_TRUE(Wizard::WaitClosed(dialog));
        EXPECT_EQ(w.Text(c.box), c.folder + c.name);
    }
    w.Keys({VK_ESCAPE});  // Esc is Cancel, and every setting is written: as the last Next read
    ASSERT_TRUE(w.WaitForEnd());
    const std::pair<const char*, std::string> kept[] = {
        {"DataMode", "0"}, {"WabFile", SmallBook()}, {"PalmMode", "1"}, {"PalmFile", good},
        {"UserID", "1001"}, {"Custom1", "0"}, {"Custom2", "-7"}, {"Custom9", "0"}};
    for (const auto& [key, value] : kept) EXPECT_EQ(w.IniValue(key), value) << key;

    // No Palm Desktop installed: the newer layout is written, so a classic file is refused.
    std::ofstream(w.Ini(), std::ios::binary) << "[Brisfold]\r\nDataMode=1\r\nWabFile=" << SmallBook() << "\r\nPalmMode=1\r\n"
                                             << "PalmFile=" << classic << "\r\n[Path]\r\nPDPath=" << f << "nowhere\r\n";
    ASSERT_TRUE(w.Start());
    w.Click(IDC_NEXT);
    EXPECT_EQ(w.TakeMessageBox(), "No Palm Desktop was found on this computer, so the contacts are written in the newer "
                                  "layout (Palm Desktop 4.1.2 and later), but " + Quoted(classic) + " is in the classic layout.");
    w.Stop();

    // Wine running as root opens a read-only file for writing, so a build whose first file
    // opening through the platform (the contacts file's) is refused as Windows refuses a file
    // it will not let the program write; the file's attributes tell read-only from forbidden.
    Wizard faulty("options_faults", WinPath(TARVENNE_FAULTY_WIZARD_EXE));
    const struct { DWORD attributes; std::string says; } faults[] = {
        {FILE_ATTRIBUTE_READONLY, "The contacts file " + Quoted(good) + " is read-only, so the contacts cannot be "
             "written into it: clear Read-only in the file's Properties and try again."},
        {FILE_ATTRIBUTE_NORMAL, "Windows does not allow you to change the contacts file " + Quoted(good) +
             ": ask the computer's administrator for access, or use a copy of it."}};
    for (const auto& c : faults) {
        SCOPED_TRACE(c.says);
        SetFileAttributesA(good.c_str(), c.attributes);
        std::ofstream(faulty.Ini(), std::ios::binary) << "[Brisfold]\r\nDataMode=1\r\nWabFile=" << SmallBook()
            << "\r\nPalmMode=1\r\nPalmFile=" << good << "\r\n[Path]\r\nPDPath=" << f << "nowhere\r\n";
        ASSERT_TRUE(faulty.Start(96, "--fail-open 1"));
        faulty.Click(IDC_NEXT);
        EXPECT_EQ(faulty.TakeMessageBox(), c.says);
        EXPECT_EQ(faulty.CurrentPage(), kOptions);
        SetFileAttributesA(good.c_str(), FILE_ATTRIBUTE_NORMAL);
        faulty.Stop();
    }
}

}  // namespace
}  // namespace tarvenne::testing
