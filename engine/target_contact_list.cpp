// The duplicate search over the target file's records.
#include "engine/target_contact_list.h"

#include "engine/record_contact_mapping.h"

#include <algorithm>
#include <initializer_list>
#include <new>

namespace tarvenne {
namespace {

constexpr std::int32_t kKeyLabels[4] = {kHomePhone, kWorkPhone, kMobilePhone, kMainPhone};
constexpr std::size_t kSlotWidth = 32;     // every phone slot of both layouts
constexpr std::size_t kPhoneCapacity = 24;  // a contact's phone fields

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

// Two of 32 bits for a phone number as a slot holds it: a number whose two bits a slot set
// lacks is held by none of them, and another number has both only one time in a few hundred.
std::uint32_t PhoneBits(std::string_view held) {
    const std::uint64_t h = KeyOf({held});
    return 1u << (h >> 59) | 1u << (h >> 32 & 31);
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

// The record's e-mail as the e-mail key compares it: its first filled e-mail slot, cut to a
// slot's width.
std::string_view EmailKey(const PalmRecord& r) {
    const int slot = PhoneSlotRead(r, kEmail);
    return slot < 0 ? std::string_view() : Fit(UpToNul(r.Text(r.Layout().phone[slot])), kSlotWidth);
}

}  // namespace

void TargetContactList::Attach(RecordList* records, int saved_fields) {
    records_ = records;
    saved_fields_ = saved_fields;
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
    const std::string_view email = EmailKey(r);
    entry.key[kByEmail] = email.empty() ? 0 : KeyOf({email});
    for (int k = 0; k < 4; ++k) entry.phone_bits[k] = 0;
    for (int i = 0; i < l.phones; ++i) {
        const std::string_view text = UpToNul(r.Text(l.phone[i]));
        for (int k = 0; k < 4 && !text.empty(); ++k)
            if (r.Integer(l.phone_label[i]) == kKeyLabels[k]) entry.phone_bits[k] |= PhoneBits(text);
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
    const std::string_view email = Fit(c.email, kSlotWidth);
    const bool email_cut = email.size() < c.email.size();
    const Chain* names = ChainOf(kByName, KeyOf({c.last_name, c.first_name}));
    const Chain* emails = email.empty() ? nullptr : ChainOf(kByEmail, KeyOf({email}));
    const bool weak = WeakName(c);
    // The contact's key phones, each with its bits; a phone the bits cannot rule out (one
    // that filled its field may have been cut) has none.
    int keys = 0, key[4];
    std::uint32_t bits[4];
    for (int k = 0; k < 4; ++k) {
        const std::string_view phone = KeyPhone(c, k);
        if (phone.empty()) continue;
        key[keys] = k;
        // A cut backs off by a byte rather than part a CR LF or a double-byte character.
        bits[keys++] = phone.size() + 2 >= kPhoneCapacity ? 0 : PhoneBits(Fit(phone, kSlotWidth));
    }

    // Both chains in ascending position, as a walk from the first entry would meet them.
    std::uint32_t n = names ? names->first : kNone, e = emails ? emails->first : kNone;
    while (n != kNone || e != kNone) {
        const std::uint32_t position = std::min(n, e);
        bool by_name = position == n, by_email = position == e;
        if (by_name) n = entries_[n].next[kByName];
        if (by_email) e = entries_[e].next[kByEmail];
        const Entry& entry = entries_[position];
        // Most namesakes are passed over here: a phone of theirs conflicts and none is held.
        bool may_hold = false, conflicts = false;
        for (int i = 0; i < keys; ++i) {
            const std::uint32_t held = entry.phone_bits[key[i]];
            if (held == 0) continue;
            const bool maybe = (held & bits[i]) == bits[i];
            may_hold = may_hold || maybe;
            conflicts = conflicts || !maybe;
        }
        if (conflicts && !may_hold && !(by_name && by_email)) continue;

        const PalmRecord& record = *records_->At(entry.record);
        const RecordLayout& l = record.Layout();
        // Keys that share a hash with another are told apart by the texts.
        by_name = by_name && TextAsRead(record.Text(l.last_name), 32) == c.last_name.str() &&
                  TextAsRead(record.Text(l.first_name), 32) == c.first_name.str();
        by_email = by_email && EmailKey(record) == email;
        if (!by_name && !by_email) continue;
        bool held = false, conflict = false;
        for (int k = 0; k < 4; ++k) {
            const std::string_view phone = KeyPhone(c, k);
            if (phone.empty()) continue;
            bool filled = false, holds = false;
            for (int i = 0; i < l.phones; ++i) {
                if (record.Integer(l.phone_label[i]) != kKeyLabels[k]) continue;
                const std::string_view text = record.Text(l.phone[i]);
                if (UpToNul(text).empty()) continue;
                filled = true;
                holds = holds || SlotHolds(text, phone, l.width[l.phone[i]], kPhoneCapacity);
            }
            held = held || holds;
            conflict = conflict || (filled && !holds);
        }
        // An e-mail that had to be cut to match says too little on its own.
        const bool email_says = by_email && (!email_cut || held);
        const bool person = (by_name && email_says) || held || (!conflict && (by_name || email_says));
        if (!person) continue;
        ListEdits(c, record, false, &scratch_, saved_fields_);
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
