// A text field of fixed capacity: n bytes hold at most n - 1 characters, and every
// assignment is cut to fit, so no copy can ever run past the field.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvenne {

// How many bytes of text a field of `capacity` bytes (with its NUL) keeps.
inline std::size_t FitLength(std::string_view text, std::size_t capacity) {
    const std::size_t room = capacity == 0 ? 0 : capacity - 1;
    return text.size() < room ? text.size() : room;
}

// The part of text a field of `capacity` bytes keeps.
inline std::string_view Fit(std::string_view text, std::size_t capacity) {
    return text.substr(0, FitLength(text, capacity));
}

// Copies at most capacity - 1 characters of source into dest (capacity 0 empties it).
inline void CopyBounded(std::string& dest, std::string_view source, std::size_t capacity) {
    dest.assign(source.data(), FitLength(source, capacity));
}

// Copy-if-not-empty: an empty source never clears a value.
inline void CopyIfNotEmpty(std::string& dest, std::string_view source, std::size_t capacity) {
    if (!source.empty()) CopyBounded(dest, source, capacity);
}

template <std::size_t Capacity>
class BoundedText {
public:
    static constexpr std::size_t kCapacity = Capacity;

    BoundedText() = default;
    BoundedText(std::string_view text) { Assign(text); }  // NOLINT: texts convert freely
    BoundedText& operator=(std::string_view text) {
        Assign(text);
        return *this;
    }

    void Assign(std::string_view text) { CopyBounded(text_, text, Capacity); }
    void AssignIfNotEmpty(std::string_view text) { CopyIfNotEmpty(text_, text, Capacity); }
    void Clear() { text_.clear(); }

    const std::string& str() const { return text_; }
    const char* c_str() const { return text_.c_str(); }
    bool empty() const { return text_.empty(); }
    std::size_t size() const { return text_.size(); }
    operator std::string_view() const { return text_; }  // NOLINT

    friend bool operator==(const BoundedText& a, const BoundedText& b) { return a.text_ == b.text_; }
    friend bool operator!=(const BoundedText& a, const BoundedText& b) { return a.text_ != b.text_; }

private:
    std::string text_;
};

}  // namespace tarvenne
