// The engine's contact: the common shape of an address-book contact and a Palm Desktop
// record, so the two can be compared and one written into the other. Every text has the
// capacity of its field; a birthday is an automation date, 0 for none.
#pragma once

#include "engine/bounded_text.h"

#include <cstdint>

namespace tarvenne {

struct ContactAddress {
    BoundedText<64> street;
    BoundedText<32> city;
    BoundedText<32> state;
    BoundedText<16> postal_code;
    BoundedText<32> country;
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
    BoundedText<64> company;
    BoundedText<32> title;
    BoundedText<256> web_page;
    BoundedText<2048> note;
    BoundedText<64> custom[9];
    double birthday = 0.0;  // days since 30 December 1899; 0 means no birthday
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
    kCompany, kTitle, kWebPage, kNote, kCustom1,
};

inline ContactText AddressText(int address, int part) {
    return static_cast<ContactText>(static_cast<int>(ContactText::kWorkStreet) + 5 * address + part);
}
inline ContactText CustomText(int index) {
    return static_cast<ContactText>(static_cast<int>(ContactText::kCustom1) + index);
}

}  // namespace tarvenne
