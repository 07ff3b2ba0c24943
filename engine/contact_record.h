// The engine's contact: the common shape of an address-book contact and a Palm Desktop
// record, so the two can be compared and one written into the other. Every text has the
// capacity of its field; a birthday is an automation date, 0 for none.
#pragma once

#include "engine/bounded_text.h"

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

// Copies every text of source into dest by the copy-if-not-empty rule and the birthday
// as it is (also 0): what a merge into an existing entry does.
void MergeIntoRecord(ContactRecord& dest, const ContactRecord& source);

}  // namespace tarvenne
