// The written text seen by tools of their own: every document the library
// writes, from any object of a tree, validates against schema/Storage.xsd
// with xmllint, and seen by libxml2's SAX2 parser, every element is mstns:
// in the target namespace, none has an attribute, and xs and mstns are
// declared once each, on the root only.
// Documents that break the content model are refused both by xmllint and by
// the reader, each for the expected reason.
#include "interop/Corpus.h"

#include "Platform.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace interop {
namespace {

// Runs xmllint once on the files given against the schema; returns its exit
// status (0 when every file validates, 3 when one is well-formed but does not)
// and everything it printed. The files lie below the working directory, named
// relative to it, which the Windows build's tests share with a Linux xmllint
// under Wine.
std::pair<int, std::string> RunXmllint(const std::vector<std::string>& paths) {
    const std::string name = std::string("xmllint-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::ofstream(name + ".in", std::ios::binary).flush();
    std::vector<std::string> argv{STORAGEXML_XMLLINT, "--noout", "--schema", STORAGEXML_SOURCE_DIR "/schema/Storage.xsd"};
    argv.insert(argv.end(), paths.begin(), paths.end());
    const int status = testing_platform::RunProgram(argv, std::filesystem::current_path(),
                                                    {name + ".in", name + ".out", name + ".err"});
    std::string output;
    for (const char* suffix : {".out", ".err"}) {
        std::ifstream in(name + suffix, std::ios::binary);
        output.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (const char* suffix : {".in", ".out", ".err"}) std::filesystem::remove(name + suffix);
    return {status, output};
}

std::pair<int, std::string> Xmllint(const std::string& text) { return RunXmllint({Scratch().Put(0, text)}); }

// Validates every document in one run of xmllint; a failure names the
// document, shows it and what xmllint said about it.
void ExpectAllValidate(const std::vector<std::pair<std::string, std::string>>& documents) {
    Scratch scratch;
    std::vector<std::string> paths;
    for (const auto& document : documents) paths.push_back(scratch.Put(paths.size(), document.second));
    // In runs of a hundred: a Windows command line holds at most 32 767 characters.
    std::string report;
    for (std::size_t first = 0; first < paths.size(); first += 100) {
        const auto end = paths.begin() + static_cast<std::ptrdiff_t>(std::min(paths.size(), first + 100));
        report += RunXmllint({paths.begin() + static_cast<std::ptrdiff_t>(first), end}).second;
    }
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (report.find(paths[i] + " validates\n") != std::string::npos) continue;
        std::string said;
        for (std::size_t at = report.find(paths[i]); at != std::string::npos; at = report.find(paths[i], at + 1)) {
            said += report.substr(at, report.find('\n', at) - at) + "\n";
        }
        ADD_FAILURE() << documents[i].first << " does not validate:\n" << said << documents[i].second;
    }
}

// The declarations seen, each with the depth of its element, and every other problem.
struct Scan { int depth = 0; std::multiset<std::string> declarations; std::string problems; };

std::string Text(const xmlChar* text) { return text ? reinterpret_cast<const char*>(text) : ""; }

// libxml2 reports the declarations of an element with the element itself.
void OnStart(void* data, const xmlChar* local, const xmlChar* prefix, const xmlChar* uri, int namespaceCount,
             const xmlChar** namespaces, int attributeCount, int, const xmlChar**) {
    Scan& scan = *static_cast<Scan*>(data);
    for (int i = 0; i < namespaceCount; ++i) {
        scan.declarations.insert(std::to_string(scan.depth) + " " + Text(namespaces[2 * i]) + "=" +
                                 Text(namespaces[2 * i + 1]));
    }
    const std::string name = "{" + Text(uri) + "}" + Text(prefix) + ":" + Text(local);
    if (name != "{" + std::string(Storage::TargetNamespaceUri) + "}mstns:" + Text(local)) {
        scan.problems += "element [" + name + "] is not mstns:" + Text(local) + " in the target namespace\n";
    }
    if (attributeCount) scan.problems += "element [" + name + "] has an attribute\n";
    ++scan.depth;
}

void OnEnd(void* data, const xmlChar*, const xmlChar*, const xmlChar*) { --static_cast<Scan*>(data)->depth; }

void OnError(void* data, xmlError* error) {
    if (error->level >= XML_ERR_ERROR) static_cast<Scan*>(data)->problems += "not namespace-well-formed: " + Text(BAD_CAST error->message);
}

void ExpectTargetNamespaceOnly(const std::string& text) {
    Scan scan;
    xmlSAXHandler sax{};
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = OnStart;
    sax.endElementNs = OnEnd;
    sax.serror = OnError;
    xmlParserCtxtPtr parser = xmlCreatePushParserCtxt(&sax, &scan, nullptr, 0, nullptr);
    xmlParseChunk(parser, text.data(), static_cast<int>(text.size()), 1);
    if (!parser->wellFormed || !parser->nsWellFormed) scan.problems += "not namespace-well-formed\n";
    xmlFreeParserCtxt(parser);
    const std::multiset<std::string> rootOnly = {std::string("0 mstns=") + Storage::TargetNamespaceUri,
                                                  "0 xs=http://www.w3.org/2001/XMLSchema-instance"};
    EXPECT_EQ(scan.declarations, rootOnly) << text;
    EXPECT_EQ(scan.problems, "") << text;
}

// An object of a tree that a host can write as a whole document, the element
// name of its class (empty for a choice or a collection, whose element is
// its item's), and whether its root declares xs and mstns (a value does not).
struct Writable {
    std::string what;
    NqXmlLib3::CXmlObjectBase* object;
    std::string className;
    bool declares;
};

template <class C>
std::string DefaultName() { return C::CreateInstance()->GetElementName(); }

// The array, its items, their parameters and values, every range and every
// cell, and each collection that holds exactly one item.
std::vector<Writable> Writables(CStorageArray& tree) {
    static const std::string item = DefaultName<CStorageItem>(), param = DefaultName<CCParams>(),
                             range = DefaultName<CArrRange>();
    std::vector<Writable> all = {{"the array", &tree, DefaultName<CStorageArray>(), true}};
    const auto addIfSingle = [&](auto collection, const char* what, bool declares) {
        if (collection->GetCount() == 1) all.push_back({what, collection.get(), "", declares});
    };
    addIfSingle(tree.GetStorageItems(), "the items", true);
    for (CStorageItem* i : *tree.GetStorageItems()) {
        all.push_back({"an item", i, item, true});
        addIfSingle(i->GetParameters(), "an item's parameters", true);
        for (CCParams* p : *i->GetParameters()) {
            auto choice = p->GetCParams_ChoiceA();
            all.push_back({"a parameter", p, param, true});
            all.push_back({"a parameter's value", choice.get(), "", false});
            if (auto r = choice->GetRange()) {
                all.push_back({"a range", r.get(), range, true});
                addIfSingle(r->GetArrRange_ChoiceA(), "a range's cells", false);
                for (CArrRange_ChoiceA* cell : *r->GetArrRange_ChoiceA()) all.push_back({"a cell", cell, "", false});
            }
        }
    }
    return all;
}

// Every object written as a document, under the name its owner gave it and
// under its class's own, validates; an element is written with xs and mstns
// declared on it alone.
TEST(Conformance, DocumentsWrittenFromEveryObjectValidate) {
    std::vector<std::pair<std::string, std::string>> documents;
    for (const auto& [name, tree] : Corpus(8)) {
        for (const Writable& w : Writables(*tree)) {
            const std::string ownName = w.object->GetElementName();
            for (const std::string& root : {ownName, w.className}) {
                if (root.empty()) continue;
                NqXmlLib3::CXmlObjectBase::SetElementName(w.object, root.c_str());
                for (const Form& form : Forms) {
                    const std::string as = w.className.empty() ? "" : " as [" + root + "]";
                    const std::string what = name + ": " + w.what + as + ", " + form.name;
                    documents.emplace_back(what, w.object->ToXml(form.options));
                    SCOPED_TRACE(what);
                    if (w.declares) ExpectTargetNamespaceOnly(documents.back().second);
                }
            }
            NqXmlLib3::CXmlObjectBase::SetElementName(w.object, ownName.c_str());
        }
    }
    ExpectAllValidate(documents);
}

// A valid document, written by hand; each refused case changes one thing in it.
const std::string Param1 = "<parameters><num>1.5</num><ParamName>p</ParamName><isKey>true</isKey></parameters>";
const std::string Cells = "<str>s</str><err>7</err><w>-9223372036854775808</w><bBool>false</bBool><num>INF</num>"
                          "<num>-1e400</num><num>1e-400</num>";  // beyond a double both ways: -INF and 0
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
