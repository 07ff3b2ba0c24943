// The address categories of a contacts file (the same block in both layouts): up to 16
// slots, slot 0 holding the built-in "Unfiled" (id 0) in every loaded table.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tarvenne {

class DatReader;
class DatStream;

class CategoryEntry {
public:
    static constexpr std::uint32_t kDirtyBit = 0x10;

    CategoryEntry() = default;
    virtual ~CategoryEntry() = default;
    CategoryEntry(const CategoryEntry&) = default;
    CategoryEntry& operator=(const CategoryEntry&) = default;

    virtual std::int32_t GetIndex() const { return index_; }
    virtual std::int32_t GetId() const { return id_; }
    // Clears the first *size bytes of buffer; fails for an empty name or one longer than
    // *size; else copies the name's characters (no terminator) and sets *size to its length.
    virtual bool CopyName(char* buffer, std::size_t* size) const;
    virtual const std::string& Name() const { return name_; }
    virtual bool CopySafeName(char* buffer, std::size_t* size) const;
    virtual const std::string& SafeName() const { return safe_name_; }
    virtual std::uint32_t GetFlags() const { return flags_; }
    virtual void SetIndex(std::int32_t value) { index_ = value; }
    virtual void SetId(std::int32_t value) { id_ = value; }
    virtual void SetName(const char* text);      // at most 15 characters kept
    virtual void SetSafeName(const char* text);  // at most 255 characters kept
    virtual void SetFlags(std::uint32_t value) { flags_ = value; }
    virtual void SetDirty(bool dirty);
    virtual std::uint32_t IsFlagged() const { return flags_ & 0x01u; }
    virtual bool Equals(const CategoryEntry& other) const;

private:
    std::int32_t index_ = -1;
    std::int32_t id_ = -1;
    std::string name_;       // at most 15 characters
    std::string safe_name_;  // at most 255 characters
    std::uint32_t flags_ = 0;
};

class CategoryTable {
public:
    static constexpr int kSlots = 16;

    CategoryTable() = default;
    virtual ~CategoryTable() = default;
    CategoryTable(const CategoryTable&) = delete;
    CategoryTable& operator=(const CategoryTable&) = delete;

    virtual std::int32_t Count() const { return count_; }
    virtual const CategoryEntry* FindById(std::int32_t id) const;
    virtual const CategoryEntry* GetByIndex(std::int32_t index) const;
    virtual const CategoryEntry* FindByName(const char* text) const;  // ignoring case
    virtual const CategoryEntry* First();
    virtual const CategoryEntry* Next();
    // Places a copy of the entry (in the lowest free slot 1 to 15 when its index is -1);
    // fails for a full table, an id of -1, an id already held, or a slot outside 0 to 15
    // or already taken.
    virtual bool Add(const CategoryEntry* entry);
    virtual void SetModified(bool modified) { modified_ = modified; }

    std::int32_t NextFreeId() const { return next_free_id_; }
    void SetNextFreeId(std::int32_t id) { next_free_id_ = id; }
    bool Modified() const { return modified_; }

private:
    std::int32_t next_free_id_ = 128;
    std::int32_t cursor_ = 0;
    std::int32_t count_ = 0;
    std::unique_ptr<CategoryEntry> slots_[kSlots];  // slot n holds the entry of index n
    bool modified_ = false;
};

// The category block, shared by both layouts: read into a new table (replacing *table),
// written from a table (or the empty block when there is none).
bool ReadCategoryBlock(DatReader& in, std::unique_ptr<CategoryTable>* table);
bool WriteCategoryBlock(DatStream& out, const CategoryTable* table);

// The name with each of " * + , . / : ; < = > ? [ \ ] ^ | made an underscore.
std::string SafeCategoryName(const std::string& name);

}  // namespace tarvenne
