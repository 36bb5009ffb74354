#include "storage/CStorageArrayWriter.h"

#include "storage/CStorageArray.h"
#include "storage/ElementFrame.h"

#include "runtime/FileSystem.h"

#include <ostream>
#include <initializer_list>
#include <string_view>

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

// The text writer of a form: XML, JSON, or for CSV one that only checks.
CXmlTextWriter MakeWriter(CDocumentFormat format, const NqXmlLib3::CWriteOptions& options, bool discard) {
    if (format == CDocumentFormat::Json) return CXmlTextWriter(CStorageArray::GetJsonShape(), options.indent);
    if (format == CDocumentFormat::Csv) return CXmlTextWriter(false, true);
    if (format == CDocumentFormat::Detect) throw CNqException("A document is written in one form: XML, JSON or CSV");
    return CXmlTextWriter(options.indent, discard);
}

// ---- CSV ---------------------------------------------------------------------------

// A field as RFC 4180 has it: in quotes, with quotes doubled, when it holds
// a comma, a quote or a line end.
void AppendField(std::string& row, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        row.append(field);
        return;
    }
    row.push_back('"');
    for (char c : field) {
        if (c == '"') row.push_back('"');
        row.push_back(c);
    }
    row.push_back('"');
}

void AppendRow(std::string& out, std::initializer_list<std::string_view> fields) {
    bool first = true;
    for (std::string_view field : fields) {
        if (!first) out.push_back(',');
        first = false;
        AppendField(out, field);
    }
    out.append("\r\n");
}

const char* const csvHeader = "item,ClientID,CatID,FunctionName,KeyID,ParamName,isKey,type,value\r\n";

// The XML text of a parameter's value; a range's is its compact JSON.
std::string ValueText(CCParams_ChoiceA& value, const std::string& kind) {
    if (kind == "num") return NqXmlLib3::CConversions::r8ToString(value.GetNum());
    if (kind == "str") return value.GetStr();
    if (kind == "bBool") return NqXmlLib3::CConversions::booleanToString(value.GetBBool());
    if (kind == "err") return NqXmlLib3::CConversions::i4ToString(value.GetErr());
    if (kind == "w") return NqXmlLib3::CConversions::i8ToString(value.GetW());
    CXmlTextWriter writer(CArrRange::GetJsonShape(), false);
    CXmlObjectBase::ToXml_Int(value.GetRange()->GetBase(), &writer, false, TargetNamespaceUri);
    std::string json = writer.TakeXml();
    json.pop_back();  // the line feed that ends a JSON text
    return json;
}

// The rows of one item, which the XML writer has checked.
void AppendRows(std::string& out, std::size_t index, CStorageItem& item) {
    const std::string place = std::to_string(index);
    const std::string clientId = item.GetClientID(), catId = item.GetCatID(), function = item.GetFunctionName(),
                      keyId = item.GetKeyID();
    for (auto parameter : *item.GetParameters()) {
        auto value = parameter->GetCParams_ChoiceA();
        const std::string kind = value->GetChoiceSelectedElement();
        AppendRow(out, {place, clientId, catId, function, keyId, parameter->GetParamName(),
                        NqXmlLib3::CConversions::booleanToString(parameter->GetIsKey()), kind, ValueText(*value, kind)});
    }
}

} // namespace

// The array writes as its own writer does: the start of the root with the
// namespace declarations, each item as the item collection writes it, then
// the two strings and the end, every failure wrapped in the root's name.
class CStorageArrayWriter::Impl {
public:
    Impl(std::unique_ptr<Sink> sink, const NqXmlLib3::CWriteOptions& options, CDocumentFormat format,
         bool discard = false)
        : m_sink(std::move(sink)), m_writer(MakeWriter(format, options, discard)), m_csv(format == CDocumentFormat::Csv) {
        if (options.declaration) m_writer.WriteDeclaration();
        if (m_csv) m_rows = csvHeader;
        Step([&] { Frame::WriteStart(*m_array, &m_writer, true, TargetNamespaceUri); });
    }

    void WriteItem(CStorageItem& item) {
        Step([&] {
            CXmlObjectBase::SetElementName(item.GetBase(), m_array->GetStorageItems()->ElementName().c_str());
            CXmlObjectBase::ToXml_Int(item.GetBase(), &m_writer, false, TargetNamespaceUri);
        });
        if (m_csv) {
            AppendRows(m_rows, m_items++, item);
            if (m_rows.size() >= flushSize) {
                m_sink->Write(m_rows.data(), m_rows.size());
                m_rows.clear();
            }
        } else if (m_writer.GetXml().size() >= flushSize) {
            Flush();
        }
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
        const std::string rest = m_csv ? std::move(m_rows) : m_writer.TakeXml();
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
    const bool m_csv;        // the rows are the output; the writer only checks
    std::string m_rows;      // CSV not handed on yet
    std::size_t m_items = 0;
    bool m_failed = false;
    bool m_closed = false;
};

// The text writer discards what it would write: the checks alone run.
CStorageArrayWriter::CStorageArrayWriter()
    : m_impl(std::make_unique<Impl>(std::make_unique<NoSink>(), NqXmlLib3::CWriteOptions{false, false},
                                    CDocumentFormat::Xml, true)) {}
CStorageArrayWriter::CStorageArrayWriter(std::ostream& out, const NqXmlLib3::CWriteOptions& options,
                                         CDocumentFormat format)
    : m_impl(std::make_unique<Impl>(std::make_unique<StreamSink>(out), options, format)) {}
CStorageArrayWriter::CStorageArrayWriter(const std::string& path, const NqXmlLib3::CWriteOptions& options,
                                         CDocumentFormat format)
    : m_impl(std::make_unique<Impl>(std::make_unique<FileSink>(path), options, format)) {}
CStorageArrayWriter::~CStorageArrayWriter() = default;

void CStorageArrayWriter::WriteItem(CStorageItem& item) { m_impl->WriteItem(item); }
void CStorageArrayWriter::Close(const std::string& clientId, const std::string& keyId) {
    m_impl->Close(clientId, keyId);
}

} // namespace Storage
