// schema/Storage.xsd and the library agree: every document the library writes
// validates with xmllint, and documents that break the content model are
// refused both by xmllint and by the reader, each for the expected reason.
#include "interop/Corpus.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace interop {
namespace {

namespace fs = std::filesystem;

bool HaveXmllint() { return std::system("xmllint --version >/dev/null 2>&1") == 0; }

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "storagexml-schema-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory");
        m_path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    std::string Write(const std::string& name, const std::string& text) const {
        const std::string path = (m_path / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

private:
    fs::path m_path;
};

// What xmllint says about each file, validated in one run: "validates",
// "fails to validate", or nothing for a file it could not parse; and every
// line it printed about each file.
struct Verdicts {
    std::map<std::string, std::string> verdict;
    std::map<std::string, std::string> report;
};

Verdicts Validate(const std::vector<std::string>& files) {
    std::string command = "xmllint --noout --schema '" + std::string(STORAGEXML_SOURCE_DIR) + "/schema/Storage.xsd'";
    for (const std::string& file : files) command += " '" + file + "'";
    command += " 2>&1";
    Verdicts result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run xmllint");
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    pclose(pipe);
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        for (const std::string& file : files) {
            if (line.compare(0, file.size(), file) != 0) continue;
            const std::string rest = line.substr(file.size());
            if (rest == " validates" || rest == " fails to validate") result.verdict[file] = rest.substr(1);
            result.report[file] += line + "\n";
        }
    }
    return result;
}

TEST(Schema, WrittenDocumentsValidate) {
    if (!HaveXmllint()) GTEST_SKIP() << "xmllint is not installed";
    std::vector<std::pair<std::string, Doc>> docs = EdgeCorpus();
    for (auto& random : RandomCorpus(20, 2)) docs.push_back(std::move(random));

    TempDir dir;
    std::vector<std::string> files, labels;
    for (std::size_t i = 0; i < docs.size(); ++i) {
        for (const Form& form : Forms()) {
            const std::string text = Build(docs[i].second)->ToXml(form.options);
            files.push_back(dir.Write(std::to_string(i) + "-" + form.name + ".xml", text));
            labels.push_back(docs[i].first + ", " + form.name);
        }
    }
    Verdicts result = Validate(files);
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(result.verdict[files[i]], "validates") << labels[i] << "\n" << result.report[files[i]];
    }
}

// A valid document, written by hand with another prefix; each refused case
// changes one thing in it.
const std::string Strings =
    "<m:ClientID>ic</m:ClientID><m:CatID>t</m:CatID><m:FunctionName>f</m:FunctionName><m:KeyID>ik</m:KeyID>";
const std::string Param1 = "<m:parameters><m:num>1.5</m:num><m:ParamName>p</m:ParamName><m:isKey>true</m:isKey>"
                           "</m:parameters>";
const std::string Cells = "<m:str>s</m:str><m:err>7</m:err><m:w>-9223372036854775808</m:w><m:bBool>false</m:bBool>"
                          "<m:num>INF</m:num>";
const std::string Param2 = "<m:parameters><m:Range>" + Cells + "<m:rows>1</m:rows><m:columns>5</m:columns>"
                           "</m:Range><m:ParamName>r</m:ParamName><m:isKey>0</m:isKey></m:parameters>";
const std::string TheItem = "<m:StorageItems>" + Strings + Param1 + Param2 + "</m:StorageItems>";
const std::string Ids = "<m:ClientID>ac</m:ClientID><m:KeyID>ak</m:KeyID>";
const std::string Valid = "<m:StorageArray xmlns:m=\"urn:storagexml:storage\">" + TheItem + Ids + "</m:StorageArray>";

struct Refused {
    const char* name;
    std::string from, to;  // every occurrence of `from` in the valid document becomes `to`
    std::string message;   // the innermost message of the reader's refusal
};

const std::string Unknown = "Failed read all the elements held within the element. Unknown Element [";
const std::string Remains = "] remains un processed";

const Refused RefusedCases[] = {
    {"missing isKey", "<m:isKey>true</m:isKey>", "", "Failed to find a required element [isKey]"},
    {"isKey twice", "<m:isKey>0</m:isKey>", "<m:isKey>0</m:isKey><m:isKey>0</m:isKey>",
     Unknown + "isKey" + Remains},
    {"two values in a parameter", "<m:num>1.5</m:num>", "<m:num>1.5</m:num><m:str>s</m:str>",
     "Failed to find a required element [ParamName]"},
    {"name before the value", "<m:num>1.5</m:num><m:ParamName>p</m:ParamName>",
     "<m:ParamName>p</m:ParamName><m:num>1.5</m:num>", "Failed to find a required element [isKey]"},
    {"range without cells", Cells, "", "The collection [arrRange_ChoiceA] holds 0 item(s), fewer than its minimum of 1"},
    {"range without columns", "<m:columns>5</m:columns>", "", "Failed to find a required element [columns]"},
    {"cell after columns", "</m:columns>", "</m:columns><m:w>1</m:w>", Unknown + "w" + Remains},
    {"range as a cell", "<m:err>7</m:err>", "<m:Range><m:w>1</m:w><m:rows>1</m:rows><m:columns>1</m:columns></m:Range>",
     "Failed to find a required element [rows]"},
    {"item without parameters", Param1 + Param2, "",
     "The collection [parameters] holds 0 item(s), fewer than its minimum of 1"},
    {"parameters under their type's name", "m:parameters>", "m:cParams>",
     "The collection [parameters] holds 0 item(s), fewer than its minimum of 1"},
    {"item strings out of order", "<m:ClientID>ic</m:ClientID><m:CatID>t</m:CatID>",
     "<m:CatID>t</m:CatID><m:ClientID>ic</m:ClientID>", "Failed to find a required element [ClientID]"},
    {"item without FunctionName", "<m:FunctionName>f</m:FunctionName>", "",
     "Failed to find a required element [FunctionName]"},
    {"parameters before KeyID", "<m:KeyID>ik</m:KeyID>" + Param1, Param1 + "<m:KeyID>ik</m:KeyID>",
     "Failed to find a required element [KeyID]"},
    {"string after the parameters", "</m:StorageItems>", "<m:CatID>t</m:CatID></m:StorageItems>",
     Unknown + "CatID" + Remains},
    {"item under the singular name", "m:StorageItems>", "m:StorageItem>",
     "Failed to find a required element [ClientID]"},
    {"plain attribute on an item", "<m:StorageItems>", "<m:StorageItems id=\"1\">", "Unexpected Attribute [id] found."},
    {"plain attribute on StorageArray", "<m:StorageArray ", "<m:StorageArray id=\"1\" ",
     "Unexpected Attribute [id] found."},
    {"items after ClientID", TheItem + "<m:ClientID>ac</m:ClientID>", "<m:ClientID>ac</m:ClientID>" + TheItem,
     "Failed to find a required element [KeyID]"},
    {"items after KeyID", TheItem + Ids, Ids + TheItem, Unknown + "StorageItems" + Remains},
    {"array without ClientID", "<m:ClientID>ac</m:ClientID>", "", "Failed to find a required element [ClientID]"},
    {"leftover element after KeyID", "<m:KeyID>ak</m:KeyID>", "<m:KeyID>ak</m:KeyID><m:KeyID>ak</m:KeyID>",
     Unknown + "KeyID" + Remains},
    // Values outside their type.
    {"err beyond 32 bits", "<m:err>7</m:err>", "<m:err>2147483648</m:err>",
     "The text [2147483648] is outside the range of a 32-bit integer"},
    {"w beyond 64 bits", "-9223372036854775808", "-9223372036854775809",
     "The text [-9223372036854775809] is outside the range of a 64-bit integer"},
    {"num in lower case", "1.5", "inf", "The text [inf] is not a valid double"},
    {"rows not an integer", "<m:rows>1</m:rows>", "<m:rows>1.0</m:rows>",
     "The text [1.0] is not a valid 32-bit integer"},
    {"boolean in upper case", "<m:bBool>false</m:bBool>", "<m:bBool>FALSE</m:bBool>",
     "The text [FALSE] is not a valid boolean"},
};

std::string Apply(const Refused& c) {
    std::string text = Valid;
    std::size_t at = text.find(c.from);
    if (at == std::string::npos) throw std::logic_error(std::string(c.name) + ": nothing to change");
    for (; at != std::string::npos; at = text.find(c.from, at + c.to.size())) text.replace(at, c.from.size(), c.to);
    return text;
}

TEST(Schema, ReaderRefusesWhatTheSchemaRefuses) {
    auto array = Storage::CStorageArray::CreateInstance();
    ASSERT_NO_THROW(array->FromXml(Valid));
    for (const Refused& c : RefusedCases) {
        SCOPED_TRACE(c.name);
        try {
            array->FromXml(Apply(c));
            ADD_FAILURE() << "read without complaint";
        } catch (const NqXmlLib3::CNqValidationException& error) {
            EXPECT_EQ(Innermost(error), c.message) << Chain(error);
        }
    }
}

TEST(Schema, XmllintRefusesTheRefusedDocuments) {
    if (!HaveXmllint()) GTEST_SKIP() << "xmllint is not installed";
    TempDir dir;
    std::vector<std::string> files = {dir.Write("valid.xml", Valid)};
    for (std::size_t i = 0; i < std::size(RefusedCases); ++i) {
        files.push_back(dir.Write("refused-" + std::to_string(i) + ".xml", Apply(RefusedCases[i])));
    }
    Verdicts result = Validate(files);
    EXPECT_EQ(result.verdict[files[0]], "validates") << result.report[files[0]];
    for (std::size_t i = 0; i < std::size(RefusedCases); ++i) {
        EXPECT_EQ(result.verdict[files[i + 1]], "fails to validate")
            << RefusedCases[i].name << "\n" << result.report[files[i + 1]];
    }
}

} // namespace
} // namespace interop
