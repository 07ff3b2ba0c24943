// A target contacts file of either layout written from people, a job opened on it with the
// Palm Desktop version that writes that layout, a record's positions as texts, and contacts
// made the way a conversion hands them over.
#pragma once

#include "engine/conversion_job.h"
#include "palminstall/palm_desktop_locator.h"
#include "platform/file_system.h"
#include "platform/module_folder.h"
#include "tests/contacts_file_builder.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace tarvenne::testing {

class TargetFileTest : public ::testing::TestWithParam<Layout> {
protected:
    Layout layout() const { return GetParam(); }
    bool classic() const { return GetParam() == Layout::kClassic; }
    std::string Path() const { return folder_.File("address.dat"); }

    std::vector<std::uint8_t> FileOf(const std::vector<Row>& rows) const {
        FileOptions o;
        o.stored_name = Path();
        return BuildFile(layout(), rows, o);
    }
    std::vector<std::uint8_t> FileOf(const std::vector<Person>& people) const {
        std::vector<Row> rows;
        for (const Person& p : people) rows.push_back(RowOf(layout(), p));
        return FileOf(rows);
    }
    // Writes the file and opens a job on it, the writer the one of the file's layout.
    std::unique_ptr<ConversionJob> Open(const std::vector<std::uint8_t>& file, bool swap = false) {
        EXPECT_TRUE(platform::WriteFileBytes(Path(), file));
        auto job = std::make_unique<ConversionJob>(classic() ? DesktopVersionThreshold - 1 : 60001);
        job->SetSwapNames(swap);
        EXPECT_TRUE(job->LoadTargetFromFile(Path())) << job->LastError();
        return job;
    }
    std::vector<std::uint8_t> Saved(ConversionJob& job) const {
        EXPECT_TRUE(job.SaveTarget()) << job.LastError();
        return FileBytes(Path());
    }

    SettingsFolder folder_;
};

// Equal bytes, or where they first differ.
inline ::testing::AssertionResult SameBytes(const std::vector<std::uint8_t>& actual,
                                            const std::vector<std::uint8_t>& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    const auto at = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first - actual.begin();
    return ::testing::AssertionFailure() << "first difference at byte " << at << " of " << actual.size() << "/"
                                         << expected.size();
}

// Every position of a record as one text, to see which ones a write changed.
inline std::vector<std::string> Positions(const PalmRecord& r) {
    std::vector<std::string> v;
    for (int p = 0; p < r.Layout().fields; ++p) {
        const FieldKind k = r.Layout().kind[p];
        v.push_back(k == FieldKind::kText   ? "T" + std::string(r.Text(p))
                    : k == FieldKind::kBlob ? "O" + std::string(r.BlobBytes(p))
                                            : "N" + std::to_string(r.Long(p)));
    }
    return v;
}

// A contact with these names, as a conversion hands it over.
inline ContactRecord Contact(const std::string& first, const std::string& last) {
    ContactRecord c;
    c.first_name = first;
    c.last_name = last;
    return c;
}

}  // namespace tarvenne::testing
