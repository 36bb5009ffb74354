// The written text seen by tools of their own: every document the library
// writes validates against schema/Storage.xsd with xmllint, and seen by Expat
// in namespace mode, every element is mstns: in the target namespace, none has
// an attribute, and xs and mstns are declared once each, on the root only.
// Documents that break the content model are refused both by xmllint and by
// the reader, each for the expected reason.
#include "interop/Corpus.h"

#include "Platform.h"

#include <expat.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace interop {
namespace {

// What xmllint prints validating `text` against the schema, and its exit
// status: 0 when the document validates, 3 when it is well-formed but does not.
// The files lie in the working directory, which the Windows build's tests
// share with a Linux xmllint under Wine.
std::pair<int, std::string> Xmllint(const std::string& text) {
    const std::string name = std::string("xmllint-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::ofstream(name + ".xml", std::ios::binary) << text;
    std::ofstream(name + ".in", std::ios::binary).flush();
    const int status = testing_platform::RunProgram(
        {STORAGEXML_XMLLINT, "--noout", "--schema", STORAGEXML_SOURCE_DIR "/schema/Storage.xsd", name + ".xml"},
        std::filesystem::current_path(), {name + ".in", name + ".out", name + ".err"});
    std::string output;
    for (const char* suffix : {".out", ".err"}) {
        std::ifstream in(name + suffix, std::ios::binary);
        output.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (const char* suffix : {".xml", ".in", ".out", ".err"}) std::filesystem::remove(name + suffix);
    return {status, output};
}

// The declarations seen, each with the depth of its element, and every other problem.
struct Scan { int depth = 0; std::multiset<std::string> declarations; std::string problems; };

// Expat reports the declarations of an element before the element itself.
void XMLCALL OnDeclaration(void* data, const XML_Char* prefix, const XML_Char* uri) {
    Scan& scan = *static_cast<Scan*>(data);
    scan.declarations.insert(std::to_string(scan.depth) + " " + (prefix ? prefix : "") + "=" + (uri ? uri : ""));
}

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    Scan& scan = *static_cast<Scan*>(data);
    // With triplets: namespace URI, local name and prefix, separated by blanks.
    const std::string triplet = name;
    const std::size_t first = triplet.find(' '), last = triplet.rfind(' ');
    const std::string local = triplet.substr(first + 1, last - first - 1);
    if (triplet != std::string(Storage::TargetNamespaceUri) + " " + local + " mstns") {
        scan.problems += "element [" + triplet + "] is not mstns:" + local + " in the target namespace\n";
    }
    if (attributes[0]) scan.problems += "element [" + triplet + "] has attribute [" + attributes[0] + "]\n";
    ++scan.depth;
}

void XMLCALL OnEnd(void* data, const XML_Char*) { --static_cast<Scan*>(data)->depth; }

void ExpectTargetNamespaceOnly(const std::string& text) {
    Scan scan;
    XML_Parser parser = XML_ParserCreateNS(nullptr, ' ');
    XML_SetReturnNSTriplet(parser, 1);
    XML_SetUserData(parser, &scan);
    XML_SetElementHandler(parser, OnStart, OnEnd);
    XML_SetStartNamespaceDeclHandler(parser, OnDeclaration);
    if (XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) != XML_STATUS_OK) {
        scan.problems += std::string("not namespace-well-formed: ") + XML_ErrorString(XML_GetErrorCode(parser)) + "\n";
    }
    XML_ParserFree(parser);
    const std::multiset<std::string> rootOnly = {std::string("0 mstns=") + Storage::TargetNamespaceUri,
                                                  "0 xs=http://www.w3.org/2001/XMLSchema-instance"};
    EXPECT_EQ(scan.declarations, rootOnly) << text;
    EXPECT_EQ(scan.problems, "") << text;
}

TEST(Conformance, WrittenDocumentsValidateAndUseTheTargetNamespaceOnly) {
    for (const auto& [name, tree] : Corpus(20)) {
        for (const Form& form : Forms) {
            SCOPED_TRACE(name + ", " + form.name);
            const std::string text = tree->ToXml(form.options);
            const auto [status, report] = Xmllint(text);
            EXPECT_EQ(status, 0) << report;
            ExpectTargetNamespaceOnly(text);
        }
    }
}

// A valid document, written by hand; each refused case changes one thing in it.
const std::string Param1 = "<parameters><num>1.5</num><ParamName>p</ParamName><isKey>true</isKey></parameters>";
const std::string Cells = "<str>s</str><err>7</err><w>-9223372036854775808</w><bBool>false</bBool><num>INF</num>";
const std::string Param2 = "<parameters><Range>" + Cells + "<rows>1</rows><columns>5</columns></Range>"
                           "<ParamName>r</ParamName><isKey>0</isKey></parameters>";
const std::string TheItem = "<StorageItems><ClientID>ic</ClientID><CatID>t</CatID><FunctionName>f</FunctionName>"
                            "<KeyID>ik</KeyID>" + Param1 + Param2 + "</StorageItems>";
const std::string Ids = "<ClientID>ac</ClientID><KeyID>ak</KeyID>";
const std::string Valid = "<StorageArray xmlns='urn:storagexml:storage'>" + TheItem + Ids + "</StorageArray>";

const std::string Missing = "Failed to find a required element [";
const std::string Unknown = "Failed read all the elements held within the element. Unknown Element [";
const std::string TooFew = "] holds 0 item(s), fewer than its minimum of 1";

struct Refused {
    const char* name;
    std::string from, to;  // `from`, found once in the valid document, becomes `to`
    std::string message;   // the innermost message of the reader's refusal
};

// One case per way the reader can refuse (a missing field, a choice holding
// two values or a value it does not offer, a collection out of place or below
// its minimum, an element left over, an attribute, a bad text of each type),
// and a required field missing from each type of the schema.
const Refused RefusedCases[] = {
    {"missing isKey", "<isKey>true</isKey>", "", Missing + "isKey]"},
    {"isKey twice", "<isKey>0</isKey>", "<isKey>0</isKey><isKey>0</isKey>", Unknown + "isKey] remains un processed"},
    {"range without columns", "<columns>5</columns>", "", Missing + "columns]"},
    {"item without FunctionName", "<FunctionName>f</FunctionName>", "", Missing + "FunctionName]"},
    {"array without ClientID", "<ClientID>ac</ClientID>", "", Missing + "ClientID]"},
    {"two values in a parameter", "<num>1.5</num>", "<num>1.5</num><str/>", Missing + "ParamName]"},
    {"range without cells", Cells, "", "The collection [arrRange_ChoiceA" + TooFew},
    {"cell after columns", "</columns>", "</columns><w>1</w>", Unknown + "w] remains un processed"},
    {"range as a cell", "<err>7</err>", "<Range><w>1</w><rows>1</rows><columns>1</columns></Range>", Missing + "rows]"},
    {"item without parameters", Param1 + Param2, "", "The collection [parameters" + TooFew},
    {"items after KeyID", TheItem + Ids, Ids + TheItem, Unknown + "StorageItems] remains un processed"},
    {"plain attribute on StorageArray", "<StorageArray", "<StorageArray id='1'", "Unexpected Attribute [id] found."},
    {"err beyond 32 bits", ">7<", ">2147483648<", "The text [2147483648] is outside the range of a 32-bit integer"},
    {"w beyond 64 bits", "808<", "809<",
     "The text [-9223372036854775809] is outside the range of a 64-bit integer"},
    {"num in lower case", "1.5", "inf", "The text [inf] is not a valid double"},
    {"rows not an integer", "<rows>1<", "<rows>1.0<", "The text [1.0] is not a valid 32-bit integer"},
    {"boolean in upper case", "false", "FALSE", "The text [FALSE] is not a valid boolean"},
};

TEST(Conformance, ReaderAndXmllintRefuseTheSameDocuments) {
    auto array = Storage::CStorageArray::CreateInstance();
    ASSERT_NO_THROW(array->FromXml(Valid));
    EXPECT_EQ(Xmllint(Valid).first, 0) << Xmllint(Valid).second;
    for (const Refused& c : RefusedCases) {
        SCOPED_TRACE(c.name);
        std::string text = Valid;
        const std::size_t at = text.find(c.from);
        ASSERT_TRUE(at != std::string::npos && text.find(c.from, at + 1) == std::string::npos) << "not found once";
        text.replace(at, c.from.size(), c.to);
        try {
            array->FromXml(text);
            ADD_FAILURE() << "read without complaint";
        } catch (const NqXmlLib3::CNqValidationException& error) {
            EXPECT_EQ(Innermost(error), c.message) << error.what();
        }
        EXPECT_EQ(Xmllint(text).first, 3) << Xmllint(text).second;
    }
}

} // namespace
} // namespace interop
