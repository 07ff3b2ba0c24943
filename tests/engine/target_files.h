// Contacts files of both layouts assembled byte by byte from record values, so the job's
// tests read files its own writers did not make and can predict a save's exact bytes.
#pragma once

#include "palmfile/classic_address_file.h"
#include "palmfile/palmsg_address_file.h"
#include "tests/byte_builder.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tarvenne::testing {

inline void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

// Only "Unfiled", which is never stored: the block a save writes back unchanged.
inline void EmptyCategoryBlock(ByteBuilder& b) { b.Int32(128).Int32(0); }

inline void ClassicRow(ByteBuilder& b, const ClassicRecord& r, bool swap_names) {
    b.IntField(r.record_id).IntField(static_cast<std::int32_t>(r.status)).IntField(r.placement);
    b.TextField(swap_names ? r.first_name : r.last_name);
    b.TextField(swap_names ? r.last_name : r.first_name);
    b.TextField(r.title).TextField(r.company);
    for (int i = 0; i < ClassicRecord::kPhones; ++i)
        b.IntField(r.phone_label[i]).TextField(r.phone[i]);
    b.TextField(r.address).TextField(r.city).TextField(r.state).TextField(r.zip).TextField(
        r.country);
    b.TextField(r.note);
    b.IntField(r.is_private, 6).IntField(r.category_id);
    for (const auto& c : r.custom) b.TextField(c);
    b.IntField(r.display_phone);
}

// A classic file as a save would write it for stored_name: the header text keeps its
// (at most four) lines, the categories hold only "Unfiled".
inline std::vector<std::uint8_t> ClassicFileBytes(const std::string& stored_name,
                                                  const std::vector<ClassicRecord>& records,
                                                  bool swap_names = false) {
    ByteBuilder b;
    b.Int32(0x41420100).CString(stored_name).CString("Address book\r\n");
    EmptyCategoryBlock(b);
    b.Int32(74).Int32(30).Int32(0).Int32(1).Int32(2).Int16(30);
    for (int tag :
         {1, 1, 1, 5, 5, 5, 5, 1, 5, 1, 5, 1, 5, 1, 5, 1, 5, 5, 5, 5, 5, 5, 5, 6, 1, 5, 5, 5, 5, 1})
        b.Int16(static_cast<std::uint16_t>(tag));
    b.Int32(static_cast<std::uint32_t>(records.size() * 30));
    for (const auto& r : records) ClassicRow(b, r, swap_names);
    return b.Bytes();
}

inline void Blob(ByteBuilder& b, const DatBlob& blob) {
    b.Int32(blob.w0).Int32(blob.w1);
    if (blob.w1 == 0) return;
    b.Int32(blob.w2).Int32(blob.w3).Int32(blob.length);
    b.Raw(blob.data);
}

inline void PalmSgRow(ByteBuilder& b, const PalmSgRecord& r, bool swap_names) {
    b.IntField(r.record_id).IntField(r.record_number).IntField(static_cast<std::int32_t>(r.status));
    b.IntField(r.entry_index).IntField(r.placement).IntField(r.category_id);
    b.IntField(r.is_private, 6);
    for (const auto& blob : r.blob) Blob(b, blob);
    b.TextField(r.text11).TextField(r.text12);
    b.TextField(swap_names ? r.last_name : r.first_name);
    b.TextField(swap_names ? r.first_name : r.last_name);
    b.TextField(r.title).TextField(r.company).IntField(r.field17).TextField(r.note);
    for (const auto& p : r.phone) b.TextField(p);
    for (int label : r.phone_label) b.IntField(label);
    for (const auto& c : r.custom) b.TextField(c);
    for (const auto& a : r.address) {
        b.IntField(a.kind).TextField(a.street).TextField(a.city).TextField(a.state);
        b.TextField(a.zip).TextField(a.country);
    }
    b.TextField(r.chat[0]).TextField(r.chat[1]).IntField(r.field62).IntField(r.field63);
    b.TextField(r.web_page).LongField(r.birthday_bits).IntField(r.field66, 6);
    b.IntField(r.field67).IntField(r.field68);
    for (const auto& t : r.text69_72) b.TextField(t);
}

// A newer-layout file as a save would write it: the header block carries the next record
// id (0x1000 + number of records) in its bytes 12 and 13.
inline std::vector<std::uint8_t> PalmSgFileBytes(const std::string& stored_name,
                                                 const std::vector<PalmSgRecord>& records,
                                                 bool swap_names = false) {
    ByteBuilder b;
    b.Raw(std::vector<std::uint8_t>{0xBE, 0xBA, 0xFE, 0xCA, 0x0F}).Raw("PalmSG Database00RV");
    b.Int32(0x41420200);
    const std::uint32_t next_id = 0x1000 + static_cast<std::uint32_t>(records.size());
    std::vector<std::uint8_t> header(24, 0);
    for (int i = 0; i < 24; ++i) header[i] = static_cast<std::uint8_t>(0xA0 + i);  // carried
    header[12] = static_cast<std::uint8_t>(next_id);
    header[13] = static_cast<std::uint8_t>(next_id >> 8);
    b.Raw(header);
    b.CString(stored_name);
    for (int i = 0; i < 11; ++i) b.Byte(static_cast<std::uint8_t>(i + 1));
    for (int i = 0; i < 9; ++i) b.CString(i == 0 ? "Birthday club" : "").Int32(0);
    for (int i = 0; i < 42; ++i) b.Byte(static_cast<std::uint8_t>(0x40 + i));
    EmptyCategoryBlock(b);
    b.Int32(74).Int32(73).Int32(0).Int32(2).Int32(4).Int16(73);
    for (int f = 0; f < 73; ++f) {
        int tag = 5;
        if (f <= 5 || f == 17 || (f >= 26 && f <= 32) || f == 42 || f == 48 || f == 54 || f == 62 ||
            f == 63 || f == 67 || f == 68)
            tag = 1;
        else if (f == 6 || f == 66)
            tag = 6;
        else if (f >= 7 && f <= 10)
            tag = 64 + (f - 7);
        else if (f == 65)
            tag = 68;
        b.Int16(static_cast<std::uint16_t>(tag));
    }
    b.Int32(static_cast<std::uint32_t>(records.size() * 73));
    for (const auto& r : records) PalmSgRow(b, r, swap_names);
    return b.Bytes();
}

}  // namespace tarvenne::testing
