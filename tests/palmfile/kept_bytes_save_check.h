// A check shared by the tests of both contacts-file layouts: a save that writes the records
// nobody asked for from their kept bytes gives the same file as a save after every record
// was asked for (and so is written from its fields).
#pragma once

#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tarvenne::testing {

// Loads input from path with one swap-names option, asks for every record when read_all,
// saves with the other option and gives the bytes saved (none after a failure).
template <class File>
std::vector<std::uint8_t> SaveAfterLoad(const std::string& path,
                                        const std::vector<std::uint8_t>& input,
                                        bool swap_at_load, bool swap_at_save, bool read_all,
                                        const std::string& where) {
    std::vector<std::uint8_t> saved;
    if (!platform::WriteFileBytes(path, input)) {
        ADD_FAILURE() << where << ": cannot write " << path;
        return saved;
    }
    File file;
    file.SetSwapNames(swap_at_load);
    if (!file.Load(path)) {
        ADD_FAILURE() << where << ": " << file.LastError();
        return saved;
    }
    if (read_all) {
        std::uint32_t seen = 0;
        for (auto* r = file.Records().First(); r; r = file.Records().Next()) ++seen;
        EXPECT_EQ(seen, file.Records().Count()) << where << ": a record did not decode";
    }
    file.SetSwapNames(swap_at_save);
    if (!file.Save()) {
        ADD_FAILURE() << where << ": " << file.LastError();
        return saved;
    }
    EXPECT_TRUE(platform::ReadFileBytes(path, &saved)) << where;
    return saved;
}

// Under every pair of swap options at the load and the save, an untouched save and a save
// after reading every record give the same bytes. Under the same option at both, a file
// whose records are all encoded as a save writes them (as_written) comes back unchanged;
// under a changed option it never does.
template <class File>
void ExpectKeptBytesSaveAsFields(const std::string& path, const std::vector<std::uint8_t>& input,
                                 bool as_written, const std::string& what) {
    for (bool swap_at_load : {false, true}) {
        for (bool swap_at_save : {false, true}) {
            const std::string where = what + ", swap " + std::to_string(swap_at_load) + "/" +
                                      std::to_string(swap_at_save);
            const auto untouched =
                SaveAfterLoad<File>(path, input, swap_at_load, swap_at_save, false, where);
            const auto read_all =
                SaveAfterLoad<File>(path, input, swap_at_load, swap_at_save, true, where);
            EXPECT_FALSE(untouched.empty()) << where;
            EXPECT_EQ(untouched, read_all) << where;
            if (as_written && swap_at_load == swap_at_save) {
                EXPECT_EQ(untouched, input) << where;
            }
            if (swap_at_load != swap_at_save) {
                EXPECT_NE(untouched, input) << where;
            }
        }
    }
}

}  // namespace tarvenne::testing
