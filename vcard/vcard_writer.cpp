// vCard content lines: folding, text escapes, quoted parameters and URIs.
#include "vcard/vcard_writer.h"

#include "engine/bounded_text.h"
#include "vcard/vcard_text.h"

namespace tarvenne::vcard {

void VCardWriter::Unit(std::string_view unit) {
    if (column_ + unit.size() > kLineOctets) BreakLine();
    Append(unit.data(), unit.size());
    column_ += unit.size();
}

void VCardWriter::Fold(std::string_view utf8) {
    while (column_ + utf8.size() > kLineOctets) {
        const std::size_t room = kLineOctets - column_;
        std::size_t cut = room;
        while (cut > 0 && IsUtf8Continuation(static_cast<unsigned char>(utf8[cut]))) --cut;
        // Bytes that are no UTF-8 at all still end a line somewhere.
        if (cut == 0 && column_ <= 1) cut = room;
        Append(utf8.data(), cut);
        BreakLine();
        utf8.remove_prefix(cut);
    }
    Append(utf8.data(), utf8.size());
    column_ += utf8.size();
}

void VCardWriter::BreakLine() {
    Append(kFoldBreak.data(), kFoldBreak.size());
    column_ = 1;  // the fold's blank
}

void VCardWriter::Escaped(std::string_view utf8, unsigned roles, std::string_view (*escape_of)(char)) {
    while (!utf8.empty()) {
        const std::size_t run = SpanWithout(utf8, roles);
        if (run > 0) Put(utf8.substr(0, run));
        if (run == utf8.size()) return;
        utf8.remove_prefix(run);
        const std::string_view unit = escape_of(utf8[0]);
        if (!unit.empty()) Unit(unit);
        const bool line_break = (roles & kLineBreak) != 0 && HasRole(utf8[0], kLineBreak);
        utf8.remove_prefix(line_break ? BreakLength(utf8) : 1);
    }
}

void VCardWriter::Name(std::string_view name) { Put(name); }

void VCardWriter::Param(std::string_view name, std::string_view tokens) {
    Put(";");
    Put(name);
    Put("=");
    Put(tokens);
}

void VCardWriter::QuotedParam(std::string_view name, std::string_view utf8, bool caret_escapes) {
    Put(";");
    Put(name);
    Put("=\"");
    Escaped(utf8, kCaretEscaped | kLineBreak | kUnwritable, caret_escapes ? CaretEscapeOf : PlainParamFormOf);
    Put("\"");
}

void VCardWriter::Text(std::string_view utf8) {
    Escaped(utf8, kTextEscaped | kLineBreak | kUnwritable, TextEscapeOf);
}

void VCardWriter::Uri(std::string_view utf8) { Escaped(utf8, kUriUnsafe, PercentEscapeOf); }

void VCardWriter::End() {
    Append("\r\n", 2);
    column_ = 0;
}

}  // namespace tarvenne::vcard
