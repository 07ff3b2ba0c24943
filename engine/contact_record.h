// The engine's contact: the common shape of an address-book contact and a Palm Desktop
// record, so the two can be compared and one written into the other. Every text has the
// capacity of its field; a birthday is an automation date, 0 for none.
#pragma once

#include "engine/bounded_text.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarvenne {

struct ContactAddress {
    BoundedText<64> street;
    BoundedText<32> city;
    BoundedText<32> state;
    BoundedText<16> postal_code;
    BoundedText<32> country;
};

// A value a contact brings beyond its named fields: a second e-mail address, the business
// fax when the primary fax fills the fax slot, a second work phone, a car phone. It takes a
// phone slot of its label when the record has a free one; label -1 is a value no record
// field holds (a second web page, a second address of a kind), which is only reported.
struct ContactExtra {
    std::int32_t label = -1;
    BoundedText<64> text;
    std::uint32_t origin = 0;       // the caller's name for where it came from (a property tag)
    const char* words = nullptr;    // label -1: what it is, in the user's words ("Web Page")
    std::uint32_t delivered = 0;    // its bytes as delivered, when more than the text holds
    std::uint32_t unmapped = 0;     // characters of it stored as '?'
};

struct ContactRecord {
    BoundedText<32> first_name;
    BoundedText<32> last_name;
    ContactAddress work;
    ContactAddress home;
    ContactAddress other;
    BoundedText<24> home_phone;
    BoundedText<24> work_phone;
    BoundedText<24> mobile_phone;
    BoundedText<24> main_phone;
    BoundedText<24> other_phone;
    BoundedText<64> email;
    BoundedText<24> fax;
    BoundedText<24> home_fax;
    BoundedText<24> pager;
    BoundedText<64> company;
    BoundedText<32> title;
    BoundedText<256> web_page;
    BoundedText<2048> note;
    BoundedText<64> custom[9];
    double birthday = 0.0;  // days since 30 December 1899; 0 means no birthday
    std::vector<ContactExtra> extras;  // in the order the address book gives them

    // Holds no value a record could take or report: every text empty, no birthday, no extra.
    bool Empty() const;
};

// Names for the texts of a contact, for saying which of them reached a file cut short.
// The three addresses follow each other in the order street, city, state, postal code,
// country; the custom texts run from kCustom1 to kCustom1 + 8.
enum class ContactText : std::uint8_t {
    kFirstName, kLastName,
    kWorkStreet, kWorkCity, kWorkState, kWorkPostalCode, kWorkCountry,
    kHomeStreet, kHomeCity, kHomeState, kHomePostalCode, kHomeCountry,
    kOtherStreet, kOtherCity, kOtherState, kOtherPostalCode, kOtherCountry,
    kHomePhone, kWorkPhone, kMobilePhone, kMainPhone, kOtherPhone, kEmail, kFax, kHomeFax,
    kCompany, kTitle, kWebPage, kNote, kPager, kBirthday, kExtra, kCustom1,
};

inline ContactText AddressText(int address, int part) {
    return static_cast<ContactText>(static_cast<int>(ContactText::kWorkStreet) + 5 * address + part);
}
inline ContactText CustomText(int index) {
    return static_cast<ContactText>(static_cast<int>(ContactText::kCustom1) + index);
}

// The day of an automation date (days since 30 December 1899; a time part is ignored) as
// ISO 8601, "1968-11-04"; empty for 0 (no date) and outside the years 100 to 9999.
std::string IsoDate(double automation_date);

}  // namespace tarvenne
