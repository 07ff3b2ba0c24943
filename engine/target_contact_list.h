// The target file's contacts as the duplicate search sees them: one entry per listed
// record of the loaded file (file order, then the records a run adds), each read from its
// record, so a merge is seen by the next search at once and nothing is held twice.
// Lookups by name and e-mail make a search cost its candidates, not the whole list.
#pragma once

#include "engine/contact_record.h"
#include "engine/record_edits.h"
#include "palmfile/palm_record.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvenne {

// What FindMatch decides about a contact.
enum MatchCode : std::int32_t {
    kMatchBadInput = -1,
    kMatchIdentical = 1,
    kMatchNone = 2,
    kMatchDiffers = 3,
};

struct MatchResult {
    std::int32_t code = kMatchNone;
    std::uint32_t position = 0;  // the matching entry, with 1 and 3
};

class TargetContactList {
public:
    TargetContactList() = default;
    TargetContactList(const TargetContactList&) = delete;
    TargetContactList& operator=(const TargetContactList&) = delete;

    // The records the entries stand for (not owned), of which a save writes the first
    // saved_fields positions; empties the list.
    void Attach(RecordList* records, int saved_fields = kMaxRecordFields);
    // Adds an entry for the record at that position of the attached list; false when
    // there is no such record or memory runs out.
    bool AppendRecord(std::uint32_t record_position);
    // The entry's record changed: its keys are read again.
    void RecordChanged(std::uint32_t entry);

    std::uint32_t Count() const { return static_cast<std::uint32_t>(entries_.size()); }
    std::uint32_t RecordPosition(std::uint32_t entry) const { return entries_[entry].record; }
    // The entry as a contact, read from its record (false for no such entry).
    bool Read(std::uint32_t entry, ContactRecord* contact) const;

    // The duplicate search. An entry is a candidate when its first and last name equal
    // the contact's, or its e-mail does (not empty; both cut to a phone slot's width). A
    // candidate is the contact's person when
    //  - its names and its e-mail equal the contact's (an e-mail that had to be cut to match
    //    also needs an equal key phone), or
    //  - a key phone (home, work, mobile, main) of the contact is held by one of the
    //    record's slots of that label, or
    //  - no key phone conflicts: none that the contact has and the record has other values
    //    of, in filled slots of that label, and none equal to it.
    // So namesakes whose phones differ are two people. The first such candidate decides:
    // identical (1) when the merge's edit list has no writes, else differs (3). A name key
    // that is weak (both names empty, or either holding '?', as names the code page cannot
    // hold come out) never decides a differing match on its own: a candidate found through
    // it alone counts only when identical.
    MatchResult FindMatch(const ContactRecord* contact) const;

    void FreeAll() { Attach(nullptr); }

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    enum Key { kByName, kByEmail, kKeys };

    // What the search looks at first, kept per entry so that most candidates are passed
    // over without reading their records. Entries with one key form a chain in ascending
    // position; a key of 0 is none (no e-mail). Per key phone label (home, work, mobile,
    // main), one bit for each value its filled slots hold: a contact's phone whose bit is
    // not there is held by none of them.
    struct Entry {
        std::uint32_t record = 0;
        std::uint64_t key[kKeys] = {};
        std::uint32_t next[kKeys] = {kNone, kNone};
        std::uint32_t phone_bits[4] = {};
    };
    // The chains: an open-addressing table from key to the first and last entry.
    struct Chain {
        std::uint64_t key = 0;
        std::uint32_t first = kNone, last = kNone;
    };

    void ReadKeys(Entry& entry) const;
    Chain* ChainOf(Key which, std::uint64_t key, bool add);
    const Chain* ChainOf(Key which, std::uint64_t key) const;
    void Link(Key which, std::uint32_t position);
    void Unlink(Key which, std::uint32_t position);

    RecordList* records_ = nullptr;  // the loaded file's records; not owned
    int saved_fields_ = kMaxRecordFields;
    mutable RecordEdits scratch_;    // the search's edit list, kept for its memory
    std::vector<Entry> entries_;
    std::vector<Chain> chains_[kKeys];
    std::size_t used_[kKeys] = {};
};

}  // namespace tarvenne
