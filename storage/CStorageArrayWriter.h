// Writes a Storage document one storage item at a time, for documents larger
// than memory: memory is bounded by the largest item, whatever their number.
#pragma once

#include "runtime/XmlObjectBase.h"
#include "storage/CStorageItem.h"
#include "storage/DocumentFormat.h"
#include "storage/Export.h"

#include <iosfwd>
#include <memory>
#include <string>

namespace Storage {

/// Writes the items of a Storage document one at a time, then the array's ClientID and KeyID. The
/// output is byte for byte what CStorageArray::ToXml (or ToJson) writes for the same items and options.
/// As CSV it is a header row, then one row per parameter: the item's place (from 0), its four strings,
/// the parameter's name and key flag, the kind of its value (num, str, bBool, err, w or Range) and the
/// value's XML text (a range: its compact JSON); RFC 4180, with CRLF line ends. Every form checks each
/// item as the XML writer does. Written to a file, like ToXmlFile, nothing at the path changes unless
/// Close succeeds.
class STORAGE_API CStorageArrayWriter {
public:
    /// Writes nowhere: only checks each item and field as the writer would.
    CStorageArrayWriter();
    /// Writes to a stream, which must outlive the writer, in pieces as the items come.
    explicit CStorageArrayWriter(std::ostream& out,
                                 const NqXmlLib3::CWriteOptions& options = NqXmlLib3::CWriteOptions(),
                                 CDocumentFormat format = CDocumentFormat::Xml);
    /// Starts a document for `path`, in a temporary file beside it; an unwritable place throws CNqException.
    explicit CStorageArrayWriter(const std::string& path,
                                 const NqXmlLib3::CWriteOptions& options = NqXmlLib3::CWriteOptions(),
                                 CDocumentFormat format = CDocumentFormat::Xml);
    /// Without a successful Close, removes the temporary file: the path stays as it was.
    ~CStorageArrayWriter();
    CStorageArrayWriter(const CStorageArrayWriter&) = delete;
    CStorageArrayWriter& operator=(const CStorageArrayWriter&) = delete;

    /// Checks and writes one item under the element name "StorageItems", failing as ToXml of an array
    /// holding it would; after a failure the writer refuses further work and Close never replaces the file.
    void WriteItem(CStorageItem& item);
    /// Sets and writes the array's ClientID and KeyID, ends the document and puts it at the path or flushes the stream.
    void Close(const std::string& clientId, const std::string& keyId);

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace Storage
