// The compact string: every text survives copying, moving and reassignment
// across the two forms (in place up to 15 bytes, on the heap beyond).
#include "runtime/CompactString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using NqXmlLib3::CCompactString;

namespace {

// Lengths on both sides of the 15 bytes kept in place, with a NUL inside.
const std::vector<std::string> texts = {
    "", "a", "fourteen bytes", "fifteen bytes!!", "sixteen bytes!!!", std::string("nul\0inside", 10),
    std::string(200, 'x'), "données/résumé",
};

TEST(CompactString, KeepsEveryTextThroughCopyAndMove) {
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.size());
        CCompactString held(text);
        EXPECT_EQ(held.view(), text);
        EXPECT_EQ(held.empty(), text.empty());

        CCompactString copy(held);
        EXPECT_EQ(copy.view(), text);
        EXPECT_EQ(held.view(), text);

        CCompactString moved(std::move(copy));
        EXPECT_EQ(moved.view(), text);
        EXPECT_TRUE(copy.view().empty());

        std::string scratch;
        EXPECT_EQ(moved.AsString(scratch), text);
        EXPECT_EQ(static_cast<std::string>(moved), text);
    }
}

TEST(CompactString, ReassignsBetweenEveryPairOfTexts) {
    for (const std::string& before : texts) {
        for (const std::string& after : texts) {
            SCOPED_TRACE(std::to_string(before.size()) + " then " + std::to_string(after.size()));
            CCompactString assigned(before);
            assigned = after;
            EXPECT_EQ(assigned.view(), after);

            CCompactString copied(before);
            const CCompactString source(after);
            copied = source;
            EXPECT_EQ(copied.view(), after);
            EXPECT_EQ(source.view(), after);

            CCompactString moved(before);
            CCompactString donor(after);
            moved = std::move(donor);  // NOLINT: the donor is checked to be left empty
            EXPECT_EQ(moved.view(), after);
            EXPECT_TRUE(donor.view().empty());
        }
    }
}

TEST(CompactString, SelfAssignmentAndClearLeaveAConsistentString) {
    for (const std::string& text : texts) {
        CCompactString held(text);
        const CCompactString& alias = held;
        held = alias;
        EXPECT_EQ(held.view(), text);
        held = std::string(held);  // assigning its own text back
        EXPECT_EQ(held.view(), text);
        held.clear();
        EXPECT_TRUE(held.empty());
        held = text;
        EXPECT_EQ(held.view(), text);
    }
}

} // namespace
