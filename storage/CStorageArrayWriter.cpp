#include "storage/CStorageArrayWriter.h"

#include "storage/CStorageArray.h"
#include "storage/ElementFrame.h"

#include "runtime/FileSystem.h"

#include <ostream>

namespace Storage {

using NqXmlLib3::CNqException;
using NqXmlLib3::CNqInvalidStateException;
using NqXmlLib3::CSmartPtr;
using NqXmlLib3::CXmlObjectBase;
using NqXmlLib3::CXmlTextWriter;

namespace {

// The text is handed on in pieces of about this size.
constexpr std::size_t flushSize = 1 << 16;

// Where the text goes. Commit makes it final once the document is complete.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void Write(const char* data, std::size_t size) = 0;
    virtual void Commit() = 0;
};

class NoSink final : public Sink {
public:
    void Write(const char*, std::size_t) override {}
    void Commit() override {}
};

class StreamSink final : public Sink {
public:
    explicit StreamSink(std::ostream& out) : m_out(out) {}
    void Write(const char* data, std::size_t size) override {
        if (!m_out.write(data, static_cast<std::streamsize>(size))) Fail();
    }
    void Commit() override {
        if (!m_out.flush()) Fail();
    }

private:
    [[noreturn]] static void Fail() { throw CNqException("Cannot write the output stream"); }
    std::ostream& m_out;
};

// A new file at the target, put in place of the old one on Commit (see CFileReplacement).
class FileSink final : public Sink {
public:
    explicit FileSink(std::string target) : m_file(std::move(target)) {}
    void Write(const char* data, std::size_t size) override { m_file.Write(data, size); }
    void Commit() override { m_file.Commit(); }

private:
    NqXmlLib3::CFileReplacement m_file;
};

} // namespace

// The array writes as its own writer does: the start of the root with the
// namespace declarations, each item as the item collection writes it, then
// the two strings and the end, every failure wrapped in the root's name.
class CStorageArrayWriter::Impl {
public:
    Impl(std::unique_ptr<Sink> sink, const NqXmlLib3::CWriteOptions& options, bool discard = false)
        : m_sink(std::move(sink)), m_writer(options.indent, discard) {
        if (options.declaration) m_writer.WriteDeclaration();
        Step([&] { Frame::WriteStart(*m_array, &m_writer, true, TargetNamespaceUri); });
    }

    void WriteItem(CStorageItem& item) {
        Step([&] {
            CXmlObjectBase::SetElementName(item.GetBase(), m_array->GetStorageItems()->ElementName().c_str());
            CXmlObjectBase::ToXml_Int(item.GetBase(), &m_writer, false, TargetNamespaceUri);
        });
        if (m_writer.GetXml().size() >= flushSize) Flush();
    }

    void Close(const std::string& clientId, const std::string& keyId) {
        Usable();
        m_array->SetClientID(clientId);
        m_array->SetKeyID(keyId);
        Step([&] {
            Frame::WriteSimple<Frame::StringKind>(&m_writer, "ClientID", m_array->GetClientID());
            Frame::WriteSimple<Frame::StringKind>(&m_writer, "KeyID", m_array->GetKeyID());
            m_writer.WriteEndElement();
        });
        const std::string rest = m_writer.TakeXml();
        m_sink->Write(rest.data(), rest.size());
        m_sink->Commit();
        m_closed = true;
    }

private:
    void Usable() const {
        if (m_failed) throw CNqInvalidStateException("The document writer failed earlier: the document is incomplete");
        if (m_closed) throw CNqInvalidStateException("The document writer is closed");
    }

    // Runs one step of writing; a failure leaves the document incomplete for good.
    template <class Write>
    void Step(Write&& write) {
        Usable();
        try {
            Frame::Writing(*m_array, write);
        } catch (...) {
            m_failed = true;
            throw;
        }
    }

    void Flush() {
        const std::string& text = m_writer.GetXml();
        const std::size_t count = text.size() - 1;
        m_sink->Write(text.data(), count);
        m_writer.DropWritten(count);
    }

    std::unique_ptr<Sink> m_sink;
    CXmlTextWriter m_writer;
    CSmartPtr<CStorageArray> m_array = CStorageArray::CreateInstance();
    bool m_failed = false;
    bool m_closed = false;
};

// The text writer discards what it would write: the checks alone run.
CStorageArrayWriter::CStorageArrayWriter()
    : m_impl(std::make_unique<Impl>(std::make_unique<NoSink>(), NqXmlLib3::CWriteOptions{false, false}, true)) {}
CStorageArrayWriter::CStorageArrayWriter(std::ostream& out, const NqXmlLib3::CWriteOptions& options)
    : m_impl(std::make_unique<Impl>(std::make_unique<StreamSink>(out), options)) {}
CStorageArrayWriter::CStorageArrayWriter(const std::string& path, const NqXmlLib3::CWriteOptions& options)
    : m_impl(std::make_unique<Impl>(std::make_unique<FileSink>(path), options)) {}
CStorageArrayWriter::~CStorageArrayWriter() = default;

void CStorageArrayWriter::WriteItem(CStorageItem& item) { m_impl->WriteItem(item); }
void CStorageArrayWriter::Close(const std::string& clientId, const std::string& keyId) {
    m_impl->Close(clientId, keyId);
}

} // namespace Storage
