// Documents: reading and writing whole arrays, reading and writing them one
// item at a time, and the streams that carry a host's read and write
// callbacks to the C++ classes.
#include "Boundary.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <memory>
#include <ostream>
#include <streambuf>

using namespace StorageXmlC;
using NqXmlLib3::CXmlDocument;
using NqXmlLib3::CXmlElement;
using Storage::CStorageArray;
using Storage::CStorageArrayReader;
using Storage::CStorageArrayWriter;

namespace {

// An input stream over the host's read callback. A failure of the callback
// is thrown, which the stream turns into its bad state, which the library
// reports as a stream it cannot read. Reads of a block go straight to the
// callback, into the parser's own buffer.
class CallbackInput final : public std::streambuf {
public:
    CallbackInput(storagexml_read_fn read, void* context) : m_read(read), m_context(context), m_stream(this) {}
    std::istream& Stream() { return m_stream; }

protected:
    int_type underflow() override {
        const std::size_t got = Fill(m_buffer, sizeof m_buffer);
        if (got == 0) return traits_type::eof();
        setg(m_buffer, m_buffer, m_buffer + got);
        return traits_type::to_int_type(m_buffer[0]);
    }

    std::streamsize xsgetn(char* data, std::streamsize size) override {
        std::streamsize done = std::min<std::streamsize>(egptr() - gptr(), size);
        if (done > 0) {
            std::memcpy(data, gptr(), static_cast<std::size_t>(done));
            setg(eback(), gptr() + done, egptr());
        }
        while (done < size) {
            const std::size_t got = Fill(data + done, static_cast<std::size_t>(size - done));
            if (got == 0) break;
            done += static_cast<std::streamsize>(got);
        }
        return done;
    }

private:
    struct Failed {};

    std::size_t Fill(char* buffer, std::size_t capacity) {
        std::size_t length = 0;
        if (m_read(m_context, buffer, capacity, &length) != 0 || length > capacity) throw Failed();
        return length;
    }

    storagexml_read_fn m_read;
    void* m_context;
    char m_buffer[256];
    std::istream m_stream;
};

// An output stream over the host's write callback, unbuffered: the writers
// hand over their text in large pieces already.
class CallbackOutput final : public std::streambuf {
public:
    CallbackOutput(storagexml_write_fn write, void* context) : m_write(write), m_context(context), m_stream(this) {}
    std::ostream& Stream() { return m_stream; }

protected:
    std::streamsize xsputn(const char* data, std::streamsize size) override {
        return m_write(m_context, data, static_cast<std::size_t>(size)) == 0 ? size : 0;
    }
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        return m_write(m_context, &byte, 1) == 0 ? c : traits_type::eof();
    }

private:
    storagexml_write_fn m_write;
    void* m_context;
    std::ostream m_stream;
};

// Reads a document opened on the host's text or stream into a new array, as
// FromXml reads text (which takes a std::string: making one of the host's
// text would copy the whole document). As there, text malformed anywhere
// wins over an earlier failure of the readers.
CSmartPtr<CStorageArray> ReadArray(std::unique_ptr<CXmlDocument> document) {
    auto array = CStorageArray::CreateInstance();
    CXmlElement* root = document->GetDocumentElement();
    try {
        CXmlObjectBase::FromXml_Int(array->GetBase(), root, root->GetFirstElement());
    } catch (...) {
        document->Finish();
        throw;
    }
    document->Finish();
    return array;
}

} // namespace

struct storagexml_reader {
    std::unique_ptr<CallbackInput> input;  // outlives the reader that reads from it
    CStorageArrayReader reader;
};

struct storagexml_writer {
    std::unique_ptr<CallbackOutput> output;  // outlives the writer that writes to it
    std::unique_ptr<CStorageArrayWriter> writer;
};

CStorageArrayReader& StorageXmlC::ReaderOf(const storagexml_reader* reader) {
    return const_cast<storagexml_reader*>(Require(reader, "reader"))->reader;
}

CStorageArrayWriter& StorageXmlC::WriterOf(storagexml_writer* writer) { return *Require(writer, "writer")->writer; }

namespace {

template <class Open>
int OpenReader(storagexml_reader** out, storagexml_error** error, const char* function, Open open) {
    return Call(error, function, [&] {
        Require(out, "out");
        *out = open();
    });
}

template <class Open>
int OpenWriter(storagexml_writer** out, storagexml_error** error, const char* function, Open open) {
    return Call(error, function, [&] {
        Require(out, "out");
        *out = open().release();
    });
}

int WriteText(storagexml_array* array, unsigned flags, char** text, std::size_t* length, storagexml_error** error,
              const char* function) {
    return Call(error, function, [&] {
        auto& object = Get(array);
        Require(text, "text");
        GiveText(object.ToXml(Options(flags)), text, length);
    });
}

int WriteFile(storagexml_array* array, const char* path, unsigned flags, storagexml_error** error,
              const char* function) {
    return Call(error, function, [&] {
        auto& object = Get(array);
        Require(path, "utf8_path");
        object.ToXmlFile(path, Options(flags));
    });
}

int ReaderText(const storagexml_reader* reader, std::string (CStorageArrayReader::*getter)() const, char** text,
               std::size_t* length, storagexml_error** error, const char* function) {
    return Call(error, function, [&] {
        const CStorageArrayReader& from = ReaderOf(reader);
        Require(text, "text");
        GiveText((from.*getter)(), text, length);
    });
}

} // namespace

extern "C" {

const char* storagexml_version(void) { return STORAGEXML_VERSION; }
const char* storagexml_target_namespace(void) { return Storage::TargetNamespaceUri; }
long storagexml_live_object_count(void) { return NqXmlLib3::CInstanceMonitor::GetLiveCount(); }
void storagexml_free(void* text) { std::free(text); }

// ---- Whole documents ----

int storagexml_array_read_file(const char* utf8_path, storagexml_array** out, storagexml_error** error) {
    return Call(error, __func__, [&] {
        const std::string path = Require(utf8_path, "utf8_path");
        Require(out, "out");
        auto array = CStorageArray::CreateInstance();
        array->FromXmlFile(path);
        *out = Give<storagexml_array>(array);
    });
}

int storagexml_array_read_text(const char* text, std::size_t length, storagexml_array** out,
                               storagexml_error** error) {
    return Call(error, __func__, [&] {
        Require(text, "text");
        Require(out, "out");
        const std::size_t size = length == STORAGEXML_NUL_TERMINATED ? std::strlen(text) : length;
        *out = Give<storagexml_array>(ReadArray(CXmlDocument::OpenText(std::string_view(text, size))));
    });
}

int storagexml_array_read_callback(storagexml_read_fn read, void* context, storagexml_array** out,
                                   storagexml_error** error) {
    return Call(error, __func__, [&] {
        Require(read, "read");
        Require(out, "out");
        CallbackInput input(read, context);
        *out = Give<storagexml_array>(ReadArray(CXmlDocument::OpenStream(input.Stream())));
    });
}

int storagexml_array_write_text(storagexml_array* array, char** text, std::size_t* length, storagexml_error** error) {
    return WriteText(array, STORAGEXML_WRITE_DEFAULT, text, length, error, __func__);
}
int storagexml_array_write_text_options(storagexml_array* array, unsigned flags, char** text, std::size_t* length,
                                        storagexml_error** error) {
    return WriteText(array, flags, text, length, error, __func__);
}
int storagexml_array_write_file(storagexml_array* array, const char* utf8_path, storagexml_error** error) {
    return WriteFile(array, utf8_path, STORAGEXML_WRITE_DEFAULT, error, __func__);
}
int storagexml_array_write_file_options(storagexml_array* array, const char* utf8_path, unsigned flags,
                                        storagexml_error** error) {
    return WriteFile(array, utf8_path, flags, error, __func__);
}

// ---- Reading item by item ----

int storagexml_reader_open_file(const char* utf8_path, storagexml_reader** out, storagexml_error** error) {
    return OpenReader(out, error, __func__, [&] {
        return new storagexml_reader{nullptr, CStorageArrayReader::OpenFile(Require(utf8_path, "utf8_path"))};
    });
}

int storagexml_reader_open_text(const char* text, std::size_t length, storagexml_reader** out,
                                storagexml_error** error) {
    return OpenReader(out, error, __func__, [&] {
        return new storagexml_reader{nullptr, CStorageArrayReader::OpenText(Text(text, length, "text"))};
    });
}

int storagexml_reader_open_callback(storagexml_read_fn read, void* context, storagexml_reader** out,
                                    storagexml_error** error) {
    return OpenReader(out, error, __func__, [&] {
        auto input = std::make_unique<CallbackInput>(Require(read, "read"), context);
        std::istream& stream = input->Stream();
        return new storagexml_reader{std::move(input), CStorageArrayReader::OpenStream(stream)};
    });
}

int storagexml_reader_next(storagexml_reader* reader, storagexml_item** item, storagexml_error** error) {
    return Call(error, __func__, [&] {
        CStorageArrayReader& from = ReaderOf(reader);
        Require(item, "item");
        *item = Give<storagexml_item>(from.ReadItem());
    });
}

int storagexml_reader_client_id(const storagexml_reader* reader, char** text, std::size_t* length,
                                storagexml_error** error) {
    return ReaderText(reader, &CStorageArrayReader::GetClientID, text, length, error, __func__);
}
int storagexml_reader_key_id(const storagexml_reader* reader, char** text, std::size_t* length,
                             storagexml_error** error) {
    return ReaderText(reader, &CStorageArrayReader::GetKeyID, text, length, error, __func__);
}

std::uint64_t storagexml_reader_bytes_read(const storagexml_reader* reader) {
    return Query(std::uint64_t{0}, [&] { return ReaderOf(reader).GetBytesRead(); });
}

void storagexml_reader_free(storagexml_reader* reader) { delete reader; }

// ---- Writing item by item ----

int storagexml_writer_open_file(const char* utf8_path, unsigned flags, storagexml_writer** out,
                                storagexml_error** error) {
    return OpenWriter(out, error, __func__, [&] {
        const std::string path = Require(utf8_path, "utf8_path");
        auto writer = std::make_unique<storagexml_writer>();
        writer->writer = std::make_unique<CStorageArrayWriter>(path, Options(flags));
        return writer;
    });
}

int storagexml_writer_open_callback(storagexml_write_fn write, void* context, unsigned flags,
                                    storagexml_writer** out, storagexml_error** error) {
    return OpenWriter(out, error, __func__, [&] {
        Require(write, "write");
        auto writer = std::make_unique<storagexml_writer>();
        writer->output = std::make_unique<CallbackOutput>(write, context);
        writer->writer = std::make_unique<CStorageArrayWriter>(writer->output->Stream(), Options(flags));
        return writer;
    });
}

int storagexml_writer_open_check(storagexml_writer** out, storagexml_error** error) {
    return OpenWriter(out, error, __func__, [&] {
        auto writer = std::make_unique<storagexml_writer>();
        writer->writer = std::make_unique<CStorageArrayWriter>();
        return writer;
    });
}

int storagexml_writer_write_item(storagexml_writer* writer, storagexml_item* item, storagexml_error** error) {
    return Call(error, __func__, [&] {
        CStorageArrayWriter& to = WriterOf(writer);
        to.WriteItem(Get(item));
    });
}

int storagexml_writer_close(storagexml_writer* writer, const char* client_id, std::size_t client_id_length,
                            const char* key_id, std::size_t key_id_length, storagexml_error** error) {
    return Call(error, __func__, [&] {
        CStorageArrayWriter& to = WriterOf(writer);
        const std::string clientId = Text(client_id, client_id_length, "client_id");
        to.Close(clientId, Text(key_id, key_id_length, "key_id"));
    });
}

void storagexml_writer_free(storagexml_writer* writer) { delete writer; }

} // extern "C"
