// Running tarvenne-cli in the test's process, and reading its reports and the files it writes.
#pragma once

#include "cli/commands.h"
#include "engine/bounded_text.h"
#include "palmfile/classic_address_file.h"
#include "palmfile/palmsg_address_file.h"

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace tarvenne::cli {

struct CliRun {
    int status;
    std::string out, err;
};

// The output goes to *output when one is given (CliRun::out is then empty).
inline CliRun Cli(const std::vector<std::string>& args, std::ostream* output = nullptr) {
    std::ostringstream out, err;
    const int status = RunCli(args, output ? *output : out, err);
    SetTextCodePage(0);  // the tool sets it for its one run; tests share the process
    return {status, out.str(), err.str()};
}

// A contacts file of either layout, loaded.
inline std::unique_ptr<AddressFile> OpenContactsFile(const std::string& path) {
    std::unique_ptr<AddressFile> file = std::make_unique<ClassicAddressFile>(path);
    if (!file->Loaded()) file = std::make_unique<PalmSgAddressFile>(path);
    return file;
}

// The value of a key of a JSON report, as it stands (one key a line; strings hold no
// escaped quotes).
inline std::string JsonValue(const std::string& json, const std::string& key) {
    const std::string needle = "\"" + key + "\": ";
    const std::size_t at = json.find(needle);
    if (at == std::string::npos) return "<missing " + key + ">";
    const std::size_t from = at + needle.size();
    const std::size_t end = json[from] == '"' ? json.find('"', from + 1) + 1 : json.find_first_of(",\n", from);
    return json.substr(from, end - from);
}

}  // namespace tarvenne::cli
