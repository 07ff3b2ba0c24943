// Conversions through glibc's iconv: a declared character set into UTF-8, UTF-8 into the
// Windows code page ("CP1251", "CP932", ...), and back for printing. iconv stops at a
// character it cannot convert; the text goes on after a '?' in its place.
#include "wab/ansi_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tarvenne::wab {
namespace {

// One iconv descriptor, closed when the object goes. Move-only; invalid when iconv did
// not know one of the two character sets.
class IconvHandle {
public:
    IconvHandle(const std::string& to, const std::string& from)
        : cd_(iconv_open(to.c_str(), from.c_str())) {}
    ~IconvHandle() {
        if (Valid()) iconv_close(cd_);
    }
    IconvHandle(IconvHandle&& other) noexcept : cd_(std::exchange(other.cd_, Invalid())) {}
    IconvHandle& operator=(IconvHandle&&) = delete;
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool Valid() const { return cd_ != Invalid(); }
    iconv_t Raw() const { return cd_; }

    // Appends text converted to *out. When iconv meets input it cannot take (a byte that
    // is no character, or a character the other side lacks), replacement goes to *out and
    // skip(rest of input) says how many bytes to pass over (at least one).
    template <typename Skip>
    void Convert(std::string_view text, std::string_view replacement, std::string* out,
                 Skip&& skip) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // a fresh shift state per text
        char* in = const_cast<char*>(text.data());       // iconv's signature; never written
        std::size_t in_left = text.size();
        const std::size_t start = out->size();
        std::size_t used = start;
        out->resize(start + 4 * text.size() + 16);
        for (;;) {
            char* dest = &(*out)[used];
            std::size_t dest_left = out->size() - used;
            const std::size_t r = in_left == 0
                                      ? iconv(cd_, nullptr, nullptr, &dest, &dest_left)
                                      : iconv(cd_, &in, &in_left, &dest, &dest_left);
            used = out->size() - dest_left;
            if (r != static_cast<std::size_t>(-1)) {
                if (in_left == 0) break;
                continue;
            }
            if (errno == E2BIG) {
                out->resize(out->size() * 2 + 16);
                continue;
            }
            // EILSEQ or EINVAL (a character cut off at the end): replace and go on.
            if (out->size() - used < replacement.size()) out->resize(used + replacement.size() + 16);
            out->replace(used, replacement.size(), replacement);
            used += replacement.size();
            std::size_t n = skip(std::string_view(in, in_left));
            if (n == 0 || n > in_left) n = 1;
            in += n;
            in_left -= n;
        }
        out->resize(used);
    }

private:
    static iconv_t Invalid() { return reinterpret_cast<iconv_t>(-1); }
    iconv_t cd_;  // owned
};

std::string IconvName(unsigned code_page) {
    return code_page == 65001 ? std::string("UTF-8") : "CP" + std::to_string(code_page);
}

std::size_t OneByte(std::string_view) { return 1; }

// Bytes 80 to 9F that a single-byte Windows code page leaves without a character: Windows
// reads each as the control character of the same number and writes that back as the
// byte, where glibc refuses both. Found once per code page by asking iconv.
bool UndefinedControl(unsigned code_page, unsigned char byte) {
    static unsigned known_for = 0;
    static std::uint32_t undefined = 0;  // bit b - 0x80
    if (byte < 0x80 || byte > 0x9F || code_page == 65001 || (code_page >= 932 && code_page <= 950)) return false;
    if (known_for != code_page) {
        known_for = code_page;
        undefined = 0;
        IconvHandle decode("UTF-8", IconvName(code_page));
        for (unsigned b = 0x80; decode.Valid() && b <= 0x9F; ++b) {
            char in_byte = static_cast<char>(b), out[8];
            char* in = &in_byte;
            char* dest = out;
            std::size_t in_left = 1, out_left = sizeof out;
            iconv(decode.Raw(), nullptr, nullptr, nullptr, nullptr);
            if (iconv(decode.Raw(), &in, &in_left, &dest, &out_left) == static_cast<std::size_t>(-1))
                undefined |= std::uint32_t{1} << (b - 0x80);
        }
    }
    return undefined >> (byte - 0x80) & 1;
}

// The code point of one well-formed UTF-8 character.
std::uint32_t CodePointOf(std::string_view character) {
    const auto lead = static_cast<unsigned char>(character[0]);
    std::uint32_t c = character.size() == 1 ? lead : lead & (0x7F >> character.size());
    for (std::size_t k = 1; k < character.size(); ++k) c = c << 6 | (static_cast<unsigned char>(character[k]) & 0x3F);
    return c;
}

}  // namespace

struct AnsiConverter::Platform {
    // From the code page's own side: UTF-8 into it (null until first needed).
    std::unique_ptr<IconvHandle> from_utf8;
    // From each declared character set into UTF-8, by name as declared; invalid for the
    // names iconv does not know, so they are asked for only once.
    std::vector<std::pair<std::string, IconvHandle>> to_utf8;
    std::string utf8;  // scratch for the middle step
};

AnsiConverter::AnsiConverter(unsigned code_page)
    : code_page_(code_page), platform_(std::make_unique<Platform>()) {}

AnsiConverter::~AnsiConverter() = default;

bool AnsiConverter::DecodeToUtf8(std::string_view text, std::string_view charset, std::string* out) {
    Platform& p = *platform_;
    IconvHandle* decode = nullptr;
    for (auto& [name, handle] : p.to_utf8)
        if (name == charset) decode = &handle;
    if (!decode) {
        p.to_utf8.emplace_back(std::string(charset), IconvHandle("UTF-8", std::string(charset)));
        decode = &p.to_utf8.back().second;
    }
    if (!decode->Valid()) return false;
    decode->Convert(text, "?", out, OneByte);
    return true;
}

bool AnsiConverter::AppendConverted(std::string_view text, std::string_view charset,
                                    std::string* out) {
    Platform& p = *platform_;
    std::string_view utf8 = text;
    if (charset != "UTF-8") {
        p.utf8.clear();
        if (!DecodeToUtf8(text, charset, &p.utf8)) return false;
        utf8 = p.utf8;
    }
    if (code_page_ == 65001) {
        // Already the code page's form; only the invalid bytes still need their '?'.
        std::size_t i = 0;
        while (i < utf8.size()) {
            const std::size_t n = Utf8CharacterLength(utf8.substr(i));
            if (n == 0) {
                out->push_back('?');
                ++i;
            } else {
                out->append(utf8.data() + i, n);
                i += n;
            }
        }
        return true;
    }
    if (!p.from_utf8) p.from_utf8 = std::make_unique<IconvHandle>(IconvName(code_page_), "UTF-8");
    if (!p.from_utf8->Valid()) {
        // A code page this system's iconv lacks: nothing better than the text as it is.
        out->append(utf8.data(), utf8.size());
        return true;
    }
    // A character the code page lacks is passed over whole and counted; an invalid byte
    // alone, and not counted, since it is no character.
    const auto skip = [this](std::string_view rest) {
        const std::size_t n = Utf8CharacterLength(rest);
        if (n > 0) unmapped_.Add(ScriptCodePage(CodePointOf(rest.substr(0, n))));
        return n;
    };
    // The controls the code page leaves undefined go through as their bytes, as on Windows.
    std::size_t run = 0;
    for (std::size_t i = 0; i + 1 < utf8.size(); ++i) {
        const auto lead = static_cast<unsigned char>(utf8[i]), next = static_cast<unsigned char>(utf8[i + 1]);
        if (lead != 0xC2 || !UndefinedControl(code_page_, next)) continue;
        p.from_utf8->Convert(utf8.substr(run, i - run), "?", out, skip);
        out->push_back(static_cast<char>(next));
        run = ++i + 1;
    }
    p.from_utf8->Convert(utf8.substr(run), "?", out, skip);
    return true;
}

std::string Utf8FromAnsi(std::string_view text, unsigned code_page) {
    bool ascii = true;
    for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii || code_page == 65001) return std::string(text);
    // The tool prints many texts of one code page: its descriptor stays open until exit.
    static unsigned open_code_page = 0;
    static std::unique_ptr<IconvHandle> decode;
    if (!decode || open_code_page != code_page) {
        decode = std::make_unique<IconvHandle>("UTF-8", IconvName(code_page));
        open_code_page = code_page;
    }
    std::string out;
    if (!decode->Valid()) {
        for (char c : text) out += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : "\xEF\xBF\xBD";
        return out;
    }
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (!UndefinedControl(code_page, byte)) continue;
        decode->Convert(text.substr(run, i - run), "\xEF\xBF\xBD", &out, OneByte);
        out.push_back('\xC2');
        out.push_back(static_cast<char>(byte));
        run = i + 1;
    }
    decode->Convert(text.substr(run), "\xEF\xBF\xBD", &out, OneByte);
    return out;
}

}  // namespace tarvenne::wab
