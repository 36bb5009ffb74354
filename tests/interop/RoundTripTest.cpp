// Writing and reading back loses nothing: every value of a written tree reads
// back exactly (doubles bit for bit, NaN as NaN), and the tree read from
// either layout writes both layouts byte for byte as the original does.
#include "interop/Corpus.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace interop {
namespace {

TEST(RoundTrip, TreesReadBackWithTheSameValuesAndText) {
    for (const auto& [name, tree] : Corpus(150)) {
        SCOPED_TRACE(name);
        const std::string texts[] = {tree->ToXml(Forms[0].options), tree->ToXml(Forms[1].options)};
        for (int from = 0; from < 2; ++from) {
            SCOPED_TRACE(std::string("read from ") + Forms[from].name + "\n" + texts[from]);
            try {
                auto copy = CStorageArray::CreateInstance();
                copy->FromXml(texts[from]);
                const std::vector<std::string> read = Values(*copy), written = Values(*tree);
                ASSERT_EQ(read.size(), written.size());
                const auto r = std::mismatch(read.begin(), read.end(), written.begin()).first;
                EXPECT_TRUE(r == read.end()) << "value " << r - read.begin() << " written "
                                             << testing::PrintToString(written[r - read.begin()]) << " reads back "
                                             << testing::PrintToString(*r);
                for (int to = 0; to < 2; ++to) EXPECT_EQ(copy->ToXml(Forms[to].options), texts[to]) << Forms[to].name;
            } catch (const NqXmlLib3::CNqException& error) {
                ADD_FAILURE() << Innermost(error);
            }
        }
        if (HasFailure()) break;
    }
}

// The values above are listed through the same getters on both sides; here
// the edge doubles and strings read back are held against the literals.
TEST(RoundTrip, EdgeDoublesAndStringsReadBackAsGiven) {
    for (const Form& form : Forms) {
        SCOPED_TRACE(form.name);
        auto copy = CStorageArray::CreateInstance();
        copy->FromXml(EdgeTree()->ToXml(form.options));
        auto params = copy->GetStorageItems()->Item(0)->GetParameters();
        int i = 0;
        for (double d : EdgeDoubles) EXPECT_EQ(Bits(params->Item(i++)->GetCParams_ChoiceA()->GetNum()), Bits(d));
        for (const std::string& s : EdgeStrings) EXPECT_EQ(params->Item(i++)->GetCParams_ChoiceA()->GetStr(), s);
    }
}

} // namespace
} // namespace interop
