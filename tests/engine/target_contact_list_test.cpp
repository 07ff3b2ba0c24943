// The target contacts: merging into an entry and the duplicate search, checked case by
// case and against a plain walk from the first entry on random lists.
#include "engine/target_contact_list.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tarvenne {
namespace {

ContactRecord Person(const char* first, const char* last, const char* email = "") {
    ContactRecord r;
    r.first_name = first;
    r.last_name = last;
    r.email = email;
    return r;
}

// The search as a walk over every entry from the first, in the plain terms it is defined
// in, to hold the indexed search to.
bool AddressEqual(const ContactAddress& a, const ContactAddress& b) {
    return a.country == b.country && a.state == b.state && a.city == b.city &&
           a.street == b.street && a.postal_code == b.postal_code;
}

MatchResult LinearFindMatch(TargetContactList& list, const ContactRecord* contact) {
    MatchResult result;
    if (!contact) {
        result.code = kMatchBadInput;
        return result;
    }
    for (std::uint32_t i = 0; i < list.Count(); ++i) {
        const ContactRecord* e = list.Get(i);
        if (e == contact) return {kMatchIdentical, e, i};
        const bool key =
            (e->last_name == contact->last_name && e->first_name == contact->first_name) ||
            (!contact->email.empty() && e->email == contact->email);
        if (!key) continue;
        const bool confirmed =
            e->home_phone == contact->home_phone || e->work_phone == contact->work_phone ||
            e->mobile_phone == contact->mobile_phone || e->main_phone == contact->main_phone;
        if (!confirmed) continue;
        const bool same =
            e->home_phone == contact->home_phone && e->work_phone == contact->work_phone &&
            e->mobile_phone == contact->mobile_phone && e->main_phone == contact->main_phone &&
            e->email == contact->email && e->fax == contact->fax &&
            e->home_fax == contact->home_fax && e->company == contact->company &&
            e->title == contact->title && AddressEqual(e->work, contact->work) &&
            AddressEqual(e->home, contact->home) && AddressEqual(e->other, contact->other) &&
            e->web_page == contact->web_page && e->note == contact->note;
        return {same ? kMatchIdentical : kMatchDiffers, e, i};
    }
    return result;
}

TEST(TargetContactListTest, AppendCopyAndMergeAt) {
    TargetContactList list;
    EXPECT_FALSE(list.AppendCopy(nullptr));
    ContactRecord a = Person("Ann", "Lee", "ann@example.com");
    a.note = "old note";
    a.title = "Clerk";
    a.birthday = 30000.5;
    ASSERT_TRUE(list.AppendCopy(&a));
    a.note = "changed after the copy";
    EXPECT_EQ(list.Get(0)->note.str(), "old note");  // the list holds its own copy

    ContactRecord merge;
    merge.title = "Head clerk";
    merge.custom[8] = "nine";
    EXPECT_FALSE(list.MergeAt(nullptr, 0));
    EXPECT_FALSE(list.MergeAt(&merge, 1));
    ASSERT_TRUE(list.MergeAt(&merge, 0));
    const ContactRecord* e = list.Get(0);
    EXPECT_EQ(e->title.str(), "Head clerk");  // a value replaces
    EXPECT_EQ(e->note.str(), "old note");     // an empty text keeps
    EXPECT_EQ(e->first_name.str(), "Ann");
    EXPECT_EQ(e->custom[8].str(), "nine");
    EXPECT_EQ(e->birthday, 0.0);  // the birthday is taken as it is, 0 too

    list.FreeAll();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_EQ(list.FindMatch(&a).code, kMatchNone);
}

TEST(TargetContactListTest, FindMatchRules) {
    TargetContactList list;
    ContactRecord probe = Person("Ann", "Lee");
    EXPECT_EQ(list.FindMatch(nullptr).code, kMatchBadInput);
    EXPECT_EQ(list.FindMatch(&probe).code, kMatchNone);  // empty target

    // Same names, no key phone on either side, everything else equal: identical.
    ContactRecord ann = Person("Ann", "Lee", "ann@example.com");
    ann.company = "Acme";
    ann.note = "met 1999";
    ann.other_phone = "only in the target";  // not compared
    ann.custom[0] = "not compared";
    ASSERT_TRUE(list.AppendCopy(&ann));
    ContactRecord same = ann;
    same.other_phone = "";
    same.custom[0] = "";
    MatchResult m = list.FindMatch(&same);
    EXPECT_EQ(m.code, kMatchIdentical);
    EXPECT_EQ(m.position, 0u);
    EXPECT_EQ(m.entry, list.Get(0));

    // A different note, or a trailing space in the title: differs.
    ContactRecord note = ann;
    note.note = "met 2001";
    EXPECT_EQ(list.FindMatch(&note).code, kMatchDiffers);
    ContactRecord spaced = ann;
    spaced.title = " ";
    EXPECT_EQ(list.FindMatch(&spaced).code, kMatchDiffers);
    ContactRecord web = ann;
    web.web_page = "http://acme.example";
    EXPECT_EQ(list.FindMatch(&web).code, kMatchDiffers);

    // Letter case counts; without the e-mail key there is no match.
    ContactRecord lower = ann;
    lower.last_name = "lee";
    lower.email = "";
    EXPECT_EQ(list.FindMatch(&lower).code, kMatchNone);
    lower.email = "ANN@example.com";
    EXPECT_EQ(list.FindMatch(&lower).code, kMatchNone);

    // Names differ, e-mail equal, one key phone equal, company differs: differs.
    ContactRecord bob = Person("Bob", "Stone", "shared@example.com");
    bob.home_phone = "111";
    bob.work_phone = "222";
    ASSERT_TRUE(list.AppendCopy(&bob));
    ContactRecord renamed = bob;
    renamed.first_name = "Robert";
    renamed.work_phone = "999";
    renamed.company = "Other";
    m = list.FindMatch(&renamed);
    EXPECT_EQ(m.code, kMatchDiffers);
    EXPECT_EQ(m.position, 1u);

    // Names differ and both e-mails empty: never a candidate.
    ContactRecord no_mail = Person("Carl", "Stone");
    ASSERT_TRUE(list.AppendCopy(&no_mail));
    ContactRecord other_no_mail = Person("Carla", "Stone");
    EXPECT_EQ(list.FindMatch(&other_no_mail).code, kMatchNone);

    // Same names but every key phone set and different on both sides: passed over.
    ContactRecord phones = Person("Dora", "Fish");
    phones.home_phone = "1";
    phones.work_phone = "2";
    phones.mobile_phone = "3";
    phones.main_phone = "4";
    ASSERT_TRUE(list.AppendCopy(&phones));
    ContactRecord other_phones = phones;
    other_phones.home_phone = "5";
    other_phones.work_phone = "6";
    other_phones.mobile_phone = "7";
    other_phones.main_phone = "8";
    EXPECT_EQ(list.FindMatch(&other_phones).code, kMatchNone);
    // One of the four in common confirms it, and then the rest differs.
    other_phones.main_phone = "4";
    EXPECT_EQ(list.FindMatch(&other_phones).code, kMatchDiffers);
}

TEST(TargetContactListTest, FirstConfirmedCandidateDecides) {
    TargetContactList list;
    ContactRecord first = Person("Eve", "Park");
    first.home_phone = "1";
    first.note = "first";
    ContactRecord unconfirmed = Person("Eve", "Park");
    unconfirmed.home_phone = "9";
    unconfirmed.work_phone = "9";
    unconfirmed.mobile_phone = "9";
    unconfirmed.main_phone = "9";
    ContactRecord second = Person("Eve", "Park");
    second.home_phone = "1";
    second.note = "second";
    list.AppendCopy(&unconfirmed);
    list.AppendCopy(&first);
    list.AppendCopy(&second);

    // The contact equals the entry at 2, but the confirmed entry at 1 comes first.
    MatchResult m = list.FindMatch(&second);
    EXPECT_EQ(m.code, kMatchDiffers);
    EXPECT_EQ(m.position, 1u);
    const ContactRecord* after = list.Next();  // the cursor stays on the match, as a walk leaves it
    EXPECT_EQ(after, list.Get(2));
}

TEST(TargetContactListTest, TheVerySameEntryIsIdenticalWhateverItsKeys) {
    TargetContactList list;
    ContactRecord filler = Person("Fay", "Hall", "fay@example.com");
    list.AppendCopy(&filler);
    ContactRecord blank;  // no names, no e-mail
    blank.note = "entry";
    list.AppendCopy(&blank);
    ContactRecord another_blank;
    another_blank.note = "another";
    list.AppendCopy(&another_blank);

    // Entry 2 is itself, although entry 1 (empty names equal empty names) is a key hit
    // that its empty phones confirm: the walk reaches entry 1 first and it differs.
    const ContactRecord* entry2 = list.Get(2);
    MatchResult m = list.FindMatch(entry2);
    EXPECT_EQ(m.code, kMatchDiffers);
    EXPECT_EQ(m.position, 1u);

    // Entry 1 is met before any other candidate: itself, identical.
    const ContactRecord* entry1 = list.Get(1);
    m = list.FindMatch(entry1);
    EXPECT_EQ(m.code, kMatchIdentical);
    EXPECT_EQ(m.position, 1u);
    EXPECT_EQ(m.entry, entry1);

    // A merge moves the entry to its new name; its e-mail still keys it.
    ContactRecord rename = Person("Gus", "Ray");
    ASSERT_TRUE(list.MergeAt(&rename, 0));
    const ContactRecord* entry0 = list.Get(0);
    m = list.FindMatch(entry0);
    EXPECT_EQ(m.code, kMatchIdentical);
    EXPECT_EQ(m.position, 0u);
    EXPECT_EQ(list.FindMatch(&filler).code, kMatchIdentical);  // names are not compared
    ContactRecord old_name = Person("Fay", "Hall");
    EXPECT_EQ(list.FindMatch(&old_name).code, kMatchNone);
    ContactRecord new_name = Person("Gus", "Ray");
    EXPECT_EQ(list.FindMatch(&new_name).code, kMatchDiffers);  // e-mail differs

    // Even an entry changed behind the list's back is found as itself.
    ContactRecord* changed = list.Get(0);
    changed->last_name = "Elsewhere";
    changed->email = "";
    m = list.FindMatch(changed);
    EXPECT_EQ(m.code, kMatchIdentical);
    EXPECT_EQ(m.position, 0u);
}

TEST(TargetContactListTest, SwappedNamesMatchOnlyByEmail) {
    TargetContactList list;
    // As read from a file written with the names the other way round.
    ContactRecord target = Person("Lee", "Ann", "ann@example.com");
    target.home_phone = "555";
    list.AppendCopy(&target);
    ContactRecord contact = Person("Ann", "Lee", "ann@example.com");
    contact.home_phone = "555";
    EXPECT_EQ(list.FindMatch(&contact).code, kMatchIdentical);
    contact.email = "";
    EXPECT_EQ(list.FindMatch(&contact).code, kMatchNone);
}

// Random lists over a few values each, so keys collide often; merges change names and
// e-mails under the index, and probes include the entries themselves.
TEST(TargetContactListTest, IndexedSearchEqualsTheWalk) {
    std::mt19937 rng(20261206);
    const std::vector<std::string> names = {"", "Ann", "ann", "Bob", "Ann ", "Cy", "Di", "Ed"};
    const std::vector<std::string> mails = {"", "", "a@x", "b@x", "A@x"};
    const std::vector<std::string> phones = {"", "1", "2", "3"};
    const std::vector<std::string> notes = {"", "n", "m"};
    auto pick = [&](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    };
    auto random_contact = [&] {
        ContactRecord r;
        r.first_name = pick(names);
        r.last_name = pick(names);
        r.email = pick(mails);
        r.home_phone = pick(phones);
        r.work_phone = pick(phones);
        r.mobile_phone = pick(phones);
        r.main_phone = pick(phones);
        r.note = pick(notes);
        r.work.city = pick(notes);
        return r;
    };

    for (int round = 0; round < 20; ++round) {
        TargetContactList list;
        const int size = std::uniform_int_distribution<int>(0, 150)(rng);
        for (int i = 0; i < size; ++i) {
            ContactRecord r = random_contact();
            list.AppendCopy(&r);
        }
        int differs = 0, identical = 0, none = 0;
        for (int probe = 0; probe < 400; ++probe) {
            const int action = std::uniform_int_distribution<int>(0, 9)(rng);
            if (action == 0 && list.Count() > 0) {
                ContactRecord r = random_contact();
                list.MergeAt(
                    &r, std::uniform_int_distribution<std::uint32_t>(0, list.Count() - 1)(rng));
                continue;
            }
            if (action == 1) {
                ContactRecord r = random_contact();
                list.AppendCopy(&r);
                continue;
            }
            ContactRecord own = random_contact();
            const ContactRecord* contact = &own;
            if (action == 2 && list.Count() > 0)
                contact = list.Get(
                    std::uniform_int_distribution<std::uint32_t>(0, list.Count() - 1)(rng));

            const MatchResult expected = LinearFindMatch(list, contact);
            std::uint32_t expected_cursor = expected.position;
            if (expected.code == kMatchNone) expected_cursor = list.Count() ? list.Count() - 1 : 0;
            const MatchResult got = list.FindMatch(contact);
            ASSERT_EQ(got.code, expected.code) << "round " << round << " probe " << probe;
            if (got.code != kMatchNone) {
                ASSERT_EQ(got.position, expected.position);
                ASSERT_EQ(got.entry, expected.entry);
            }
            // The walk's cursor ends on the match, or on the last entry.
            const ContactRecord* after = list.Next();
            ASSERT_EQ(after,
                      expected_cursor + 1 < list.Count() ? list.Get(expected_cursor + 1) : nullptr);
            differs += got.code == kMatchDiffers;
            identical += got.code == kMatchIdentical;
            none += got.code == kMatchNone;
        }
        if (size > 50) {
            // The data is meant to reach every outcome; a generator that stops doing so
            // would make this comparison hollow.
            EXPECT_GT(differs, 0);
            EXPECT_GT(identical, 0);
            EXPECT_GT(none, 0);
        }
    }
}

}  // namespace
}  // namespace tarvenne
