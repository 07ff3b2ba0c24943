// The encoding of the record section's typed fields, read straight from a file's bytes.
//
// The stream's field reads and the record readers of both layouts go through this one
// cursor, so a record accepted when its file was loaded decodes by the same rules whenever
// it is decoded again from the kept bytes. Nothing here allocates: texts and blob data are
// views into the bytes, which the caller keeps alive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarvenne {

// Field tags written ahead of each value in the record section.
enum DatFieldTag : std::int32_t {
    kTagInteger = 1,
    kTagIntegerAlt = 3,  // read as an integer, never written
    kTagCString = 5,
    kTagBoolean = 6,
    kTagLong = 68,       // eight-byte value
};

// The longest text a counted string can carry.
constexpr std::size_t kMaxCountedString = 65535;

// A blob as it lies in the file; data points into the file's bytes.
struct DatBlobView {
    std::uint32_t w0 = 0, w1 = 0, w2 = 0, w3 = 0, length = 0;
    const std::uint8_t* data = nullptr;
};

class DatFieldCursor {
public:
    enum class Failure { kNone, kShort, kBadTag };

    DatFieldCursor(const std::uint8_t* begin, const std::uint8_t* end) : pos_(begin), end_(end) {}

    const std::uint8_t* Position() const { return pos_; }
    bool Failed() const { return failure_ != Failure::kNone; }
    // After a failure: what went wrong, where the failing read started, how many bytes it
    // wanted (kShort) or which tag it met where what it names was expected (kBadTag, the
    // tag already consumed).
    Failure WhatFailed() const { return failure_; }
    const std::uint8_t* FailedAt() const { return failed_at_; }
    std::size_t BytesWanted() const { return wanted_; }
    std::int32_t BadTag() const { return bad_tag_; }
    const char* Expected() const { return expected_; }

    bool Bytes(std::size_t n, const std::uint8_t** bytes) {
        if (failure_ != Failure::kNone) return false;
        if (n > static_cast<std::size_t>(end_ - pos_)) {
            failure_ = Failure::kShort;
            failed_at_ = pos_;
            wanted_ = n;
            return false;
        }
        if (bytes) *bytes = pos_;
        pos_ += n;
        return true;
    }

    bool UInt32(std::uint32_t* value) {
        const std::uint8_t* b = nullptr;
        if (!Bytes(4, &b)) return false;
        *value = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
                 static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
        return true;
    }

    bool Int32(std::int32_t* value) {
        std::uint32_t v = 0;
        if (!UInt32(&v)) return false;
        *value = static_cast<std::int32_t>(v);
        return true;
    }

    // A counted string's length: one byte below 255; FF and a 16-bit length otherwise.
    // *long_form tells which form the file used.
    bool CountedLength(std::size_t* length, bool* long_form) {
        const std::uint8_t* b = nullptr;
        if (!Bytes(1, &b)) return false;
        *long_form = b[0] == 0xFF;
        if (!*long_form) {
            *length = b[0];
            return true;
        }
        if (!Bytes(2, &b)) return false;
        *length = static_cast<std::size_t>(b[0] | b[1] << 8);
        return true;
    }

    // Tag 1, 3 or 6, then the int32 value.
    bool IntegerField(std::int32_t* value, std::int32_t* tag) {
        if (!Tag(tag)) return false;
        if (*tag != kTagInteger && *tag != kTagIntegerAlt && *tag != kTagBoolean)
            return RefuseTag(*tag, "a number");
        return Int32(value);
    }

    // Tag 5, an int32 marker, then a counted string (at most 65,535 bytes by its form).
    bool TextField(std::string_view* text, std::int32_t* marker, bool* long_form) {
        std::int32_t tag = 0;
        if (!Tag(&tag)) return false;
        if (tag != kTagCString) return RefuseTag(tag, "a text");
        std::size_t length = 0;
        if (!Int32(marker) || !CountedLength(&length, long_form)) return false;
        const std::uint8_t* b = nullptr;
        if (length > 0 && !Bytes(length, &b)) return false;
        *text = std::string_view(reinterpret_cast<const char*>(b), length);
        return true;
    }

    // A tag of any value, then eight bytes, low word first.
    bool LongField(std::uint64_t* value, std::int32_t* tag) {
        std::uint32_t low = 0, high = 0;
        if (!Tag(tag) || !UInt32(&low) || !UInt32(&high)) return false;
        *value = static_cast<std::uint64_t>(high) << 32 | low;
        return true;
    }

    // w0, w1; when w1 is not 0, w2, w3, a length and that many bytes. The length is
    // checked against the bytes left before anything refers to them.
    bool Blob(DatBlobView* blob) {
        *blob = DatBlobView{};
        if (!UInt32(&blob->w0) || !UInt32(&blob->w1)) return false;
        if (blob->w1 == 0) return true;
        if (!UInt32(&blob->w2) || !UInt32(&blob->w3) || !UInt32(&blob->length)) return false;
        return blob->length == 0 || Bytes(blob->length, &blob->data);
    }

private:
    bool Tag(std::int32_t* tag) { return Int32(tag); }

    bool RefuseTag(std::int32_t tag, const char* expected) {
        failure_ = Failure::kBadTag;
        failed_at_ = pos_ - 4;
        bad_tag_ = tag;
        expected_ = expected;
        return false;
    }

    const std::uint8_t* pos_;
    const std::uint8_t* end_;
    Failure failure_ = Failure::kNone;
    const std::uint8_t* failed_at_ = nullptr;
    std::size_t wanted_ = 0;
    std::int32_t bad_tag_ = 0;
    const char* expected_ = "";
};

}  // namespace tarvenne
