// The one ordered container of the program: items by pointer, appended at the end,
// walked with a cursor, read by position. Positions are fixed when an item is appended;
// nothing is removed except by Clear, which frees the items only when its caller says so.
#pragma once

#include <cstdint>
#include <vector>

namespace tarvenne {

// The cursor rules of the program's lists, in one place: Append moves the cursor to the
// new item; First goes to position 0; Next goes one further unless the cursor is on the
// last item; Get goes to a position below the count and leaves the cursor elsewhere.
// Each move answers whether there is an item at the cursor now.
class ListCursor {
public:
    void Appended(std::uint32_t count) { position_ = count - 1; }
    bool First(std::uint32_t count) {
        position_ = 0;
        return count > 0;
    }
    bool Next(std::uint32_t count) {
        // Unsigned on purpose: with no items, count - 1 wraps and no position is below it.
        return position_ < count - 1u && Get(position_ + 1, count);
    }
    bool Get(std::uint32_t position, std::uint32_t count) {
        if (position >= count) return false;
        position_ = position;
        return true;
    }
    void Reset() { position_ = 0; }
    std::uint32_t Position() const { return position_; }

private:
    std::uint32_t position_ = 0;
};

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
        cursor_.Appended(Count());
        return true;
    }

    T* First() { return cursor_.First(Count()) ? items_.front() : nullptr; }
    T* Next() { return cursor_.Next(Count()) ? items_[cursor_.Position()] : nullptr; }

    // The item at a 0-based position, moving the cursor there; null (cursor unmoved)
    // when the position is not below the count.
    T* Get(std::uint32_t position) {
        return cursor_.Get(position, Count()) ? items_[position] : nullptr;
    }

    // Reads without moving the cursor, for callers that only look.
    T* At(std::uint32_t position) const { return position < Count() ? items_[position] : nullptr; }

    std::uint32_t Count() const { return static_cast<std::uint32_t>(items_.size()); }
    std::uint32_t CursorPosition() const { return cursor_.Position(); }

    // Empties the list; with free_items the items are deleted, otherwise they stay alive
    // and belong to the caller.
    void Clear(bool free_items) {
        if (free_items) {
            for (T* item : items_) delete item;
        }
        items_.clear();
        items_.shrink_to_fit();
        cursor_.Reset();
    }

private:
    std::vector<T*> items_;  // owned or not, as Clear is told
    ListCursor cursor_;
};

}  // namespace tarvenne
