// The conversion job's own copies of the target file's contacts, one per listed target
// record in file order, then the contacts a run adds; with the duplicate search.
#pragma once

#include "engine/contact_list.h"
#include "engine/contact_record.h"

#include <cstdint>
#include <memory>

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
    const ContactRecord* entry = nullptr;  // the matching entry (not owned), with 1 and 3
    std::uint32_t position = 0;            // its 0-based position, with 1 and 3
};

class TargetContactList {
public:
    TargetContactList();
    ~TargetContactList();
    TargetContactList(const TargetContactList&) = delete;
    TargetContactList& operator=(const TargetContactList&) = delete;

    // Appends a copy of the record; false for a null record.
    bool AppendCopy(const ContactRecord* record);
    ContactRecord* First() { return entries_.First(); }
    ContactRecord* Next() { return entries_.Next(); }
    ContactRecord* Get(std::uint32_t position) { return entries_.Get(position); }
    std::uint32_t Count() const { return entries_.Count(); }

    // Copies every text of the record into the entry at position by copy-if-not-empty,
    // and the birthday as it is; false for a null record or a position past the end.
    bool MergeAt(const ContactRecord* record, std::uint32_t position);

    // The duplicate search: the first entry that passes the key and confirming tests
    // decides between identical and differs; none gives kMatchNone.
    MatchResult FindMatch(const ContactRecord* contact);

    void FreeAll();

private:
    struct Index;  // name and e-mail lookups, kept in step with the entries
    ContactList<ContactRecord> entries_;  // owns its entries
    std::unique_ptr<Index> index_;
};

}  // namespace tarvenne
