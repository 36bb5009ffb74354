// The compact string: every text survives copying, moving and reassignment
// across the two forms (in place up to 15 bytes, on the heap beyond).
#include "runtime/CompactString.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

using NqXmlLib3::CCompactString;

namespace {

// Lengths on both sides of the 15 bytes kept in place, with a NUL inside.
const std::vector<std::string> texts = {
    "", "a", "fourteen bytes", "fifteen bytes!!", "sixteen bytes!!!", std::string("nul\0inside", 10),
    std::string(200, 'x'), "données/résumé",
};

// Made, copied, moved and assigned over every other text, in both forms.
TEST(CompactString, KeepsEveryTextThroughCopyMoveAndAssignment) {
    for (const std::string& before : texts) {
        for (const std::string& after : texts) {
            SCOPED_TRACE(std::to_string(before.size()) + " then " + std::to_string(after.size()));
            const CCompactString source(after);
            CCompactString copied(source), assigned(before), donor(source), moved(before);
            assigned = source;
            moved = std::move(donor);  // NOLINT: the donor is checked to be left empty
            const std::initializer_list<const CCompactString*> all = {&source, &copied, &assigned, &moved};
            for (const CCompactString* held : all) EXPECT_EQ(held->view(), after);
            EXPECT_TRUE(donor.view().empty());
            EXPECT_EQ(source.empty(), after.empty());
            CCompactString constructed(std::move(copied));
            std::string scratch;
            EXPECT_TRUE(copied.view().empty() && constructed.AsString(scratch) == after &&
                        static_cast<std::string>(constructed) == after);
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
