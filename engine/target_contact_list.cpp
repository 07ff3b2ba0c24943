// The duplicate search over the target file's records.
#include "engine/target_contact_list.h"

#include "engine/record_contact_mapping.h"

#include <algorithm>
#include <initializer_list>
#include <new>

namespace tarvenne {
namespace {

constexpr std::int32_t kKeyLabels[4] = {kHomePhone, kWorkPhone, kMobilePhone, kMainPhone};

// 64-bit FNV-1a over the texts, the length of each but the last first so that "ab"+"c"
// and "a"+"bc" differ; never 0, which stands for no key.
std::uint64_t KeyOf(std::initializer_list<std::string_view> texts) {
    std::uint64_t h = 14695981039346656037ull;
    const auto mix = [&h](unsigned char byte) { h = (h ^ byte) * 1099511628211ull; };
    std::size_t n = 0;
    for (std::string_view text : texts) {
        if (++n < texts.size()) mix(static_cast<unsigned char>(text.size()));
        for (char c : text) mix(static_cast<unsigned char>(c));
    }
    return h ? h : 1;
}

bool WeakName(const ContactRecord& c) {
    const auto unknown = [](const std::string& name) { return name.find('?') != std::string::npos; };
    return (c.first_name.empty() && c.last_name.empty()) || unknown(c.first_name.str()) ||
           unknown(c.last_name.str());
}

std::string_view KeyPhone(const ContactRecord& c, int i) {
    switch (i) {
        case 0: return c.home_phone;
        case 1: return c.work_phone;
        case 2: return c.mobile_phone;
        default: return c.main_phone;
    }
}

std::string_view PhoneAsRead(const PalmRecord& r, std::int32_t label, std::size_t capacity) {
    const int slot = PhoneSlotRead(r, label);
    return slot < 0 ? std::string_view() : TextAsRead(r.Text(r.Layout().phone[slot]), capacity);
}

}  // namespace

void TargetContactList::Attach(RecordList* records) {
    records_ = records;
    entries_.clear();
    entries_.shrink_to_fit();
    for (int k = 0; k < kKeys; ++k) {
        chains_[k].clear();
        chains_[k].shrink_to_fit();
        used_[k] = 0;
    }
}

void TargetContactList::ReadKeys(Entry& entry) const {
    const PalmRecord& r = *records_->At(entry.record);
    const RecordLayout& l = r.Layout();
    entry.key[kByName] = KeyOf({TextAsRead(r.Text(l.last_name), 32), TextAsRead(r.Text(l.first_name), 32)});
    const std::string_view email = PhoneAsRead(r, kEmail, 64);
    entry.key[kByEmail] = email.empty() ? 0 : KeyOf({email});
    bool has_empty_slot = false;
    for (int i = 0; i < l.phones; ++i) has_empty_slot = has_empty_slot || r.Text(l.phone[i]).empty();
    for (int k = 0; k < 4; ++k) {
        entry.phone_hash[k] = KeyOf({PhoneAsRead(r, kKeyLabels[k], 24)});
        bool labelled = false;
        for (int i = 0; i < l.phones; ++i) labelled = labelled || r.Integer(l.phone_label[i]) == kKeyLabels[k];
        entry.phone_writable[k] = labelled || has_empty_slot;
    }
}

TargetContactList::Chain* TargetContactList::ChainOf(Key which, std::uint64_t key, bool add) {
    std::vector<Chain>& table = chains_[which];
    if (add && 2 * (used_[which] + 1) > table.size()) {
        // Grown at half full, so a probe ends soon at a free place.
        std::vector<Chain> old(std::max<std::size_t>(64, 2 * table.size()));
        old.swap(table);
        used_[which] = 0;
        for (const Chain& chain : old)
            if (chain.key) *ChainOf(which, chain.key, true) = chain;
    }
    if (table.empty()) return nullptr;
    const std::size_t mask = table.size() - 1;
    for (std::size_t i = key & mask;; i = (i + 1) & mask) {
        if (table[i].key == key) return &table[i];
        if (table[i].key != 0) continue;
        if (!add) return nullptr;
        ++used_[which];
        table[i].key = key;
        return &table[i];
    }
}

const TargetContactList::Chain* TargetContactList::ChainOf(Key which, std::uint64_t key) const {
    return const_cast<TargetContactList*>(this)->ChainOf(which, key, false);
}

void TargetContactList::Link(Key which, std::uint32_t position) {
    Entry& entry = entries_[position];
    entry.next[which] = kNone;
    if (entry.key[which] == 0) return;
    Chain& chain = *ChainOf(which, entry.key[which], true);
    if (chain.first == kNone || chain.first > position) {
        entry.next[which] = chain.first;
        chain.first = position;
    } else {
        std::uint32_t at = chain.first;
        while (entries_[at].next[which] != kNone && entries_[at].next[which] < position) at = entries_[at].next[which];
        entry.next[which] = entries_[at].next[which];
        entries_[at].next[which] = position;
    }
    if (entry.next[which] == kNone) chain.last = position;
}

void TargetContactList::Unlink(Key which, std::uint32_t position) {
    Entry& entry = entries_[position];
    Chain* chain = entry.key[which] ? ChainOf(which, entry.key[which], false) : nullptr;
    if (!chain) return;
    std::uint32_t before = kNone;
    for (std::uint32_t at = chain->first; at != kNone && at != position; at = entries_[at].next[which]) before = at;
    (before == kNone ? chain->first : entries_[before].next[which]) = entry.next[which];
    if (chain->last == position) chain->last = before;
}

bool TargetContactList::AppendRecord(std::uint32_t record_position) {
    if (!records_ || !records_->At(record_position)) return false;
    try {
        Entry entry;
        entry.record = record_position;
        ReadKeys(entry);
        entries_.push_back(entry);
        // An appended entry comes last in both of its chains.
        const std::uint32_t position = Count() - 1;
        for (Key which : {kByName, kByEmail}) {
            if (entry.key[which] == 0) continue;
            Chain& chain = *ChainOf(which, entry.key[which], true);
            (chain.last == kNone ? chain.first : entries_[chain.last].next[which]) = position;
            chain.last = position;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void TargetContactList::RecordChanged(std::uint32_t position) {
    if (position >= Count()) return;
    Unlink(kByName, position);
    Unlink(kByEmail, position);
    ReadKeys(entries_[position]);
    Link(kByName, position);
    Link(kByEmail, position);
}

bool TargetContactList::Read(std::uint32_t position, ContactRecord* contact) const {
    if (!contact || position >= Count()) return false;
    ReadContact(*records_->At(entries_[position].record), contact);
    return true;
}

MatchResult TargetContactList::FindMatch(const ContactRecord* contact) const {
    MatchResult result;
    if (!contact) {
        result.code = kMatchBadInput;
        return result;
    }
    const ContactRecord& c = *contact;
    const Chain* names = ChainOf(kByName, KeyOf({c.last_name, c.first_name}));
    const Chain* emails = c.email.empty() ? nullptr : ChainOf(kByEmail, KeyOf({c.email}));
    const bool weak = WeakName(c);
    std::uint64_t hash[4];
    for (int k = 0; k < 4; ++k) hash[k] = KeyOf({KeyPhone(c, k)});

    // Both chains in ascending position, as a walk from the first entry would meet them.
    std::uint32_t n = names ? names->first : kNone, e = emails ? emails->first : kNone;
    while (n != kNone || e != kNone) {
        const std::uint32_t position = std::min(n, e);
        bool by_name = position == n, by_email = position == e;
        if (by_name) n = entries_[n].next[kByName];
        if (by_email) e = entries_[e].next[kByEmail];
        const Entry& entry = entries_[position];
        // Most candidates fail here on a hash; an equal hash is checked on the texts.
        bool may_confirm = false;
        for (int k = 0; k < 4; ++k) may_confirm = may_confirm || hash[k] == entry.phone_hash[k];
        if (!may_confirm) continue;
        // Only an identical entry counts through a weak name alone; a phone the contact
        // brings that differs from the entry's, and that a merge could write, rules it out.
        bool ruled_out = false;
        for (int k = 0; weak && !by_email && k < 4; ++k)
            ruled_out = ruled_out || (!KeyPhone(c, k).empty() && entry.phone_writable[k] &&
                                      hash[k] != entry.phone_hash[k]);
        if (ruled_out) continue;

        const PalmRecord& record = *records_->At(entry.record);
        const RecordLayout& l = record.Layout();
        // Keys that share a hash with another are told apart by the texts.
        by_name = by_name && TextAsRead(record.Text(l.last_name), 32) == c.last_name.str() &&
                  TextAsRead(record.Text(l.first_name), 32) == c.first_name.str();
        by_email = by_email && PhoneAsRead(record, kEmail, 64) == c.email.str();
        bool confirmed = false;
        for (int k = 0; k < 4 && !confirmed; ++k) confirmed = PhoneAsRead(record, kKeyLabels[k], 24) == KeyPhone(c, k);
        if ((!by_name && !by_email) || !confirmed) continue;
        ListEdits(c, record, false, &scratch_);
        const bool identical = scratch_.Identical();
        if (weak && !by_email && !identical) continue;
        result.code = identical ? kMatchIdentical : kMatchDiffers;
        result.position = position;
        return result;
    }
    result.code = kMatchNone;
    return result;
}

}  // namespace tarvenne
