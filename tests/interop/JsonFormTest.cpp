// The JSON and CSV forms seen by readers of their own: every tree of the
// corpus, and every document of examples/ and of the read fuzz corpus that
// the library reads, goes XML -> JSON -> XML byte for byte from both JSON
// layouts; everything written as JSON validates against
// schema/Storage.schema.json (python3-jsonschema); and Python's csv module
// reads the tree's values back from the CSV rows.
#include "interop/Corpus.h"

#include "Platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
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
    std::ifstream out(name + ".out", std::ios::binary), err(name + ".err", std::ios::binary);
    std::string output((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
    output.append(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    out.close();
    err.close();
    for (const char* suffix : {".in", ".out", ".err"}) std::filesystem::remove(name + suffix);
    return {status, output};
}

std::string Load(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
                tree->FromXml(Load(entry.path()));
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

std::string FromHex(const std::string& hex) {
    std::string text;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) text.push_back(char(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return text;
}

// The value of a CSV row as the tree holds it: a range is read back from its JSON.
std::string RowValue(const std::string& type, const std::string& value) {
    if (type == "num") return "num " + Bits(NqXmlLib3::CConversions::r8FromString(value));
    if (type != "Range") return type + " " + value;
    auto tree = CStorageArray::CreateInstance();
    tree->FromJson(R"({"StorageItems":[{"ClientID":"","CatID":"","FunctionName":"","KeyID":"","parameters":[)"
                   R"({"Range":)" + value + R"(,"ParamName":"","isKey":false}]}],"ClientID":"","KeyID":""})");
    const std::vector<std::string> values = Values(*tree);
    std::string joined;
    for (std::size_t i = 4; i + 4 < values.size(); ++i) joined += values[i] + "\n";  // the range and its cells
    return joined;
}

TEST(JsonForm, PythonsCsvModuleReadsTheTreesValuesFromTheRows) {
    Scratch scratch;
    std::vector<std::string> files, expected;
    for (const auto& [name, tree] : Corpus(40)) {
        std::ostringstream csv;
        CStorageArrayWriter writer(csv, {}, CDocumentFormat::Csv);
        expected.push_back("item ClientID CatID FunctionName KeyID ParamName isKey type value");
        int index = 0;
        for (CStorageItem* item : *tree->GetStorageItems()) {
            writer.WriteItem(*item);
            for (CCParams* param : *item->GetParameters()) {
                auto choice = param->GetCParams_ChoiceA();
                std::string value = Value(*choice);
                if (auto range = choice->GetRange()) {
                    value = "Range\n";
                    for (CArrRange_ChoiceA* cell : *range->GetArrRange_ChoiceA()) value += Value(*cell) + "\n";
                    value += std::to_string(range->GetRows()) + " x " + std::to_string(range->GetColumns()) + "\n";
                }
                expected.push_back(std::to_string(index) + "|" + item->GetClientID() + "|" + item->GetCatID() + "|" +
                                   item->GetFunctionName() + "|" + item->GetKeyID() + "|" + param->GetParamName() + "|" +
                                   (param->GetIsKey() ? "true" : "false") + "|" + value);
            }
            ++index;
        }
        writer.Close(tree->GetClientID(), tree->GetKeyID());
        files.push_back(scratch.Put(files.size(), csv.str(), ".csv"));
    }
    files.insert(files.begin(), "csv");
    const auto [status, rows] = RunForms(files);
    ASSERT_EQ(status, 0) << rows;
    std::istringstream lines(rows);
    std::size_t row = 0;
    for (std::string line; std::getline(lines, line); ++row) {
        std::vector<std::string> fields;
        std::istringstream hex(line);
        for (std::string field; hex >> field;) fields.push_back(FromHex(field));
        fields.resize(9);
        std::string got;
        if (fields[0] == "item") {
            for (const std::string& field : fields) got += (got.empty() ? "" : " ") + field;
        } else {
            got = fields[0];
            for (int i = 1; i < 7; ++i) got += "|" + fields[i];
            got += "|" + RowValue(fields[7], fields[8]);
        }
        ASSERT_LT(row, expected.size());
        EXPECT_EQ(got, expected[row]);
    }
    EXPECT_EQ(row, expected.size());
}

} // namespace
} // namespace interop
