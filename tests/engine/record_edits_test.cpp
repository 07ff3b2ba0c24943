// The merge as a list of edits, case by case in both layouts: what a contact does to a
// stored record (or to a new one), checked three ways against one table, so that a rule
// changed in one place shows in all: the list itself, the duplicate search's verdict
// (identical exactly when the list has no writes), and the record the job writes (every
// listed write there, every other position as it was), after which a second run finds
// nothing to do.
#include "engine/record_edits.h"

#include "tests/engine/target_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>

namespace tarvenne {
namespace {

using namespace testing;
using P = Person;

std::uint64_t DateBits(double date) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &date, sizeof bits);
    return bits;
}

// One entry as the table writes it: "Title: Clerk -> Manager" for a write, "Title: Clerk"
// for a value the record holds already, "Custom 5: no room for x", a cut as " [46>31]",
// and labels and kinds by their slot or block.
std::string Describe(const RecordEdit& e, const RecordLayout& l) {
    std::string d;
    switch (e.kind) {
        case EditKind::kLabel:
            for (int i = 0; i < l.phones; ++i)
                if (l.phone_label[i] == e.position) d = "slot " + std::to_string(i + 1) + " label";
            return d + ": " + EditValueText(e, false) + " -> " + EditValueText(e, true);
        case EditKind::kKind:
            for (int b = 0; b < l.addresses; ++b)
                if (l.address[b].kind == e.position) d = "block " + std::to_string(b + 1) + " kind";
            return d + ": " + EditValueText(e, false) + " -> " + EditValueText(e, true);
        default: break;
    }
    d = FieldWords(e);
    if (e.NoRoom()) return d + ": no room for " + EditValueText(e, true);
    d += ": " + EditValueText(e, false);
    if (e.write) d += " -> " + EditValueText(e, true);
    if (e.Cut()) d += " [" + std::to_string(e.length) + ">" + std::to_string(e.kept) + "]";
    return d;
}

ContactRecord With(ContactRecord c, const std::function<void(ContactRecord&)>& set) {
    set(c);
    return c;
}

struct Case {
    const char* what;
    bool fresh;      // the contact matches no record: the list is made for a new one
    P stored;        // the record it matches (fresh: a record of someone else)
    ContactRecord contact;
    // Lines as Describe writes them; "classic|newer" where the layouts differ (an empty side:
    // no line in that layout). A new record of the newer layout also names its second and
    // third address blocks, which every such record does.
    std::vector<std::string> lines;
    int fields = -1;  // fields per record of the file; -1: the full row
};

ContactExtra Extra(std::int32_t label, const std::string& text, const char* words = nullptr) {
    ContactExtra e;
    e.label = label;
    e.text = text;
    e.words = words;
    return e;
}

class RecordEditsTest : public TargetFileTest {};

TEST_P(RecordEditsTest, TheListIsWhatTheSearchJudgesAndWhatTheJobWrites) {
    const std::string long_phone = "+49 (0)30 1234567-8901234";  // longer than a contact's 23
    const std::string company(67, 'C'), company_63(63, 'C');
    const std::string mail = "lara.longmail@an-unusually-long-domain.example";  // 46
    P ann{"Ann", "Lee", "Clerk", company, "Note", {{0, long_phone}, {1, ""}, {6, "pager"}, {3, ""}}, {}, {"c1"}, 1};
    ann.addresses = {{1, "Home Road 1", "Homeville"}, {2, ""}, {5, ""}};  // the first block is home
    P kim{"Kim", "Two", "", "", "", {{1, "old home"}, {1, ""}, {1, "newer home"}, {0, ""}}};
    kim.addresses = {{1, "Home 1"}, {0, "Work 1"}, {2}};
    P bo{"Bo", "Day", "", "", "", {{1, "5"}}};
    bo.birthday_bits = DateBits(25000.0);
    const P zed{"Zed", std::string("Smith\0x", 7), "", "", "", {{1, "5"}}};
    P mixed{"Mia", "Kind", "", "", "", {{0, "1"}}};
    mixed.addresses = {{2, "Other 1"}, {0, "Work 1"}, {5}};  // a kind Palm Desktop does not name
    const P someone{"Some", "One", "", "", "", {{0, "9"}}};

    const Case cases[] = {
        {"a text stored up to a NUL reads up to it: nothing new", false, zed,
         With(Contact("Zed", "Smith"), [](ContactRecord& c) { c.home_phone = "5"; }),
         {"First Name: Zed", "Last Name: Smith", "Home Phone: 5"}},
        {"a merge writes what the contact changes and keeps what the user set", false, ann,
         With(Contact("Ann", "Lee"),
              [&](ContactRecord& c) {
                  c.company = company;  // 63 as a contact holds it: equal as read
                  c.work_phone = long_phone;  // 23 of the slot's 25 as a contact holds it
                  c.title = "Manager";
                  c.work.street = "Office Way 2";  // no work block: the first empty block takes it
                  c.home.street = "Home Road 1";
                  c.home.city = "Homeville";
                  c.other_phone = "3";  // into the empty slot labelled other, nothing relabelled
                  c.custom[0] = "c1";
              }),
         {"First Name: Ann", "Last Name: Lee", "Company: " + company_63, "Title: Clerk -> Manager",
          "Work Phone: " + long_phone.substr(0, 23), "Other Phone:  -> 3",
          "Work address: Street: Home Road 1 -> Office Way 2|Work address: Street:  -> Office Way 2",
          "Home address: Street: no room for Home Road 1|Home address: Street: Home Road 1",
          "Home address: City: no room for Homeville|Home address: City: Homeville",
          "|block 2 kind: Other address -> Work address", "Custom 1: c1"}},
        {"a label held twice: a value any of its slots holds stays, an extra goes after them, or anywhere free", false, kim,
         With(Contact("Kim", "Two"),
              [](ContactRecord& c) {
                  c.home_phone = "newer home";  // the third slot's
                  c.extras = {Extra(kHomePhone, "old home"), Extra(kHomePhone, "third home"),
                              Extra(kEmail, "kim@two.example")};
                  c.home.street = "Home 2";
                  c.work.street = "Work 1";
              }),
         {"First Name: Kim", "Last Name: Two", "Home Phone: newer home", "Home Phone: old home",
          "Home Phone:  -> third home", "E-Mail:  -> kim@two.example", "slot 2 label: Home Phone -> E-Mail",
          "slot 4 label: Work Phone -> Home Phone", "Work address: Street: Home 1 -> Work 1|Work address: Street: Work 1",
          "Home address: Street: no room for Home 2|Home address: Street: Home 1 -> Home 2"}},
        {"a namesake whose home phone no home slot holds is someone else", true, kim,
         With(Contact("Kim", "Two"), [](ContactRecord& c) { c.home_phone = "newest home"; }),
         {"First Name:  -> Kim", "Last Name:  -> Two", "Home Phone:  -> newest home",
          "slot 1 label: Work Phone -> Home Phone", "slot 2 label: Work Phone -> Mobile Phone"}},
        {"a block of another kind is left alone; an empty one takes the kind", false, mixed,
         With(Contact("Mia", "Kind"),
              [](ContactRecord& c) {
                  c.work_phone = "1";
                  c.work.city = "Berlin";
                  c.home.street = "Home";
                  c.web_page = "http://mia.example/";
              }),
         {"First Name: Mia", "Last Name: Kind", "Work Phone: 1", "Work address: City:  -> Berlin",
          "Home address: Street: no room for Home|Home address: Street:  -> Home", "|block 3 kind: 5 -> Home address",
          "Web Page: no room for http://mia.example/|Web Page:  -> http://mia.example/"}},
        {"an address a block holds whole stays there, whatever the block's kind", false,
         P{"Oda", "Kind", "", "", "", {{0, "1"}}, {{5, "Odd Street", "Oddtown"}}},
         With(Contact("Oda", "Kind"),
              [](ContactRecord& c) {
                  c.work_phone = "1";
                  c.other.street = "Odd Street";
                  c.other.city = "Oddtown";
              }),
         {"First Name: Oda", "Last Name: Kind", "Work Phone: 1", "Other address: Street: Odd Street",
          "Other address: City: Oddtown"}},
        {"an e-mail longer than a slot is cut; a birthday the contact lacks stays", false, bo,
         With(Contact("Bo", "Day"),
              [&](ContactRecord& c) {
                  c.home_phone = "5";
                  c.email = mail;
                  c.custom[4] = "x";
              }),
         {"First Name: Bo", "Last Name: Day", "Home Phone: 5", "E-Mail:  -> " + mail.substr(0, 31) + " [46>31]",
          "slot 2 label: Work Phone -> E-Mail", "Custom 5: no room for x|Custom 5:  -> x"}},
        {"an e-mail already held as cut is no write; a birthday is written where there is room", false,
         [&] {
             P p = bo;
             p.phones.push_back({4, mail.substr(0, 31)});
             return p;
         }(),
         With(Contact("Bo", "Day"),
              [&](ContactRecord& c) {
                  c.email = mail;
                  c.birthday = 30000.0;
              }),
         {"First Name: Bo", "Last Name: Day", "E-Mail: " + mail.substr(0, 31) + " [46>31]",
          "Birthday: no room for 1982-02-18|Birthday: 1968-06-11 -> 1982-02-18"}},
        {"a pager, named, where the record has room; extras with none left are told", false,
         P{"Pia", "Full", "", "", "", {{0, "1"}, {1, "2"}, {2, "3"}, {3, "4"}, {4, "pia@full.example"}}},
         With(Contact("Pia", "Full"),
              [](ContactRecord& c) {
                  c.work_phone = "1";
                  c.pager = "99";
                  c.extras = {Extra(kFax, "33"), Extra(-1, "http://two.example/", "Web Page")};
              }),
         {"First Name: Pia", "Last Name: Full", "Work Phone: 1", "Pager: no room for 99|Pager:  -> 99",
          "Fax: no room for 33|Fax:  -> 33", "|slot 6 label: Work Phone -> Pager", "|slot 7 label: Work Phone -> Fax",
          "Web Page: no room for http://two.example/"}},
        {"a new record: phones from the first slot in label order, the pager after the mobile", true, someone,
         With(Contact("Ada", "Byron"),
              [](ContactRecord& c) {
                  c.work_phone = "1";
                  c.email = "ada@example.com";
                  c.mobile_phone = "7";
                  c.pager = "6";
              }),
         {"First Name:  -> Ada", "Last Name:  -> Byron", "Work Phone:  -> 1", "E-Mail:  -> ada@example.com",
          "Mobile Phone:  -> 7", "Pager:  -> 6", "slot 2 label: Work Phone -> E-Mail",
          "slot 3 label: Work Phone -> Mobile Phone", "slot 4 label: Work Phone -> Pager"}},
        {"a new record: seven phones, five slots; addresses by kind", true, someone,
         With(Contact("Bob", "All"),
              [](ContactRecord& c) {
                  c.work_phone = "0";
                  c.home_phone = "1";
                  c.fax = "2";
                  c.extras = {Extra(kFax, "22")};  // the fax label holds one number a slot
                  c.other_phone = "3";
                  c.email = "4";
                  c.main_phone = "5";
                  c.mobile_phone = "7";
                  c.home.city = "Home Town";
              }),
         {"First Name:  -> Bob", "Last Name:  -> All", "Work Phone:  -> 0", "Home Phone:  -> 1", "Fax:  -> 2",
          "Other Phone:  -> 3", "E-Mail:  -> 4", "Main Phone: no room for 5|Main Phone:  -> 5",
          "Mobile Phone: no room for 7|Mobile Phone:  -> 7", "Fax: no room for 22", "slot 2 label: Work Phone -> Home Phone",
          "slot 3 label: Work Phone -> Fax", "slot 4 label: Work Phone -> Other Phone", "slot 5 label: Work Phone -> E-Mail",
          "|slot 6 label: Work Phone -> Main Phone", "|slot 7 label: Work Phone -> Mobile Phone",
          "Home address: City: no room for Home Town|Home address: City:  -> Home Town"}},
        {"a new record: a home fax takes the fax label, a label without a value the next slot", true, someone,
         With(Contact("Cy", "Fax"), [](ContactRecord& c) { c.home_fax = "22"; }),
         {"First Name:  -> Cy", "Last Name:  -> Fax", "Fax:  -> 22", "slot 1 label: Work Phone -> Fax",
          "slot 2 label: Work Phone -> Mobile Phone"}},
        {"a file whose rows are shorter than the layout's: what lies past them finds no room", false,
         P{"Sam", "Short", "", "", "", {{1, "5"}}},
         With(Contact("Sam", "Short"),
              [](ContactRecord& c) {
                  c.home_phone = "5";
                  c.note = "a note";
                  c.work.city = "Oslo";
              }),
         {"First Name: Sam", "Last Name: Short", "Home Phone: 5|Home Phone: no room for 5",
          "Work address: City:  -> Oslo|Work address: City: no room for Oslo", "Note: no room for a note|Note:  -> a note"},
         /*fields=*/21},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The user's deleted and archived copies come first, and no merge may touch them.
        P deleted = c.stored, archived = c.stored;
        deleted.status = 0x80;
        archived.status = 0x04;
        FileOptions o;
        o.stored_name = Path();
        o.fields_per_record = c.fields;
        auto job = Open(BuildFile(layout(), {RowOf(layout(), deleted), RowOf(layout(), archived), RowOf(layout(), c.stored)}, o));
        RecordList& records = classic() ? job->ClassicFile().Records() : job->PalmSgFile().Records();
        const RecordLayout& l = records.Layout();

        RecordEdits edits;
        const MatchResult match = job->ListEditsFor(c.contact, &edits);
        std::vector<std::string> listed;
        std::set<int> written;
        for (const RecordEdit& e : edits.All()) {
            listed.push_back(Describe(e, l));
            if (e.write) written.insert(e.position);
        }
        std::vector<std::string> expected;
        for (const std::string& line : c.lines) {
            const std::size_t bar = line.find('|');
            const std::string mine = bar == std::string::npos ? line : classic() ? line.substr(0, bar) : line.substr(bar + 1);
            if (!mine.empty()) expected.push_back(mine);
        }
        if (c.fresh && !classic())
            expected.insert(expected.end(), {"block 2 kind: Work address -> Home address",
                                             "block 3 kind: Work address -> Other address"});
        EXPECT_EQ(listed, expected);
        EXPECT_EQ(match.code, c.fresh ? kMatchNone : edits.Identical() ? kMatchIdentical : kMatchDiffers);

        const std::vector<std::string> before = Positions(c.fresh ? BlankRecord(l) : *records.At(2));
        const std::vector<std::string> untouched[2] = {Positions(*records.At(0)), Positions(*records.At(1))};
        job->AddContact(&c.contact);
        ASSERT_NE(job->LastOutcome(), AddOutcome::kFailed) << job->LastError();
        const PalmRecord& after = *records.At(c.fresh ? records.Count() - 1 : 2);
        const std::vector<std::string> now = Positions(after);
        for (const RecordEdit& e : edits.All()) {
            if (!e.write) continue;
            EXPECT_EQ(now[e.position], e.kind == EditKind::kText ? "T" + std::string(e.to) : "N" + std::to_string(
                                           e.kind == EditKind::kDate ? e.to_number
                                                                     : static_cast<std::uint32_t>(e.to_number)))
                << Describe(e, l);
        }
        const std::set<int> stamped = {l.placement, l.record_number, l.entry_index};
        for (int p = 0; p < l.fields; ++p)
            if (!written.count(p) && p != l.status && !(c.fresh && stamped.count(p))) {
                EXPECT_EQ(now[p], before[p]) << "position " << p;
            }
        EXPECT_EQ(Positions(*records.At(0)), untouched[0]);
        EXPECT_EQ(Positions(*records.At(1)), untouched[1]);

        // A second run of the same contact finds nothing to do.
        EXPECT_EQ(job->ListEditsFor(c.contact, &edits).code, kMatchIdentical);
        EXPECT_EQ(edits.Writes(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, RecordEditsTest, ::testing::Values(Layout::kClassic, Layout::kPalmSg), kLayoutName);

}  // namespace
}  // namespace tarvenne
