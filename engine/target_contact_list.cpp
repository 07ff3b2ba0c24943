// The conversion job's copies of the target contacts and the duplicate search over them,
// with lookups by name and e-mail so a search costs the candidates, not the whole list.
#include "engine/target_contact_list.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

namespace tarvenne {
namespace {

// Last and first name as one key. The last name's length leads, so "ab"+"c" and "a"+"bc"
// stay apart; names hold at most 31 bytes, so one byte carries the length.
std::string NameKey(const ContactRecord& r) {
    std::string key;
    key.reserve(1 + r.last_name.size() + r.first_name.size());
    key.push_back(static_cast<char>(r.last_name.size()));
    key.append(r.last_name.str());
    key.append(r.first_name.str());
    return key;
}

// One of the four phones that confirm a key hit is the same on both sides (empty equals
// empty, so two contacts without phones confirm each other).
bool Confirms(const ContactRecord& a, const ContactRecord& b) {
    return a.home_phone == b.home_phone || a.work_phone == b.work_phone ||
           a.mobile_phone == b.mobile_phone || a.main_phone == b.main_phone;
}

bool SameAddress(const ContactAddress& a, const ContactAddress& b) {
    return a.country == b.country && a.state == b.state && a.city == b.city &&
           a.street == b.street && a.postal_code == b.postal_code;
}

// Every compared field, in the order the comparison has always used; names, the other
// phone, the custom texts and the birthday are not part of it.
bool SameCompared(const ContactRecord& a, const ContactRecord& b) {
    return a.home_phone == b.home_phone && a.work_phone == b.work_phone &&
           a.mobile_phone == b.mobile_phone && a.main_phone == b.main_phone && a.email == b.email &&
           a.fax == b.fax && a.home_fax == b.home_fax && a.company == b.company &&
           a.title == b.title && SameAddress(a.work, b.work) && SameAddress(a.home, b.home) &&
           SameAddress(a.other, b.other) && a.web_page == b.web_page && a.note == b.note;
}

using PositionMap = std::unordered_map<std::string, std::vector<std::uint32_t>>;

// Positions under a key stay in ascending order, so the candidates can be merged in the
// order a walk from the first entry would meet them.
void AddPosition(PositionMap& map, const std::string& key, std::uint32_t position) {
    auto& positions = map[key];
    positions.insert(std::lower_bound(positions.begin(), positions.end(), position), position);
}

void RemovePosition(PositionMap& map, const std::string& key, std::uint32_t position) {
    auto it = map.find(key);
    if (it == map.end()) return;
    auto& positions = it->second;
    auto at = std::lower_bound(positions.begin(), positions.end(), position);
    if (at != positions.end() && *at == position) positions.erase(at);
    if (positions.empty()) map.erase(it);
}

const std::vector<std::uint32_t>* Lookup(const PositionMap& map, const std::string& key) {
    auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
}

}  // namespace

// Entries are changed only through MergeAt (callers read them, never write them), so the
// keys recorded here always describe the entries as they are.
struct TargetContactList::Index {
    PositionMap by_name;   // NameKey -> positions
    PositionMap by_email;  // non-empty e-mail -> positions
    std::unordered_map<const ContactRecord*, std::uint32_t> by_entry;  // entry -> position

    void Add(const ContactRecord& entry, std::uint32_t position) {
        AddPosition(by_name, NameKey(entry), position);
        if (!entry.email.empty()) AddPosition(by_email, entry.email.str(), position);
        by_entry[&entry] = position;
    }

    void Clear() {
        by_name.clear();
        by_email.clear();
        by_entry.clear();
    }
};

TargetContactList::TargetContactList() : index_(std::make_unique<Index>()) {}

TargetContactList::~TargetContactList() { FreeAll(); }

bool TargetContactList::AppendCopy(const ContactRecord* record) {
    if (!record) return false;
    auto copy = std::make_unique<ContactRecord>(*record);
    ContactRecord* entry = copy.get();
    const std::uint32_t position = entries_.Count();
    if (!entries_.Append(entry)) return false;
    copy.release();  // the list owns it now
    index_->Add(*entry, position);
    return true;
}

bool TargetContactList::MergeAt(const ContactRecord* record, std::uint32_t position) {
    if (!record || position >= entries_.Count()) return false;
    ContactRecord* entry = entries_.Get(position);
    if (!entry) return false;

    const std::string old_name = NameKey(*entry);
    const std::string old_email = entry->email.str();
    MergeIntoRecord(*entry, *record);

    // A merge may give the entry a name or an e-mail it did not have.
    const std::string new_name = NameKey(*entry);
    if (new_name != old_name) {
        RemovePosition(index_->by_name, old_name, position);
        AddPosition(index_->by_name, new_name, position);
    }
    if (entry->email.str() != old_email) {
        if (!old_email.empty()) RemovePosition(index_->by_email, old_email, position);
        if (!entry->email.empty()) AddPosition(index_->by_email, entry->email.str(), position);
    }
    return true;
}

MatchResult TargetContactList::FindMatch(const ContactRecord* contact) {
    MatchResult result;
    if (!contact) {
        result.code = kMatchBadInput;
        return result;
    }

    // A walk from the first entry would meet the contact itself (when it is one of the
    // entries) at its own position and stop there, whatever its keys.
    bool is_entry = false;
    std::uint32_t own_position = 0;
    if (auto it = index_->by_entry.find(contact); it != index_->by_entry.end()) {
        is_entry = true;
        own_position = it->second;
    }

    const std::vector<std::uint32_t>* names = Lookup(index_->by_name, NameKey(*contact));
    const std::vector<std::uint32_t>* emails =
        contact->email.empty() ? nullptr : Lookup(index_->by_email, contact->email.str());

    const auto finish = [&](std::int32_t code, std::uint32_t position) {
        result.code = code;
        result.entry = entries_.Get(position);  // leaves the cursor where the walk would
        result.position = position;
        return result;
    };

    // Visit the union of both hit lists in ascending position, as the walk would.
    std::size_t n = 0, e = 0;
    const std::size_t name_count = names ? names->size() : 0;
    const std::size_t email_count = emails ? emails->size() : 0;
    while (n < name_count || e < email_count) {
        std::uint32_t position;
        if (e >= email_count || (n < name_count && (*names)[n] <= (*emails)[e])) {
            position = (*names)[n];
            if (e < email_count && (*emails)[e] == position) ++e;
            ++n;
        } else {
            position = (*emails)[e++];
        }
        if (is_entry && own_position <= position) return finish(kMatchIdentical, own_position);

        const ContactRecord* entry = entries_.At(position);
        if (!entry || !Confirms(*entry, *contact)) continue;
        return finish(SameCompared(*entry, *contact) ? kMatchIdentical : kMatchDiffers, position);
    }
    if (is_entry) return finish(kMatchIdentical, own_position);

    // No match: the walk ran to the last entry.
    if (entries_.Count() > 0) {
        entries_.Get(entries_.Count() - 1);
    } else {
        entries_.First();
    }
    result.code = kMatchNone;
    return result;
}

void TargetContactList::FreeAll() {
    entries_.Clear(true);
    if (index_) index_->Clear();
}

}  // namespace tarvenne
