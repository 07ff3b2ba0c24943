// The reader's lines: physical lines over the file's bytes, joined into properties (folds,
// and quoted-printable soft breaks), each property's name and parameters read once into
// what the card mapping asks of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvenne::vcard {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The one reader over the file's bytes. It hands out physical lines without their line
// ends (CR LF, LF, CR, and the CR CR LF some exporters write).
class LineReader {
public:
    LineReader(const char* data, std::size_t size) : data_(data), size_(size) {}

    bool Next(std::string_view* line, std::size_t* start) {
        if (pos_ >= size_) return false;
        std::size_t i = pos_;
        while (i < size_ && data_[i] != '\r' && data_[i] != '\n') ++i;
        *line = std::string_view(data_ + pos_, i - pos_);
        *start = pos_;
        if (i >= size_) {
            pos_ = size_;
        } else if (data_[i] == '\n') {
            pos_ = i + 1;
        } else if (i + 1 < size_ && data_[i + 1] == '\n') {
            pos_ = i + 2;
        } else if (i + 2 < size_ && data_[i + 1] == '\r' && data_[i + 2] == '\n') {
            pos_ = i + 3;
        } else {
            pos_ = i + 1;
        }
        return true;
    }

    // The first byte of the next line, 0 at the end.
    char PeekByte() const { return pos_ < size_ ? data_[pos_] : '\0'; }

    // The next line without consuming it.
    std::string_view PeekLine() const {
        std::size_t i = pos_;
        while (i < size_ && data_[i] != '\r' && data_[i] != '\n') ++i;
        return std::string_view(data_ + pos_, i - pos_);
    }

private:
    const char* data_;  // not owned: the caller's buffer outlives the reader
    std::size_t size_;
    std::size_t pos_ = 0;
};

// The kinds a TYPE parameter (or a bare 2.1 parameter) gives a property.
enum TypeBit : std::uint32_t {
    kWork = 1u << 0, kHome = 1u << 1, kCell = 1u << 2, kFax = 1u << 3, kPager = 1u << 4,
    kCar = 1u << 5, kIsdn = 1u << 6, kPref = 1u << 7, kMain = 1u << 8,
};

// PREF runs from 1 (most preferred) to 100; a value without it comes after them all.
constexpr int kNoRank = 101;

enum class Encoding { Plain, QuotedPrintable, Base64 };

// A property: [group.]NAME(;PARAM)*:VALUE. Its views point into the line it was read from.
struct Property {
    std::string_view name;  // without its group (item1.EMAIL is EMAIL)
    std::uint32_t types = 0;
    int rank = kNoRank;
    Encoding encoding = Encoding::Plain;
    std::string_view charset;   // as declared; empty when none is
    bool binary = false;        // VALUE=binary
    bool omits_year = false;    // Apple's X-APPLE-OMIT-YEAR: the date's year is a stand-in
    std::string_view value;
};

// True for a BEGIN:VCARD (which "BEGIN") or END:VCARD line, in any letter case and spacing.
bool IsCardBoundary(std::string_view line, std::string_view which);

// One property line: physical lines joined where the next begins with a blank (a fold)
// and, in a quoted-printable value, where a line ends in a soft break ('='). A line longer
// than the limit is consumed whole and reported oversized.
class PropertyReader {
public:
    PropertyReader(LineReader& in, std::size_t max_line_bytes) : in_(in), max_line_bytes_(max_line_bytes) {}

    enum class Kind { End, Blank, Stray, Oversized, Property };

    // The next property into *p, valid until the next call; *offset is where its first
    // line begins in the reader's bytes.
    Kind Next(Property* p, std::size_t* offset);

private:
    LineReader& in_;  // not owned: the caller's
    std::size_t max_line_bytes_;
    std::string joined_;  // the joined line when there was more than one
};

// Where the last card of bytes begins, as a line of its own at or after from: 0 when no
// such line follows the first.
std::size_t LastCardStart(std::string_view bytes, std::size_t from);

}  // namespace tarvenne::vcard
