// Text decoding and the JSON and CSV forms used by the commands' output.
#include "cli/output_format.h"

#include "engine/bounded_text.h"
#include "platform/code_page.h"
#include "wab/ansi_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tarvenne::cli {
namespace {

// Code points of bytes 80 to 9F in Windows-1252.
constexpr std::uint16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b < 0xA0) AppendUtf8(out, kHigh1252[b - 0x80]);
        else AppendUtf8(out, b);
    }
    return out;
}

std::string AnsiToUtf8(std::string_view text) { return wab::Utf8FromAnsi(text, TextCodePage()); }

std::string SystemTextToUtf8(std::string_view text) {
#ifdef _WIN32
    return wab::Utf8FromAnsi(text, platform::ActiveAnsiCodePage());
#else
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const std::size_t n = wab::Utf8CharacterLength(text);
        out += n ? text.substr(0, n) : std::string_view("\xEF\xBF\xBD");
        text.remove_prefix(n ? n : 1);
    }
    return out;
#endif
}

std::string JsonString(std::string_view utf8) {
    std::string out;
    AppendJsonString(utf8, &out);
    return out;
}

void AppendJsonString(std::string_view utf8, std::string* to) {
    std::string& out = *to;
    out += '"';
    for (char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            default:
                if (b < 0x20 || b == 0x7F) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", b);
                    out += buf;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

std::string CsvField(std::string_view utf8) {
    // A company "=HYPERLINK(...)" must not become a link, nor "-2+3" a sum, when the file is
    // opened in a spreadsheet; "+49 30 1" stays a phone number.
    const bool formula = !utf8.empty() && std::string_view("=+-@\t\r").find(utf8.front()) != std::string_view::npos &&
                         utf8.find_first_not_of("0123456789 +-()./") != std::string_view::npos;
    const bool quote = formula || utf8.find_first_of(",\"\r\n") != std::string_view::npos ||
                       (!utf8.empty() && (utf8.front() == ' ' || utf8.back() == ' '));
    if (!quote) return std::string(utf8);
    std::string out = formula ? "\"'" : "\"";
    for (char c : utf8) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, result.ptr);
}

JsonWriter::~JsonWriter() { Flush(); }

void JsonWriter::Flush() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
}

void JsonWriter::Indent() {
    buffer_ += '\n';
    buffer_.append(2 * has_items_.size(), ' ');
}

void JsonWriter::BeforeValue() {
    // A report of a large book runs to millions of values: they go out in large writes.
    if (buffer_.size() > (std::size_t{1} << 16)) Flush();
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (has_items_.empty()) return;
    if (has_items_.back()) buffer_ += ',';
    has_items_.back() = true;
    Indent();
}

void JsonWriter::Open(char bracket) {
    BeforeValue();
    buffer_ += bracket;
    has_items_.push_back(false);
}

void JsonWriter::Close(char bracket) {
    const bool had_items = !has_items_.empty() && has_items_.back();
    if (!has_items_.empty()) has_items_.pop_back();
    if (had_items) Indent();
    buffer_ += bracket;
}

void JsonWriter::Key(std::string_view name) {
    BeforeValue();
    AppendJsonString(name, &buffer_);
    buffer_ += ": ";
    after_key_ = true;
}

void JsonWriter::String(std::string_view utf8) {
    BeforeValue();
    AppendJsonString(utf8, &buffer_);
}

void JsonWriter::Int(std::int64_t value) {
    BeforeValue();
    char digits[24];
    buffer_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void JsonWriter::Number(double value) {
    BeforeValue();
    buffer_ += JsonNumber(value);
}

void JsonWriter::Bool(bool value) {
    BeforeValue();
    buffer_ += value ? "true" : "false";
}

void JsonWriter::Null() {
    BeforeValue();
    buffer_ += "null";
}

void JsonWriter::Finish() {
    buffer_ += '\n';
    Flush();
}

}  // namespace tarvenne::cli
