// The written text seen by a namespace-aware parser of its own (Expat, used
// directly): every element is in the target namespace under the prefix mstns,
// no element carries an attribute, and the prefixes xs and mstns are declared
// exactly once each, on the root element and nowhere else.
#include "interop/Corpus.h"

#include <expat.h>
#include <gtest/gtest.h>

#include <map>

namespace interop {
namespace {

const std::string Xsi = "http://www.w3.org/2001/XMLSchema-instance";

struct Scan {
    int depth = 0;
    std::vector<std::pair<std::string, std::string>> pending;  // declarations for the next element
    std::map<std::string, std::vector<std::string>> rootDeclarations;
    std::vector<std::string> problems;
};

void XMLCALL OnDeclaration(void* data, const XML_Char* prefix, const XML_Char* uri) {
    static_cast<Scan*>(data)->pending.push_back({prefix ? prefix : "(default)", uri ? uri : "(none)"});
}

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    Scan& scan = *static_cast<Scan*>(data);
    for (const auto& [prefix, uri] : scan.pending) {
        if (scan.depth == 0) scan.rootDeclarations[prefix].push_back(uri);
        else scan.problems.push_back("[" + prefix + "] declared on [" + name + "] at depth " + std::to_string(scan.depth));
    }
    scan.pending.clear();
    // With triplets: namespace URI, local name and prefix, separated by blanks.
    const std::string triplet = name;
    const std::string local = triplet.substr(triplet.find(' ') + 1, triplet.rfind(' ') - triplet.find(' ') - 1);
    if (triplet != std::string(Storage::TargetNamespaceUri) + " " + local + " mstns") {
        scan.problems.push_back("element [" + triplet + "] is not mstns:" + local + " in the target namespace");
    }
    if (attributes[0]) scan.problems.push_back("element [" + triplet + "] has attribute [" + attributes[0] + "]");
    ++scan.depth;
}

void XMLCALL OnEnd(void* data, const XML_Char*) { --static_cast<Scan*>(data)->depth; }

// Every namespace problem of `text`, one per line; empty when there is none.
std::string NamespaceProblems(const std::string& text) {
    Scan scan;
    XML_Parser parser = XML_ParserCreateNS(nullptr, ' ');
    XML_SetReturnNSTriplet(parser, 1);
    XML_SetUserData(parser, &scan);
    XML_SetElementHandler(parser, OnStart, OnEnd);
    XML_SetStartNamespaceDeclHandler(parser, OnDeclaration);
    if (XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) != XML_STATUS_OK) {
        scan.problems.push_back(std::string("not namespace-well-formed: ") + XML_ErrorString(XML_GetErrorCode(parser)) +
                                " at line " + std::to_string(XML_GetCurrentLineNumber(parser)));
    }
    XML_ParserFree(parser);
    const std::map<std::string, std::vector<std::string>> expected = {{"mstns", {Storage::TargetNamespaceUri}},
                                                                      {"xs", {Xsi}}};
    if (scan.rootDeclarations != expected) {
        std::string found;
        for (const auto& [prefix, uris] : scan.rootDeclarations) {
            for (const std::string& uri : uris) found += " " + prefix + "=" + uri;
        }
        scan.problems.push_back("the root declares" + found);
    }
    std::string out;
    for (const std::string& problem : scan.problems) out += problem + "\n";
    return out;
}

void ExpectTargetNamespaceOnly(const std::string& text) {
    const std::string problems = NamespaceProblems(text);
    EXPECT_TRUE(problems.empty()) << problems << "in the text\n" << text;
}

TEST(Namespaces, WrittenDocumentsUseTheTargetNamespaceOnly) {
    std::vector<std::pair<std::string, Doc>> docs = EdgeCorpus();
    for (auto& random : RandomCorpus(10, 3)) docs.push_back(std::move(random));
    for (const auto& [name, doc] : docs) {
        auto array = Build(doc);
        for (const Form& form : Forms()) {
            SCOPED_TRACE(name + ", " + form.name);
            ExpectTargetNamespaceOnly(array->ToXml(form.options));
            // An item, a parameter and a range written as documents of their own.
            auto items = array->GetStorageItems();
            if (items->GetCount() == 0) continue;
            auto item = items->Item(0);
            ExpectTargetNamespaceOnly(item->ToXml(form.options));
            for (Storage::CCParams* param : *item->GetParameters()) {
                ExpectTargetNamespaceOnly(param->ToXml(form.options));
                if (auto range = param->GetCParams_ChoiceA()->GetRange()) {
                    ExpectTargetNamespaceOnly(range->ToXml(form.options));
                }
            }
        }
    }
}

// Text that binds the namespace in other ways is written back the library's way.
TEST(Namespaces, DocumentsReadWithOtherBindingsAreWrittenWithTheirOwn) {
    const std::string ns = Storage::TargetNamespaceUri;
    const std::string item = "<ClientID>c</ClientID><CatID/><FunctionName/><KeyID/><parameters><w>1</w>"
                             "<ParamName/><isKey>true</isKey></parameters>";
    const std::string inputs[] = {
        "<StorageArray xmlns='" + ns + "'><StorageItems>" + item + "</StorageItems><ClientID/><KeyID/></StorageArray>",
        "<s:StorageArray xmlns:s='" + ns + "' xmlns:xs='http://www.w3.org/2001/XMLSchema'><s:StorageItems "
        "xmlns:mstns='urn:other' xmlns:t='" + ns + "'><t:ClientID/><t:CatID/><t:FunctionName/><t:KeyID/>"
        "<s:parameters><t:str xmlns:t='urn:other'/><s:ParamName/><s:isKey>0</s:isKey></s:parameters>"
        "</s:StorageItems><s:ClientID/><s:KeyID/></s:StorageArray>",
        "<mstns:StorageArray xmlns:mstns='urn:other'><mstns:StorageItems xmlns:mstns='" + ns + "'>"
        "<mstns:ClientID/><mstns:CatID/><mstns:FunctionName/><mstns:KeyID/><mstns:parameters><mstns:Range "
        "xmlns:xs='urn:x'><mstns:num>1</mstns:num><mstns:rows>1</mstns:rows><mstns:columns>1</mstns:columns>"
        "</mstns:Range><mstns:ParamName/><mstns:isKey>1</mstns:isKey></mstns:parameters></mstns:StorageItems>"
        "<mstns:ClientID/><mstns:KeyID/></mstns:StorageArray>",
    };
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input);
        auto array = Storage::CStorageArray::CreateInstance();
        array->FromXml(input);
        for (const Form& form : Forms()) ExpectTargetNamespaceOnly(array->ToXml(form.options));
    }
}

} // namespace
} // namespace interop
