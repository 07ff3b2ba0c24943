// Merging one contact into another by the copy-if-not-empty rule.
#include "engine/contact_record.h"

#include <string_view>
#include <vector>

namespace tarvenne {
namespace {

template <typename Record, typename Visit>
void VisitTexts(Record& r, Visit&& visit) {
    visit(r.first_name);
    visit(r.last_name);
    for (auto* a : {&r.work, &r.home, &r.other}) {
        visit(a->street);
        visit(a->city);
        visit(a->state);
        visit(a->postal_code);
        visit(a->country);
    }
    visit(r.home_phone);
    visit(r.work_phone);
    visit(r.mobile_phone);
    visit(r.main_phone);
    visit(r.other_phone);
    visit(r.email);
    visit(r.fax);
    visit(r.home_fax);
    visit(r.company);
    visit(r.title);
    visit(r.web_page);
    visit(r.note);
    for (auto& c : r.custom) visit(c);
}

}  // namespace

void MergeIntoRecord(ContactRecord& dest, const ContactRecord& source) {
    // Walk both records in step: the n-th text of one is the n-th text of the other.
    std::vector<std::string_view> texts;
    texts.reserve(48);
    VisitTexts(source, [&](const auto& t) { texts.push_back(t); });
    std::size_t i = 0;
    VisitTexts(dest, [&](auto& t) { t.AssignIfNotEmpty(texts[i++]); });
    dest.birthday = source.birthday;
}

}  // namespace tarvenne
