#include "storage/CStorageArrayReader.h"

#include "storage/CStorageArray.h"
#include "storage/ElementFrame.h"

#include <exception>
#include <istream>

namespace Storage {

using NqXmlLib3::CNqException;
using NqXmlLib3::CNqInvalidStateException;
using NqXmlLib3::CSyntax;
using NqXmlLib3::CSmartPtr;
using NqXmlLib3::CXmlDocument;
using NqXmlLib3::CXmlElement;
using NqXmlLib3::CXmlObjectBase;

// Walks the root's children as the array's reader does: the run of items
// one at a time, then the rest of the content, read by the array itself from
// where the run ended, so every failure is wrapped and located as in a
// whole read. As there, text malformed anywhere wins over an earlier failure.
class CStorageArrayReader::Impl {
public:
    explicit Impl(std::unique_ptr<CXmlDocument> document)
        : m_document(std::move(document)), m_syntax(m_document->GetSyntax()) {}
    Impl(std::string text, CSyntax syntax)
        : m_text(std::move(text)), m_document(CXmlDocument::OpenText(m_text, syntax, Shape())),
          m_syntax(m_document->GetSyntax()) {}

    // The array's shape, which a JSON document is read by.
    static const NqXmlLib3::CJsonShape* Shape() { return &CStorageArray::GetJsonShape(); }

    CDocumentFormat Format() const { return m_syntax == CSyntax::Json ? CDocumentFormat::Json : CDocumentFormat::Xml; }

    CSmartPtr<CStorageItem> ReadItem() {
        if (m_failure) std::rethrow_exception(m_failure);
        if (m_ended) return nullptr;
        try {
            CSmartPtr<CStorageItem> item = NextItem();
            if (!item) ReadEnd();
            return item;
        } catch (...) {
            m_failure = std::current_exception();
            try {
                m_document->Finish();
            } catch (...) {
                m_failure = std::current_exception();
            }
            Release();
            std::rethrow_exception(m_failure);
        }
    }

    CStorageArray& Array() const {
        if (!m_ended) throw CNqInvalidStateException("The array's fields follow its last item: read every item first");
        return *m_array;
    }

    std::uint64_t BytesRead() const { return m_document ? m_document->GetBytesRead() : m_bytesRead; }

private:
    CSmartPtr<CStorageItem> NextItem() {
        if (!m_root) {
            m_root = m_document->GetDocumentElement();
            m_cursor = m_root->GetFirstElement();
            Frame::ReadAttributes(*m_root, Frame::Attributes::Refuse);
        }
        return Frame::Guarded(Frame::FailedToProcessChildren, *m_root, [this]() -> CSmartPtr<CStorageItem> {
            if (m_onItem) {
                m_cursor = m_cursor->GetNextSiblingElement();
                m_onItem = false;
            }
            const std::string& itemName = m_array->GetStorageItems()->ElementName();
            if (!m_cursor || m_cursor->GetLocalName() != itemName) return nullptr;
            auto item = Frame::MakeNamed<CStorageItem>(itemName.c_str());
            CXmlObjectBase::FromXml_Int(item->GetBase(), m_cursor, m_cursor->GetFirstElement());
            m_onItem = true;
            return item;
        });
    }

    void ReadEnd() {
        CXmlObjectBase::FromXml_Int(m_array->GetBase(), m_root, m_cursor);
        m_document->Finish();
        m_ended = true;
        Release();
    }

    // Once the text is read to its end, the file is closed and the tree's
    // memory given back: a host may then replace or remove the file, on
    // Windows too, while it keeps the reader.
    void Release() {
        m_bytesRead = m_document->GetBytesRead();
        m_root = m_cursor = nullptr;
        m_document.reset();
        std::string().swap(m_text);
    }

    std::string m_text;
    std::unique_ptr<CXmlDocument> m_document;
    CSyntax m_syntax;
    CSmartPtr<CStorageArray> m_array = CStorageArray::CreateInstance();
    CXmlElement* m_root = nullptr;
    CXmlElement* m_cursor = nullptr;
    bool m_onItem = false;  // whether the cursor is on the item handed out last
    bool m_ended = false;
    std::uint64_t m_bytesRead = 0;  // once the document is released
    std::exception_ptr m_failure;
};

CStorageArrayReader::CStorageArrayReader(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
CStorageArrayReader::CStorageArrayReader(CStorageArrayReader&& other) noexcept = default;
CStorageArrayReader& CStorageArrayReader::operator=(CStorageArrayReader&& other) noexcept = default;
CStorageArrayReader::~CStorageArrayReader() = default;

namespace {

CSyntax SyntaxOf(CDocumentFormat format) {
    switch (format) {
    case CDocumentFormat::Xml: return CSyntax::Xml;
    case CDocumentFormat::Json: return CSyntax::Json;
    case CDocumentFormat::Detect: return CSyntax::Detect;
    default: throw CNqException("A CSV document is written only, never read");
    }
}

} // namespace

CStorageArrayReader CStorageArrayReader::OpenFile(const std::string& path, CDocumentFormat format) {
    return CStorageArrayReader(std::make_unique<Impl>(CXmlDocument::OpenFile(path, SyntaxOf(format), Impl::Shape())));
}

CStorageArrayReader CStorageArrayReader::OpenText(std::string text, CDocumentFormat format) {
    return CStorageArrayReader(std::make_unique<Impl>(std::move(text), SyntaxOf(format)));
}

CStorageArrayReader CStorageArrayReader::OpenStream(std::istream& in, CDocumentFormat format) {
    return CStorageArrayReader(std::make_unique<Impl>(CXmlDocument::OpenStream(in, SyntaxOf(format), Impl::Shape())));
}

CSmartPtr<CStorageItem> CStorageArrayReader::ReadItem() { return m_impl->ReadItem(); }
std::string CStorageArrayReader::GetClientID() const { return m_impl->Array().GetClientID(); }
std::string CStorageArrayReader::GetKeyID() const { return m_impl->Array().GetKeyID(); }
std::uint64_t CStorageArrayReader::GetBytesRead() const { return m_impl->BytesRead(); }
CDocumentFormat CStorageArrayReader::GetFormat() const { return m_impl->Format(); }

} // namespace Storage
