// What the record list page shows and what the user chose there: the listed contacts of
// the loader with their ticks, the rows shown (all, or the differing ones) in the chosen
// order. Ticks belong to contacts, not rows, so the filter and the sorting keep them, and a
// new marking of the same contacts keeps them where the comparison did not change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvenne {

namespace wab {
class WabLoader;
class SourceContact;
}  // namespace wab

// What a column shows of a contact: the property's text, and for the display name the
// contact's name in lists (its names, company, e-mail or phone when it has no display name).
std::string ShownText(const wab::SourceContact& contact, std::uint32_t tag);

class RecordChoices {
public:
    // Takes the loader's contacts as the marking left them (new, changed or unchanged;
    // any other status is not listed). A contact listed before with the same values keeps
    // its tick when its status is the one it had, and takes the tick its status gives
    // (new and changed ticked) otherwise, as does every contact not listed before. Returns
    // how many ticks the new statuses changed.
    std::size_t Take(wab::WabLoader& loader);

    // Shows every listed contact, or only the new and changed ones.
    void ShowDifferingOnly(bool differing_only);
    // Orders the rows by the values of a property as the user's language sorts them
    // (descending when asked), or, with tag 0, as the book lists them; the order stays
    // through the filter and a new Take.
    void SortBy(wab::WabLoader& loader, std::uint32_t tag, bool descending);
    std::uint32_t SortTag() const { return sort_tag_; }
    bool SortDescending() const { return descending_; }

    int Rows() const { return static_cast<int>(rows_.size()); }
    // The contact of a shown row (null for a row out of range); the loader must be the one
    // of the last Take.
    wab::SourceContact* ContactOfRow(wab::WabLoader& loader, int row) const;
    bool Ticked(int row) const;
    void SetTicked(int row, bool ticked);
    // Ticks or clears every shown row.
    void SetAllShown(bool ticked);

    std::size_t Count() const { return entries_.size(); }
    // The listed contact at an index below Count(), in the book's order, shown or not.
    wab::SourceContact* ListedContact(wab::WabLoader& loader, std::size_t index) const;
    std::size_t TickedCount() const { return ticked_count_; }
    // The loader positions of the ticked contacts, shown or not, in the book's order.
    std::vector<std::uint32_t> TickedContacts() const;

private:
    struct Entry {
        std::uint32_t position = 0;  // in the loader
        std::int32_t status = 0;
        bool ticked = false;
        std::string values;  // every value of the contact: who it is, across markings
    };
    void BuildRows();
    void Order(wab::WabLoader& loader);

    std::vector<Entry> entries_;  // in the book's order
    std::vector<int> rows_;       // entries shown, in the shown order
    std::vector<std::string> sort_keys_;  // per entry, for the sorted property
    std::size_t ticked_count_ = 0;
    bool differing_only_ = false;
    std::uint32_t sort_tag_ = 0;
    bool descending_ = false;
};

}  // namespace tarvenne
