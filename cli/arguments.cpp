// Command-line parsing for the commands of tarvenne-cli.
#include "cli/arguments.h"

#include "engine/bounded_text.h"

namespace tarvenne::cli {

std::string ParsedArguments::Value(const std::string& name, const std::string& def) const {
    const auto it = values.find(name);
    return it == values.end() || it->second.empty() ? def : it->second.back();
}

ParsedArguments ParseArguments(const std::vector<std::string>& args, const ArgumentSpec& accepted) {
    ParsedArguments parsed;
    bool options_ended = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options_ended || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            parsed.positionals.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_ended = true;
            continue;
        }
        std::string name = arg;
        std::string value;
        bool has_value = false;
        const std::size_t eq = arg.find('=');
        if (eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            has_value = true;
        }
        if (accepted.switches.count(name)) {
            if (has_value) {
                parsed.error = name + " takes no value";
                return parsed;
            }
            parsed.switches.insert(name);
        } else if (accepted.valued.count(name)) {
            if (!has_value) {
                if (i + 1 >= args.size()) {
                    parsed.error = name + " needs a value";
                    return parsed;
                }
                value = args[++i];
            }
            std::vector<std::string>& slot = parsed.values[name];
            if (!slot.empty() && !accepted.repeatable.count(name)) {
                parsed.error = name + " is given twice";
                return parsed;
            }
            slot.push_back(value);
        } else {
            parsed.error = "unknown option " + name;
            return parsed;
        }
    }
    if (parsed.positionals.size() < accepted.min_positionals)
        parsed.error = "missing argument";
    else if (parsed.positionals.size() > accepted.max_positionals)
        parsed.error = "unexpected argument \"" + parsed.positionals[accepted.max_positionals] + "\"";
    return parsed;
}

bool ApplyCodePageOption(const ParsedArguments& parsed, std::string* why) {
    const std::string text = parsed.Value("--codepage", "");
    if (text.empty() && parsed.values.count("--codepage") == 0) return true;
    static const char* const kAccepted[] = {"874",  "932",  "936",  "949",  "950",
                                            "1250", "1251", "1252", "1253", "1254",
                                            "1255", "1256", "1257", "1258"};
    for (const char* code_page : kAccepted) {
        if (text == code_page) {
            SetTextCodePage(static_cast<unsigned>(std::stoul(text)));
            return true;
        }
    }
    *why = "--codepage \"" + text +
           "\" is not a Windows ANSI code page this tool knows (874, 932, 936, 949, 950, "
           "1250 to 1258)";
    return false;
}

}  // namespace tarvenne::cli
