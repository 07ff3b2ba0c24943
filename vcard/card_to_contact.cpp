// Each property a card maps to the slot of a tag: names, phones by kind and preference,
// addresses whole, dates, the card's kind and its id; the rest is passed over.
#include "vcard/card_to_contact.h"

#include "wab/automation_date.h"

#include <algorithm>
#include <utility>

namespace tarvenne::vcard {
namespace {

namespace tag = wab::tag;
using wab::FindTextRow;

// Street, city, region, postal code and country of the work, home and other address.
constexpr std::uint32_t kAddressTags[3][5] = {
    {tag::kBusinessStreet, tag::kBusinessCity, tag::kBusinessState, tag::kBusinessPostal, tag::kBusinessCountry},
    {tag::kHomeStreet, tag::kHomeCity, tag::kHomeState, tag::kHomePostal, tag::kHomeCountry},
    {tag::kOtherStreet, tag::kOtherCity, tag::kOtherState, tag::kOtherPostal, tag::kOtherCountry},
};

// Splits a structured value (N, ADR, ORG) at the semicolons that are not escaped; parts
// past the last slot are left in the last one's tail, which no mapping reads.
template <std::size_t N>
std::size_t SplitComponents(std::string_view raw, std::array<std::string_view, N>* parts) {
    std::size_t count = 0, start = 0;
    for (std::size_t i = 0; i < raw.size() && count + 1 < N; ++i) {
        if (raw[i] == '\\') {
            ++i;
        } else if (raw[i] == ';') {
            (*parts)[count++] = raw.substr(start, i - start);
            start = i + 1;
        }
    }
    (*parts)[count++] = raw.substr(start);
    for (std::size_t k = count; k < N; ++k) (*parts)[k] = {};
    return count;
}

// The tag a TEL of these types goes to: fax first, then cell, pager, car, ISDN, work, home,
// preferred, other.
std::uint32_t PhoneTag(std::uint32_t t, int rank) {
    if (t & kFax) return t & kWork ? tag::kBusinessFax : t & kHome ? tag::kHomeFax : tag::kPrimaryFax;
    if (t & kCell) return tag::kMobilePhone;
    if (t & kPager) return tag::kPager;
    if (t & kCar) return tag::kCarPhone;
    if (t & kIsdn) return tag::kIsdn;
    if (t & kWork) return tag::kBusinessPhone;
    if (t & kHome) return tag::kHomePhone;
    return rank < kNoRank || t & kMain ? tag::kPrimaryPhone : tag::kOtherPhone;
}

bool ReadDigits(std::string_view s, std::size_t at, std::size_t n, int* out) {
    if (at + n > s.size()) return false;
    int v = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const char c = s[at + k];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    *out = v;
    return true;
}

// YYYYMMDD or YYYY-MM-DD, either followed by a time part; 00:00 UTC of that day. A date
// without a year (--0203) or that does not exist is no date.
bool ParseDate(std::string_view text, std::uint64_t* time_stamp) {
    text = Trim(text);
    int year = 0, month = 0, day = 0;
    std::size_t end = 0;
    if (!ReadDigits(text, 0, 4, &year)) return false;
    if (text.size() > 4 && text[4] == '-') {
        if (!ReadDigits(text, 5, 2, &month) || text.size() < 8 || text[7] != '-' ||
            !ReadDigits(text, 8, 2, &day))
            return false;
        end = 10;
    } else {
        if (!ReadDigits(text, 4, 2, &month) || !ReadDigits(text, 6, 2, &day)) return false;
        end = 8;
    }
    if (end < text.size() && text[end] != 'T' && text[end] != 't' && text[end] != ' ')
        return false;
    return wab::DateToTimeStamp(year, month, day, time_stamp);
}

}  // namespace

// A value of a declared character set other than UTF-8, as UTF-8: out of quoted-printable,
// then out of its character set, before anything reads its separators or escapes, so that
// a second byte 0x5C (能 is 0x94 0x5C in Shift_JIS) is never a backslash or a separator.
// The value as it is when it needs no such step.
const Property& CardBuilder::CharsetFirst(const Property& p) {
    if (wab::AnsiConverter::NamesUtf8OrNothing(p.charset)) return p;
    std::string_view source = p.value;
    if (p.encoding == Encoding::QuotedPrintable) {
        DecodeQuotedPrintable(source, &quoted_);
        source = quoted_;
    }
    in_utf8_.clear();
    if (!converter_.AppendUtf8(source, p.charset, &in_utf8_)) return p;
    utf8_property_ = p;
    utf8_property_.value = in_utf8_;
    utf8_property_.encoding = Encoding::Plain;
    utf8_property_.charset = "UTF-8";
    return utf8_property_;
}

// The value decoded and in the code page, in decoded_; the characters the code page lacks
// in decoded_unmapped_. A URI's percent escapes of what no URI may hold are resolved too.
std::string_view CardBuilder::Decode(std::string_view raw, const Property& p, bool uri) {
    std::string_view source = raw;
    if (p.encoding == Encoding::QuotedPrintable) {
        DecodeQuotedPrintable(raw, &quoted_);
        source = quoted_;
    }
    // Most values hold nothing to unescape or normalise: they go on as they are.
    if (NeedsUnescape(source)) {
        Unescape(source, version_, &unescaped_);
        source = unescaped_;
    }
    if (uri && HasPercentEscape(source)) {
        DecodePercentEscapes(source, &percent_);
        source = percent_;
    }
    decoded_.clear();
    const std::uint32_t before = converter_.Unmapped().total;
    converter_.Append(source, p.charset, &decoded_);
    decoded_unmapped_ = converter_.Unmapped().total - before;
    return decoded_;
}

CardBuilder::Slot CardBuilder::Keep(std::string_view value, int rank, std::uint32_t unmapped) {
    const Slot kept{static_cast<std::uint32_t>(texts_.size()), static_cast<std::uint32_t>(value.size()), rank,
                    sequence_, unmapped};
    texts_.append(value.data(), value.size());
    return kept;
}

// The value goes into the slot when the slot is empty or holds a value of a lower
// preference; of two of one preference the card's earlier stays. Returns the value that
// does not stay (rank 0: none).
CardBuilder::Slot CardBuilder::Place(std::uint32_t tag, const Slot& value) {
    const int row = FindTextRow(tag);
    if (row < 0) return Slot();
    Slot& slot = slots_[row];
    if (slot.rank != 0 && (slot.rank < value.rank || (slot.rank == value.rank && slot.sequence <= value.sequence)))
        return value;
    const Slot displaced = slot;
    slot = value;
    return displaced;
}

// A value of which a card has one (a name, a note): a second is passed over. Empty values
// are no values; the value is the one Decode gave last.
void CardBuilder::Offer(std::uint32_t tag, std::string_view value, int rank) {
    if (!value.empty()) Place(tag, Keep(value, rank, decoded_unmapped_));
}

// A value a card may repeat (an e-mail address, a phone number of a kind, a web page):
// what finds no slot is an extra of its kind.
void CardBuilder::OfferRepeated(std::uint32_t tag, std::string_view value, int rank) {
    if (value.empty()) return;
    const Slot left = Place(tag, Keep(value, rank, decoded_unmapped_));
    if (left.rank != 0) extras_.push_back({tag, left});
}

// Two slots of one kind (work and home phones): the better value in the first, the
// next in the second, the rest extras.
void CardBuilder::OfferPair(std::uint32_t first, std::uint32_t second, std::string_view value, int rank) {
    if (value.empty()) return;
    Slot left = Place(first, Keep(value, rank, decoded_unmapped_));
    if (left.rank != 0) left = Place(second, left);
    if (left.rank != 0) extras_.push_back({first, left});
}

void CardBuilder::Handle(const Property& property) {
    // Binary values (PHOTO, LOGO, SOUND, KEY, and anything else sent as base64) carry
    // nothing a text slot could hold.
    if (property.encoding == Encoding::Base64 || property.binary || property.name.empty()) return;
    ++sequence_;
    const std::string_view n = property.name;
    const Property& p = property.charset.empty() ? property : CharsetFirst(property);
    switch (Upper(n[0])) {
        case 'A':
            if (EqualsNoCase(n, "ADR")) return HandleAddress(p);
            if (EqualsNoCase(n, "ANNIVERSARY")) return HandleDate(p, &anniversary_);
            break;
        case 'B':
            if (EqualsNoCase(n, "BDAY")) return HandleDate(p, &birthday_);
            break;
        case 'E':
            if (EqualsNoCase(n, "EMAIL")) OfferRepeated(tag::kEmailAddress, Decode(p.value, p), p.rank);
            return;
        case 'F':
            if (EqualsNoCase(n, "FN")) Offer(tag::kDisplayName, Decode(p.value, p), kNoRank);
            return;
        case 'K':
            if (EqualsNoCase(n, "KIND") && EqualsNoCase(Trim(p.value), "group"))
                object_type_ = wab::kObjectTypeDistList;
            return;
        case 'N':
            if (EqualsNoCase(n, "N")) return HandleName(p);
            if (EqualsNoCase(n, "NICKNAME")) Offer(tag::kNickName, Decode(p.value, p), kNoRank);
            if (EqualsNoCase(n, "NOTE")) Offer(tag::kComment, Decode(p.value, p), kNoRank);
            return;
        case 'O':
            if (EqualsNoCase(n, "ORG")) {
                std::array<std::string_view, 2> parts;
                SplitComponents(p.value, &parts);
                Offer(tag::kCompany, Decode(parts[0], p), kNoRank);
                Offer(tag::kDepartment, Decode(parts[1], p), kNoRank);
            }
            return;
        case 'R':
            if (EqualsNoCase(n, "ROLE")) Offer(tag::kProfession, Decode(p.value, p), kNoRank);
            return;
        case 'T':
            if (EqualsNoCase(n, "TEL")) return HandlePhone(p);
            if (EqualsNoCase(n, "TITLE")) Offer(tag::kTitle, Decode(p.value, p), kNoRank);
            return;
        case 'U':
            if (EqualsNoCase(n, "UID") && uid_.empty()) uid_ = Trim(p.value).substr(0, 256);
            if (EqualsNoCase(n, "URL"))
                OfferRepeated(p.types & kHome ? tag::kPersonalHomepage : tag::kBusinessHomepage,
                              Decode(p.value, p, true), p.rank);
            return;
        case 'V':
            if (EqualsNoCase(n, "VERSION")) {
                const std::string_view v = Trim(p.value);
                version_ = v == "2.1" ? kVersion21 : v == "4.0" ? kVersion40 : kVersion30;
            }
            return;
        case 'X':
            if (EqualsNoCase(n, "X-ANNIVERSARY")) return HandleDate(p, &anniversary_);
            if (EqualsNoCase(n, "X-ADDRESSBOOKSERVER-KIND") && EqualsNoCase(Trim(p.value), "group"))
                object_type_ = wab::kObjectTypeDistList;
            return;
        default:
            break;
    }
}

// Family; given; additional; prefix; suffix.
void CardBuilder::HandleName(const Property& p) {
    std::array<std::string_view, 5> parts;
    SplitComponents(p.value, &parts);
    Offer(tag::kLastName, Decode(parts[0], p), kNoRank);
    Offer(tag::kFirstName, Decode(parts[1], p), kNoRank);
    Offer(tag::kMiddleName, Decode(parts[2], p), kNoRank);
    Offer(tag::kGeneration, Decode(parts[4], p), kNoRank);
}

// A tel: URI is the number before its first ';', with an extension appended as " x" and
// the digits.
void CardBuilder::HandlePhone(const Property& p) {
    std::string_view number = Decode(p.value, p);
    if (StartsWithNoCase(number, "tel:")) {
        const std::string_view uri = number.substr(4);
        const std::size_t semicolon = uri.find(';');
        phone_ = uri.substr(0, semicolon);
        for (std::size_t at = semicolon; at != std::string_view::npos;) {
            const std::size_t next = uri.find(';', at + 1);
            const std::string_view param = uri.substr(at + 1, next == std::string_view::npos ? next : next - at - 1);
            if (StartsWithNoCase(param, "ext=") && param.size() > 4)
                phone_.append(" x").append(param.substr(4));
            at = next;
        }
        number = phone_;
    }
    const std::uint32_t kind = PhoneTag(p.types, p.rank);
    if (kind == tag::kBusinessPhone) OfferPair(tag::kBusinessPhone, tag::kBusinessPhone2, number, p.rank);
    else if (kind == tag::kHomePhone) OfferPair(tag::kHomePhone, tag::kHomePhone2, number, p.rank);
    else OfferRepeated(kind, number, p.rank);
}

// Post-office box; extended address; street; city; region; postal code; country. An
// address of a kind is taken whole, never mixed with a second one of the same kind; the
// one that does not stay is an extra of its kind.
void CardBuilder::HandleAddress(const Property& p) {
    const int kind = p.types & kWork ? 0 : p.types & kHome ? 1 : 2;
    std::array<std::string_view, 7> parts;
    SplitComponents(p.value, &parts);
    // The street's parts, then city, region, postal code and country, each in address_[].
    for (std::string& part : address_) part.clear();
    std::uint32_t unmapped[5] = {};
    for (int k = 0; k < 7; ++k) {
        const std::string_view part = Decode(parts[k], p);
        std::string& into = address_[k < 3 ? 0 : k - 2];
        if (k < 3 && !into.empty() && !part.empty()) into += "\r\n";
        into.append(part.data(), part.size());
        unmapped[k < 3 ? 0 : k - 2] += decoded_unmapped_;
    }
    bool any = false;
    for (const std::string& part : address_) any = any || !part.empty();
    if (!any) return;
    Slot kept[5];
    for (int k = 0; k < 5; ++k)
        if (!address_[k].empty()) kept[k] = Keep(address_[k], p.rank, unmapped[k]);
    Slot& taken = addresses_[kind];
    if (taken.rank != 0 && taken.rank <= p.rank) return KeepAddressAsExtra(kind, kept, sequence_);
    if (taken.rank != 0) {
        Slot held[5];
        for (int k = 0; k < 5; ++k) held[k] = slots_[FindTextRow(kAddressTags[kind][k])];
        KeepAddressAsExtra(kind, held, taken.sequence);
    }
    taken = Slot{0, 0, p.rank, sequence_, 0};
    for (int k = 0; k < 5; ++k) slots_[FindTextRow(kAddressTags[kind][k])] = kept[k];
}

// An address as one extra under its kind's street tag, its parts joined as a line a report
// can show: "1 Main St, Springfield, 12345, USA".
void CardBuilder::KeepAddressAsExtra(int kind, const Slot (&parts)[5], std::uint32_t sequence) {
    joined_.clear();
    std::uint32_t unmapped = 0;
    for (const Slot& part : parts) {
        if (part.rank == 0) continue;
        if (!joined_.empty()) joined_ += ", ";
        for (const char c : std::string_view(texts_).substr(part.offset, part.length))
            if (c == '\n') joined_ += ", ";
            else if (c != '\r') joined_ += c;
        unmapped += part.unmapped;
    }
    Slot extra = Keep(joined_, kNoRank, unmapped);
    extra.sequence = sequence;
    extras_.push_back({kAddressTags[kind][0], extra});
}

// The first date of each kind wins; a date whose year is a stand-in is no date.
void CardBuilder::HandleDate(const Property& p, DateSlot* date) {
    std::uint64_t stamp = 0;
    if (date->set || p.omits_year || !ParseDate(Decode(p.value, p), &stamp)) return;
    *date = {true, stamp};
}

wab::EntryView CardBuilder::Finish() {
    // A card with neither name nor display name is shown as the address book shows it:
    // by its organisation, else by its e-mail address.
    auto filled = [&](std::uint32_t t) { return slots_[FindTextRow(t)].rank != 0; };
    if (!filled(tag::kDisplayName) && !filled(tag::kFirstName) && !filled(tag::kLastName)) {
        const std::uint32_t stand_in = filled(tag::kCompany) ? tag::kCompany : tag::kEmailAddress;
        slots_[FindTextRow(tag::kDisplayName)] = slots_[FindTextRow(stand_in)];
    }
    values_.clear();
    const auto deliver = [&](std::uint32_t tag, const Slot& slot, bool extra) {
        wab::PropertyValue v;
        v.tag = tag;
        v.text = std::string_view(texts_).substr(slot.offset, slot.length);
        v.extra = extra;
        v.unmapped = slot.unmapped;
        values_.push_back(v);
    };
    const wab::PropertyRow* rows = wab::PropertyTable();
    for (std::size_t r = 0; r < wab::kPropertyCount; ++r)
        if (slots_[r].rank != 0) deliver(rows[r].tag, slots_[r], false);
    for (const auto& [date, t] : {std::make_pair(birthday_, tag::kBirthday),
                                  std::make_pair(anniversary_, tag::kWeddingAnniversary)}) {
        if (!date.set) continue;
        wab::PropertyValue v;
        v.tag = t;
        v.time = date.stamp;
        values_.push_back(v);
    }
    // The extras last, in card order, whichever of them a better value pushed out of its slot.
    std::stable_sort(extras_.begin(), extras_.end(),
                     [](const Extra& a, const Extra& b) { return a.value.sequence < b.value.sequence; });
    for (const Extra& extra : extras_) deliver(extra.tag, extra.value, true);
    id_.assign(uid_.empty() ? "vcf#" : "vcf:");
    if (uid_.empty()) id_ += std::to_string(index_);
    else id_.append(uid_.data(), uid_.size());
    wab::EntryView entry;
    entry.object_type = object_type_;
    entry.entry_id = id_;
    entry.values = values_.data();
    entry.value_count = values_.size();
    return entry;
}

}  // namespace tarvenne::vcard
