// Fuzz target for the category block both layouts share: any input is refused or read into
// a table of at most 16 entries that writes a block which reads back to the same table and
// writes the same bytes again.
#include "palmfile/category_table.h"
#include "palmfile/dat_stream.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using tarvenne::CategoryEntry;
using tarvenne::CategoryTable;
using tarvenne::DatStream;

[[noreturn]] void Broken(const char* what, const std::string& detail) {
    std::fprintf(stderr, "category round trip broken: %s %s\n", what, detail.c_str());
    std::abort();
}

// Reads a block from bytes in memory; the table, or none when refused.
std::unique_ptr<CategoryTable> ReadFrom(const std::vector<std::uint8_t>& bytes) {
    tarvenne::DatReader in(bytes.data(), bytes.size());
    std::unique_ptr<CategoryTable> table;
    if (!ReadCategoryBlock(in, &table)) {
        if (in.Error().empty()) Broken("a refused block without a reason", "");
        return nullptr;
    }
    if (!table) Broken("no table after a successful read", "");
    if (in.Offset() > bytes.size()) Broken("read past the end", "");
    return table;
}

std::vector<std::uint8_t> Written(const CategoryTable* table) {
    DatStream stream;
    if (!WriteCategoryBlock(stream, table)) Broken("a table did not write", "");
    return stream.TakePendingWrites();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> input(data, data + size);
    std::unique_ptr<CategoryTable> first = ReadFrom(input);
    if (!first) return 0;
    if (first->Count() < 1 || first->Count() > CategoryTable::kSlots)
        Broken("impossible count", std::to_string(first->Count()));
    const CategoryEntry* unfiled = first->GetByIndex(0);
    if (!unfiled || unfiled->GetId() != 0 || unfiled->Name() != "Unfiled")
        Broken("no Unfiled in slot 0", "");
    int held = 0;
    for (int slot = 0; slot < CategoryTable::kSlots; ++slot) {
        const CategoryEntry* e = first->GetByIndex(slot);
        if (!e) continue;
        ++held;
        if (e->GetIndex() != slot || e->Name().size() > 15 || e->SafeName().size() > 255)
            Broken("entry out of bounds in slot", std::to_string(slot));
        if (first->FindById(e->GetId()) != e) Broken("duplicate id", std::to_string(e->GetId()));
    }
    if (held != first->Count()) Broken("count does not match the slots", "");

    const std::vector<std::uint8_t> bytes = Written(first.get());
    std::unique_ptr<CategoryTable> second = ReadFrom(bytes);
    if (!second) Broken("a written block does not read back", "");
    if (second->Count() != first->Count() || second->NextFreeId() != first->NextFreeId())
        Broken("the table changed", "");
    for (int slot = 0; slot < CategoryTable::kSlots; ++slot) {
        const CategoryEntry* a = first->GetByIndex(slot);
        const CategoryEntry* b = second->GetByIndex(slot);
        if (!a != !b || (a && (!a->Equals(*b) || a->SafeName() != b->SafeName())))
            Broken("entry differs in slot", std::to_string(slot));
    }
    if (Written(second.get()) != bytes) Broken("a second write gave other bytes", "");
    return 0;
}
