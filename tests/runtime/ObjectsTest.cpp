// Reference counting, collections, exceptions and document I/O of the
// runtime objects, through small element and collection classes built the
// way the bindings build theirs.
#include "runtime/Exceptions.h"
#include "runtime/InstanceMonitor.h"
#include "runtime/SmartPtr.h"
#include "runtime/XmlCollectionBase.h"
#include "runtime/XmlElement.h"
#include "runtime/XmlObjectBase.h"
#include "runtime/XmlTextWriter.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using namespace NqXmlLib3;
namespace fs = std::filesystem;

namespace {

const char* const kNs = "urn:nqxml:objects-test";

long Live() { return CInstanceMonitor::GetLiveCount(); }

// The message of the CNqException `action` throws; fails the test when it throws none.
template <class Action>
std::string MessageOf(Action&& action) {
    try {
        action();
    } catch (const CNqException& e) {
        return e.what();
    }
    ADD_FAILURE() << "no exception";
    return "";
}

// An element with a text or with child elements; optionally refuses to be written.
class CTestItem : public CInstanceMonitor, public virtual CXmlObjectBase {
public:
    explicit CTestItem(std::string text = "", const std::string& name = "item")
        : CInstanceMonitor("CTestItem"), m_text(std::move(text)) {
        m_elementName = name;
    }
    std::string GetTargetNamespace() const override { return kNs; }

    std::string m_text;
    std::vector<CSmartPtr<CTestItem>> m_children;
    bool m_refuseToWrite = false;

protected:
    ~CTestItem() override = default;

    void ToXml_Int(CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) override {
        if (declareNamespaces) {
            writer->AddNamespace("xs", "http://www.w3.org/2001/XMLSchema-instance");
            writer->AddNamespace("mstns", namespaceUri);
        }
        writer->WriteStartElement(m_elementName, namespaceUri);
        if (m_refuseToWrite) throw CNqValidationException("refused while writing " + m_elementName);
        if (m_children.empty()) writer->WriteString(m_text);
        for (const auto& child : m_children) CXmlObjectBase::ToXml_Int(child.get(), writer, false, namespaceUri);
        writer->WriteEndElement();
    }

    CXmlElement* FromXml_Int(CXmlElement* element, CXmlElement* child) override {
        m_text = std::string(element->GetText());
        m_children.clear();
        for (; child; child = child->GetNextSiblingElement()) {
            CSmartPtr<CTestItem> item(new CTestItem("", child->GetLocalName()));
            CXmlObjectBase::FromXml_Int(item.get(), child, child->GetFirstElement());
            m_children.push_back(item);
        }
        return nullptr;
    }
};

// A collection of CTestItem with the list operations made reachable.
class CTestCol : public CXmlCollectionBase, public CInstanceMonitor {
public:
    explicit CTestCol(const char* itemName = "cell", int minOccurs = 0, int maxOccurs = Unbounded)
        : CInstanceMonitor("CTestCol") {
        m_elementName = itemName;
        m_minOccurs = minOccurs;
        m_maxOccurs = maxOccurs;
    }
    using CXmlCollectionBase::Append;
    using CXmlCollectionBase::GetFirstNode;
    using CXmlCollectionBase::GetNodeAtIndex;
    using CXmlCollectionBase::GetNodeForItem;
    using CXmlCollectionBase::RemoveNode;

    CNqIterator<CTestItem> begin() const { return CNqIterator<CTestItem>(GetFirstNode()); }
    CNqIterator<CTestItem> end() const { return CNqIterator<CTestItem>(); }

    std::string Texts() const {
        std::string texts;
        for (CTestItem* item : *this) texts += item->m_text;
        return texts;
    }

protected:
    ~CTestCol() override = default;

    void ToXml_Int(CXmlTextWriter*, bool, const char*) override {}
    CXmlElement* FromXml_Int(CXmlElement*, CXmlElement* child) override { return child; }
};

CSmartPtr<CTestCol> MakeCol(const std::string& texts, int minOccurs = 0, int maxOccurs = -1) {
    CSmartPtr<CTestCol> col(new CTestCol("cell", minOccurs, maxOccurs));
    for (char text : texts) col->Append(new CTestItem(std::string(1, text)));
    return col;
}

TEST(CSmartPtr, ReferenceCountingAndCasts) {
    const long base = Live();
    CSmartPtr<CTestItem> a(new CTestItem("a"));
    {
        CSmartPtr<CTestItem> copy(a);
        CSmartPtr<CTestItem> moved(std::move(copy));
        CSmartPtr<CXmlObjectBase> converted(moved);
        EXPECT_TRUE(copy == nullptr && moved == a && converted == a);
        a = nullptr;  // the others still hold it
        EXPECT_EQ(base + 1, Live());
        a = moved;
    }
    const CSmartPtr<CTestItem>& alias = a;
    a = alias;
    EXPECT_EQ(base + 1, Live());
    EXPECT_EQ("a", a->m_text);
    CSmartPtr<CTestItem> b(new CTestItem("b"));
    EXPECT_TRUE(a != b && nullptr != b && !(b == nullptr));
    b = std::move(a);  // "b" goes, "a" moves over
    EXPECT_EQ(base + 1, Live());
    EXPECT_TRUE(a == nullptr && !a);
    EXPECT_EQ("a", (*b).m_text);
    b = new CTestItem("c");
    EXPECT_EQ(base + 1, Live());
    CSmartPtr<CXmlObjectBase> object(b);
    b = nullptr;
    b = DynamicCast<CTestItem>(object);  // shares the ownership
    EXPECT_TRUE(b && b == object && DynamicCast<CTestCol>(object) == nullptr);
    object = nullptr;
    EXPECT_EQ("c", b->m_text);
    b = nullptr;
    EXPECT_EQ(base, Live());
}

TEST(CXmlObjectBase, CopyStartsWithItsOwnReferenceCount) {
    const long base = Live();
    CSmartPtr<CTestItem> original(new CTestItem("x", "named"));
    CSmartPtr<CTestItem> second(original);
    CSmartPtr<CTestItem> copy(new CTestItem(*original));
    EXPECT_EQ("named", copy->GetElementName());
    copy = nullptr;  // its one reference was the last
    EXPECT_EQ(base + 1, Live());
    CSmartPtr<CTestItem> target(new CTestItem("y", "other"));
    *target = *original;  // assignment keeps the target's own count
    EXPECT_EQ("named", target->GetElementName());
    target = nullptr;
    EXPECT_EQ(base + 1, Live());
}

TEST(CXmlCollectionBase, PositionsFollowAppendsAndRemovals) {
    const long base = Live();
    CSmartPtr<CTestCol> col = MakeCol("0123");
    std::vector<CXmlObjectBase*> items;
    for (CTestItem* item : *col) items.push_back(item);
    EXPECT_EQ(4, col->GetCount());
    EXPECT_EQ(4, std::distance(col->begin(), col->end()));
    EXPECT_THROW(col->Append(nullptr), CNqException);
    // Forwards, backwards and jumping about must reach the same nodes.
    for (int i : {0, 1, 2, 3, 2, 0, 3, 1}) EXPECT_EQ(items[i], col->GetNodeAtIndex(i)->m_item) << i;
    for (int bad : {-1, 4, 100, INT_MIN}) EXPECT_THROW(col->GetNodeAtIndex(bad), CNqException) << bad;
    CSmartPtr<CTestItem> outsider(new CTestItem("o"));
    EXPECT_EQ(nullptr, col->GetNodeForItem(outsider.get()));
    col->GetNodeAtIndex(3);
    col->RemoveNode(col->GetNodeForItem(items[1]));  // behind the last position reached
    col->RemoveNode(nullptr);
    EXPECT_EQ(base + 5, Live());  // four less one, the collection and the outsider
    EXPECT_EQ("023", col->Texts());
    EXPECT_EQ(items[3], col->GetNodeAtIndex(2)->m_item);
    EXPECT_EQ(items[2], col->GetNodeAtIndex(1)->m_item);
    EXPECT_THROW(col->GetNodeAtIndex(3), CNqException);
    col->Remove(2);  // the last: appending must continue from the new last
    col->Append(outsider.get());
    EXPECT_EQ(outsider.get(), col->GetNodeAtIndex(2)->m_item);
    col->Remove(0);
    EXPECT_EQ("2o", col->Texts());
    EXPECT_THROW(col->Remove(-1), CNqException);
    EXPECT_THROW(col->Remove(2), CNqException);
    col->Clear();
    EXPECT_TRUE(col->GetCount() == 0 && col->GetFirstNode() == nullptr);
    EXPECT_THROW(col->GetNodeAtIndex(0), CNqException);
    EXPECT_EQ(base + 2, Live());
    col->Append(outsider.get());
    EXPECT_EQ(outsider.get(), col->GetNodeAtIndex(0)->m_item);
}

TEST(CXmlCollectionBase, CopiesHoldTheSameItems) {
    const long base = Live();
    CSmartPtr<CTestCol> col = MakeCol("ab", 1, 3);
    CSmartPtr<CTestCol> copy(new CTestCol(*col));
    col = nullptr;  // the items live on in the copy
    EXPECT_EQ(base + 3, Live());
    EXPECT_EQ("ab", copy->Texts());
    EXPECT_TRUE(copy->GetElementName() == "cell" && copy->GetMinOccurs() == 1 && copy->GetMaxOccurs() == 3);
    CSmartPtr<CTestCol> target = MakeCol("xyz");
    *target = *copy;  // x, y, z go; a and b gain a holder
    copy = nullptr;
    EXPECT_EQ("ab", target->Texts());
    EXPECT_EQ(base + 3, Live());
}

TEST(CXmlCollectionBase, ValidateCount) {
    // minOccurs, maxOccurs, count, the limit broken (-1: none)
    const int rows[][4] = {{0, -1, 0, -1}, {0, -1, 40, -1}, {1, -1, 0, 1}, {7, -1, 5, 7}, {2, 3, 2, -1},
                           {2, 3, 3, -1},  {0, 3, 4, 3},    {0, 0, 0, -1}, {0, 0, 1, 0},  {5, 5, 5, -1}};
    for (const auto& [minOccurs, maxOccurs, count, brokenLimit] : rows) {
        SCOPED_TRACE(::testing::Message() << minOccurs << ".." << maxOccurs << " count " << count);
        CSmartPtr<CTestCol> col(new CTestCol("gridCell", minOccurs, maxOccurs));
        for (int i = 0; i < count; ++i) col->Append(new CTestItem);
        if (brokenLimit < 0) {
            EXPECT_NO_THROW(col->ValidateCount());
            continue;
        }
        const std::string message = MessageOf([&] { col->ValidateCount(); });
        for (const std::string& named : {std::string("gridCell"), std::to_string(count), std::to_string(brokenLimit)}) {
            EXPECT_NE(std::string::npos, message.find(named)) << message;
        }
    }
}

TEST(CNqException, InnerChainKeepsClassesAndPositionsInCopies) {
    std::unique_ptr<CNqException> outer;
    {
        CNqInvalidStateException innermost("innermost");
        CNqValidationException middle("middle", innermost);
        middle.SetLocation(3, 7);
        outer = std::make_unique<CNqException>("outer", middle);
    }  // the chain outlives the exceptions it was made from
    EXPECT_STREQ("outer", outer->what());  // its own message only
    EXPECT_FALSE(outer->HasLocation());
    const CNqException* middle = outer->GetInnerException();
    ASSERT_NE(nullptr, dynamic_cast<const CNqValidationException*>(middle));
    EXPECT_STREQ("middle", middle->what());
    EXPECT_EQ(3, middle->GetLine());
    EXPECT_EQ(7, middle->GetColumn());
    const CNqException* innermost = middle->GetInnerException();
    ASSERT_NE(nullptr, dynamic_cast<const CNqInvalidStateException*>(innermost));
    EXPECT_STREQ("innermost", innermost->what());
    EXPECT_EQ(nullptr, innermost->GetInnerException());
    CNqValidationException copy(*dynamic_cast<const CNqValidationException*>(middle));  // copies are independent
    copy.SetLocation(5, 6);
    EXPECT_EQ(3, middle->GetLine());
    EXPECT_STREQ("innermost", copy.GetInnerException()->what());
}

TEST(FormatString, FormatsLikePrintfAtAnyLength) {
    EXPECT_EQ("Unexpected Attribute [x] found.", FormatString("Unexpected Attribute [%s] found.", "x"));
    EXPECT_EQ("7 -3 ab", FormatString("%d %ld %s", 7, -3L, "ab"));
    for (std::size_t length : {0u, 254u, 255u, 256u, 257u, 5000u}) {
        const std::string text(length, 'q');
        EXPECT_EQ("[" + text + "]", FormatString("[%s]", text.c_str())) << length;
    }
}

// A directory of its own for each test, removed afterwards.
class DocumentIo : public ::testing::Test {
protected:
    DocumentIo() {
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    ~DocumentIo() override {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }
    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // A root with two leaves holding texts that must survive a write and a read.
    static CSmartPtr<CTestItem> MakeTree() {
        CSmartPtr<CTestItem> root(new CTestItem("", "root"));
        root->m_children.emplace_back(new CTestItem("  lead\r\n]]> &<caf\xC3\xA9\t ", "a"));
        root->m_children.emplace_back(new CTestItem(" ", "b"));
        return root;
    }
    const fs::path m_dir = fs::temp_directory_path() / ("nqxml-" + std::to_string(::getpid()) + "-" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

TEST_F(DocumentIo, ToXmlHonoursTheOptions) {
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    CSmartPtr<CTestItem> root = MakeTree();
    const std::string indented = root->ToXml();
    EXPECT_EQ(0u, indented.find(declaration + "\n<")) << indented;
    EXPECT_NE(std::string::npos, indented.find(">\n  <")) << indented;
    auto doc = CXmlDocument::Parse(indented);
    EXPECT_EQ("root", doc->GetDocumentElement()->GetLocalName());
    EXPECT_EQ(kNs, doc->GetDocumentElement()->GetNamespaceUri());
    const std::string bare = root->ToXml(CWriteOptions{true, false});
    EXPECT_TRUE(bare.at(0) == '<' && bare.find("<?") == std::string::npos) << bare;

    root->m_children[0]->m_text = "no line feed";  // a line feed in a text is content, not layout
    const std::string compact = root->ToXml(CWriteOptions{false, true});
    ASSERT_EQ(0u, compact.find(declaration)) << compact;
    const auto rootStart = compact.find('<', declaration.size()), rootEnd = compact.rfind('>');
    EXPECT_EQ(std::string::npos, compact.substr(rootStart, rootEnd - rootStart).find('\n')) << compact;
}

TEST_F(DocumentIo, ToXmlFileWritesAllOrNothing) {
    const fs::path path = m_dir / "doc.xml";
    CSmartPtr<CTestItem> root = MakeTree();
    root->ToXmlFile(path.string());
    const std::string before = Read(path);
    EXPECT_EQ(root->ToXml(), before);
    CSmartPtr<CTestItem> read(new CTestItem);
    read->FromXmlFile(path.string());
    ASSERT_EQ(2u, read->m_children.size());
    EXPECT_EQ(root->m_children[0]->m_text, read->m_children[0]->m_text);
    EXPECT_EQ(" ", read->m_children[1]->m_text);

    root->m_children[0]->m_text = "changed";
    root->m_children[1]->m_refuseToWrite = true;  // after the first leaf is written
    EXPECT_THROW(root->ToXmlFile(path.string()), CNqException);
    EXPECT_EQ(before, Read(path));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));  // no leftovers

    const std::string unreachable = (m_dir / "missing" / "doc.xml").string();
    root->m_children[1]->m_refuseToWrite = false;
    EXPECT_NE(std::string::npos, MessageOf([&] { root->ToXmlFile(unreachable); }).find(unreachable));
}

TEST_F(DocumentIo, ReadFailures) {
    CSmartPtr<CTestItem> item(new CTestItem);
    for (const std::string& path : {(m_dir / "missing.xml").string(), m_dir.string()}) {
        const std::string message = MessageOf([&] { item->FromXmlFile(path); });
        EXPECT_NE(std::string::npos, message.find(path)) << message;
    }
    try {
        item->FromXml("<root>\n  <a></b>\n</root>");
        ADD_FAILURE() << "read";
    } catch (const CNqException& e) {  // malformed text is not a validation failure
        EXPECT_EQ(nullptr, dynamic_cast<const CNqValidationException*>(&e));
        EXPECT_EQ(2, e.GetLine());
        EXPECT_EQ(8, e.GetColumn());
    }
}

} // namespace
