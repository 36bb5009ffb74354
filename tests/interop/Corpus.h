// Trees for the interoperability tests: one of every edge value, seeded
// random ones, the two layouts they are written in, and the values of a tree
// listed exactly, to compare a tree read back with the tree written.
#pragma once

#include "storage/Storage.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace interop {

using namespace Storage;
using Tree = NqXmlLib3::CSmartPtr<CStorageArray>;

struct Form { const char* name; NqXmlLib3::CWriteOptions options; };
inline const Form Forms[] = {{"indented", {true, true}}, {"compact", {false, false}}};

using Limits = std::numeric_limits<double>;
inline const std::vector<double> EdgeDoubles = {
    0.0, -0.0, Limits::denorm_min(), -Limits::denorm_min(), DBL_MIN - Limits::denorm_min(), DBL_MIN, DBL_MAX,
    -DBL_MAX, -1.5, 0.1, 1e300, 1e21, 9007199254740993.0, 1e-7, Limits::infinity(), -Limits::infinity(),
    Limits::quiet_NaN(), -Limits::quiet_NaN()};
inline const std::vector<std::string> EdgeStrings = {
    "", " ", "  blanks at both ends  ", "\t", "\r", "\n", "\r\n", "a\r\nb\rc\n", " \t\r\n ", "&", "<", ">", "]]>",
    "a]]>b]]]]>", "&amp;&lt;&#13;", "\"'", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF",
    "\xEF\xBF\xBD\xEE\x80\x80", "\xC2\x85\xE2\x80\xA8", "mixed \t&<>]]>\r\n\xE2\x82\xAC\xF0\x9F\x98\x80 "};

inline void (CStorageItem::*const ItemStrings[])(std::string) = {
    &CStorageItem::SetClientID, &CStorageItem::SetCatID, &CStorageItem::SetFunctionName, &CStorageItem::SetKeyID};

// One item with one parameter per edge value (the doubles first, the strings
// next, then the integer ends and both booleans), then a range of every edge
// value with the 32-bit ends as its counts; edge strings in the other fields.
inline Tree EdgeTree() {
    auto tree = CStorageArray::CreateInstance();
    auto item = tree->GetStorageItems()->Add();
    auto range = CArrRange::CreateInstance();
    auto add = [&](auto set, auto value) {
        (item->GetParameters()->Add()->GetCParams_ChoiceA().get()->*set)(value);
        (range->GetArrRange_ChoiceA()->Add().get()->*set)(value);
    };
    for (double d : EdgeDoubles) add(&CScalarChoice::SetNum, d);
    for (const std::string& s : EdgeStrings) add(&CScalarChoice::SetStr, s);
    for (long v : {INT32_MIN, INT32_MIN + 1, -1, 0, 1, INT32_MAX}) add(&CScalarChoice::SetErr, v);
    for (std::int64_t v : {INT64_MIN, INT64_MIN + 1, INT64_C(-1), INT64_C(0), (INT64_C(1) << 53) + 1, INT64_MAX}) {
        add(&CScalarChoice::SetW, v);
    }
    for (bool b : {true, false}) add(&CScalarChoice::SetBBool, b);
    range->SetRows(INT32_MIN);
    range->SetColumns(INT32_MAX);
    item->GetParameters()->Add()->GetCParams_ChoiceA()->SetRange(range.get());
    for (auto set : ItemStrings) (item.get()->*set)(EdgeStrings.back());
    tree->SetClientID(EdgeStrings.back());
    tree->SetKeyID(EdgeStrings[2]);
    return tree;
}

// Random trees; the same seed gives the same sequence.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_rng(seed) {}

    Tree Document() {
        auto tree = CStorageArray::CreateInstance();
        for (std::size_t i = Pick(6); i > 0; --i) {
            auto item = tree->GetStorageItems()->Add();
            for (auto set : ItemStrings) (item.get()->*set)(String());
            for (std::size_t j = 1 + Pick(5); j > 0; --j) {
                auto param = item->GetParameters()->Add();
                auto choice = param->GetCParams_ChoiceA();
                if (Pick(6) > 0) {
                    Scalar(*choice);
                } else {
                    choice->SetRange(CArrRange::CreateInstance().get());
                    auto range = choice->GetRange();
                    for (std::size_t k = 1 + Pick(7); k > 0; --k) Scalar(*range->GetArrRange_ChoiceA()->Add());
                    range->SetRows(Int32());
                    range->SetColumns(Int32());
                }
                param->SetParamName(String());
                param->SetIsKey(Pick(2) == 1);
            }
        }
        tree->SetClientID(String());
        tree->SetKeyID(String());
        return tree;
    }

private:
    std::size_t Pick(std::size_t count) { return m_rng() % count; }
    long Int32() { return std::int32_t(std::uint32_t(m_rng())); }

    void Scalar(CScalarChoice& choice) {
        switch (Pick(5)) {
        case 0: return choice.SetNum(Double());
        case 1: return choice.SetStr(String());
        case 2: return choice.SetBBool(Pick(2) == 1);
        case 3: return choice.SetErr(Int32());
        default: return choice.SetW(std::int64_t(m_rng()));
        }
    }

    // A short decimal, or random bits: half the time with the exponent of a
    // denormal, of the smallest normal or of the largest finite double.
    double Double() {
        static const std::uint64_t exponents[] = {0, 1, 0x7FE};
        if (Pick(5) == 0) return (double(Pick(2000001)) - 1000000) / std::pow(10.0, double(Pick(8)));
        std::uint64_t bits = m_rng();
        if (Pick(2) == 0) bits = (bits & 0x800FFFFFFFFFFFFFull) | exponents[Pick(3)] << 52;
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // Edge strings run together: blanks at both ends, CR, LF, markup, multi-byte.
    std::string String() {
        std::string s;
        for (std::size_t n = Pick(5); n > 0; --n) s += EdgeStrings[Pick(EdgeStrings.size())];
        return s;
    }

    std::mt19937_64 m_rng;
};

// An empty tree, the edge tree and `randomCount` random trees from the seed
// (STORAGEXML_SEED when set), each with a name that gives the seed.
inline std::vector<std::pair<std::string, Tree>> Corpus(int randomCount) {
    const char* text = std::getenv("STORAGEXML_SEED");
    const std::uint64_t seed = text && *text ? std::strtoull(text, nullptr, 0) : 20240611u;
    std::vector<std::pair<std::string, Tree>> corpus = {{"empty tree", CStorageArray::CreateInstance()},
                                                        {"edge values", EdgeTree()}};
    Random random(seed);
    for (int i = 0; i < randomCount; ++i) {
        corpus.emplace_back("STORAGEXML_SEED=" + std::to_string(seed) + ", random tree " + std::to_string(i),
                            random.Document());
    }
    return corpus;
}

// A double exactly, every one its own text; any NaN is "NaN".
inline std::string Bits(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%a", value);
    return std::isnan(value) ? "NaN" : text;
}

inline std::string Value(CScalarChoice& choice) {
    const std::string selected = choice.GetChoiceSelectedElement();
    if (selected == "num") return "num " + Bits(choice.GetNum());
    if (selected == "str") return "str " + choice.GetStr();
    if (selected == "bBool") return choice.GetBBool() ? "bBool true" : "bBool false";
    if (selected == "err") return "err " + std::to_string(choice.GetErr());
    if (selected == "w") return "w " + std::to_string(choice.GetW());
    return selected;  // the range, its values listed after it
}

// Every value of a tree in document order, doubles by their bits.
inline std::vector<std::string> Values(CStorageArray& tree) {
    std::vector<std::string> values;
    for (CStorageItem* item : *tree.GetStorageItems()) {
        values.insert(values.end(), {item->GetClientID(), item->GetCatID(), item->GetFunctionName(), item->GetKeyID()});
        for (CCParams* param : *item->GetParameters()) {
            auto choice = param->GetCParams_ChoiceA();
            values.push_back(Value(*choice));
            if (auto range = choice->GetRange()) {
                for (CArrRange_ChoiceA* cell : *range->GetArrRange_ChoiceA()) values.push_back(Value(*cell));
                values.push_back(std::to_string(range->GetRows()) + " x " + std::to_string(range->GetColumns()));
            }
            values.insert(values.end(), {param->GetParamName(), param->GetIsKey() ? "key" : "not key"});
        }
    }
    values.insert(values.end(), {tree.GetClientID(), tree.GetKeyID()});
    return values;
}

// A directory of its own for the documents handed to other programs, gone with it.
struct Scratch {
    const std::filesystem::path dir =
        std::string("storagexml-interop-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    Scratch() { std::filesystem::create_directories(dir); }
    ~Scratch() { std::filesystem::remove_all(dir); }
    std::string Put(std::size_t index, const std::string& text, const char* extension = ".xml") const {
        const std::string path = dir.generic_string() + "/" + std::to_string(index) + extension;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
};

inline std::string Innermost(const NqXmlLib3::CNqException& error) {
    const NqXmlLib3::CNqException* e = &error;
    while (e->GetInnerException()) e = e->GetInnerException();
    return e->what();
}

} // namespace interop
