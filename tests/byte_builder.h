// Assembles file bytes item by item, as the layout tables describe them, so tests check
// the readers against files this program's writers did not produce.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvenne::testing {

class ByteBuilder {
public:
    // Little-endian, `width` bytes.
    ByteBuilder& Int(std::uint64_t v, int width) {
        for (int i = 0; i < width; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        return *this;
    }
    ByteBuilder& Byte(std::uint8_t v) { return Int(v, 1); }
    ByteBuilder& Int16(std::uint16_t v) { return Int(v, 2); }
    ByteBuilder& Int32(std::uint32_t v) { return Int(v, 4); }
    ByteBuilder& Int64(std::uint64_t v) { return Int(v, 8); }
    ByteBuilder& Raw(std::string_view text) {
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        return *this;
    }
    // Counted string: one length byte below 255, else FF and a 16-bit length.
    ByteBuilder& CString(std::string_view text) {
        if (text.size() < 255) {
            Byte(static_cast<std::uint8_t>(text.size()));
        } else {
            Byte(0xFF);
            Int16(static_cast<std::uint16_t>(text.size()));
        }
        return Raw(text);
    }

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace tarvenne::testing
