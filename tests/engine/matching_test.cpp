// The duplicate search: its rules case by case, and its lookups against a plain walk over
// every entry on random lists, before and after merges.
#include "engine/target_contact_list.h"

#include "engine/record_edits.h"
#include "tests/engine/target_file.h"

#include <gtest/gtest.h>

#include <random>

namespace tarvenne {
namespace {

using namespace testing;
using P = Person;

class MatchingTest : public TargetFileTest {};

TEST_P(MatchingTest, TheFirstConfirmedCandidateDecides) {
    const P ann{"Ann", "Lee", "Clerk", "Acme", "", {{1, "111"}, {0, "222"}, {4, "ann@x.example"}}};
    const P ann_again{"Ann", "Lee", "Boss", "", "", {{1, "111"}}};
    const P bo{"Bo", "Ng", "", "", "", {{4, std::string("bo@x\0old", 8)}, {1, "5"}}};
    const P acme{"", "", "", "Acme", "", {{0, "100"}}}, cyrillic{"????", "??????", "", "", "", {{1, "+7 1"}}};
    const std::string mail = "lara.longmail@an-unusually-long-domain.example";  // cut in a slot
    const P lara{"Lara", "Long", "", "", "", {{4, mail.substr(0, 31)}, {0, "600"}}};
    const P wes{"Wes", "Two", "", "", "", {{0, "111"}, {0, "222"}}};
    // Texts wider than the slots, as Palm Desktop may keep them: a read cuts the phone short
    // of its CR LF, and takes the e-mail address whole.
    const P kai{"Kai", "Wide", "", "", "", {{1, std::string(22, '1') + "\r\n9"}, {4, mail}}};
    auto job = Open(FileOf({ann, ann_again, bo, acme, cyrillic, lara, wes, kai}));
    // A contact with these names, home phone, e-mail and title, and where given work, mobile and a second work phone.
    const auto contact = [](std::string first, std::string last, std::string home, std::string email, std::string title,
                            const char* work = "", const char* mobile = "", const char* extra_work = "") {
        ContactRecord c = Contact(first, last);
        c.home_phone = home;
        c.email = email;
        c.title = title;
        c.work_phone = work;
        c.mobile_phone = mobile;
        if (*extra_work) c.extras.push_back(ContactExtra{kWorkPhone, std::string_view(extra_work)});
        return c;
    };
    struct Case { const char* what; ContactRecord contact; std::int32_t code; std::uint32_t position; } cases[] = {
        {"same names, no key phone on either side to tell them apart", contact("Ann", "Lee", "", "", ""),
         kMatchIdentical, 0},
        {"same names and e-mail, a new mobile: still her own", contact("Ann", "Lee", "", "ann@x.example", "", "", "7"),
         kMatchDiffers, 0},
        {"an e-mail cut to match, and no phone held", contact("L.", "L.", "", mail, ""), kMatchNone, 0},
        {"an e-mail cut to match, and the work phone held", contact("L.", "L.", "", mail, "", "600"), kMatchDiffers, 5},
        {"two work numbers the other way round", contact("Wes", "Two", "", "", "", "222", "", "111"), kMatchIdentical, 6},
        {"a record wider than its slots, as read", contact("Kai", "Wide", std::string(22, '1'), mail, ""), kMatchIdentical, 7},
        {"a phone cut short of its CR LF", contact("Kai", "Wide", std::string(22, '1'), "", ""), kMatchIdentical, 7},
        {"names differ in case", contact("ann", "lee", "111", "", ""), kMatchNone, 0},
        {"other names, same e-mail", contact("A.", "L.", "111", "ann@x.example", ""), kMatchDiffers, 0},
        {"other names, no e-mail", contact("A.", "L.", "111", "", ""), kMatchNone, 0},
        {"a trailing space", contact("Ann", "Lee", "111", "", "Clerk "), kMatchDiffers, 0},
        {"an e-mail as it reads, up to a NUL", contact("B.", "N.", "5", "bo@x", ""), kMatchDiffers, 2},
        // Names that say nothing (none, or turned to '?' by the code page) match only what
        // they would leave as it is: never another company or another person.
        {"no names, something new", contact("", "", "", "", "Boss"), kMatchNone, 0},
        {"'?' names, another phone", contact("????", "??????", "+7 2", "", ""), kMatchNone, 0},
        {"'?' names, nothing new", contact("????", "??????", "+7 1", "", ""), kMatchIdentical, 4},
    };
    for (const Case& c : cases) {
        const MatchResult r = job->TargetContacts().FindMatch(&c.contact);
        EXPECT_EQ(r.code, c.code) << c.what;
        if (c.code != kMatchNone) { EXPECT_EQ(r.position, c.position) << c.what; }
    }
    EXPECT_EQ(job->TargetContacts().FindMatch(nullptr).code, kMatchBadInput);
}

// The rules without lookups: the first entry, in order, found by a key and taken for the
// contact's person that, through a weak name alone, is identical.
MatchResult Walk(const TargetContactList& list, const RecordList& records, const ContactRecord& c) {
    const auto weak = [](const ContactRecord& x) {
        return (x.first_name.empty() && x.last_name.empty()) || x.first_name.str().find('?') != std::string::npos ||
               x.last_name.str().find('?') != std::string::npos;
    };
    const auto phones = [](const ContactRecord& x, std::int32_t label, std::string_view named) {
        std::vector<std::string> values;
        if (!named.empty()) values.emplace_back(named);
        for (const ContactExtra& extra : x.extras)
            if (extra.label == label) values.push_back(extra.text.str());
        return values;
    };
    const std::int32_t labels[4] = {kHomePhone, kWorkPhone, kMobilePhone, kMainPhone};
    for (std::uint32_t i = 0; i < list.Count(); ++i) {
        ContactRecord e;
        list.Read(i, &e);
        const bool by_name = e.first_name == c.first_name && e.last_name == c.last_name;
        const bool by_email = !c.email.empty() && Fit(e.email, 32) == Fit(c.email, 32);
        if (!by_name && !by_email) continue;
        const std::string_view mine[4] = {c.home_phone, c.work_phone, c.mobile_phone, c.main_phone};
        const std::string_view theirs[4] = {e.home_phone, e.work_phone, e.mobile_phone, e.main_phone};
        bool held = false, conflict = false;
        for (int k = 0; k < 4; ++k) {
            if (mine[k].empty()) continue;
            bool holds = false;
            const std::vector<std::string> values = phones(e, labels[k], theirs[k]);
            for (const std::string& v : values) holds = holds || SlotHolds(v, mine[k], 32, 24);
            held = held || holds;
            conflict = conflict || (!values.empty() && !holds);
        }
        const bool email_says = by_email && (Fit(c.email, 32).size() == c.email.size() || held);
        if (!((by_name && email_says) || held || (!conflict && (by_name || email_says)))) continue;
        RecordEdits edits;
        ListEdits(c, *records.At(list.RecordPosition(i)), false, &edits);
        const bool identical = edits.Identical();
        if (!by_email && weak(c) && !identical) continue;
        return MatchResult{identical ? kMatchIdentical : kMatchDiffers, i};
    }
    return MatchResult{kMatchNone, 0};
}

TEST_P(MatchingTest, LookupsFindWhatAPlainWalkFinds) {
    std::mt19937 random(2024);
    const auto pick = [&](std::initializer_list<const char*> options) {
        return std::string(options.begin()[random() % options.size()]);
    };
    const auto phones = [&] {
        std::vector<std::pair<std::int32_t, std::string>> slots;
        for (int i = 0; i < (classic() ? 5 : 7); ++i)
            slots.push_back({static_cast<std::int32_t>(random() % 8), pick({"", "", "1", "2", "3", "x@y"})});
        return slots;
    };
    std::vector<Person> people;
    for (int i = 0; i < 200; ++i)
        people.push_back(P{pick({"", "Ann", "???"}), pick({"", "Lee", "Kim", "??"}), pick({"", "T"}),
                           pick({"", "Acme"}), "", phones()});
    auto job = Open(FileOf(people));
    const RecordList& records = classic() ? job->ClassicFile().Records() : job->PalmSgFile().Records();
    for (int round = 0; round < 3000; ++round) {
        ContactRecord c;
        c.first_name = pick({"", "Ann", "???"});
        c.last_name = pick({"", "Lee", "Kim", "??"});
        c.title = pick({"", "T"});
        c.company = pick({"", "Acme"});
        c.home_phone = pick({"", "1", "2"});
        c.work_phone = pick({"", "1", "3"});
        c.mobile_phone = pick({"", "2"});
        c.email = pick({"", "", "x@y", "1"});
        if (random() % 4 == 0) c.extras.push_back(ContactExtra{static_cast<std::int32_t>(random() % 8), std::string_view(pick({"1", "2", "x@y"}))});
        const MatchResult walked = Walk(job->TargetContacts(), records, c);
        const MatchResult found = job->TargetContacts().FindMatch(&c);
        ASSERT_EQ(found.code, walked.code) << round;
        if (found.code != kMatchNone) { ASSERT_EQ(found.position, walked.position) << round; }
        if (round % 3 == 0) job->AddContact(&c);  // merges and additions change the keys
    }
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, MatchingTest, ::testing::Values(Layout::kClassic, Layout::kPalmSg), kLayoutName);

}  // namespace
}  // namespace tarvenne
