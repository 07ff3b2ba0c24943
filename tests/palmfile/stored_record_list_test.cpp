// The record list under both layouts: records kept as bytes until asked for, decoded once,
// positions and cursor as in the program's other lists, the file's bytes let go of once
// every record has become an object.
#include "palmfile/stored_record_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tarvenne {
namespace {

struct Note {
    std::string text;
};

using Image = std::vector<std::uint8_t>;

// An image of three records "alpha", "beta", "gamma" side by side; a record whose bytes
// start with '!' does not decode.
struct Fixture {
    std::shared_ptr<const Image> image;
    std::weak_ptr<const Image> watch;
    int decoded = 0;

    void Fill(StoredRecordList<Note>& list, const std::string& bytes,
              const std::vector<std::pair<std::size_t, std::size_t>>& records) {
        auto shared = std::make_shared<const Image>(bytes.begin(), bytes.end());
        watch = shared;
        for (const auto& [offset, size] : records)
            ASSERT_TRUE(list.AppendStored(offset, size, true));
        list.AttachImage(std::move(shared), [this](const std::uint8_t* begin,
                                                   const std::uint8_t* end, Note* note) {
            ++decoded;
            if (begin != end && *begin == '!') return false;
            note->text.assign(begin, end);
            return true;
        });
    }
};

TEST(StoredRecordListTest, PositionsCursorAndNullsFollowTheListRules) {
    StoredRecordList<Note> list;
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_EQ(list.Next(), nullptr);  // count - 1 wraps on an empty list
    EXPECT_EQ(list.Get(0), nullptr);
    EXPECT_FALSE(list.Append(nullptr));
    EXPECT_EQ(list.Count(), 0u);

    Fixture f;
    f.Fill(list, "alphabetagamma", {{0, 5}, {5, 4}, {9, 5}});
    EXPECT_EQ(list.CursorPosition(), 2u);  // appending moves the cursor to the new item
    ASSERT_TRUE(list.Append(std::make_unique<Note>(Note{"added"})));
    EXPECT_EQ(list.CursorPosition(), 3u);
    EXPECT_EQ(list.Count(), 4u);

    std::vector<std::string> walked;
    for (Note* n = list.First(); n; n = list.Next()) walked.push_back(n->text);
    EXPECT_EQ(walked, (std::vector<std::string>{"alpha", "beta", "gamma", "added"}));
    EXPECT_EQ(list.Next(), nullptr);  // past the last: null, and the cursor stays
    EXPECT_EQ(list.CursorPosition(), 3u);

    Note* beta = list.Get(1);
    ASSERT_NE(beta, nullptr);
    EXPECT_EQ(list.CursorPosition(), 1u);
    EXPECT_EQ(list.Get(4), nullptr);  // outside: null, cursor unmoved
    EXPECT_EQ(list.CursorPosition(), 1u);
    EXPECT_EQ(list.Next()->text, "gamma");
    EXPECT_EQ(list.Get(1), beta);  // decoded once: the same object every time
    EXPECT_EQ(f.decoded, 3);

    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_TRUE(f.watch.expired());
}

TEST(StoredRecordListTest, WritersSeeBytesUntilARecordIsHandedOutAndTheImageGoesAfterTheLast) {
    StoredRecordList<Note> list;
    Fixture f;
    f.Fill(list, "alphabeta", {{0, 5}, {5, 4}});

    StoredRecordList<Note>::Stored stored;
    EXPECT_EQ(list.Held(0, &stored), nullptr);
    ASSERT_NE(stored.bytes, nullptr);
    EXPECT_EQ(std::string(stored.bytes, stored.bytes + stored.size), "alpha");
    EXPECT_TRUE(stored.verbatim);
    Note scratch;
    ASSERT_TRUE(list.Decode(stored, &scratch));  // decoding for a writer keeps nothing
    EXPECT_EQ(scratch.text, "alpha");
    EXPECT_EQ(list.Held(0, &stored), nullptr);

    Note* alpha = list.Get(0);
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(list.Held(0, &stored), alpha);
    EXPECT_FALSE(f.watch.expired());  // beta still needs the bytes
    ASSERT_NE(list.Get(1), nullptr);
    EXPECT_TRUE(f.watch.expired());  // every record is an object now
    EXPECT_EQ(list.Get(0)->text, "alpha");
    EXPECT_EQ(list.Get(1)->text, "beta");
}

TEST(StoredRecordListTest, ARecordThatDoesNotDecodeStaysBytes) {
    StoredRecordList<Note> list;
    Fixture f;
    f.Fill(list, "ok!bad", {{0, 2}, {2, 4}});
    EXPECT_EQ(list.Get(1), nullptr);
    EXPECT_EQ(list.CursorPosition(), 1u);
    StoredRecordList<Note>::Stored stored;
    EXPECT_EQ(list.Held(1, &stored), nullptr);
    // Still there for a save to write.
    EXPECT_EQ(std::string(stored.bytes, stored.bytes + stored.size), "!bad");
    ASSERT_NE(list.Get(0), nullptr);
    EXPECT_FALSE(f.watch.expired());

    // Entries whose place lies outside the image give no bytes rather than a wild read.
    StoredRecordList<Note> outside;
    Fixture g;
    g.Fill(outside, "abc", {{2, 5}});
    EXPECT_EQ(outside.Held(0, &stored), nullptr);
    EXPECT_EQ(stored.bytes, nullptr);
    EXPECT_EQ(outside.Get(0), nullptr);
}

}  // namespace
}  // namespace tarvenne
