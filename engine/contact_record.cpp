// What the engine's contact knows of itself: whether it holds anything, and its birthday
// as a day.
#include "engine/contact_record.h"

#include <cstdio>

namespace tarvenne {

bool ContactRecord::Empty() const {
    const ContactAddress* addresses[3] = {&work, &home, &other};
    for (const ContactAddress* a : addresses)
        if (!a->street.empty() || !a->city.empty() || !a->state.empty() || !a->postal_code.empty() ||
            !a->country.empty())
            return false;
    for (const auto& custom_text : custom)
        if (!custom_text.empty()) return false;
    return first_name.empty() && last_name.empty() && home_phone.empty() && work_phone.empty() &&
           mobile_phone.empty() && main_phone.empty() && other_phone.empty() && email.empty() && fax.empty() &&
           home_fax.empty() && pager.empty() && company.empty() && title.empty() && web_page.empty() &&
           note.empty() && birthday == 0.0 && extras.empty();
}

std::string IsoDate(double automation_date) {
    // The whole days count toward 30 December 1899 from either side; the fraction is the
    // time of that day, also before it.
    if (!(automation_date > -657435.0 && automation_date < 2958466.0) || automation_date == 0.0)
        return std::string();
    const long long days = static_cast<long long>(automation_date) - 25569;  // from 1970-01-01
    // The civil date of a day count (the proleptic Gregorian calendar).
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long day = doy - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[16];  // the range above keeps the year to four digits
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", static_cast<int>(year), static_cast<int>(month),
                  static_cast<int>(day));
    return text;
}

}  // namespace tarvenne
