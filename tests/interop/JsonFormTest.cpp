// The JSON and CSV forms seen by readers of their own: every tree of the
// corpus, and every document of examples/ and of the read fuzz corpus that
// the library reads, goes XML -> JSON -> XML byte for byte from both JSON
// layouts; everything written as JSON validates against
// schema/Storage.schema.json (python3-jsonschema); and Python's csv module
// reads from the CSV rows what Python's json module reads from the JSON.
#include "interop/Corpus.h"

#include "Platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace interop {
namespace {

// Runs tests/interop/forms.py with `args` and returns its exit status and standard output.
std::pair<int, std::string> RunForms(const std::vector<std::string>& args) {
    const std::string name = std::string("forms-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::ofstream(name + ".in", std::ios::binary).flush();
    std::vector<std::string> argv{STORAGEXML_PYTHON, STORAGEXML_SOURCE_DIR "/tests/interop/forms.py"};
    argv.insert(argv.end(), args.begin(), args.end());
    const int status = testing_platform::RunProgram(argv, std::filesystem::current_path(),
                                                    {name + ".in", name + ".out", name + ".err"});
    const std::string output = testing_platform::ReadFile(name + ".out") + testing_platform::ReadFile(name + ".err");
    for (const char* suffix : {".in", ".out", ".err"}) std::filesystem::remove(name + suffix);
    return {status, output};
}

// The trees of the corpus, and those read from the documents of examples/ and of the read fuzz corpus
// that the library reads and writes.
std::vector<std::pair<std::string, Tree>> TreesAndDocuments() {
    std::vector<std::pair<std::string, Tree>> trees = Corpus(150);
    for (const char* dir : {"/examples", "/fuzz/corpus/read"}) {
        for (const auto& entry : std::filesystem::directory_iterator(STORAGEXML_SOURCE_DIR + std::string(dir))) {
            if (entry.path().extension() != ".xml") continue;
            auto tree = CStorageArray::CreateInstance();
            try {
                tree->FromXml(testing_platform::ReadFile(entry.path()));
                tree->ToXml();
            } catch (const NqXmlLib3::CNqException&) {
                continue;  // refused, or read but not written: no XML to compare with
            }
            trees.emplace_back(entry.path().generic_string(), tree);
        }
    }
    return trees;
}

TEST(JsonForm, EveryTreeGoesXmlJsonXmlByteForByteAndValidatesAgainstTheSchema) {
    Scratch scratch;
    std::vector<std::string> files;
    for (const auto& [name, tree] : TreesAndDocuments()) {
        SCOPED_TRACE(name);
        const std::string xml[] = {tree->ToXml(Forms[0].options), tree->ToXml(Forms[1].options)};
        for (const Form& form : Forms) {
            const std::string json = tree->ToJson(form.options);
            files.push_back(scratch.Put(files.size(), json, ".json"));
            try {
                auto copy = CStorageArray::CreateInstance();
                copy->FromJson(json);
                EXPECT_EQ(copy->ToXml(Forms[0].options), xml[0]) << json;
                EXPECT_EQ(copy->ToXml(Forms[1].options), xml[1]);
                EXPECT_EQ(copy->ToJson(form.options), json);
            } catch (const NqXmlLib3::CNqException& error) {
                ADD_FAILURE() << Innermost(error) << "\n" << json;
            }
        }
        if (HasFailure()) return;
    }
    std::vector<std::string> args{"schema", STORAGEXML_SOURCE_DIR "/schema/Storage.schema.json"};
    args.insert(args.end(), files.begin(), files.end());
    const auto [status, report] = RunForms(args);
    EXPECT_EQ(status, 0) << report;
    EXPECT_NE(report.find(std::to_string(files.size()) + " of " + std::to_string(files.size()) + " valid"),
              std::string::npos)
        << report;
}

// Python's csv module reads each tree's CSV, and finds a header and a row for
// each parameter holding what the tree's JSON form (shown lossless above) holds.
TEST(JsonForm, PythonsCsvModuleReadsTheTreesValuesFromTheRows) {
    Scratch scratch;
    std::vector<std::string> args{"csv"};
    for (const auto& [name, tree] : Corpus(40)) {
        std::ostringstream csv;
        CStorageArrayWriter writer(csv, {}, CDocumentFormat::Csv);
        for (CStorageItem* item : *tree->GetStorageItems()) writer.WriteItem(*item);
        writer.Close(tree->GetClientID(), tree->GetKeyID());
        args.push_back(scratch.Put(args.size(), csv.str(), ".csv"));
        args.push_back(scratch.Put(args.size(), tree->ToJson(), ".json"));
    }
    const auto [status, report] = RunForms(args);
    EXPECT_EQ(status, 0) << report;
    EXPECT_NE(report.find("42 of 42 as their JSON"), std::string::npos) << report;
}

} // namespace
} // namespace interop
