// Reads a Storage document one storage item at a time, for documents larger
// than memory: memory is bounded by the largest item, whatever their number.
#pragma once

#include "runtime/SmartPtr.h"
#include "storage/CStorageItem.h"
#include "storage/DocumentFormat.h"
#include "storage/Export.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

namespace Storage {

/// Hands out the items of a Storage document one at a time, then the array's ClientID and KeyID.
/// Each item is read as CStorageArray::FromXml (or FromJson) reads it; a failure throws the same exception
/// chain, texts and positions included, at the point where it is met (once the rest of the text is parsed,
/// since text malformed anywhere wins). Items handed out earlier stay valid. The document is XML, JSON,
/// or either, told apart by its first character (CDocumentFormat::Detect); CSV is refused.
class STORAGE_API CStorageArrayReader {
public:
    /// Reads the document in a file; a file that cannot be opened throws CNqException naming the path.
    static CStorageArrayReader OpenFile(const std::string& path, CDocumentFormat format = CDocumentFormat::Xml);
    /// Reads the document held in `text`.
    static CStorageArrayReader OpenText(std::string text, CDocumentFormat format = CDocumentFormat::Xml);
    /// Reads the document from a stream, which must outlive the reader.
    static CStorageArrayReader OpenStream(std::istream& in, CDocumentFormat format = CDocumentFormat::Xml);

    /// Takes over another reader's document and position.
    CStorageArrayReader(CStorageArrayReader&& other) noexcept;
    /// Takes over another reader's document and position, closing this one's.
    CStorageArrayReader& operator=(CStorageArrayReader&& other) noexcept;
    /// Closes the document; items handed out stay valid.
    ~CStorageArrayReader();

    /// The next storage item, or null after the last one; after a failure, throws that failure again.
    NqXmlLib3::CSmartPtr<CStorageItem> ReadItem();
    /// The array's ClientID; throws CNqInvalidStateException until ReadItem has returned null.
    std::string GetClientID() const;
    /// The array's KeyID; throws CNqInvalidStateException until ReadItem has returned null.
    std::string GetKeyID() const;
    /// The bytes of the document taken in so far, for a progress report.
    std::uint64_t GetBytesRead() const;
    /// The form being read: CDocumentFormat::Xml or CDocumentFormat::Json.
    CDocumentFormat GetFormat() const;

private:
    class Impl;
    explicit CStorageArrayReader(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

} // namespace Storage
