// The duplicate search over the target file's records.
#include "engine/target_contact_list.h"

#include "engine/record_contact_mapping.h"

#include <algorithm>
#include <functional>
#include <new>

namespace tarvenne {
namespace {

constexpr std::int32_t kKeyLabels[4] = {kHomePhone, kWorkPhone, kMobilePhone, kMainPhone};

std::size_t Hash(std::string_view text) { return std::hash<std::string_view>()(text); }

// Last and first name as one key. The last name's length leads, so "ab"+"c" and "a"+"bc"
// stay apart; names hold at most 31 bytes, so one byte carries the length.
std::string NameKey(std::string_view last, std::string_view first) {
    std::string key;
    key.reserve(1 + last.size() + first.size());
    key.push_back(static_cast<char>(last.size()));
    key.append(last);
    key.append(first);
    return key;
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

void AddPosition(std::vector<std::uint32_t>& positions, std::uint32_t position) {
    positions.insert(std::lower_bound(positions.begin(), positions.end(), position), position);
}

template <class Map>
const std::vector<std::uint32_t>* Lookup(const Map& map, const std::string& key) {
    const auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
}

}  // namespace

void TargetContactList::Attach(RecordList* records) {
    records_ = records;
    entries_.clear();
    entries_.shrink_to_fit();
    by_name_.clear();
    by_email_.clear();
}

void TargetContactList::ReadKeys(Entry& entry) const {
    const PalmRecord& r = *records_->At(entry.record);
    const RecordLayout& l = r.Layout();
    entry.name_key = NameKey(TextAsRead(r.Text(l.last_name), 32), TextAsRead(r.Text(l.first_name), 32));
    const int email_slot = PhoneSlotRead(r, kEmail);
    entry.email = email_slot < 0 ? std::string() : std::string(TextAsRead(r.Text(l.phone[email_slot]), 64));
    bool has_empty_slot = false;
    for (int i = 0; i < l.phones; ++i) has_empty_slot = has_empty_slot || r.Text(l.phone[i]).empty();
    for (int k = 0; k < 4; ++k) {
        const int slot = PhoneSlotRead(r, kKeyLabels[k]);
        entry.phone_hash[k] = Hash(slot < 0 ? std::string_view() : TextAsRead(r.Text(l.phone[slot]), 24));
        bool labelled = false;
        for (int i = 0; i < l.phones; ++i) labelled = labelled || r.Integer(l.phone_label[i]) == kKeyLabels[k];
        entry.phone_writable[k] = labelled || has_empty_slot;
    }
}

void TargetContactList::Index(std::uint32_t position, const Entry& entry) {
    AddPosition(by_name_[entry.name_key], position);
    if (!entry.email.empty()) AddPosition(by_email_[entry.email], position);
}

void TargetContactList::Unindex(std::uint32_t position, const Entry& entry) {
    const auto remove = [position](PositionMap& map, const std::string& key) {
        const auto it = map.find(key);
        if (it == map.end()) return;
        auto& positions = it->second;
        const auto at = std::lower_bound(positions.begin(), positions.end(), position);
        if (at != positions.end() && *at == position) positions.erase(at);
        if (positions.empty()) map.erase(it);
    };
    remove(by_name_, entry.name_key);
    remove(by_email_, entry.email);
}

bool TargetContactList::AppendRecord(std::uint32_t record_position) {
    if (!records_ || !records_->At(record_position)) return false;
    try {
        Entry entry;
        entry.record = record_position;
        ReadKeys(entry);
        entries_.push_back(std::move(entry));
        Index(Count() - 1, entries_.back());
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void TargetContactList::RecordChanged(std::uint32_t position) {
    if (position >= Count()) return;
    Entry& entry = entries_[position];
    Unindex(position, entry);
    ReadKeys(entry);
    Index(position, entry);
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
    const auto* names = Lookup(by_name_, NameKey(c.last_name, c.first_name));
    const auto* emails = c.email.empty() ? nullptr : Lookup(by_email_, c.email.str());
    const bool weak = WeakName(c);
    std::size_t hash[4];
    for (int k = 0; k < 4; ++k) hash[k] = Hash(KeyPhone(c, k));

    // Visit the union of both hit lists in ascending position, as a walk from the first
    // entry would meet them.
    std::size_t n = 0, e = 0;
    const std::size_t name_count = names ? names->size() : 0;
    const std::size_t email_count = emails ? emails->size() : 0;
    while (n < name_count || e < email_count) {
        std::uint32_t position;
        bool by_email = false;
        if (e >= email_count || (n < name_count && (*names)[n] <= (*emails)[e])) {
            position = (*names)[n++];
            if (e < email_count && (*emails)[e] == position) {
                by_email = true;
                ++e;
            }
        } else {
            position = (*emails)[e++];
            by_email = true;
        }
        const Entry& entry = entries_[position];
        // Most candidates fail here on a hash; an equal hash is checked on the texts.
        bool may_confirm = false;
        for (int k = 0; k < 4; ++k) may_confirm = may_confirm || hash[k] == entry.phone_hash[k];
        if (!may_confirm) continue;
        // Only an identical entry counts through a weak name alone; a phone the contact
        // brings that differs from the entry's, and that a merge could write, rules it out.
        const bool identical_only = weak && !by_email;
        bool ruled_out = false;
        for (int k = 0; identical_only && k < 4; ++k)
            ruled_out = ruled_out || (!KeyPhone(c, k).empty() && entry.phone_writable[k] &&
                                      hash[k] != entry.phone_hash[k]);
        if (ruled_out) continue;

        const PalmRecord& record = *records_->At(entry.record);
        bool confirmed = false;
        for (int k = 0; k < 4 && !confirmed; ++k) {
            const int slot = PhoneSlotRead(record, kKeyLabels[k]);
            const std::string_view theirs =
                slot < 0 ? std::string_view() : TextAsRead(record.Text(record.Layout().phone[slot]), 24);
            confirmed = theirs == KeyPhone(c, k);
        }
        if (!confirmed) continue;
        const bool identical = MergeLeavesRecordUnchanged(c, record);
        if (identical_only && !identical) continue;
        result.code = identical ? kMatchIdentical : kMatchDiffers;
        result.position = position;
        return result;
    }
    result.code = kMatchNone;
    return result;
}

}  // namespace tarvenne
