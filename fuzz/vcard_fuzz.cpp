// Fuzz target for the vCard reader: any input is refused with a reason or read into cards
// whose values obey what the rest of the program relies on (no tag twice but as an extra,
// extras last, no NUL, every line break CR LF, an entry id), and every card fills and converts without harm; the
// slots a card fills keep every line break whole too.
#include "engine/contact_record.h"
#include "vcard/vcard_reader.h"
#include "wab/property_mapping.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

namespace {

using namespace tarvenne::vcard;
using namespace tarvenne::wab;

[[noreturn]] void Broken(const char* what, const std::string& detail) {
    std::fprintf(stderr, "vCard reader broken: %s %s\n", what, detail.c_str());
    std::abort();
}

void CheckText(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\0') Broken("a NUL inside a value", "");
        if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))
            Broken("a CR without LF", "");
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) Broken("an LF without CR", "");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t delivered = 0;
    auto check = [&](const EntryView& entry) {
        ++delivered;
        if (entry.entry_id.empty()) Broken("a card without an entry id", "");
        if (entry.object_type != kObjectTypeMailUser && entry.object_type != kObjectTypeDistList)
            Broken("an unknown object type", std::to_string(entry.object_type));
        std::set<std::uint32_t> tags;
        bool extras = false;
        for (std::size_t i = 0; i < entry.value_count; ++i) {
            const PropertyValue& v = entry.values[i];
            if (!v.extra && (extras || !tags.insert(v.tag).second)) Broken("a tag delivered twice", std::to_string(v.tag));
            if (v.extra && (v.text.empty() || FindTextRow(v.tag) < 0)) Broken("an empty or untextual extra", std::to_string(v.tag));
            extras = extras || v.extra;
            if (FindPropertyRow(v.tag) < 0) Broken("a tag outside the table", std::to_string(v.tag));
            CheckText(v.text);
        }
        SourceContact contact;
        Fill(&contact, entry.values, entry.value_count);
        for (std::size_t row = 0; row < kPropertyCount; ++row) CheckText(contact.TextAtRow(row));
        tarvenne::ContactRecord record;
        if (!ConvertSourceContact(&contact, &record)) Broken("a conversion refused", "");
        if (record.birthday != record.birthday) Broken("a birthday that is not a number", "");
    };
    VCardReadResult result;
    const bool ok = ParseVCards(data, size, check, &result);
    if (ok != result.ok) Broken("result and flag disagree", "");
    if (!ok && result.error.empty()) Broken("a refusal without a reason", "");
    if (ok && delivered != result.cards) Broken("cards counted but not handed over", "");
    if (result.cards > kMaxVCardCards) Broken("more cards than the limit", "");
    return 0;
}
