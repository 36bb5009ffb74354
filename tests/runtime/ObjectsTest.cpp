// Reference counting, collections, exceptions and document I/O of the
// runtime objects, through small element and collection classes built the
// way the bindings build theirs.
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/InstanceMonitor.h"
#include "runtime/SmartPtr.h"
#include "runtime/XmlCollectionBase.h"
#include "runtime/XmlElement.h"
#include "runtime/XmlObjectBase.h"
#include "runtime/XmlTextWriter.h"

#include "Platform.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <climits>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace NqXmlLib3;
namespace fs = std::filesystem;

namespace {

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

// An element with a text or with child elements.
class CTestItem : public CInstanceMonitor, public virtual CXmlObjectBase {
public:
    explicit CTestItem(std::string text = "", const std::string& name = "item")
        : CInstanceMonitor("CTestItem"), m_text(std::move(text)) {
        m_elementName = name;
    }
    std::string GetTargetNamespace() const override { return "urn:nqxml:objects-test"; }

    std::string m_text;
    std::vector<CSmartPtr<CTestItem>> m_children;

protected:
    ~CTestItem() override = default;
    void ToXml_Int(CXmlTextWriter* writer, bool declareNamespaces, const char* namespaceUri) override {
        if (declareNamespaces) writer->AddNamespace("mstns", namespaceUri);
        writer->WriteStartElement(m_elementName, namespaceUri);
        if (m_children.empty()) writer->WriteString(m_text);
        for (const auto& child : m_children) CXmlObjectBase::ToXml_Int(child.get(), writer, false, namespaceUri);
        writer->WriteEndElement();
    }
    CXmlElement* FromXml_Int(CXmlElement* element, CXmlElement* child) override {
        m_text = std::string(element->GetText());
        for (m_children.clear(); child; child = child->GetNextSiblingElement()) {
            m_children.emplace_back(new CTestItem(std::string(child->GetText()), std::string(child->GetLocalName())));
        }
        return nullptr;
    }
};

// A collection of one CTestItem for each character of `texts`, with the list operations made reachable.
class CTestCol : public CXmlCollectionBase, public CInstanceMonitor {
public:
    explicit CTestCol(const std::string& texts, int minOccurs = 0, int maxOccurs = Unbounded)
        : CInstanceMonitor("CTestCol") {
        m_elementName = "gridCell";
        m_minOccurs = minOccurs;
        m_maxOccurs = maxOccurs;
        for (char text : texts) Append(new CTestItem(std::string(1, text)));
    }
    using CXmlCollectionBase::Append, CXmlCollectionBase::GetFirstNode, CXmlCollectionBase::GetNodeAtIndex,
        CXmlCollectionBase::GetNodeForItem, CXmlCollectionBase::RemoveNode;
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
    CSmartPtr<CTestItem> b(new CTestItem("b"));
    b = std::move(a);  // "b" goes, "a" moves over
    EXPECT_TRUE(a == nullptr && b != nullptr && (*b).m_text == "a");
    EXPECT_EQ(base + 1, Live());
    CSmartPtr<CXmlObjectBase> object(new CTestItem("c"));
    b = DynamicCast<CTestItem>(object);  // "a" goes; "c" is shared
    EXPECT_TRUE(b == object && DynamicCast<CTestCol>(object) == nullptr);
    // A copy, made or assigned, keeps a count of its own: its one reference is the last, not "c"'s two.
    CSmartPtr<CTestItem> copy(new CTestItem(*b));
    *copy = *b;
    copy = nullptr;
    object = nullptr;
    EXPECT_EQ(base + 1, Live());
    b = nullptr;
    EXPECT_EQ(base, Live());
}

// An element name either shares a lasting text or owns a copy: copies,
// assignments and moves between every kind keep the text, share what is
// shared, never share what is owned, and assigning the text held changes
// nothing. Under AddressSanitizer a wrongly shared copy is a use after free.
TEST(CElementName, CopiesAndAssignmentsKeepTheTextAndShareOnlyLastingOnes) {
    static const std::string lasting = "lasting";
    auto make = [](int kind) {
        CElementName name;
        if (kind == 1) name.Share(lasting);
        if (kind == 2) name = std::string("owned");
        if (kind == 3) name = std::string("an owned name longer than any short-string buffer");
        return name;
    };
    const std::vector<std::string> texts = {"", "lasting", "owned", "an owned name longer than any short-string buffer"};
    for (int from = 0; from < 4; ++from) {
        for (int to = 0; to < 4; ++to) {
            SCOPED_TRACE(std::to_string(from) + " over " + std::to_string(to));
            auto source = std::make_unique<CElementName>(make(from));
            CElementName assigned = make(to), copied(*source);
            assigned = *source;
            CElementName moved = make(to);
            moved = CElementName(*source);
            const bool shares = from <= 1;  // "" is one lasting text too
            for (const CElementName* name : {&assigned, &copied, &moved}) {
                EXPECT_EQ(name->str(), texts[from]);
                EXPECT_EQ(&name->str() == &source->str(), shares);
            }
            source.reset();  // what the copies own outlives it
            for (const CElementName* name : {&assigned, &copied, &moved}) EXPECT_EQ(*name, texts[from]);
        }
    }
    CElementName name;
    name.Share(lasting);
    name = std::string("lasting");  // the same text: still shared
    EXPECT_EQ(&name.str(), &lasting);
    name = std::string("other");
    EXPECT_TRUE(name == "other" && &name.str() != &lasting && name != "lasting");
    name = std::string();
    EXPECT_TRUE(name.empty());
}

// Appends (the nodes move as the list grows), removals by index and by node
// at the front, in the middle and at the end, Clear and assignment: after
// each, walking the chain, reaching by position and finding by item agree
// with a plain model of the list, and only the items it holds stay alive.
TEST(CXmlCollectionBase, ListAgreesWithAModelThroughGrowthAndRemovals) {
    const long base = Live();
    CSmartPtr<CTestCol> col(new CTestCol("")), other(new CTestCol("x"));
    CSmartPtr<CTestItem> outsider(new CTestItem("#"));
    std::string model;
    auto check = [&] {
        ASSERT_EQ(col->Texts(), model);
        ASSERT_EQ(col->GetCount(), int(model.size()));
        ASSERT_EQ(Live(), base + 4 + long(model.size()) - long(model.find('#') != std::string::npos));
        const int count = col->GetCount();
        for (int i : {count - 1, 0, count / 2, count - 2, 1}) {
            if (i < 0 || i >= count) continue;
            CXmlObjectBase* item = col->GetNodeAtIndex(i)->m_item;
            ASSERT_EQ(dynamic_cast<CTestItem*>(item)->m_text, model.substr(i, 1)) << i;
            ASSERT_EQ(col->GetNodeForItem(item), col->GetNodeAtIndex(i));
        }
        for (int bad : {-1, count, INT_MIN}) ASSERT_THROW(col->GetNodeAtIndex(bad), CNqException) << bad;
        for (int bad : {-1, count}) ASSERT_THROW(col->Remove(bad), CNqException) << bad;
    };
    const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (char letter : letters) {
        col->Append(new CTestItem(std::string(1, letter)));
        model += letter;
        check();
    }
    for (int index : {0, 30, -1, 5, 5}) {  // -1: the last, after which appending continues from the new last
        if (index < 0) index += int(model.size());
        col->Remove(index);
        model.erase(index, 1);
        check();
    }
    col->Append(outsider.get());
    model += '#';
    col->RemoveNode(col->GetNodeForItem(col->GetNodeAtIndex(2)->m_item));
    model.erase(2, 1);
    col->RemoveNode(nullptr);                 // changes nothing
    col->RemoveNode(other->GetFirstNode());   // a node of another list changes nothing
    EXPECT_EQ(col->GetNodeForItem(other->GetNodeAtIndex(0)->m_item), nullptr);
    EXPECT_THROW(col->Append(nullptr), CNqException);
    check();
    col->Clear();
    model.clear();
    check();
    EXPECT_EQ(col->GetFirstNode(), nullptr);
    col->Append(new CTestItem("z"));
    model = "z";
    check();
    // A copy holds the same items and limits; assigning one gives up the target's items.
    CSmartPtr<CTestCol> copy(new CTestCol(*CSmartPtr<CTestCol>(new CTestCol("ab", 1, 3))));
    EXPECT_TRUE(copy->Texts() == "ab" && copy->GetElementName() == "gridCell" && copy->GetMinOccurs() == 1 &&
                copy->GetMaxOccurs() == 3);
    *col = *copy;
    copy = nullptr;
    model = "ab";
    check();
}

TEST(CXmlCollectionBase, ValidateCountNamesTheElementTheCountAndTheLimit) {
    // minOccurs, maxOccurs, count, the limit broken (-1: none)
    const int rows[][4] = {{0, -1, 40, -1}, {1, -1, 0, 1}, {5, 5, 5, -1}, {0, 3, 4, 3}, {0, 0, 0, -1}, {0, 0, 1, 0}};
    for (const auto& [minOccurs, maxOccurs, count, brokenLimit] : rows) {
        CSmartPtr<CTestCol> col(new CTestCol(std::string(count, 'x'), minOccurs, maxOccurs));
        if (brokenLimit < 0) {
            EXPECT_NO_THROW(col->ValidateCount()) << minOccurs << ".." << maxOccurs << " count " << count;
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
    EXPECT_TRUE(std::string("outer") == outer->what() && !outer->HasLocation());  // its own message only
    const auto* middle = dynamic_cast<const CNqValidationException*>(outer->GetInnerException());
    ASSERT_NE(nullptr, middle);
    EXPECT_TRUE(std::string("middle") == middle->what() && middle->GetLine() == 3 && middle->GetColumn() == 7);
    const CNqException* innermost = middle->GetInnerException();
    ASSERT_NE(nullptr, dynamic_cast<const CNqInvalidStateException*>(innermost));
    EXPECT_TRUE(std::string("innermost") == innermost->what() && innermost->GetInnerException() == nullptr);
    CNqValidationException copy(*middle);  // copies are independent
    copy.SetLocation(5, 6);
    EXPECT_EQ(3, middle->GetLine());
    EXPECT_STREQ("innermost", copy.GetInnerException()->what());
}

// A directory of the running test's own, named in UTF-8 so that every path
// given to the library below holds a character beyond ASCII.
struct TempDir : testing_platform::ScratchDir {
    TempDir() : ScratchDir("nqxml-donn\xC3\xA9" "es-") {}
};

TEST(CXmlObjectBase, ToXmlFileWritesAllOrNothing) {
    TempDir dir;
    // A root with two leaves holding texts that must survive a write and a read.
    CSmartPtr<CTestItem> root(new CTestItem("", "root"));
    root->m_children.emplace_back(new CTestItem("  lead\r\n]]> &<caf\xC3\xA9\t ", "a"));
    root->m_children.emplace_back(new CTestItem(" ", "b"));
    const std::string compact = root->ToXml(CWriteOptions{false, false});
    EXPECT_TRUE(compact.rfind("<mstns:root ", 0) == 0 && compact.find('\n') == std::string::npos) << compact;
    const std::string path = dir.File("r\xC3\xA9sum\xC3\xA9.xml");
    root->ToXmlFile(path);
    const std::string before = dir.Read("r\xC3\xA9sum\xC3\xA9.xml");
    EXPECT_EQ(0u, before.find("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<mstns:root ")) << before;
    EXPECT_NE(std::string::npos, before.find(">\n  <mstns:a>")) << before;
    CSmartPtr<CTestItem> read(new CTestItem);
    read->FromXmlFile(path);
    ASSERT_EQ(2u, read->m_children.size());
    EXPECT_TRUE(read->m_children[0]->m_text == root->m_children[0]->m_text && read->m_children[1]->m_text == " ");

    root->m_children[0]->m_text = "changed";
    root->m_children[1]->m_text = "\x01";  // refused after the first leaf is written
    EXPECT_THROW(root->ToXmlFile(path), CNqException);
    EXPECT_EQ(before, dir.Read("r\xC3\xA9sum\xC3\xA9.xml"));
    EXPECT_EQ(1u, dir.Entries());  // no leftovers
    // Paths that cannot be written or read are named, however long.
    const std::string unwritable = dir.File(std::string(150, 'm') + "/" + std::string(150, 'n') + "/doc.xml");
    root->m_children[1]->m_text = "ok";
    EXPECT_NE(std::string::npos, MessageOf([&] { root->ToXmlFile(unwritable); }).find(unwritable));
    for (const std::string& unreadable : {dir.File("missing.xml"), dir.path.u8string()}) {
        EXPECT_NE(std::string::npos, MessageOf([&] { read->FromXmlFile(unreadable); }).find(unreadable));
    }
    // A folder in the document's place: the final rename fails, and nothing changes there or beside it.
    const std::string folder = dir.File("folder");
    fs::create_directories(dir.path / "folder" / "inside");
    EXPECT_NE(std::string::npos, MessageOf([&] { root->ToXmlFile(folder); }).find("[" + folder + "]"));
    EXPECT_TRUE(fs::is_directory(dir.path / "folder" / "inside"));
    EXPECT_EQ(2u, dir.Entries());
}

// Whether the system makes files without a name in `folder`, so that a
// replacement shows no temporary before it is committed.
bool UnnamedFilesIn(const fs::path& folder) {
#if defined(O_TMPFILE)
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (fd >= 0) ::close(fd);
    return fd >= 0 && ::access("/proc/self/fd", X_OK) == 0;
#else
    static_cast<void>(folder);
    return false;
#endif
}

#if !defined(_WIN32)
// The system refuses a write: a file size limit, with the signal that would end the process ignored.
TEST(CFileReplacement, OldFileSurvivesAWriteTheSystemRefuses) {
    TempDir dir;
    const std::string path = dir.File("doc.xml");
    ReplaceFileContents(path, "old");
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &small);
    CSmartPtr<CTestItem> root(new CTestItem("", "root"));
    root->m_children.emplace_back(new CTestItem(std::string(1 << 20, 'x'), "a"));
    const std::string message = MessageOf([&] { root->ToXmlFile(path); });
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_NE(std::string::npos, message.find("Cannot write the file [" + path + "]")) << message;
    EXPECT_EQ("old", dir.Read("doc.xml"));
    EXPECT_EQ(1u, dir.Entries());
}
#endif

// Until a writer commits, the folder holds the file as it was and, where the
// system makes files without a name, nothing beside it, however much was
// written: a writer killed at any moment before its commit leaves nothing
// behind. Writers of one path never share a temporary; the last to commit
// wins, and one destroyed without committing leaves the file as it was.
TEST(CFileReplacement, UncommittedWritersLeaveTheFileAndNothingBeside) {
    TempDir dir;
    const std::string path = dir.File("doc.xml");
    const std::size_t named = UnnamedFilesIn(dir.path) ? 0 : 1;  // what an open writer shows in the folder
    CFileReplacement first(path), second(path);
    first.Write("first", 5);
    second.Write("second", 6);
    EXPECT_EQ(2 * named, dir.Entries());
    second.Commit();
    first.Commit();
    {
        CFileReplacement abandoned(path);  // its producer fails after a megabyte
        const std::string big(1 << 20, 'x');
        abandoned.Write(big.data(), big.size());
        EXPECT_EQ(1 + named, dir.Entries());
        EXPECT_EQ("first", dir.Read("doc.xml"));
    }
    EXPECT_EQ("first", dir.Read("doc.xml"));
    EXPECT_EQ(1u, dir.Entries());
}

#if defined(__linux__)
// A writer killed after any number of pieces, before its commit, leaves the
// old document and no other file; one let through leaves the new document.
// The child reports each piece through a pipe and waits at a gate before
// committing, so that every kill lands while it writes.
TEST(CFileReplacement, AWriterKilledWhileWritingLeavesNothingBeside) {
    TempDir dir;
    if (!UnnamedFilesIn(dir.path)) GTEST_SKIP() << "no unnamed files in " << dir.path;
    const std::string path = dir.File("doc.xml"), piece(1 << 16, 'n');
    constexpr int pieces = 64;
    for (int written = 0; written <= pieces; written += 16) {
        ReplaceFileContents(path, "old");
        int progress[2], gate[2];
        ASSERT_TRUE(::pipe(progress) == 0 && ::pipe(gate) == 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            char go = 0;
            try {
                CFileReplacement file(path);
                for (int i = 0; i < pieces && ::write(progress[1], "+", 1) == 1; ++i) {
                    file.Write(piece.data(), piece.size());
                }
                if (::read(gate[0], &go, 1) == 1) file.Commit();
            } catch (...) {
            }
            ::_exit(go == '+' ? 0 : 1);
        }
        char seen = 0;
        for (int i = 0; i <= written && i < pieces; ++i) ASSERT_EQ(1, ::read(progress[0], &seen, 1));
        if (written == pieces) ASSERT_EQ(1, ::write(gate[1], "+", 1));
        else ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        for (int fd : {progress[0], progress[1], gate[0], gate[1]}) ::close(fd);
        EXPECT_EQ(written == pieces ? pieces * piece.size() : 3, dir.Read("doc.xml").size()) << written;
        EXPECT_EQ(1u, dir.Entries()) << written;
    }
}
#endif

} // namespace
