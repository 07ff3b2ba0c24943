// The record list page's speed as a user meets it: the wizard under Wine, driven by its
// own clicks, with books of N cards against a contacts file of 3,000 records. Prints, per
// book, the time from Next to the list shown, and for ticking and unticking the filter.
// Run by bench/wizard_speed.sh; a measurement, not a test.
#include "tests/ui/wine_driver.h"

#include <chrono>
#include <cstdio>

namespace tarvenne::testing {
namespace {

constexpr int kRecords = 3000;
constexpr std::uint32_t kNewerDesktop = 60001;

// Card i as the book holds it; the variant 1 differs from what the file holds by a title.
std::string Card(int i, int variant) {
    char card[512];
    std::snprintf(card, sizeof card,
                  "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Surname%05d;Given%05d;;;\r\nFN:Given%05d Surname%05d\r\n"
                  "EMAIL:person%05d@example.com\r\nTEL;TYPE=WORK:+1 555 %07d\r\nORG:Company %d\r\n%s"
                  "END:VCARD\r\n",
                  i, i, i, i, i, i, i % 97, variant ? "TITLE:Manager\r\n" : "");
    return card;
}

// The records: the first 3,000 cards, converted into a copy of the newer-layout sample as
// the wizard would.
bool MakeContactsFile(const std::string& folder, const std::string& target) {
    const std::string cards = folder + "\\records.vcf";
    std::ofstream out(cards, std::ios::binary);
    for (int i = 0; i < kRecords; ++i) out << Card(i, 0);
    out.close();
    if (!CopyInto(Sample("address-palmsg.dat"), target)) return false;
    ConversionJob job(kNewerDesktop);
    wab::WabLoader loader(vcard::ReadVCardBook);
    if (!job.LoadTargetFromFile(target) || !loader.Load(cards)) return false;
    for (wab::SourceContact* c = loader.First(); c; c = loader.Next()) {
        ContactRecord record;
        wab::ConvertSourceContact(c, &record);
        job.AddContact(&record);
    }
    return job.SaveTarget();
}

// A book of n cards: of the first 3,000, the even ones as the file holds them and the odd
// ones changed; the rest new. The number of cards that differ.
int MakeBook(const std::string& path, int n) {
    std::ofstream out(path, std::ios::binary);
    int differing = 0;
    for (int i = 0; i < n; ++i) {
        const bool in_file = i < kRecords, changed = in_file && i % 2 == 1;
        out << Card(i, changed ? 1 : 0);
        if (!in_file || changed) ++differing;
    }
    return differing;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Clicks control id and waits until the list holds rows rows and the wizard answers again.
double TimeUntilRows(const Wizard& w, int id, int page, int rows) {
    const auto start = std::chrono::steady_clock::now();
    w.Click(id);
    WaitUntil([&] { return w.CurrentPage() == page && w.RowCount() == rows; }, 900000);
    Send(w.Frame(), WM_NULL);
    return Seconds(start);
}

int Run(const std::vector<int>& sizes) {
    Wizard w("speed");
    w.InstallPalmDesktop("palm601");
    const std::string target = w.Folder() + "\\contacts.dat";
    const std::string records = w.Folder() + "\\contacts.dat.made";
    if (!MakeContactsFile(w.Folder(), records)) {
        std::fprintf(stderr, "the contacts file could not be made\n");
        return 1;
    }
    std::printf("%8s %10s %16s %12s %12s\n", "cards", "differing", "Next to list", "filter on", "filter off");
    for (int n : sizes) {
        const std::string book = w.Folder() + "\\book-" + std::to_string(n) + ".vcf";
        const int differing = MakeBook(book, n);
        CopyInto(records, target);
        w.WriteIni("DataMode=1\r\nWabFile=" + book + "\r\nPalmMode=1\r\nPalmFile=" + target + "\r\n");
        if (!w.Start()) {
            std::fprintf(stderr, "the wizard did not start\n");
            return 1;
        }
        const double shown = TimeUntilRows(w, IDC_NEXT, kRecordList, n);
        const double on = TimeUntilRows(w, IDC_DIFFERENT_ONLY, kRecordList, differing);
        const double off = TimeUntilRows(w, IDC_DIFFERENT_ONLY, kRecordList, n);
        const bool right = w.RowCount() == n;
        std::printf("%8d %10d %14.2f s %10.2f s %10.2f s%s\n", n, differing, shown, on, off,
                    right ? "" : "  (the list did not come back whole)");
        std::fflush(stdout);
        w.Stop();
    }
    return 0;
}

}  // namespace
}  // namespace tarvenne::testing

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--wizard" && i + 1 < argc) {
            tarvenne::testing::WizardProgram() = argv[++i];  // another build of the wizard
            continue;
        }
        sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty()) sizes = {1000, 10000};
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "no display set: run bench/wizard_speed.sh\n");
        return 2;
    }
    return tarvenne::testing::Run(sizes);
}
