// Command-line parsing shared by the commands: positional arguments, switches and options
// with a value ("--format json" or "--format=json"), options that may repeat.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace tarvenne::cli {

struct ArgumentSpec {
    std::set<std::string> switches;       // "--swap-names"
    std::set<std::string> valued;         // "--format"
    std::set<std::string> repeatable;     // a subset of valued: "--custom"
    std::size_t min_positionals = 0;
    std::size_t max_positionals = 0;
};

struct ParsedArguments {
    std::vector<std::string> positionals;
    std::set<std::string> switches;
    std::map<std::string, std::vector<std::string>> values;
    std::string error;  // empty when the arguments are good

    bool Has(const std::string& name) const { return switches.count(name) != 0; }
    // The option's (last) value, or def when it was not given.
    std::string Value(const std::string& name, const std::string& def) const;
};

// "--" ends the options; everything after it is positional.
ParsedArguments ParseArguments(const std::vector<std::string>& args, const ArgumentSpec& accepted);

// --codepage N: the Windows ANSI code page of the contacts file's texts (874, 932, 936,
// 949, 950, 1250 to 1258), made the process's text code page. Without the option the
// system's stays. False, with the reason, for any other value.
bool ApplyCodePageOption(const ParsedArguments& parsed, std::string* why);

}  // namespace tarvenne::cli
