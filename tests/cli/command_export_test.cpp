// tarvenne-cli export: random files of both layouts and the samples, exported and converted
// back into an empty file of their layout, give the same contacts, converted back into their
// own file change nothing, and a second round trip (through vCard 4.0 where the first went
// through 3.0) changes nothing; python-vobject, a parser of its own, reads every value as the file holds
// it; a failed write leaves nothing behind.
#include "engine/record_contact_mapping.h"
#include "platform/fault_injection.h"
#include "tests/cli/cli_run.h"
#include "tests/contacts_file_builder.h"
#include "tests/test_folder.h"
#include "wab/ansi_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>

namespace tarvenne::cli {
namespace {

using namespace testing;

std::ptrdiff_t Count(const std::string& text, const std::string& what) {
    std::ptrdiff_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Random Windows-1252 text of up to `most` bytes, of pieces every escape and fold must handle.
std::string Pieces(std::mt19937& rng, std::size_t most) {
    static const std::string kPieces[] = {"Anna", " ", ",", ";", "\\", "\r\n", "M\xFCller", "\x80", "\x81", "\xFF",
                                          ":", "\"", "^=", "\t", "0123", std::string("\0after NUL", 10)};
    std::string s;
    for (const std::size_t n = rng() % (most + 1); s.size() < n;) s += kPieces[rng() % std::size(kPieces)];
    return s;
}

// Record i: unique names, or without names a unique company, and unique e-mail addresses, so
// that no two records match; every phone label, repeated labels and several e-mail slots,
// each slot's text its own; address blocks of kinds 0 to 2 whose first of a kind holds text;
// record 1 empty; record 2 longer than the reading window; records 3, 4 and 5 with only a
// company, only e-mail addresses, only phone numbers.
Row RandomRow(std::mt19937& rng, Layout layout, int i) {
    const auto text = [&](std::size_t most) { return Pieces(rng, most); };
    const std::string id = std::to_string(i) + "-";
    const int slots = layout == Layout::kClassic ? 5 : 7;
    Person p;
    const auto phones = [&](bool emails, bool others) {
        for (int s = 0; s < slots; ++s) {
            const auto label = static_cast<std::int32_t>(rng() % 8);
            const std::string own = std::to_string(s);
            if ((label == kEmail ? emails : others) && rng() % 3)
                p.phones.push_back({label, label == kEmail ? "e" + id + own + text(50) : own + text(30)});
            else
                p.phones.push_back({label, ""});
        }
    };
    if (i == 3) p.company = "C" + id + text(80);
    if (i == 4 || i == 5) phones(i == 4, i == 5);
    if (i == 5) p.phones[0] = {kWorkPhone, "0" + std::string(40, '5')};  // wider than the slot it comes back in
    if (i != 1 && (i < 3 || i > 5)) {
        if (rng() % 5) p.last = "L" + id + text(40), p.first = text(40);
        p.company = p.last.empty() ? "C" + id + text(80) : text(80);
        p.title = text(40);
        p.note = text(i == 2 ? 60000 : 3000);
        phones(true, true);
        for (int b = 0; b < 3; ++b) {
            const auto kind = static_cast<std::int32_t>(rng() % 3);
            p.addresses.push_back({kind, text(80), text(40), text(40), text(20), text(40)});
            for (int earlier = 0; earlier < b; ++earlier)
                if (p.addresses[earlier].kind == p.addresses[b].kind) p.addresses[earlier].street += "x";
        }
        for (int c = 0; c < (layout == Layout::kClassic ? 4 : 9); ++c) p.customs.push_back(text(i == 2 ? 60000 : 60));
        p.is_private = static_cast<std::int32_t>(rng() % 2);
        p.status = i > 5 && rng() % 8 == 0 ? 0x80 : i > 5 && rng() % 8 == 0 ? 0x04 : 0;
        const double day = rng() % 4 ? static_cast<double>(static_cast<int>(rng() % 200000) - 100000) : 0.0;
        std::memcpy(&p.birthday_bits, &day, sizeof day);
    }
    Row row = RowOf(layout, p).Set(layout == Layout::kClassic ? 24 : 5, rng() % 3);  // category 0, 1 or 2
    return layout == Layout::kPalmSg && !p.note.empty() ? row.Set(64, "http://" + id + text(60)) : row;
}

// What a round trip keeps of a contact: all but the custom texts; the e-mail address as a
// phone slot holds it; the values of repeated labels, each as its slot holds it.
std::vector<std::string> Kept(const ContactRecord& c) {
    std::vector<std::string> kept = {c.first_name.str(), c.last_name.str(), c.company.str(), c.title.str(),
                                     c.note.str(), c.home_phone.str(), c.work_phone.str(), c.mobile_phone.str(),
                                     c.main_phone.str(), c.other_phone.str(), std::string(Fit(c.email, 32)),
                                     c.fax.str(), c.home_fax.str(), c.pager.str(), c.web_page.str(),
                                     std::to_string(c.birthday)};
    for (const ContactAddress* a : {&c.work, &c.home, &c.other})
        kept.insert(kept.end(),
                    {a->street.str(), a->city.str(), a->state.str(), a->postal_code.str(), a->country.str()});
    std::vector<std::string> extras;
    for (const ContactExtra& extra : c.extras) extras.push_back(std::to_string(extra.label) + std::string(Fit(extra.text, 32)));
    std::sort(extras.begin(), extras.end());
    kept.insert(kept.end(), extras.begin(), extras.end());
    return kept;
}

// The listed records that hold anything: a card of an empty record brings nothing back.
std::vector<ContactRecord> ListedContacts(const std::string& path) {
    const std::unique_ptr<AddressFile> file = OpenContactsFile(path);
    std::vector<ContactRecord> contacts;
    for (const PalmRecord* r = file->Records().First(); r; r = file->Records().Next()) {
        if (r->Status() & kStatusNotListed) continue;
        ReadContact(*r, &contacts.emplace_back());
        if (contacts.back().Empty()) contacts.pop_back();
    }
    return contacts;
}

class ExportTest : public ::testing::Test {
protected:
    // Exports `from` as vCard `version` (lines of at most 75 octets, each ended by CR LF and
    // whole UTF-8) and converts the cards into a file of the layout holding `rows`: that file.
    std::string RoundTrip(const std::string& from, Layout layout, const std::string& version,
                          const std::vector<Row>& rows = {}) {
        const std::string vcf = dir.File(version + ".vcf"), dat = dir.File(version + ".dat");
        const CliRun exported = Cli({"export", from, "--output", vcf, "--vcard", version});
        EXPECT_EQ(exported.status, 0) << exported.err;
        const std::string cards = FileText(vcf);
        for (std::size_t at = 0, end; at < cards.size(); at = end + 2) {
            EXPECT_NE(end = cards.find("\r\n", at), std::string::npos);
            const std::string line = cards.substr(at, end - at);
            EXPECT_TRUE(line.size() <= 75 && line.find_first_of("\r\n") == std::string::npos && wab::IsValidUtf8(line))
                << line;
        }
        platform::WriteFileBytes(dat, BuildFile(layout, rows));
        const char* desktop = layout == Layout::kClassic ? "40101" : "60001";
        const CliRun converted = Cli({"convert", vcf, dat, "--select", "all", "--desktop-version", desktop});
        EXPECT_EQ(converted.status, 0) << converted.err;
        return dat;
    }
    SettingsFolder dir;
};

// A random file of 60 records of a seed, or for seed 0 the sample file of the layout.
class ExportRoundTrip : public ExportTest, public ::testing::WithParamInterface<std::tuple<Layout, unsigned>> {};

TEST_P(ExportRoundTrip, TheExportConvertedBackGivesTheSameContactsAndASecondRoundTripChangesNothing) {
    const auto [layout, seed] = GetParam();
    std::string source = std::string(TARVENNE_SOURCE_DIR "/samples/address-") +
                         (layout == Layout::kClassic ? "classic.dat" : "palmsg.dat");
    std::mt19937 rng(seed);
    std::vector<Row> rows;
    if (seed != 0) {
        for (int i = 1; i <= 60; ++i) rows.push_back(RandomRow(rng, layout, i));
        FileOptions o;
        o.categories = {{1, 1, "Business, Ltd", "Business"}, {2, 2, "Priv\xE9", "Prive"}};
        ASSERT_TRUE(platform::WriteFileBytes(source = dir.File("source.dat"), BuildFile(layout, rows, o)));
    }
    const std::string once = RoundTrip(source, layout, "3.0"), twice = RoundTrip(once, layout, "4.0");
    const std::vector<ContactRecord> original = ListedContacts(source), first = ListedContacts(once),
                                     second = ListedContacts(twice);
    ASSERT_EQ(first.size(), original.size());
    ASSERT_EQ(second.size(), original.size());
    for (std::size_t i = 0; i < original.size(); ++i) {
        EXPECT_EQ(Kept(first[i]), Kept(original[i])) << "record " << i;
        EXPECT_EQ(Kept(second[i]), Kept(first[i])) << "record " << i;
    }
    // Converted back into its own file, in either version, the export finds nothing to do,
    // and converting every contact changes no record.
    for (const char* version : {"3.0", "4.0"}) {
        const std::string vcf = dir.File("own.vcf");
        ASSERT_EQ(Cli({"export", source, "--output", vcf, "--vcard", version}).status, 0);
        const CliRun diff = Cli({"diff", vcf, source});
        EXPECT_TRUE(Contains(diff.out, " contacts: 0 new, 0 changed, ")) << version;
        const CliRun all = Cli({"convert", vcf, source, "--select", "all", "--dry-run", "--format", "json"});
        EXPECT_EQ(JsonValue(all.out, "skipped"), JsonValue(all.out, "contacts")) << version;
    }
    // Converted into a target of full rows of its own, half of them other people and half these
    // people with older notes, then diffed again: nothing is new, nothing changed.
    if (seed == 0) return;
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = i % 2 ? rows[i].Set(layout == Layout::kClassic ? 22 : 18, "an older note")
                        : RandomRow(rng, layout, 100 + static_cast<int>(i));
    const CliRun again = Cli({"diff", dir.File("3.0.vcf"), RoundTrip(source, layout, "3.0", rows)});
    EXPECT_TRUE(Contains(again.out, " contacts: 0 new, 0 changed, "));
}

INSTANTIATE_TEST_SUITE_P(RandomAndSamples, ExportRoundTrip,
                         ::testing::Combine(::testing::Values(Layout::kClassic, Layout::kPalmSg),
                                            ::testing::Values(0u, 1u, 2u)),
                         [](const auto& info) {
                             const unsigned seed = std::get<1>(info.param);
                             return std::string(std::get<0>(info.param) == Layout::kClassic ? "Classic" : "PalmSg") +
                                    (seed ? "Seed" + std::to_string(seed) : "Sample");
                         });

#ifndef _WIN32  // Wine has no Python: the host build runs it
TEST_F(ExportTest, PythonVobjectReadsEveryValueAsTheFileHoldsIt) {
    // vobject keeps the caret form of RFC 6868 (^' for a quote) as it stands.
    const std::string street = "Hauptstra\xDF" "e 1\r\nHof, links", label = "Club \"A\": B, C; \xE9";
    Person p{"J\xF6rg \"Jo\"", "M\xFCller; Sr.\\", "Chef,\r\nde cuisine", "Caf\xE9 \x80 \x81",
             std::string(40, '\xE9') + ";\\,\r\n" + std::string(40, '\xFC'),
             {{0, "+1 0"}, {2, "+1 2"}, {3, "+1 3"}, {4, "j@example.org"}, {5, "+1 5"}, {6, "+1 6"}, {7, "+1 7"}},
             {{1, street, "Berlin", "", "10115", "DE"}, {5, "Odd kind"}, {2, "Nebenweg 2"}}, {"c1, one", "", "c3;\\three"}, 1};
    const double birthday = 29220.5;  // 31 December 1979, noon
    std::memcpy(&p.birthday_bits, &birthday, sizeof birthday);
    FileOptions o;
    o.categories = {{1, 7, "Business, Ltd", "Business"}};
    o.custom_labels = {label};
    const std::string file = dir.File("address.dat"), vcf = dir.File("out.vcf"), parsed = dir.File("parsed.txt");
    const Row row = RowOf(Layout::kPalmSg, p).Set(5, 7).Set(60, "chat, one").Set(64, "http://example.org/a b\\c/M\xFCller");
    ASSERT_TRUE(platform::WriteFileBytes(file, BuildFile(Layout::kPalmSg, {row}, o)));
    for (const bool v4 : {false, true}) {
        ASSERT_EQ(Cli({"export", file, "--output", vcf, "--vcard", v4 ? "4.0" : "3.0"}).status, 0);
        const std::string python = "/usr/bin/python3 '" TARVENNE_SOURCE_DIR "/tests/cli/export_vobject.py' '" + vcf +
                                   "' > '" + parsed + "' 2>&1";
        ASSERT_EQ(std::system(python.c_str()), 0)
            << "python-vobject (Debian's python3-vobject for /usr/bin/python3) did not read the export:\n"
            << FileText(parsed);
        // What vobject reads, a property a line (export_vobject.py); the file's texts in UTF-8.
        const std::string expected = TARVENNE_SOURCE_DIR "/tests/cli/export_vobject_" + std::string(v4 ? "4.0" : "3.0");
        EXPECT_EQ(FileText(parsed), FileText(expected + ".txt")) << "against " << expected << ".txt";
    }
}
#endif

// Its usage errors and unreadable inputs are rows of the convert end-to-end test's table.
TEST_F(ExportTest, AFailedWriteLeavesNothingBehindAndTheOutputAppearsWhole) {
    std::mt19937 rng(3);
    Person big{"Big", "Cards", "", "", std::string(60000, 'n')};  // more cards than one write takes
    big.customs.assign(9, std::string(60000, 'c'));
    std::vector<Row> rows = {RowOf(Layout::kPalmSg, Person{"Ann", "Lee"}), RowOf(Layout::kPalmSg, big),
                             RowOf(Layout::kPalmSg, Person{"", "", "", "Acme, Inc"})};
    for (int i = 4; i <= 20; ++i) rows.push_back(RandomRow(rng, Layout::kPalmSg, i));
    const std::vector<std::uint8_t> good = BuildFile(Layout::kPalmSg, rows);
    const std::string file = dir.File("address.dat"), out = dir.File("out.vcf");
    ASSERT_TRUE(platform::WriteFileBytes(file, good) && platform::WriteFileBytes(out, Bytes("earlier")));
    platform::FaultPlan second_write_fails;
    second_write_fails.fail_at[static_cast<int>(platform::FaultPoint::Write)] = 2;
    platform::SetFaultPlan(second_write_fails);
    EXPECT_EQ(Cli({"export", file, "--output", out}).status, 1);
    platform::ClearFaultPlan();
    EXPECT_TRUE(FileText(out) == "earlier" && FileText(file) == std::string(good.begin(), good.end()));
    EXPECT_FALSE(platform::PathExists(out + ".tmp~"));

    const CliRun shown = Cli({"export", file}), all = Cli({"export", file, "--include-deleted", "--swap-names"});
    ASSERT_EQ(Cli({"export", file, "--output", out}).status, 0);
    EXPECT_TRUE(FileText(out) == shown.out);
    const std::ptrdiff_t listed =
        std::count_if(rows.begin(), rows.end(), [](const Row& r) { return (r.number[2] & kStatusNotListed) == 0; });
    EXPECT_LT(listed, Count(all.out, "BEGIN:VCARD"));
    EXPECT_EQ(Count(shown.out, "BEGIN:VCARD"), listed);
    EXPECT_EQ(Count(all.out, "BEGIN:VCARD"), static_cast<std::ptrdiff_t>(rows.size()));
    EXPECT_TRUE(Contains(shown.out, "\r\nN:Lee;Ann;;;\r\n"));
    EXPECT_TRUE(Contains(all.out, "\r\nN:Ann;Lee;;;\r\n"));
    EXPECT_TRUE(Contains(shown.out, "\r\nFN:Acme\\, Inc\r\nN:;;;;\r\n"));  // a name to show

    // An export of nothing (no records, or only deleted and archived ones) is an empty export.
    Person deleted{"Del", "Eted"}, archived{"Ar", "Chived"};
    deleted.status = 0x80;
    archived.status = 0x04;
    for (const std::vector<Row>& none : {std::vector<Row>{}, {RowOf(Layout::kClassic, deleted), RowOf(Layout::kClassic, archived)}}) {
        ASSERT_TRUE(platform::WriteFileBytes(file, BuildFile(Layout::kClassic, none)));
        const CliRun to_stdout = Cli({"export", file}), to_file = Cli({"export", file, "--output", out});
        EXPECT_TRUE(to_stdout.status == 0 && to_stdout.out.empty()) << to_stdout.err;
        EXPECT_EQ(to_file.status, 0) << to_file.err;
        EXPECT_TRUE(platform::PathExists(out) && FileText(out).empty());
    }
}

}  // namespace
}  // namespace tarvenne::cli
