// The JSON form read and written: a JSON document breaks as its XML would,
// with the same chain at the JSON value's line and column; what only JSON
// can get wrong (its syntax, a duplicate or unknown key, a value of the wrong
// JSON type, text XML cannot carry) is refused where it stands; keys may
// come in any order; the streaming reader and writer agree with the tree's.
#include "Support.h"

#include <cmath>
#include <sstream>

using namespace StorageTest;

namespace {

// One item of one parameter, on one line; `parameter` is the parameter's object.
std::string Doc(const std::string& parameter) {
    return R"({"StorageItems":[{"ClientID":"c","CatID":"k","FunctionName":"f","KeyID":"a","parameters":[)" +
           parameter + R"(]}],"ClientID":"c","KeyID":"k"})";
}

std::string Param(const std::string& value) { return "{" + value + R"(,"ParamName":"p","isKey":false})"; }

void Read(const std::string& json) { CStorageArray::CreateInstance()->FromJson(json); }

TEST(StorageJson, FaultsAnXmlDocumentSharesHaveItsChainAtTheJsonValue) {
    const std::string noIsKey = Doc(R"({"num":1,"ParamName":"p"})");
    const std::string bigErr = Doc(Param(R"("err":4294967296)"));
    const std::string bigW = Doc(Param(R"("w":18446744073709551616)"));
    const std::string noCells = Doc(Param(R"("Range":{"cells":[],"rows":1,"columns":1})"));
    const struct { std::string doc; std::vector<Level> inner; } cases[] = {
        {noIsKey, {Missing("isKey")}},
        {bigErr, {Children("parameters"), Runtime("outside the range of a 32-bit").In(bigErr, "4294967296")}},
        {bigW, {Children("parameters"), Runtime("outside the range of a 64-bit").In(bigW, "18446")}},
        {noCells, {Children("parameters"), Children("Range").In(noCells, R"({"cells")"), Fewer().In(noCells, "1,")}},
    };
    for (const auto& [doc, inner] : cases) {
        // The parameter is the object that opens its array.
        const int parameter = int(doc.find(R"("parameters":[)")) + 15;
        std::vector<Level> chain = {Children("StorageArray").At(1, 1), Children("StorageItems").At(1, 18),
                                    Children("parameters").At(1, parameter)};
        for (const Level& level : inner) chain.push_back(level.line ? level : level.At(1, parameter));
        EXPECT_TRUE(ThrowsChain([&] { Read(doc); }, chain)) << doc;
    }
}

TEST(StorageJson, WhatOnlyJsonCanGetWrongIsRefusedWhereItStands) {
    // a parameter's object (or a whole document), the refusal, where it stands
    const struct { std::string parameter; std::string text; std::string marker; } cases[] = {
        {Param(R"("num":1,"num":2)"), "Duplicate key [num] in [parameters]", R"("num":2)"},
        {Param(R"("cost":2,"num":1)"), "Unknown key [cost] in [parameters]", R"("cost")"},
        {Param(R"("num":1,"str":"a")"), "Both the keys [num] and [str] in [parameters], which holds one of num, str, bBool, "
                                        "err, w, Range", R"("str")"},
        {R"({"ParamName":"p","isKey":false})", "No value in [parameters], which holds one of the keys num, str, bBool, "
                                               "err, w, Range", R"({"ParamName")"},
        {Param(R"("num":"1")"), R"(The value of [num] is the string "1", but a number belongs there (as a string, only "INF", "-INF" or "NaN"))", R"("1")"},
        {Param(R"("str":1)"), "The value of [str] is a number, but a string belongs there", "1,"},
        {R"({"bBool":"true","ParamName":"p","isKey":false})", "The value of [bBool] is a string, but true or false belongs there", R"("true")"},
        {Param(R"("w":"12a")"), R"(The value of [w] is the string "12a", but a string of decimal digits belongs there)", R"("12a")"},
        {Param(R"("err":null)"), "The value of [err] is null, but a number belongs there", "null"},
        {Param(R"("Range":[1])"), "The value of [Range] is an array, but an object belongs there", "[1]"},
        {Param(R"("Range":{"cells":[{"num":1,"w":"2"}],"rows":1,"columns":1})"),
         "Both the keys [num] and [w] in an item of [cells], which holds one of num, str, bBool, err, w", R"("w")"},
        {Param(R"("Range":{"cells":[{}],"rows":1,"columns":1})"),
         "No value in an item of [cells], which holds one of the keys num, str, bBool, err, w", "{}"},
        {Param(R"("Range":{"cells":[[[[[1]]]]],"rows":1,"columns":1})"),
         "An item of [cells] is an array, but an object belongs there", "[[[[1"},
        {Param(R"("str":"a\u0000b")"), "The JSON string holds the character U+0000, which XML cannot carry", R"("a\u)"},
        {Param(R"("str":"\u0001")"), "The JSON string holds the character U+0001, which XML cannot carry", R"("\u)"},
        {Param(R"("str":"\uFFFE")"), "The JSON string holds the character U+FFFE, which XML cannot carry", R"("\u)"},
        {Param(R"("str":"a\udc00")"), "The JSON string holds a lone surrogate (\\ud800 to \\udfff), which XML cannot carry", R"("a\u)"},
        {Param(R"("str":"a\ud800")"), "Malformed JSON: the surrogate pair in string is invalid", R"(\ud800)"},
        {Param(R"("num":NaN)"), "Malformed JSON: invalid value", "NaN"},
        {Param(R"("num":1 /* a comment */)"), "Malformed JSON: missing a comma or '}' after an object member", "/*"},
        {Param(R"("num":1,)"), "Malformed JSON: missing a name for object member", R"(,"ParamName")"},
        {Param("\"str\":\"\xC3\x28\""), "Malformed JSON: invalid encoding in string", "\xC3"},
        {"{\"StorageItems\":" + std::string(300, '[') + std::string(300, ']') + "}",
         "An item of [StorageItems] is an array, but an object belongs there", std::string(299, '[') + "]"},
        {R"({"StorageItems":[],"ClientID":"c","KeyID":"k",})", "Malformed JSON: missing a name for object member", "}"},
        {Doc(Param(R"("num":1)")).insert(Doc(Param(R"("num":1)")).find("]}]") + 2, ","),
         "Malformed JSON: invalid value", R"(],"ClientID")"},
        {R"({"StorageItems":[],"ClientID":"c","KeyID":"k"} {})", "Malformed JSON: the document root must not be followed "
                                                               "by other values", "{}"},
        {R"({"StorageItems":{},"ClientID":"c","KeyID":"k"})", "The value of [StorageItems] is an object, but an array "
                                                            "belongs there", "{}"},
        {R"(["StorageItems"])", "The JSON document is an array, not an object", "["},
    };
    for (const auto& [json, text, marker] : cases) {
        // A whole document names its root's keys; the rest are a parameter's object.
        const bool whole = json.find("StorageItems") != std::string::npos;
        const std::string doc = whole ? json : Doc(json);
        EXPECT_TRUE(ThrowsChain([&] { Read(doc); }, {Runtime(text).In(doc, marker)})) << doc;
    }
    // Columns count characters, as the XML reader's do: "\xC3\xA9" is one.
    EXPECT_TRUE(ThrowsChain([] { Read("{\"ClientID\":\"\xC3\xA9\",\"KeyID\":\"k\",\"x\":1}"); },
                            {Runtime("Unknown key [x] in [StorageArray]").At(1, 29)}));
}

TEST(StorageJson, KeysInAnyOrderReadAsInTheirOwnOrder) {
    const std::string ordered = Doc(Param(R"("Range":{"cells":[{"str":"x"},{"num":-0}],"rows":1,"columns":2})"));
    const std::string shuffled =
        R"({"KeyID":"k","ClientID":"c","StorageItems":[{"parameters":[{"isKey":false,"Range":{"columns":2,)"
        R"("rows":1,"cells":[{"str":"x"},{"num":-0}]},"ParamName":"p"}],"KeyID":"a","FunctionName":"f","CatID":"k",)"
        R"("ClientID":"c"}]})";
    auto first = CStorageArray::CreateInstance(), second = CStorageArray::CreateInstance();
    first->FromJson(ordered);
    second->FromJson("\xEF\xBB\xBF \r\n" + shuffled);
    EXPECT_EQ(second->ToXml(), first->ToXml());
    EXPECT_EQ(first->ToJson({false, false}), ordered + "\n");
    EXPECT_TRUE(std::signbit(first->GetStorageItems()->Item(0)->GetParameters()->Item(0)->GetCParams_ChoiceA()
                                 ->GetRange()->GetArrRange_ChoiceA()->Item(1)->GetNum()));
}

TEST(StorageJson, StreamingReadAndWriteAgreeWithTheTree) {
    const std::string xml = R"(<StorageArray xmlns="urn:storagexml:storage"><StorageItems><ClientID>c</ClientID>)"
                            R"(<CatID>k</CatID><FunctionName>f</FunctionName><KeyID>a</KeyID><parameters><w>-5</w>)"
                            R"(<ParamName>p</ParamName><isKey>1</isKey></parameters></StorageItems><ClientID>c</ClientID>)"
                            R"(<KeyID>k</KeyID></StorageArray>)";
    auto tree = CStorageArray::CreateInstance();
    tree->FromXml(xml);
    for (const bool indent : {true, false}) {
        const std::string json = tree->ToJson({indent, true});
        std::ostringstream out;
        CStorageArrayWriter writer(out, {indent, true}, CDocumentFormat::Json);
        for (const auto format : {CDocumentFormat::Json, CDocumentFormat::Detect}) {
            auto reader = CStorageArrayReader::OpenText(json, format);
            EXPECT_EQ(reader.GetFormat(), CDocumentFormat::Json);
            while (auto item = reader.ReadItem()) {
                if (format == CDocumentFormat::Json) writer.WriteItem(*item);
            }
            EXPECT_EQ(reader.GetClientID(), "c");
        }
        writer.Close("c", "k");
        EXPECT_EQ(out.str(), json);
    }
    EXPECT_EQ(CStorageArrayReader::OpenText(xml, CDocumentFormat::Detect).GetFormat(), CDocumentFormat::Xml);
    // An empty array still has its key, so that a reader finds every array where it looks.
    EXPECT_EQ(CStorageArray::CreateInstance()->ToJson({false, false}), R"({"StorageItems":[],"ClientID":"","KeyID":""})"
                                                                       "\n");
}

TEST(StorageJson, CsvHasAHeaderAndARowPerParameterWithCrlf) {
    auto tree = CStorageArray::CreateInstance();
    tree->FromJson(Doc(R"({"str":"a, \"b\"\nc","ParamName":"p","isKey":true},)"
                       R"({"Range":{"cells":[{"err":7}],"rows":1,"columns":1},"ParamName":"q","isKey":false})"));
    std::ostringstream out;
    CStorageArrayWriter writer(out, {}, CDocumentFormat::Csv);
    writer.WriteItem(*tree->GetStorageItems()->Item(0));
    writer.Close("c", "k");
    EXPECT_EQ(out.str(), "item,ClientID,CatID,FunctionName,KeyID,ParamName,isKey,type,value\r\n"
                         "0,c,k,f,a,p,true,str,\"a, \"\"b\"\"\nc\"\r\n"
                         "0,c,k,f,a,q,false,Range,\"{\"\"cells\"\":[{\"\"err\"\":7}],\"\"rows\"\":1,\"\"columns\"\":1}\"\r\n");
    EXPECT_THROW(CStorageArrayReader::OpenText("", CDocumentFormat::Csv), CNqException);
}

} // namespace
