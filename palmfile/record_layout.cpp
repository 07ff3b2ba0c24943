// The two record layouts, written out once.
#include "palmfile/record_layout.h"

#include <cstring>

namespace tarvenne {
namespace {

// One letter per position: I integer, B boolean, T text, O blob, L eight-byte value.
void SetKinds(RecordLayout& l, const char* letters) {
    l.fields = static_cast<int>(std::strlen(letters));
    for (int p = 0; p < l.fields; ++p) {
        switch (letters[p]) {
            case 'B': l.kind[p] = FieldKind::kBoolean; break;
            case 'T': l.kind[p] = FieldKind::kText; break;
            case 'O': l.kind[p] = FieldKind::kBlob; break;
            case 'L': l.kind[p] = FieldKind::kLong; break;
            default: l.kind[p] = FieldKind::kInteger; break;
        }
        l.width[p] = 32;  // the common text width; the wider ones are set below
    }
}

void NoRoles(RecordLayout& l) {
    l.record_id = l.record_number = l.status = l.entry_index = l.placement = -1;
    l.category_id = l.is_private = l.first_name = l.last_name = l.title = l.company = -1;
    l.note = l.web_page = l.birthday = l.display_phone = -1;
    l.phones = l.customs = l.addresses = l.chats = 0;
}

RecordLayout MakeClassic() {
    RecordLayout l{};
    l.name = "classic";
    NoRoles(l);
    SetKinds(l, "IIITTTTITITITITITTTTTTTBITTTTI");
    l.record_id = 0;
    l.status = 1;
    l.placement = 2;
    l.last_name = 3;
    l.first_name = 4;
    l.title = 5;
    l.company = 6;
    l.phones = 5;
    for (int i = 0; i < l.phones; ++i) {
        l.phone_label[i] = 7 + 2 * i;
        l.phone[i] = 8 + 2 * i;
    }
    l.addresses = 1;
    l.address[0] = AddressFields{-1, 17, 18, 19, 20, 21};
    l.note = 22;
    l.is_private = 23;
    l.category_id = 24;
    l.customs = 4;
    for (int i = 0; i < l.customs; ++i) l.custom[i] = 25 + i;
    l.display_phone = 29;
    l.width[6] = l.width[17] = 256;
    l.width[22] = 2048;
    for (int p = 25; p <= 28; ++p) l.width[p] = 64;
    return l;
}

RecordLayout MakePalmSg() {
    RecordLayout l{};
    l.name = "palmsg";
    NoRoles(l);
    SetKinds(l, "IIIIIIBOOOOTTTTTTITTTTTTTTIIIIIIITTTTTTTTTITTTTTITTTTTITTTTTTTIITLBIITTTT");
    l.record_id = 0;
    l.record_number = 1;
    l.status = 2;
    l.entry_index = 3;
    l.placement = 4;
    l.category_id = 5;
    l.is_private = 6;
    l.first_name = 13;
    l.last_name = 14;
    l.title = 15;
    l.company = 16;
    l.note = 18;
    l.phones = 7;
    for (int i = 0; i < l.phones; ++i) {
        l.phone[i] = 19 + i;
        l.phone_label[i] = 26 + i;
    }
    l.customs = 9;
    for (int i = 0; i < l.customs; ++i) l.custom[i] = 33 + i;
    l.addresses = 3;
    for (int i = 0; i < l.addresses; ++i) {
        const int k = 42 + 6 * i;
        l.address[i] = AddressFields{k, k + 1, k + 2, k + 3, k + 4, k + 5};
        l.width[k + 1] = 256;
    }
    l.chats = 2;
    l.chat[0] = 60;
    l.chat[1] = 61;
    l.web_page = 64;
    l.birthday = 65;
    l.width[16] = l.width[64] = 256;
    l.width[18] = 2048;
    for (int p = 33; p <= 41; ++p) l.width[p] = 256;
    return l;
}

}  // namespace

const RecordLayout& ClassicLayout() {
    static const RecordLayout layout = MakeClassic();
    return layout;
}

const RecordLayout& PalmSgLayout() {
    static const RecordLayout layout = MakePalmSg();
    return layout;
}

}  // namespace tarvenne
