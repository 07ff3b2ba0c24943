// The merge's edits in the user's words: the field each fills and its values as text, for
// diff, the record list's tips and the cut report.
#include "engine/record_edits.h"

#include "engine/bounded_text.h"

#include <cstring>

namespace tarvenne {
namespace {

const char* const kLabelWords[8] = {"Work Phone", "Home Phone", "Fax",         "Other Phone",
                                    "E-Mail",     "Main Phone", "Pager",       "Mobile Phone"};
const char* const kKindWords[3] = {"Work address", "Home address", "Other address"};
const char* const kAddressWords[3][5] = {
    {"Work address: Street", "Work address: City", "Work address: State", "Work address: Postal Code",
     "Work address: Country"},
    {"Home address: Street", "Home address: City", "Home address: State", "Home address: Postal Code",
     "Home address: Country"},
    {"Other address: Street", "Other address: City", "Other address: State", "Other address: Postal Code",
     "Other address: Country"}};
const char* const kCustomWords[kMaxCustoms] = {"Custom 1", "Custom 2", "Custom 3", "Custom 4", "Custom 5",
                                               "Custom 6", "Custom 7", "Custom 8", "Custom 9"};

double DateOf(std::uint64_t bits) {
    double date = 0;
    std::memcpy(&date, &bits, sizeof date);
    return date;
}

}  // namespace

const char* FieldWords(const RecordEdit& e) {
    if (e.words) return e.words;
    if (e.kind == EditKind::kDate) return "Birthday";
    if (e.label >= 0 && e.label < 8) return kLabelWords[e.label];
    const int t = static_cast<int>(e.text);
    if (e.text >= ContactText::kWorkStreet && e.text <= ContactText::kOtherCountry) {
        const int at = t - static_cast<int>(ContactText::kWorkStreet);
        return e.kind == EditKind::kKind ? kKindWords[at / 5] : kAddressWords[at / 5][at % 5];
    }
    if (e.text >= ContactText::kCustom1) {
        const int i = t - static_cast<int>(ContactText::kCustom1);
        return i < kMaxCustoms ? kCustomWords[i] : "Custom";
    }
    switch (e.text) {
        case ContactText::kFirstName: return "First Name";
        case ContactText::kLastName: return "Last Name";
        case ContactText::kHomePhone: return kLabelWords[kHomePhone];
        case ContactText::kWorkPhone: return kLabelWords[kWorkPhone];
        case ContactText::kMobilePhone: return kLabelWords[kMobilePhone];
        case ContactText::kMainPhone: return kLabelWords[kMainPhone];
        case ContactText::kOtherPhone: return kLabelWords[kOtherPhone];
        case ContactText::kEmail: return kLabelWords[kEmail];
        case ContactText::kFax: return "Fax";
        case ContactText::kHomeFax: return "Home Fax";
        case ContactText::kCompany: return "Company";
        case ContactText::kTitle: return "Title";
        case ContactText::kWebPage: return "Web Page";
        case ContactText::kPager: return kLabelWords[kPager];
        case ContactText::kBirthday: return "Birthday";
        case ContactText::kNote: return "Note";
        default: return "";
    }
}

std::string EditValueText(const RecordEdit& e, bool after) {
    const std::uint64_t number = after ? e.to_number : e.from_number;
    switch (e.kind) {
        case EditKind::kText: return std::string(after ? e.to : e.from);
        case EditKind::kDate: return IsoDate(DateOf(number));
        case EditKind::kLabel: return number < 8 ? kLabelWords[number] : std::to_string(number);
        case EditKind::kKind: return number < 3 ? kKindWords[number] : std::to_string(number);
    }
    return std::string();
}

std::string EditLine(const RecordEdit& e, std::size_t shown) {
    const auto value = [shown](const std::string& text) {
        if (text.empty()) return std::string("(empty)");
        std::string line;
        const std::size_t keep = CharacterSafeLength(text, shown, TextCodePage());
        for (std::size_t i = 0; i < keep; ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
            if (text[i] == '\r' || text[i] == '\n') line += "\\n";
            else line += text[i];
        }
        return keep < text.size() ? line + "..." : line;
    };
    return std::string(FieldWords(e)) + ": " + value(EditValueText(e, false)) + " -> " + value(EditValueText(e, true));
}

}  // namespace tarvenne
