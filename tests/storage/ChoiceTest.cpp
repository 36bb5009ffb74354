// The two value choices: the one-alternative invariant under
// every setter and SetValid combination, the getters' texts, copying, writing
// exactly one element and reading at most one; then the range alternative of
// CCParams_ChoiceA.
#include "Support.h"

#include <cctype>
#include <climits>
#include <cstdint>
#include <functional>
#include <type_traits>

using namespace StorageTest;

namespace {

const char* const kNoneSet =
    "This element is a choice, and as such must have at one (and only one) valid item, currently there are none set";

template <class C>
struct Traits;
template <>
struct Traits<CArrRange_ChoiceA> {
    static constexpr const char* name = "arrRange_ChoiceA";
    static constexpr CClassFactory::Storage_Classes id = CClassFactory::ClassId_CArrRange_ChoiceA;
};
template <>
struct Traits<CCParams_ChoiceA> {
    static constexpr const char* name = "cParams_ChoiceA";
    static constexpr CClassFactory::Storage_Classes id = CClassFactory::ClassId_CCParams_ChoiceA;
};

// One scalar alternative: how to set a sample value, test and toggle it, and
// read its value back as text.
template <class C>
struct Alt {
    std::string element;
    std::function<void(C&)> setSample;
    std::function<bool(C&)> isValid;
    std::function<void(C&, bool)> setValid;
    std::function<std::string(C&)> value;  // through the getter
    std::string sample, byDefault;         // lexical forms
    std::string getterText() const {
        std::string p = element == "bBool" ? "BBool" : std::string(1, char(std::toupper(element[0]))) + element.substr(1);
        return "The Property Get" + p + " is not valid. Set" + p + " must be called first";
    }
};

template <class C>
std::vector<Alt<C>> Alts() {
    return {
        {"num", [](C& c) { c.SetNum(-1.5); }, [](C& c) { return c.IsValidNum(); },
         [](C& c, bool v) { c.SetValidNum(v); }, [](C& c) { return CConversions::r8ToString(c.GetNum()); }, "-1.5",
         "0"},
        {"str", [](C& c) { c.SetStr(" a<b&c "); }, [](C& c) { return c.IsValidStr(); },
         [](C& c, bool v) { c.SetValidStr(v); }, [](C& c) { return c.GetStr(); }, " a<b&c ", ""},
        {"bBool", [](C& c) { c.SetBBool(true); }, [](C& c) { return c.IsValidBBool(); },
         [](C& c, bool v) { c.SetValidBBool(v); }, [](C& c) { return std::string(CConversions::booleanToString(c.GetBBool())); },
         "true", "false"},
        {"err", [](C& c) { c.SetErr(INT32_MIN); }, [](C& c) { return c.IsValidErr(); },
         [](C& c, bool v) { c.SetValidErr(v); }, [](C& c) { return CConversions::i4ToString(c.GetErr()); },
         "-2147483648", "0"},
        {"w", [](C& c) { c.SetW(INT64_MAX); }, [](C& c) { return c.IsValidW(); }, [](C& c, bool v) { c.SetValidW(v); },
         [](C& c) { return CConversions::i8ToString(c.GetW()); }, "9223372036854775807", "0"},
    };
}

std::string OneElement(const std::string& element, const std::string& text) {
    return std::string("h@") + kOther + "(" + element + (text.empty() ? "" : "=" + text) + ")";
}

// The choice has exactly `element` set ("" for none) with the value `text`:
// flags, getters, selected element, range, and what it writes.
template <class C>
void ExpectOnly(C& c, const std::string& element, const std::string& text = "") {
    for (const Alt<C>& a : Alts<C>()) {
        const bool chosen = a.element == element;
        EXPECT_EQ(a.isValid(c), chosen) << a.element;
        if (chosen) EXPECT_EQ(a.value(c), text) << a.element;
        else EXPECT_TRUE(ThrowsChain([&] { a.value(c); }, {InvalidState(a.getterText()).Unlocated()}));
    }
    EXPECT_EQ(c.GetChoiceSelectedElement(), element);
    if constexpr (std::is_same_v<C, CCParams_ChoiceA>) {
        EXPECT_EQ(c.GetRange() != nullptr, element == "Range");
    }
    if (element.empty()) {
        const std::string outer = std::string("Failed to convert the element [") + c.GetElementName() + "] to XML";
        EXPECT_TRUE(ThrowsChain([&] { WriteOutline(c.GetBase()); },
                                {Validation(outer).Unlocated(), Validation(kNoneSet).Unlocated()}));
    } else if (element != "Range") {
        EXPECT_EQ(WriteOutline(c.GetBase()), OneElement(element, text));
    }
}

template <class C>
class ScalarChoice : public ::testing::Test {};

struct ClassName {
    template <class C>
    static std::string GetName(int) { return Traits<C>::name; }
};
using ChoiceTypes = ::testing::Types<CArrRange_ChoiceA, CCParams_ChoiceA>;
TYPED_TEST_SUITE(ScalarChoice, ChoiceTypes, ClassName);

TYPED_TEST(ScalarChoice, NewChoiceHasNothingSetAndRefusesToBeWritten) {
    auto c = TypeParam::CreateInstance();
    EXPECT_EQ(c->GetElementName(), Traits<TypeParam>::name);
    EXPECT_EQ(c->GetTargetNamespace(), kTns);
    ExpectOnly(*c, "");
}

TYPED_TEST(ScalarChoice, EverySetterUnsetsWhateverWasSetBefore) {
    for (const auto& before : Alts<TypeParam>()) {
        for (const auto& after : Alts<TypeParam>()) {
            SCOPED_TRACE(before.element + " then " + after.element);
            auto c = TypeParam::CreateInstance();
            before.setSample(*c);
            ExpectOnly(*c, before.element, before.sample);
            after.setSample(*c);
            ExpectOnly(*c, after.element, after.sample);
        }
    }
}

// SetValidX(flag) from every state: true selects X with its default value
// unless X is set already; false unsets X when it is the set one and
// otherwise changes nothing.
TYPED_TEST(ScalarChoice, SetValidFromEveryState) {
    const auto alts = Alts<TypeParam>();
    for (int state = -1; state < int(alts.size()); ++state) {
        for (const auto& target : alts) {
            for (bool flag : {true, false}) {
                const std::string from = state < 0 ? "" : alts[state].element;
                SCOPED_TRACE("from [" + from + "] SetValid " + target.element + " " + (flag ? "true" : "false"));
                auto c = TypeParam::CreateInstance();
                if (state >= 0) alts[state].setSample(*c);
                target.setValid(*c, flag);
                if (flag && from != target.element) ExpectOnly(*c, target.element, target.byDefault);
                else if (!flag && from == target.element) ExpectOnly(*c, "");
                else if (state >= 0) ExpectOnly(*c, from, alts[state].sample);
                else ExpectOnly(*c, "");
            }
        }
    }
}

TYPED_TEST(ScalarChoice, RefusedValueLeavesTheChoiceAsItWas) {
    auto c = TypeParam::CreateInstance();
    c->SetNum(2);
    EXPECT_TRUE(ThrowsChain([&] { c->SetStr("bad\x01"); }, {Runtime().Unlocated()}));
    EXPECT_TRUE(ThrowsChain([&] { c->SetStr("\xC0\xAF"); }, {Runtime().Unlocated()}));
    if constexpr (sizeof(long) > 4) {
        EXPECT_TRUE(ThrowsChain([&] { c->SetErr(long(INT32_MAX) + 1); }, {Runtime("2147483648").Unlocated()}));
    }
    ExpectOnly(*c, "num", "2");
}

TYPED_TEST(ScalarChoice, CopiesAreIndependentAndKeepTheElementName) {
    auto source = DynamicCast<TypeParam>(CClassFactory::CreateClass(Traits<TypeParam>::id, "cell9"));
    source->SetStr("s");
    CSmartPtr<TypeParam> copy(new TypeParam(*source));
    EXPECT_EQ(copy->GetElementName(), "cell9");
    ExpectOnly(*copy, "str", "s");
    copy->SetErr(3);
    ExpectOnly(*source, "str", "s");

    auto assigned = TypeParam::CreateInstance();
    assigned->SetW(1);
    *assigned = *source;
    EXPECT_EQ(assigned->GetElementName(), "cell9");
    ExpectOnly(*assigned, "str", "s");
    *assigned = *assigned;
    ExpectOnly(*assigned, "str", "s");
    source->SetValidStr(false);
    ExpectOnly(*assigned, "str", "s");
}

TYPED_TEST(ScalarChoice, WritesNoDeclarationAndIgnoresTheNamespaceGiven) {
    auto c = TypeParam::CreateInstance();
    c->SetErr(7);
    EXPECT_EQ(WriteOutline(c->GetBase(), "urn:ignored"), OneElement("err", "7"));
    const std::string whole = c->ToXml();  // asks for the declarations
    EXPECT_EQ(whole.find("xmlns:xs"), std::string::npos) << whole;
    EXPECT_EQ(whole.find("mstns"), std::string::npos) << whole;
    EXPECT_EQ(Outline(Doc(whole).root), "err=7");
}

struct ReadCase {
    std::string body;   // children of the parent element
    int returned;       // index of the child returned, -1 for none
    std::string element, text;
};

// A choice reads at most the current child, when it names an alternative,
// whatever it held before, and returns the first child it did not consume.
TYPED_TEST(ScalarChoice, ReadsAtMostOneElement) {
    const std::vector<ReadCase> cases = {
        {"<num>1</num><str>a</str>", 1, "num", "1"},
        {"<rows>1</rows>", 0, "", ""},
        {"<ParamName/>", 0, "", ""},
        {"", -1, "", ""},
        {"<Num>1</Num>", 0, "", ""},
        {"<STR>1</STR><str>2</str>", 0, "", ""},
        {"<num xmlns=\"urn:x\">2</num>", -1, "num", "2"},
        {"<p:str xmlns:p=\"urn:p\">  a  b </p:str><x/>", 1, "str", "  a  b "},
        {"<str></str>", -1, "str", ""},
        {"<num> \t1.5\n </num>", -1, "num", "1.5"},
        {"<bBool> 1 </bBool>", -1, "bBool", "true"},
        {"<err>\n-7 </err><w>1</w>", 1, "err", "-7"},
        {"<w> 0042 </w>", -1, "w", "42"},
    };
    for (const ReadCase& rc : cases) {
        SCOPED_TRACE(rc.body);
        Doc doc(InTns(rc.body, " a=\"1\" xmlns:q=\"urn:q\" q:b=\"2\""));
        auto c = TypeParam::CreateInstance();
        c->SetW(5);
        CXmlElement* next = CXmlObjectBase::FromXml_Int(c->GetBase(), doc.root, doc.root->GetFirstElement());
        EXPECT_EQ(next, rc.returned < 0 ? nullptr : doc.Child(rc.returned));
        EXPECT_EQ(c->GetElementName(), Traits<TypeParam>::name);
        ExpectOnly(*c, rc.element, rc.text);
    }
}

TYPED_TEST(ScalarChoice, RefusedTextIsWrappedNamingTheParent) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<num>abc</num>", "abc"}, {"<bBool>yes</bBool>", "yes"}, {"<err>2147483648</err>", "2147483648"},
        {"<w>1.0</w>", "1.0"},     {"<num>inf</num>", "inf"},
    };
    for (const auto& [body, refused] : cases) {
        SCOPED_TRACE(body);
        const std::string text = "<arrRange xmlns=\"" + kTns + "\">" + body + "</arrRange>";
        Doc doc(text);
        auto c = TypeParam::CreateInstance();
        c->SetNum(1);
        EXPECT_TRUE(ThrowsChain([&] { ReadOwn(c->GetBase(), doc.root); },
                                {Validation("Failed to process the child elements in element [arrRange]").At(1, 1),
                                 Runtime("[" + refused + "]").At(1, int(text.find(body)) + 1)}));
        ExpectOnly(*c, "");
    }
}

TEST(CArrRange_ChoiceA, DoesNotTakeARangeElement) {
    Doc doc(InTns("<Range><num>1</num><rows>1</rows><columns>1</columns></Range>"));
    auto c = CArrRange_ChoiceA::CreateInstance();
    EXPECT_EQ(ReadOwn(c->GetBase(), doc.root), doc.Child(0));
    ExpectOnly(*c, "");
}

// ---- The range alternative of a parameter's value ---------------------------

CSmartPtr<CArrRange> RangeWithCell(double value) {
    auto range = CArrRange::CreateInstance();
    range->GetArrRange_ChoiceA()->Add()->SetNum(value);
    return range;
}

TEST(CCParams_ChoiceA, SetRangeRenamesSelectsAndWritesTheRange) {
    auto c = CCParams_ChoiceA::CreateInstance();
    c->SetBBool(true);
    auto range = RangeWithCell(1);
    range->SetRows(1);
    EXPECT_EQ(range->GetElementName(), "arrRange");
    c->SetRange(range.get());
    EXPECT_EQ(range->GetElementName(), "Range");
    EXPECT_EQ(c->GetRange(), range);
    ExpectOnly(*c, "Range");
    EXPECT_EQ(WriteOutline(c->GetBase()), std::string("h@") + kOther + "(Range(num=1,rows=1,columns=0))");
}

TEST(CCParams_ChoiceA, RangeWithoutCellsFailsTheWrite) {
    auto c = CCParams_ChoiceA::CreateInstance();
    c->SetRange(CArrRange::CreateInstance().get());
    EXPECT_TRUE(ThrowsChain([&] { WriteOutline(c->GetBase()); },
                            {Validation("Failed to convert the element [cParams_ChoiceA] to XML").Unlocated(),
                             Validation("Failed to convert the element [Range] to XML").Unlocated(),
                             Runtime("fewer than its minimum").Unlocated()}));
}

TEST(CCParams_ChoiceA, LeavingTheRangeReleasesIt) {
    const long live = CInstanceMonitor::GetLiveCount();
    auto c = CCParams_ChoiceA::CreateInstance();
    c->SetRange(RangeWithCell(1).get());  // the choice holds the only reference
    EXPECT_EQ(CInstanceMonitor::GetLiveCount(), live + 4);  // choice, range, collection, cell
    CArrRange* held = c->GetRange().get();
    c->SetRange(held);  // the range held now, given again, stays
    EXPECT_EQ(c->GetRange().get(), held);
    EXPECT_EQ(WriteOutline(c->GetBase()), std::string("h@") + kOther + "(Range(num=1,rows=0,columns=0))");
    c->SetW(4);
    EXPECT_EQ(CInstanceMonitor::GetLiveCount(), live + 1);
    EXPECT_EQ(c->GetRange(), nullptr);
    ExpectOnly(*c, "w", "4");
    c->SetRange(RangeWithCell(2).get());
    c->SetRange(nullptr);
    EXPECT_EQ(CInstanceMonitor::GetLiveCount(), live + 1);
    ExpectOnly(*c, "");
}

TEST(CCParams_ChoiceA, CopiesAndSecondChoicesShareTheRange) {
    auto c = CCParams_ChoiceA::CreateInstance();
    auto range = RangeWithCell(1);
    c->SetRange(range.get());
    auto other = CCParams_ChoiceA::CreateInstance();
    other->SetRange(range.get());
    CSmartPtr<CCParams_ChoiceA> copy(new CCParams_ChoiceA(*c));
    auto assigned = CCParams_ChoiceA::CreateInstance();
    assigned->SetRange(RangeWithCell(9).get());
    *assigned = *c;
    for (auto* holder : {other.get(), copy.get(), assigned.get()}) EXPECT_EQ(holder->GetRange(), range);
    c->GetRange()->GetArrRange_ChoiceA()->Add()->SetStr("x");
    EXPECT_EQ(copy->GetRange()->GetArrRange_ChoiceA()->GetCount(), 2);
    copy->SetNum(1);  // the copy's own selection; the source keeps the range
    EXPECT_EQ(c->GetRange(), range);
    *c = *c;
    EXPECT_EQ(c->GetRange(), range);
}

TEST(CCParams_ChoiceA, ReadsARangeElement) {
    Doc doc(InTns("<Range a=\"1\"><num>1</num><w>2</w><rows>2</rows><columns>3</columns></Range><ParamName/>"));
    auto c = CCParams_ChoiceA::CreateInstance();
    c->SetStr("old");
    EXPECT_EQ(ReadOwn(c->GetBase(), doc.root), doc.Child(1));
    ExpectOnly(*c, "Range");
    auto range = c->GetRange();
    EXPECT_EQ(range->GetElementName(), "Range");
    EXPECT_EQ(range->GetArrRange_ChoiceA()->GetCount(), 2);
    EXPECT_EQ(range->GetArrRange_ChoiceA()->Item(1)->GetW(), 2);
    EXPECT_EQ(range->GetRows(), 2);
    EXPECT_EQ(range->GetColumns(), 3);
}

TEST(CCParams_ChoiceA, RangeWithoutCellsFailsTheReadAndStaysSet) {
    const std::string text = InTns("<Range><rows>1</rows><columns>1</columns></Range>");
    Doc doc(text);
    auto c = CCParams_ChoiceA::CreateInstance();
    const int range = int(text.find("<Range")) + 1, rows = int(text.find("<rows")) + 1;
    EXPECT_TRUE(ThrowsChain([&] { ReadOwn(c->GetBase(), doc.root); },
                            {Validation("Failed to process the child elements in element [r]").At(1, 1),
                             Validation("Failed to process the child elements in element [Range]").At(1, range),
                             Runtime("fewer than its minimum").At(1, rows)}));
    EXPECT_EQ(c->GetChoiceSelectedElement(), "Range");
    ASSERT_NE(c->GetRange(), nullptr);
    EXPECT_EQ(c->GetRange()->GetArrRange_ChoiceA()->GetCount(), 0);
}

} // namespace
