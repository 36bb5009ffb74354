#include "storage/CStorageArrayWriter.h"

#include "storage/CStorageArray.h"
#include "storage/ElementFrame.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <random>
#include <system_error>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace Storage {

using NqXmlLib3::CNqException;
using NqXmlLib3::CNqInvalidStateException;
using NqXmlLib3::CSmartPtr;
using NqXmlLib3::CXmlObjectBase;
using NqXmlLib3::CXmlTextWriter;
using NqXmlLib3::FormatString;

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

// A temporary file beside the target, renamed over it on Commit and removed otherwise.
class TemporaryFile final : public Sink {
public:
    explicit TemporaryFile(std::string target) : m_target(std::move(target)) {
        // Where random_device is deterministic, the clock and the address still tell writers apart.
        std::random_device random;
        const auto unique = static_cast<std::uint64_t>(random()) ^ reinterpret_cast<std::uintptr_t>(this) ^
                            static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        m_path = m_target + FormatString(".tmp-%08x%08x", static_cast<unsigned>(unique >> 32),
                                         static_cast<unsigned>(unique));
        m_file = std::fopen(m_path.c_str(), "wb");
        if (!m_file) Fail(errno);
    }
    ~TemporaryFile() override {
        if (m_file) std::fclose(m_file);
        if (!m_committed) std::remove(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    void Write(const char* data, std::size_t size) override {
        if (size && std::fwrite(data, 1, size, m_file) != size) Fail(errno);
    }

    // Flushes the file to disk and renames it over the target, keeping the target's permissions.
    void Commit() override {
        std::error_code error;
        const auto existing = std::filesystem::status(m_target, error);
        if (!error && std::filesystem::exists(existing)) {
            std::filesystem::permissions(m_path, existing.permissions(), error);
        }
        bool written = std::fflush(m_file) == 0;
#if !defined(_WIN32)
        written = written && ::fsync(::fileno(m_file)) == 0;
#endif
        const int flushError = errno;
        written = std::fclose(m_file) == 0 && written;
        m_file = nullptr;
        if (!written) Fail(flushError);
        std::filesystem::rename(m_path, m_target, error);
        if (error) Fail(error.value());
        m_committed = true;
    }

private:
    [[noreturn]] void Fail(int error) const {
        throw CNqException(FormatString("Cannot write the file [%s]: %s", m_target.c_str(),
                                        std::generic_category().message(error).c_str()));
    }

    std::string m_target;
    std::string m_path;
    std::FILE* m_file = nullptr;
    bool m_committed = false;
};

} // namespace

// The array writes as its own writer does: the start of the root with the
// namespace declarations, each item as the item collection writes it, then
// the two strings and the end, every failure wrapped in the root's name.
class CStorageArrayWriter::Impl {
public:
    Impl(std::unique_ptr<Sink> sink, const NqXmlLib3::CWriteOptions& options)
        : m_sink(std::move(sink)), m_writer(options.indent) {
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

// The layout changes no check, and the compact one costs the least.
CStorageArrayWriter::CStorageArrayWriter()
    : m_impl(std::make_unique<Impl>(std::make_unique<NoSink>(), NqXmlLib3::CWriteOptions{false, false})) {}
CStorageArrayWriter::CStorageArrayWriter(std::ostream& out, const NqXmlLib3::CWriteOptions& options)
    : m_impl(std::make_unique<Impl>(std::make_unique<StreamSink>(out), options)) {}
CStorageArrayWriter::CStorageArrayWriter(const std::string& path, const NqXmlLib3::CWriteOptions& options)
    : m_impl(std::make_unique<Impl>(std::make_unique<TemporaryFile>(path), options)) {}
CStorageArrayWriter::~CStorageArrayWriter() = default;

void CStorageArrayWriter::WriteItem(CStorageItem& item) { m_impl->WriteItem(item); }
void CStorageArrayWriter::Close(const std::string& clientId, const std::string& keyId) {
    m_impl->Close(clientId, keyId);
}

} // namespace Storage
