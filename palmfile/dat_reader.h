// The one reader of a contacts file's bytes: little-endian integers, counted strings and
// the record section's typed fields, over bytes held in memory.
//
// Every read checks what is left before it touches a byte, and failure is sticky: once a
// read fails, every later read fails, so no caller can get past the end or past a damaged
// field by ignoring one result. The first failure is kept with its byte offset, in words
// the tool and the wizard can show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
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

class DatReader {
public:
    DatReader() = default;
    // `origin` is where begin lies in the file, for readers over a window of it: offsets
    // in the reasons of failures are the file's.
    DatReader(const std::uint8_t* begin, std::size_t size, std::size_t origin = 0)
        : begin_(begin), pos_(begin), end_(begin + size), origin_(origin) {}

    bool Failed() const { return failed_; }
    // The failure was the end of the bytes, not a field that is wrong: a window that ends
    // before the file does may be read again, longer.
    bool RanOut() const { return ran_out_; }
    const std::string& Error() const { return error_; }
    std::size_t Offset() const { return static_cast<std::size_t>(pos_ - begin_); }
    std::size_t Left() const { return Failed() ? 0 : static_cast<std::size_t>(end_ - pos_); }
    const std::uint8_t* Begin() const { return begin_; }
    // For readers that walk many fields at once over the bytes left: where the reader
    // stands and where the bytes end; MoveTo then takes over where such a walk stopped.
    const std::uint8_t* Here() const { return pos_; }
    const std::uint8_t* End() const { return end_; }
    void MoveTo(const std::uint8_t* here) {
        if (!failed_ && here >= pos_ && here <= end_) pos_ = here;
    }

    // Stops the reading with a reason of the caller's (a count or slot the layout cannot
    // hold); the offset is where the reader stands.
    bool Refuse(const std::string& what) { return FailAt(what, Offset()); }
    // Puts what was being read in front of the reason of a failure.
    void Explain(const std::string& context) {
        if (Failed()) error_ = context + ": " + error_;
    }

    // n bytes where they lie; *bytes points into the reader's memory.
    bool Take(std::size_t n, const std::uint8_t** bytes) {
        if (Failed()) return false;
        if (n > static_cast<std::size_t>(end_ - pos_)) {
            ran_out_ = true;
            return FailAt("the file ends at byte offset " + std::to_string(origin_ + (end_ - begin_)) +
                              " where " + std::to_string(n) + " bytes were expected",
                          Offset());
        }
        *bytes = pos_;
        pos_ += n;
        return true;
    }
    bool Skip(std::size_t n) {
        const std::uint8_t* unused = nullptr;
        return Take(n, &unused);
    }
    bool ReadBytes(void* dest, std::size_t n) {
        const std::uint8_t* b = nullptr;
        if (!Take(n, &b)) return false;
        if (n) std::memcpy(dest, b, n);
        return true;
    }
    bool ReadByte(std::uint8_t* value) { return ReadBytes(value, 1); }
    bool ReadUInt16(std::uint16_t* value) {
        const std::uint8_t* b = nullptr;
        if (!Take(2, &b)) return false;
        *value = static_cast<std::uint16_t>(b[0] | b[1] << 8);
        return true;
    }
    bool ReadUInt32(std::uint32_t* value) {
        const std::uint8_t* b = nullptr;
        if (!Take(4, &b)) return false;
        *value = Le32(b);
        return true;
    }
    bool ReadInt32(std::int32_t* value) {
        std::uint32_t v = 0;
        if (!ReadUInt32(&v)) return false;
        *value = static_cast<std::int32_t>(v);
        return true;
    }
    bool ReadUInt64(std::uint64_t* value) {
        std::uint32_t low = 0, high = 0;
        if (!ReadUInt32(&low) || !ReadUInt32(&high)) return false;
        *value = static_cast<std::uint64_t>(high) << 32 | low;
        return true;
    }

    // A counted string's text: one length byte below 255, FF and a 16-bit length from
    // 255 on. The text is a view into the reader's memory.
    bool ReadCountedText(std::string_view* text) {
        const std::uint8_t* b = nullptr;
        if (!Take(1, &b)) return false;
        std::size_t length = b[0];
        if (length == 0xFF) {
            if (!Take(2, &b)) return false;
            length = static_cast<std::size_t>(b[0] | b[1] << 8);
        }
        if (!Take(length, &b)) return false;
        *text = std::string_view(reinterpret_cast<const char*>(b), length);
        return true;
    }
    // A counted string of at most `most` characters; a longer one is refused (what is
    // stored must not be cut by reading it).
    bool ReadCString(std::string* dest, std::size_t most, const char* what) {
        const std::size_t at = Offset();
        std::string_view text;
        if (!ReadCountedText(&text)) return false;
        if (text.size() > most)
            return FailAt(std::string(what) + " of " + std::to_string(text.size()) +
                              " characters, where at most " + std::to_string(most) + " are read",
                          at);
        dest->assign(text);
        return true;
    }

    // Tag 1, 3 or 6, then the int32 value.
    bool ReadIntegerField(std::int32_t* value) {
        const std::int32_t tag = TakeTag();
        if (tag != kTagInteger && tag != kTagIntegerAlt && tag != kTagBoolean)
            return BadTag(tag, "a number");
        return ReadInt32(value);
    }
    // Tag 5, an int32 marker (not used), then a counted string kept whole.
    bool ReadTextField(std::string_view* text) {
        const std::int32_t tag = TakeTag();
        if (tag != kTagCString) return BadTag(tag, "a text");
        return Skip(4) && ReadCountedText(text);
    }
    // A tag of any value, then eight bytes, low word first.
    bool ReadLongField(std::uint64_t* value) { return Skip(4) && ReadUInt64(value); }
    // A blob as it lies in the file: w0, w1; when w1 is not 0, w2, w3, a length and that
    // many bytes. *encoded covers all of it.
    bool ReadBlob(std::string_view* encoded) {
        const std::uint8_t* start = pos_;
        std::uint32_t w0 = 0, w1 = 0, w2 = 0, w3 = 0, length = 0;
        if (!ReadUInt32(&w0) || !ReadUInt32(&w1)) return false;
        if (w1 != 0 && (!ReadUInt32(&w2) || !ReadUInt32(&w3) || !ReadUInt32(&length) ||
                        !Skip(length)))
            return false;
        *encoded = std::string_view(reinterpret_cast<const char*>(start),
                                    static_cast<std::size_t>(pos_ - start));
        return true;
    }

    static std::uint32_t Le32(const std::uint8_t* b) {
        return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
               static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    }

private:
    // A tag is consumed before it is judged, as the file's own reader did; 0 after a failure.
    std::int32_t TakeTag() {
        std::int32_t tag = 0;
        return ReadInt32(&tag) ? tag : -1;
    }
    bool BadTag(std::int32_t tag, const char* expected) {
        if (Failed()) return false;
        return FailAt("a field tagged " + std::to_string(tag) + " where " + expected +
                          " was expected",
                      Offset() - 4);
    }
    bool FailAt(const std::string& what, std::size_t offset) {
        if (!failed_) error_ = what + " at byte offset " + std::to_string(origin_ + offset);
        failed_ = true;
        pos_ = end_;
        return false;
    }

    const std::uint8_t* begin_ = nullptr;
    const std::uint8_t* pos_ = nullptr;
    const std::uint8_t* end_ = nullptr;
    std::size_t origin_ = 0;
    bool failed_ = false;
    bool ran_out_ = false;
    std::string error_;  // the first failure's reason
};

}  // namespace tarvenne
