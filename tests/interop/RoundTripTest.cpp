// Writing and reading back loses nothing: every field of a written tree reads
// back equal (doubles bit for bit, NaN as NaN), and writing what was read
// gives the same text again, in either layout.
#include "interop/Corpus.h"

#include <gtest/gtest.h>

namespace interop {
namespace {

constexpr int RandomDocuments = 150;

// The text `text` read into a new array and written again in `options`.
std::string Rewrite(const std::string& text, const NqXmlLib3::CWriteOptions& options, Doc* read = nullptr) {
    auto copy = Storage::CStorageArray::CreateInstance();
    copy->FromXml(text);
    if (read) *read = Extract(*copy);
    return copy->ToXml(options);
}

void CheckRoundTrip(const Doc& doc) {
    for (const Form& form : Forms()) {
        SCOPED_TRACE(form.name);
        std::string text;
        try {
            text = Build(doc)->ToXml(form.options);
            Doc read;
            EXPECT_EQ(Rewrite(text, form.options, &read), text) << "a second writing differs";
            const std::string difference = Difference(doc, read);
            EXPECT_TRUE(difference.empty()) << difference << "\nin the text\n" << text;
        } catch (const NqXmlLib3::CNqException& error) {
            ADD_FAILURE() << Chain(error) << "in the text\n" << text;
        }
    }
}

TEST(RoundTrip, EdgeValuesReadBackEqual) {
    for (const auto& [name, doc] : EdgeCorpus()) {
        SCOPED_TRACE(name);
        CheckRoundTrip(doc);
    }
}

TEST(RoundTrip, RandomTreesReadBackEqual) {
    for (const auto& [name, doc] : RandomCorpus(RandomDocuments, 0)) {
        SCOPED_TRACE(name);
        CheckRoundTrip(doc);
        if (HasFailure()) break;
    }
}

// Indentation is layout only: reading either layout and writing the other
// gives exactly what the tree itself writes in that other layout.
TEST(RoundTrip, LayoutCarriesNoContent) {
    std::vector<std::pair<std::string, Doc>> docs = EdgeCorpus();
    for (auto& random : RandomCorpus(RandomDocuments / 4, 1)) docs.push_back(std::move(random));
    const NqXmlLib3::CWriteOptions& indented = Forms()[0].options;
    const NqXmlLib3::CWriteOptions& compact = Forms()[1].options;
    for (const auto& [name, doc] : docs) {
        SCOPED_TRACE(name);
        auto tree = Build(doc);
        const std::string indentedText = tree->ToXml(indented);
        const std::string compactText = tree->ToXml(compact);
        EXPECT_EQ(Rewrite(indentedText, compact), compactText);
        EXPECT_EQ(Rewrite(compactText, indented), indentedText);
        if (HasFailure()) break;
    }
}

} // namespace
} // namespace interop
