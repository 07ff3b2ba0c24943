// INI files for the POSIX side of the seam, behaving as the Windows private-profile
// functions do for the files this program reads and writes.
#include "platform/file_system.h"
#include "platform/private_profile.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <vector>

namespace tarvenne::platform {
namespace {

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::vector<std::string> ReadLines(const std::string& file, bool* crlf) {
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> lines;
    *crlf = true;
    if (!ReadFileBytes(file, &bytes)) return lines;
    const std::string text(bytes.begin(), bytes.end());
    *crlf = text.find("\r\n") != std::string::npos || text.find('\n') == std::string::npos;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// "[name]" gives name; anything else gives false.
bool SectionName(const std::string& line, std::string* name) {
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    const std::size_t close = t.find(']');
    if (close == std::string::npos) return false;
    *name = Trim(t.substr(1, close - 1));
    return true;
}

bool KeyValue(const std::string& line, std::string* key, std::string* value) {
    const std::string t = Trim(line);
    if (t.empty() || t.front() == ';') return false;
    const std::size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    *key = Trim(t.substr(0, eq));
    *value = Trim(t.substr(eq + 1));
    return true;
}

}  // namespace

std::string ReadIniString(const std::string& section, const std::string& key,
                              const std::string& def, const std::string& file) {
    bool crlf;
    bool in_section = false;
    for (const std::string& line : ReadLines(file, &crlf)) {
        std::string name, k, v;
        if (SectionName(line, &name)) {
            in_section = SameName(name, section);
        } else if (in_section && KeyValue(line, &k, &v) && SameName(k, key)) {
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                v = v.substr(1, v.size() - 2);
            return v;
        }
    }
    return def;
}

int ReadIniInt(const std::string& section, const std::string& key, int def,
                   const std::string& file) {
    const std::string value = ReadIniString(section, key, std::string(), file);
    if (value.empty()) return def;
    return ParseIniInt(value);
}

bool WriteIniString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& file) {
    if (section.empty() || key.empty() || file.empty()) return false;
    bool crlf;
    std::vector<std::string> lines = ReadLines(file, &crlf);
    bool in_section = false;
    bool section_found = false;
    std::size_t insert_at = lines.size();
    bool done = false;
    for (std::size_t i = 0; i < lines.size() && !done; ++i) {
        std::string name, k, v;
        if (SectionName(lines[i], &name)) {
            if (in_section) break;  // end of our section: insert before this line
            in_section = SameName(name, section);
            if (in_section) {
                section_found = true;
                insert_at = i + 1;
            }
        } else if (in_section) {
            if (KeyValue(lines[i], &k, &v) && SameName(k, key)) {
                lines[i] = k + "=" + value;
                done = true;
            } else if (!Trim(lines[i]).empty()) {
                insert_at = i + 1;
            }
        }
    }
    if (!done) {
        if (section_found) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert_at), key + "=" + value);
        } else {
            lines.push_back("[" + section + "]");
            lines.push_back(key + "=" + value);
        }
    }
    std::string text;
    for (const std::string& line : lines) text += line + (crlf ? "\r\n" : "\n");
    return WriteFileBytes(file, std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace tarvenne::platform
