// tarvenne-cli export: every record of a contacts file of either layout as a vCard (3.0 or
// 4.0), on standard output or into a file that appears whole or not at all. The contacts
// file is only read; vcard/record_to_card.h makes the cards.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/conversion_setup.h"
#include "cli/target_loader.h"
#include "platform/file_system.h"
#include "vcard/record_to_card.h"
#include "vcard/vcard_writer.h"

#include <string>

namespace tarvenne::cli {
namespace {

constexpr const char* kExportUsage =
    "export TARGET [--vcard 3.0|4.0] [--codepage N] [--swap-names] [--output FILE]\n"
    "                      [--include-deleted]";
constexpr std::size_t kChunk = 256u << 10;  // bytes of cards handed on at a time

// Where the cards go: standard output, or a temporary file beside FILE that takes FILE's
// name only when it is complete and flushed, so FILE is never seen half-written.
class CardSink {
public:
    CardSink(std::ostream& out, std::string path)
        : out_(out), path_(std::move(path)), temp_(path_ + ".tmp~") {}
    ~CardSink() {
        if (path_.empty() || finished_) return;
        file_.Close();
        platform::RemoveFile(temp_);
    }
    CardSink(const CardSink&) = delete;
    CardSink& operator=(const CardSink&) = delete;

    bool Open() {
        if (path_.empty() || file_.Open(temp_, platform::OpenMode::CreateAlways)) return true;
        const std::size_t end = path_.find_last_of(platform::kPathSeparator == '/' ? "/" : "/\\");
        if (end != std::string::npos && end > 0 && !platform::PathExists(path_.substr(0, end))) {
            why_ = "cannot write \"" + path_ + "\": the folder \"" + path_.substr(0, end) + "\" does not exist";
            return false;
        }
        return Fail(file_.LastError());
    }
    bool Put(std::string_view bytes) {
        // An export of nothing (every record deleted or archived) is an empty file, not a failure.
        if (bytes.empty()) return true;
        if (!path_.empty()) return file_.Write(bytes.data(), bytes.size()) || Fail(file_.LastError());
        out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out_) || Fail(platform::FileError{"write", "standard output", 0});
    }
    bool Finish() {
        if (path_.empty())
            return static_cast<bool>(out_.flush()) || Fail(platform::FileError{"write", "standard output", 0});
        if (!file_.Flush()) return Fail(file_.LastError());
        file_.Close();
        platform::FileError error;
        if (!platform::RenameReplacing(temp_, path_, &error)) return Fail(error);
        finished_ = true;
        return true;
    }
    const std::string& Why() const { return why_; }

private:
    bool Fail(const platform::FileError& error) {
        why_ = path_.empty() ? error.Describe()
                             : "cannot write \"" + path_ + "\": " + error.Describe() + "; nothing was written";
        return false;
    }

    std::ostream& out_;
    const std::string path_;  // empty: standard output
    const std::string temp_;
    platform::ExclusiveFile file_;
    bool finished_ = false;
    std::string why_;
};

}  // namespace

int RunExport(const std::vector<std::string>& args, CommandIo& io) {
    ArgumentSpec accepted;
    accepted.switches = {"--swap-names", "--include-deleted"};
    accepted.valued = {"--vcard", "--codepage", "--output"};
    accepted.min_positionals = accepted.max_positionals = 1;
    const ParsedArguments parsed = ParseArguments(args, accepted);
    const std::string version = parsed.Value("--vcard", "3.0");
    const std::string output = parsed.Value("--output", "");
    std::string usage_error = parsed.error;
    if (usage_error.empty() && version != "3.0" && version != "4.0")
        usage_error = "--vcard \"" + version + "\": 3.0 or 4.0";
    if (usage_error.empty()) ApplyCodePageOption(parsed, &usage_error);
    if (usage_error.empty() && parsed.values.count("--output") && output.empty())
        usage_error = "--output needs a file name";
    if (!usage_error.empty()) {
        io.err << "tarvenne-cli export: " << usage_error << "\nusage: tarvenne-cli " << kExportUsage << "\n";
        return kExitUsage;
    }

    const std::string& target = parsed.positionals[0];
    CardSink sink(io.out, output);
    if (!sink.Open()) {
        io.err << "tarvenne-cli export: " << sink.Why() << "\n";
        return kExitNotWritten;
    }
    vcard::VCardWriter cards;
    vcard::CardMaker maker(version == "4.0", &cards);
    const bool include_deleted = parsed.Has("--include-deleted");
    bool written = true;
    const auto each = [&](const AddressFile& file, const PalmRecord& r) {
        if (!include_deleted && (r.Status() & kStatusNotListed) != 0) return true;
        maker.Write(file, r);
        if (cards.Written().size() < kChunk) return true;
        written = sink.Put(cards.Written());
        cards.Clear();
        return written;
    };
    std::string read_path, why;
    UserLibraryScope user_library;  // for @user:ID
    // Standard output cannot be taken back: a damaged file must be found before the first
    // card. A file's temporary is simply dropped, so one reading does.
    switch (VisitTarget(target, parsed.Has("--swap-names"), output.empty(), each, &read_path, &why)) {
        case TargetResult::BadTarget:
            io.err << "tarvenne-cli export: " << why << "\n";
            return kExitUsage;
        case TargetResult::Unreadable:
            io.err << "tarvenne-cli export: cannot read \"" << target << "\": " << why << "\n";
            return kExitUnreadable;
        case TargetResult::Loaded: break;
    }
    if (!output.empty() && platform::SameFile(output, read_path)) {
        io.err << "tarvenne-cli export: --output \"" << output
               << "\" is the contacts file itself; nothing was written\n";
        return kExitUsage;
    }
    if (!written || !sink.Put(cards.Written()) || !sink.Finish()) {
        io.err << "tarvenne-cli export: " << sink.Why() << "\n";
        return kExitNotWritten;
    }
    return kExitDone;
}

}  // namespace tarvenne::cli
