// The record list page's contacts, ticks and rows.
#include "ui/pages/record_choices.h"

#include "wab/property_mapping.h"
#include "wab/property_table.h"
#include "wab/source_contact.h"
#include "wab/wab_loader.h"

#include <windows.h>

#include <algorithm>
#include <deque>
#include <unordered_map>

namespace tarvenne {
namespace {

bool Listed(std::int32_t status) {
    return status == wab::kUnchanged || status == wab::kNew || status == wab::kChanged;
}

// Every value the address book gave the contact: two contacts with the same values are
// the same person to the user, whichever place the book gives them.
std::string ValuesOf(const wab::SourceContact& contact) {
    std::string values = std::to_string(contact.birthday);
    for (std::size_t row = 0; row < wab::kPropertyCount; ++row) {
        values += '\x1f';
        values.append(contact.TextAtRow(row));
    }
    return values;
}

// A key whose byte order is the order the user's language sorts the text in, case aside.
std::string SortKey(std::string_view text) {
    if (text.empty()) return std::string();
    const int length = static_cast<int>(std::min<std::size_t>(text.size(), 4096));
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    const int size = LCMapStringA(LOCALE_USER_DEFAULT, flags, text.data(), length, nullptr, 0);
    if (size <= 0) return std::string(text);
    std::string key(static_cast<std::size_t>(size), '\0');
    LCMapStringA(LOCALE_USER_DEFAULT, flags, text.data(), length, &key[0], size);
    while (!key.empty() && key.back() == '\0') key.pop_back();
    return key;
}

}  // namespace

std::size_t RecordChoices::Take(wab::WabLoader& loader) {
    const std::vector<Entry> before = std::move(entries_);
    // Who was listed, by values; one person listed twice is matched in order.
    std::unordered_map<std::string, std::deque<const Entry*>> listed;
    for (const Entry& e : before) listed[e.values].push_back(&e);

    entries_.clear();
    entries_.reserve(loader.Count());
    ticked_count_ = 0;
    std::size_t reset = 0;
    for (std::uint32_t position = 0; position < loader.Count(); ++position) {
        const wab::SourceContact* contact = loader.Get(position);
        if (!contact || !Listed(contact->difference_status)) continue;
        Entry e;
        e.position = position;
        e.status = contact->difference_status;
        e.ticked = e.status != wab::kUnchanged;
        e.values = ValuesOf(*contact);
        const auto found = listed.find(e.values);
        if (found != listed.end() && !found->second.empty()) {
            const Entry* was = found->second.front();
            found->second.pop_front();
            if (was->status == e.status) e.ticked = was->ticked;
            else if (was->ticked != e.ticked) ++reset;
        }
        ticked_count_ += e.ticked ? 1 : 0;
        entries_.push_back(std::move(e));
    }
    Order(loader);
    return reset;
}

void RecordChoices::ShowDifferingOnly(bool differing_only) {
    differing_only_ = differing_only;
    BuildRows();
}

std::string ShownText(const wab::SourceContact& contact, std::uint32_t tag) {
    return tag == wab::tag::kDisplayName ? wab::ContactListName(contact) : std::string(contact.Text(tag));
}

void RecordChoices::SortBy(wab::WabLoader& loader, std::uint32_t tag, bool descending) {
    sort_tag_ = tag;
    descending_ = descending;
    Order(loader);
}

void RecordChoices::Order(wab::WabLoader& loader) {
    sort_keys_.clear();
    if (sort_tag_ != 0) {
        sort_keys_.reserve(entries_.size());
        for (const Entry& e : entries_) {
            const wab::SourceContact* contact = loader.Get(e.position);
            sort_keys_.push_back(contact ? SortKey(ShownText(*contact, sort_tag_)) : std::string());
        }
    }
    BuildRows();
}

void RecordChoices::BuildRows() {
    rows_.clear();
    rows_.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (differing_only_ && entries_[i].status == wab::kUnchanged) continue;
        rows_.push_back(static_cast<int>(i));
    }
    if (sort_keys_.size() != entries_.size()) return;
    // Stable, so that equal values keep the book's order either way round.
    if (descending_) {
        std::stable_sort(rows_.begin(), rows_.end(), [&](int a, int b) { return sort_keys_[b] < sort_keys_[a]; });
    } else {
        std::stable_sort(rows_.begin(), rows_.end(), [&](int a, int b) { return sort_keys_[a] < sort_keys_[b]; });
    }
}

wab::SourceContact* RecordChoices::ContactOfRow(wab::WabLoader& loader, int row) const {
    if (row < 0 || row >= Rows()) return nullptr;
    return loader.Get(entries_[static_cast<std::size_t>(rows_[static_cast<std::size_t>(row)])].position);
}

wab::SourceContact* RecordChoices::ListedContact(wab::WabLoader& loader, std::size_t index) const {
    return index < entries_.size() ? loader.Get(entries_[index].position) : nullptr;
}

bool RecordChoices::Ticked(int row) const {
    return row >= 0 && row < Rows() && entries_[static_cast<std::size_t>(rows_[static_cast<std::size_t>(row)])].ticked;
}

void RecordChoices::SetTicked(int row, bool ticked) {
    if (row < 0 || row >= Rows()) return;
    Entry& e = entries_[static_cast<std::size_t>(rows_[static_cast<std::size_t>(row)])];
    if (e.ticked == ticked) return;
    e.ticked = ticked;
    ticked ? ++ticked_count_ : --ticked_count_;
}

void RecordChoices::SetAllShown(bool ticked) {
    for (int row = 0; row < Rows(); ++row) SetTicked(row, ticked);
}

std::vector<std::uint32_t> RecordChoices::TickedContacts() const {
    std::vector<std::uint32_t> positions;
    positions.reserve(ticked_count_);
    for (const Entry& e : entries_)
        if (e.ticked) positions.push_back(e.position);
    return positions;
}

}  // namespace tarvenne
