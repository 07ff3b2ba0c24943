// The category entries and table, and the category block both file layouts share.
#include "palmfile/category_table.h"

#include "palmfile/dat_stream.h"

#include <cstring>

namespace tarvenne {
namespace {

constexpr std::size_t kNameChars = 15;
constexpr std::size_t kSafeNameChars = 255;
constexpr std::int32_t kUnfiledId = 0;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(const std::string& a, const char* b) {
    const std::size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

bool CopyText(const std::string& text, char* buffer, std::size_t* size) {
    if (!buffer || !size) return false;
    std::memset(buffer, 0, *size);
    if (text.empty() || text.size() > *size) return false;
    std::memcpy(buffer, text.data(), text.size());
    *size = text.size();
    return true;
}

std::string FirstChars(const char* text, std::size_t most) {
    if (!text) return std::string();
    std::size_t n = 0;
    while (n < most && text[n] != '\0') ++n;
    return std::string(text, n);
}

}  // namespace

// ---------------------------------------------------------------- CategoryEntry

bool CategoryEntry::CopyName(char* buffer, std::size_t* size) const {
    return CopyText(name_, buffer, size);
}

bool CategoryEntry::CopySafeName(char* buffer, std::size_t* size) const {
    return CopyText(safe_name_, buffer, size);
}

void CategoryEntry::SetName(const char* text) { name_ = FirstChars(text, kNameChars); }

void CategoryEntry::SetSafeName(const char* text) {
    safe_name_ = FirstChars(text, kSafeNameChars);
}

void CategoryEntry::SetDirty(bool dirty) {
    if (dirty)
        flags_ |= kDirtyBit;
    else
        flags_ &= ~kDirtyBit;
}

bool CategoryEntry::Equals(const CategoryEntry& other) const {
    return index_ == other.index_ && id_ == other.id_ && name_ == other.name_;
}

std::string SafeCategoryName(const std::string& name) {
    static const char kUnsafe[] = "\"*+,./:;<=>?[\\]^|";
    std::string safe = name.substr(0, kSafeNameChars);
    for (char& c : safe)
        if (c != '\0' && std::strchr(kUnsafe, c)) c = '_';
    return safe;
}

// ---------------------------------------------------------------- CategoryTable

const CategoryEntry* CategoryTable::FindById(std::int32_t id) const {
    for (const auto& slot : slots_)
        if (slot && slot->GetId() == id) return slot.get();
    return nullptr;
}

const CategoryEntry* CategoryTable::GetByIndex(std::int32_t index) const {
    const std::uint16_t slot = static_cast<std::uint16_t>(index);
    return slot < kSlots ? slots_[slot].get() : nullptr;
}

const CategoryEntry* CategoryTable::FindByName(const char* text) const {
    if (!text || !*text) return nullptr;
    for (const auto& slot : slots_)
        if (slot && SameIgnoringCase(slot->Name(), text)) return slot.get();
    return nullptr;
}

const CategoryEntry* CategoryTable::First() {
    cursor_ = 0;
    return Next();
}

const CategoryEntry* CategoryTable::Next() {
    while (cursor_ >= 0 && cursor_ < kSlots) {
        const CategoryEntry* entry = slots_[cursor_++].get();
        if (entry) return entry;
    }
    return nullptr;
}

bool CategoryTable::Add(const CategoryEntry* entry) {
    if (!entry || count_ >= kSlots) return false;
    auto copy = std::make_unique<CategoryEntry>(*entry);
    if (copy->GetIndex() == -1) {
        // Slot 0 is kept for "Unfiled".
        int free_slot = 1;
        while (free_slot < kSlots && slots_[free_slot]) ++free_slot;
        if (free_slot == kSlots) return false;
        copy->SetIndex(free_slot);
        copy->SetDirty(true);
    }
    const std::int32_t index = copy->GetIndex();
    // Never store outside the slots, and never drop an entry by placing another over it.
    if (index < 0 || index >= kSlots || slots_[index]) return false;
    if (copy->GetId() == -1 || FindById(copy->GetId())) return false;
    if (!copy->Name().empty()) copy->SetSafeName(SafeCategoryName(copy->Name()).c_str());
    slots_[index] = std::move(copy);
    ++count_;
    modified_ = true;
    return true;
}

// ---------------------------------------------------------------- the block

bool ReadCategoryBlock(DatReader& in, std::unique_ptr<CategoryTable>* table) {
    *table = std::make_unique<CategoryTable>();
    CategoryTable& categories = **table;

    std::int32_t next_free_id = 0;
    std::uint32_t count_word = 0;
    if (!in.ReadInt32(&next_free_id) || !in.ReadUInt32(&count_word)) return false;
    categories.SetNextFreeId(next_free_id);
    // Only the count's low 16 bits count; what Palm Desktop leaves in the others means
    // nothing. The table holds 15 stored categories besides "Unfiled": a larger count is
    // a damaged file, refused before anything is read for it.
    const std::uint32_t count = count_word & 0xFFFFu;
    if (count > CategoryTable::kSlots - 1)
        return in.Refuse("a category count of " + std::to_string(count));

    CategoryEntry unfiled;
    unfiled.SetIndex(0);
    unfiled.SetId(kUnfiledId);
    unfiled.SetName("Unfiled");
    categories.Add(&unfiled);

    for (std::uint32_t i = 0; i < count; ++i) {
        std::int32_t index = 0, id = 0, dirty = 0;
        std::string_view name, stored_safe_name;
        if (!in.ReadInt32(&index) || !in.ReadInt32(&id) || !in.ReadInt32(&dirty) ||
            !in.ReadCountedText(&name) || !in.ReadCountedText(&stored_safe_name))
            return false;
        if (name.size() > kSafeNameChars || stored_safe_name.size() > kSafeNameChars)
            return in.Refuse("a category name longer than 255 characters");
        if (index < 1 || index >= CategoryTable::kSlots)
            return in.Refuse("a category in slot " + std::to_string(index));
        if (categories.GetByIndex(index))
            return in.Refuse("a second category in slot " + std::to_string(index));
        if (id == kUnfiledId || id == -1 || categories.FindById(id))
            return in.Refuse("a category with id " + std::to_string(id) + ", which is not free");

        CategoryEntry entry;
        entry.SetIndex(index);
        entry.SetId(id);
        entry.SetDirty(dirty != 0);
        entry.SetName(std::string(name).c_str());
        // Add makes the safe name from the name; an empty name keeps the one stored.
        entry.SetSafeName(std::string(stored_safe_name).c_str());
        categories.Add(&entry);
    }
    categories.SetModified(false);
    return true;
}

bool WriteCategoryBlock(DatStream& stream, const CategoryTable* table) {
    const std::int32_t count = table ? table->Count() : 1;
    const std::int32_t next_free_id = table ? table->NextFreeId() : 128;
    if (!stream.WriteInt32(next_free_id)) return false;
    if (count < 2) return stream.WriteInt32(0);
    if (!stream.WriteInt32(count - 1)) return false;
    for (int slot = 0; slot < CategoryTable::kSlots; ++slot) {
        const CategoryEntry* entry = table->GetByIndex(slot);
        if (!entry || entry->GetId() == kUnfiledId) continue;
        if (!stream.WriteInt32(slot) || !stream.WriteInt32(entry->GetId()) ||
            !stream.WriteInt32(0) || !stream.WriteCString(entry->Name()) ||
            !stream.WriteCString(entry->SafeName()))
            return false;
    }
    return true;
}

}  // namespace tarvenne
