// The two value choices: the one-alternative invariant under every setter and
// SetValid from every state, the getters' texts, copying (with strings of every
// length), writing exactly one element and reading at most one; then the range
// alternative of CCParams_ChoiceA.
#include "Support.h"

#include <climits>
#include <type_traits>

using namespace StorageTest;

namespace {

using S = CScalarChoice;

// One scalar alternative: its element and property names, a sample value and
// the default value as texts, and how to set the sample and read the value as text.
struct Alt {
    std::string element, property, sample, byDefault;
    void (*set)(S&);
    std::string (*value)(S&);
    bool (S::*isValid)();
    void (S::*setValid)(bool);
};
const std::vector<Alt> kAlts = {
    {"num", "Num", "-1.5", "0", [](S& c) { c.SetNum(-1.5); }, [](S& c) { return CConversions::r8ToString(c.GetNum()); },
     &S::IsValidNum, &S::SetValidNum},
    {"str", "Str", " a<b&c ", "", [](S& c) { c.SetStr(" a<b&c "); }, [](S& c) { return c.GetStr(); }, &S::IsValidStr,
     &S::SetValidStr},
    {"bBool", "BBool", "true", "false", [](S& c) { c.SetBBool(true); },
     [](S& c) { return std::string(CConversions::booleanToString(c.GetBBool())); }, &S::IsValidBBool,
     &S::SetValidBBool},
    {"err", "Err", "-2147483648", "0", [](S& c) { c.SetErr(INT32_MIN); },
     [](S& c) { return CConversions::i4ToString(c.GetErr()); }, &S::IsValidErr, &S::SetValidErr},
    {"w", "W", "9223372036854775807", "0", [](S& c) { c.SetW(INT64_MAX); },
     [](S& c) { return CConversions::i8ToString(c.GetW()); }, &S::IsValidW, &S::SetValidW},
};

// The choice has exactly `element` set ("" for none) with the value `text`:
// flags, getters and their refusals, selected element, range, and what it writes.
template <class C>
void ExpectOnly(C& c, const std::string& element, const std::string& text = "") {
    for (const Alt& a : kAlts) {
        EXPECT_EQ((c.*a.isValid)(), a.element == element) << a.element;
        const std::string refusal =
            "The Property Get" + a.property + " is not valid. Set" + a.property + " must be called first";
        if (a.element == element) {
            EXPECT_EQ(a.value(c), text);
        } else {
            EXPECT_TRUE(ThrowsChain([&] { a.value(c); }, {InvalidState(refusal)}));
        }
    }
    EXPECT_EQ(c.GetChoiceSelectedElement(), element);
    if constexpr (std::is_same_v<C, CCParams_ChoiceA>) { EXPECT_EQ(c.GetRange() != nullptr, element == "Range"); }
    if (element.empty()) {
        EXPECT_TRUE(
            ThrowsChain([&] { WriteOutline(c.GetBase()); }, {Convert(c.GetElementName()), Validation(kNoneSet)}));
    } else if (element != "Range") {
        EXPECT_EQ(WriteOutline(c.GetBase(), true), element + (text.empty() ? "" : "=" + text));  // declares nothing
    }
}

template <class C>
class ScalarChoice : public ::testing::Test {};
using ChoiceTypes = ::testing::Types<CArrRange_ChoiceA, CCParams_ChoiceA>;
TYPED_TEST_SUITE(ScalarChoice, ChoiceTypes);

// From no alternative or each one set: every setter selects its alternative
// alone; SetValid(true) selects it with its default unless it is set already;
// SetValid(false) unsets it when it is the set one and otherwise changes nothing.
TYPED_TEST(ScalarChoice, EverySetterAndSetValidFromEveryState) {
    for (int state = -1; state < int(kAlts.size()); ++state) {
        const std::string from = state < 0 ? "" : kAlts[state].element, fromText = state < 0 ? "" : kAlts[state].sample;
        for (const Alt& target : kAlts) {
            for (int op = 0; op < 3; ++op) {  // set, SetValid(true), SetValid(false)
                SCOPED_TRACE("from [" + from + "] op " + std::to_string(op) + " on " + target.element);
                auto c = TypeParam::CreateInstance();
                if (state >= 0) kAlts[state].set(*c);
                if (op == 0) target.set(*c);
                else ((*c).*target.setValid)(op == 1);
                if (op == 0) ExpectOnly(*c, target.element, target.sample);
                else if (op == 1 && from != target.element) ExpectOnly(*c, target.element, target.byDefault);
                else if (op == 2 && from == target.element) ExpectOnly(*c, "");
                else ExpectOnly(*c, from, fromText);
            }
        }
    }
}

TYPED_TEST(ScalarChoice, RefusedValueLeavesTheChoiceAsItWas) {
    auto c = TypeParam::CreateInstance();
    c->SetNum(2);
    EXPECT_TRUE(ThrowsChain([&] { c->SetStr("bad\x01"); }, {Runtime()}));
    if constexpr (sizeof(long) > 4) { EXPECT_TRUE(ThrowsChain([&] { c->SetErr(long(INT32_MAX) + 1); }, {Runtime()})); }
    ExpectOnly(*c, "num", "2");
}

// A choice reads at most the current child, when its local name (in any
// namespace) is an alternative's, whatever it held before; it returns the
// first child it did not consume and accepts any attribute of the parent.
TYPED_TEST(ScalarChoice, ReadsAtMostOneElement) {
    const std::vector<std::tuple<std::string, int, std::string, std::string>> cases = {
        {"<num>1</num><str>a</str>", 1, "num", "1"},
        {"<rows>1</rows>", 0, "", ""},
        {"<STR>1</STR><str>2</str>", 0, "", ""},
        {"<p:str xmlns:p=\"urn:p\">  a  b </p:str><x/>", 1, "str", "  a  b "},
        {"<num> \t1.5\n </num>", -1, "num", "1.5"},
        {"<bBool> 1 </bBool>", -1, "bBool", "true"},
        {"<err>\n-7 </err><w>1</w>", 1, "err", "-7"},
        {"<w> 0042 </w>", -1, "w", "42"},
    };
    for (const auto& [body, returned, element, text] : cases) {
        SCOPED_TRACE(body);
        Doc doc(Element("r", body, " a=\"1\" xmlns:q=\"urn:q\" q:b=\"2\""));
        auto c = TypeParam::CreateInstance();
        c->SetW(5);
        EXPECT_EQ(ReadOwn(c->GetBase(), doc.root), returned < 0 ? nullptr : doc.Child(returned));
        EXPECT_EQ(c->GetElementName(), TypeParam::CreateInstance()->GetElementName());
        ExpectOnly(*c, element, text);
    }
}

// String values of every length around what a choice keeps in place (8
// bytes) survive setting, copying (the element name too), assigning over each
// other, over another alternative and over themselves, writing and reading back.
TYPED_TEST(ScalarChoice, StringsOfEveryLengthAroundTheInPlaceLimit) {
    const std::vector<std::string> texts = {"", "1234567", "12345678", "123456789", "\xC3\xA9\t\xE2\x82\xAC 4",
                                            "a longer text that lives on the heap"};
    for (const std::string& text : texts) {
        for (const std::string& before : texts) {
            SCOPED_TRACE("[" + text + "] over [" + before + "]");
            auto c = TypeParam::CreateInstance(), other = TypeParam::CreateInstance(), wide = TypeParam::CreateInstance();
            CXmlObjectBase::SetElementName(c->GetBase(), "cell9");
            c->SetStr(before);
            c->SetStr(text);
            other->SetStr(before);
            wide->SetW(1);
            *other = *c;
            *wide = *c;
            *other = *other;
            for (const CSmartPtr<TypeParam>& copy : {CSmartPtr<TypeParam>(new TypeParam(*c)), other, wide}) {
                EXPECT_EQ(copy->GetElementName(), "cell9");
                ExpectOnly(*copy, "str", text);
            }
            Doc doc(Element("r", "<str>" + text + "</str>"));
            auto read = TypeParam::CreateInstance();
            read->SetStr(before);
            ReadOwn(read->GetBase(), doc.root);
            EXPECT_EQ(read->GetStr(), text);
        }
        auto c = TypeParam::CreateInstance();
        c->SetStr(text);
        c->SetW(3);  // another alternative replaces the string
        ExpectOnly(*c, "w", "3");
    }
}

// ---- The range alternative ----------------------------------------------------------

TEST(CCParams_ChoiceA, SetRangeRenamesSelectsAndWritesTheRange) {
    auto c = CCParams_ChoiceA::CreateInstance();
    c->SetBBool(true);
    c->SetRange(CArrRange::CreateInstance().get());  // the choice holds the only reference
    c->GetRange()->GetArrRange_ChoiceA()->Add()->SetNum(1);
    CArrRange* held = c->GetRange().get();
    c->SetRange(held);  // the range held now, given again, stays
    ExpectOnly(*c, "Range");
    EXPECT_EQ(WriteOutline(c->GetBase()), "Range(num=1,rows=0,columns=0)");
    c->SetW(4);
    ExpectOnly(*c, "w", "4");
    c->SetRange(CArrRange::CreateInstance().get());
    EXPECT_TRUE(
        ThrowsChain([&] { WriteOutline(c->GetBase()); }, {Convert("cParams_ChoiceA"), Convert("Range"), Fewer()}));
    // Copies, made or assigned, share the range.
    auto assigned = CCParams_ChoiceA::CreateInstance();
    *assigned = *c;
    EXPECT_EQ(CSmartPtr<CCParams_ChoiceA>(new CCParams_ChoiceA(*c))->GetRange(), c->GetRange());
    EXPECT_EQ(assigned->GetRange(), c->GetRange());
    c->SetRange(nullptr);
    ExpectOnly(*c, "");
}

// ---- The selected element of a host's own choice ----------------------------------

// A host class that selects elements by texts that do not outlive the call.
class HostChoice : public CArrRange_ChoiceA {
public:
    void Select(const std::string& element) { ClearChoice(std::string(element).c_str()); }
    void SelectNone() { ClearChoice(nullptr); }
    bool Selected(const std::string& element) const { return IsSelected(std::string(element).c_str()); }
};

// The choice owns the text it selects, whether it is an alternative's name or
// not (short or longer than a short-string buffer), through copies, assignments
// and later selections; under AddressSanitizer a kept pointer is a use after free.
TEST(HostChoice, KeepsItsOwnCopyOfTheSelectedElement) {
    const std::vector<std::string> names = {"custom", "an element name longer than any short-string buffer", "num",
                                            "Range", ""};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        CSmartPtr<HostChoice> choice(new HostChoice), assigned(new HostChoice);
        choice->Select(name);
        assigned->Select("replaced");
        *assigned = *choice;
        CSmartPtr<HostChoice> copy(new HostChoice(*choice));
        choice->Select("then " + name);
        for (const CSmartPtr<HostChoice>& c : {copy, assigned}) {
            EXPECT_EQ(c->GetChoiceSelectedElement(), name);
            EXPECT_TRUE(c->Selected(name));
            EXPECT_FALSE(c->Selected("then " + name));
        }
        EXPECT_EQ(choice->GetChoiceSelectedElement(), "then " + name);
        choice->SelectNone();
        EXPECT_EQ(choice->GetChoiceSelectedElement(), "");
        choice->SetNum(1);  // a setter replaces a host's selection
        EXPECT_EQ(choice->GetChoiceSelectedElement(), "num");
    }
}

} // namespace
