// The one ordered container of the program: items by pointer, appended at the end,
// walked with a cursor, read by position. Positions are fixed when an item is appended;
// nothing is removed except by Clear, which frees the items only when its caller says so.
#pragma once

#include <cstdint>
#include <vector>

namespace tarvenne {

template <typename T>
class ContactList {
public:
    ContactList() = default;
    // A list that still holds items when it goes does not free them: ownership is the
    // caller's decision at Clear, and an owning wrapper calls Clear(true) itself.
    ~ContactList() = default;
    ContactList(const ContactList&) = delete;
    ContactList& operator=(const ContactList&) = delete;

    // False, with nothing changed, for a null item. The cursor moves to the new item, so
    // an iteration under way over this list ends at its next Next().
    bool Append(T* item) {
        if (!item) return false;
        items_.push_back(item);
        cursor_ = static_cast<std::uint32_t>(items_.size() - 1);
        return true;
    }

    T* First() {
        cursor_ = 0;
        return items_.empty() ? nullptr : items_.front();
    }

    T* Next() {
        // Unsigned on purpose: with no items, count - 1 wraps and Get(1) gives null.
        if (cursor_ < Count() - 1u) return Get(cursor_ + 1);
        return nullptr;
    }

    // The item at a 0-based position, moving the cursor there; null (cursor unmoved)
    // when the position is not below the count.
    T* Get(std::uint32_t position) {
        if (position >= Count()) return nullptr;
        cursor_ = position;
        return items_[position];
    }

    // Reads without moving the cursor, for callers that only look.
    T* At(std::uint32_t position) const { return position < Count() ? items_[position] : nullptr; }

    std::uint32_t Count() const { return static_cast<std::uint32_t>(items_.size()); }
    std::uint32_t CursorPosition() const { return cursor_; }

    // Empties the list; with free_items the items are deleted, otherwise they stay alive
    // and belong to the caller.
    void Clear(bool free_items) {
        if (free_items) {
            for (T* item : items_) delete item;
        }
        items_.clear();
        items_.shrink_to_fit();
        cursor_ = 0;
    }

private:
    std::vector<T*> items_;  // owned or not, as Clear is told
    std::uint32_t cursor_ = 0;
};

}  // namespace tarvenne
