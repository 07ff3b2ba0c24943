// Printing the files' 8-bit texts: decoded to UTF-8, JSON strings and a small
// JSON writer, CSV fields.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tarvenne::cli {

// Windows-1252 bytes as UTF-8. The five bytes the code page leaves undefined (81, 8D, 8F,
// 90, 9D) become the control characters of the same number, as Windows decodes them.
std::string Windows1252ToUtf8(std::string_view text);

// 8-bit text in the process's text code page (see --codepage) as UTF-8.
std::string AnsiToUtf8(std::string_view text);

// Text in the system's own encoding (a path, a message with paths in it) as UTF-8: on
// Windows decoded from the active ANSI code page, which --codepage does not change; elsewhere
// the UTF-8 it is, with a byte that is not UTF-8 shown as U+FFFD.
std::string SystemTextToUtf8(std::string_view text);

// A UTF-8 text as a quoted JSON string: quote, backslash and control characters escaped.
std::string JsonString(std::string_view utf8);
void AppendJsonString(std::string_view utf8, std::string* to);

// A CSV field: quoted (with quotes doubled) when it holds a comma, a quote, a line break or
// leading or trailing blanks; otherwise as it is. A cell a spreadsheet would run as a
// formula (beginning with =, +, -, @, tab or CR) is quoted behind an apostrophe, unless it
// holds only digits, spaces and + - ( ) . / as phone numbers do.
std::string CsvField(std::string_view utf8);

// A number for JSON: shortest form that reads back the same; null for NaN and infinities.
std::string JsonNumber(double value);

// Writes JSON with two-space indentation, placing the commas itself; what it holds goes out
// at the latest with Finish or when it goes.
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}
    ~JsonWriter();
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }
    // The key of the next value inside an object.
    void Key(std::string_view name);
    void String(std::string_view utf8);
    // An 8-bit text of a contacts file, decoded from the text code page.
    void Text(std::string_view ansi) { String(AnsiToUtf8(ansi)); }
    void Int(std::int64_t value);
    void Number(double value);
    void Bool(bool value);
    void Null();
    // Ends the document with a line break and writes it out.
    void Finish();

private:
    void Open(char bracket);
    void Close(char bracket);
    void BeforeValue();
    void Indent();
    void Flush();

    std::ostream& out_;
    std::string buffer_;
    std::vector<bool> has_items_;  // one per open object or array
    bool after_key_ = false;
};

}  // namespace tarvenne::cli
