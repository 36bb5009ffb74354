// storagexml: checks Storage documents, writes them back in the library's own
// layout, converts them between XML, JSON and CSV, and writes an example
// document built through the API.
//
// Exit codes: 0 when every document is good, 1 when any document is invalid,
// 2 for a usage error or a file that cannot be read or written.

#include "storage/Storage.h"

#include <CLI/CLI.hpp>

#include "runtime/FileSystem.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <system_error>
#include <vector>

namespace {

using NqXmlLib3::CNqException;
using NqXmlLib3::CSmartPtr;
using Storage::CStorageArray;

enum ExitCode { ExitGood = 0, ExitInvalid = 1, ExitUsage = 2 };

// A file that cannot be read or written. Kept apart from CNqException, which
// here always means that the document itself is at fault.
struct FileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

FileError CannotRead(const std::string& path, int error) {
    return FileError("cannot read " + path + ": " + std::generic_category().message(error));
}

bool StderrIsTerminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stderr)) != 0;
#else
    return ::isatty(::fileno(stderr)) != 0;
#endif
}

#if defined(_WIN32)
std::string Narrow(const wchar_t* text) {
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, &narrow[0], length, nullptr, nullptr);
    return narrow;
}

// The arguments as UTF-8: Windows hands main() its arguments in the code page,
// which cannot hold every file name.
std::vector<std::string> Utf8Arguments(int, char**) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(Narrow(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

// Documents are bytes: standard streams are never translated (no CRLF).
void UseBinaryStandardStreams() {
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}
#else
std::vector<std::string> Utf8Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

void UseBinaryStandardStreams() {}
#endif

// A document read item by item, from a file or from standard input for "-",
// with progress on a terminal for work longer than about a second. It is
// XML or JSON, told apart by its first character.
class Input {
public:
    explicit Input(const std::string& path) : m_path(path), m_reader(Open(path)) {
        std::error_code error;
        if (path != "-") m_total = std::filesystem::file_size(std::filesystem::u8path(path), error);
        m_showProgress = StderrIsTerminal();
    }
    ~Input() {
        if (m_shown) std::cerr << '\r' << std::string(m_shown, ' ') << '\r' << std::flush;
    }
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    CSmartPtr<Storage::CStorageItem> ReadItem() {
        auto item = m_reader.ReadItem();
        if (m_showProgress && (++m_items & 0xFF) == 0) ShowProgress();
        return item;
    }
    std::string GetClientID() const { return m_reader.GetClientID(); }
    std::string GetKeyID() const { return m_reader.GetKeyID(); }
    Storage::CDocumentFormat GetFormat() const { return m_reader.GetFormat(); }

private:
    using Clock = std::chrono::steady_clock;

    // A file that cannot be read is told apart from a document at fault before reading starts.
    static Storage::CStorageArrayReader Open(const std::string& path) {
        if (path == "-") return Storage::CStorageArrayReader::OpenStream(std::cin, Storage::CDocumentFormat::Detect);
        std::error_code error;
        if (std::filesystem::is_directory(std::filesystem::u8path(path), error)) throw CannotRead(path, EISDIR);
        if (std::FILE* file = NqXmlLib3::OpenFileForReading(path)) {
            std::fclose(file);
        } else {
            throw CannotRead(path, errno);
        }
        return Storage::CStorageArrayReader::OpenFile(path, Storage::CDocumentFormat::Detect);
    }

    void ShowProgress() {
        const auto now = Clock::now();
        const double elapsed = std::chrono::duration<double>(now - m_start).count();
        if (elapsed < 1 || now - m_lastShown < std::chrono::milliseconds(250)) return;
        m_lastShown = now;
        const double megabytes = static_cast<double>(m_reader.GetBytesRead()) / 1e6;
        char line[160];
        if (m_total > 0) {
            std::snprintf(line, sizeof line, "%s: %.0f of %.0f MB (%.0f%%), %.0f MB/s", m_path.c_str(), megabytes,
                          static_cast<double>(m_total) / 1e6, 100.0 * megabytes * 1e6 / static_cast<double>(m_total),
                          megabytes / elapsed);
        } else {
            std::snprintf(line, sizeof line, "%s: %.0f MB, %.0f MB/s", m_path.c_str(), megabytes, megabytes / elapsed);
        }
        const std::string text(line);
        std::cerr << '\r' << text << std::string(m_shown > text.size() ? m_shown - text.size() : 0, ' ') << std::flush;
        m_shown = std::max(m_shown, text.size());
    }

    std::string m_path;
    Storage::CStorageArrayReader m_reader;
    std::uintmax_t m_total = 0;
    bool m_showProgress = false;
    unsigned m_items = 0;
    std::size_t m_shown = 0;  // the width of the progress line on the terminal
    Clock::time_point m_start = Clock::now();
    Clock::time_point m_lastShown;
};

// The failure chain, outermost first, one level per line, each indented two
// more spaces and prefixed with its position in the file when it has one.
void PrintChain(std::ostream& out, const std::string& path, const CNqException& error) {
    std::string indent = "  ";
    for (const CNqException* level = &error; level; level = level->GetInnerException(), indent += "  ") {
        out << indent;
        if (level->GetLine() > 0) out << path << ':' << level->GetLine() << ':' << level->GetColumn() << ": ";
        out << level->what() << '\n';
    }
}

struct Counts {
    int items = 0;
    int parameters = 0;
    int rangeCells = 0;

    void Add(Storage::CStorageItem& item) {
        ++items;
        for (auto parameter : *item.GetParameters()) {
            ++parameters;
            if (auto range = parameter->GetCParams_ChoiceA()->GetRange()) {
                rangeCells += range->GetArrRange_ChoiceA()->GetCount();
            }
        }
    }
};

// Reads the document item by item and hands each to `writer`, which checks
// it as writing it would: a document that reads but cannot be written is
// refused here, with the writer's chain. Throws CNqValidationException and,
// for malformed text, CNqException; a file that cannot be read, FileError.
Counts Copy(Input& input, Storage::CStorageArrayWriter& writer) {
    Counts counts;
    while (auto item = input.ReadItem()) {
        counts.Add(*item);
        writer.WriteItem(*item);
    }
    writer.Close(input.GetClientID(), input.GetKeyID());
    return counts;
}

void ReportInvalid(std::ostream& out, const std::string& path, const CNqException& error) {
    out << path << ": invalid\n";
    PrintChain(out, path, error);
}

ExitCode CheckFile(const std::string& path) {
    try {
        Storage::CStorageArrayWriter nowhere;
        Input input(path);
        const Counts counts = Copy(input, nowhere);
        std::cout << path << ": ok (" << counts.items << " items, " << counts.parameters << " parameters, "
                  << counts.rangeCells << " range cells)\n";
        return ExitGood;
    } catch (const CNqException& error) {
        ReportInvalid(std::cout, path, error);
        return ExitInvalid;
    } catch (const FileError& error) {
        std::cerr << "storagexml: " << error.what() << '\n';
        return ExitUsage;
    }
}

// Every file is checked, whatever the ones before gave; the worst result wins.
int Check(const std::vector<std::string>& paths) {
    int result = ExitGood;
    for (const auto& path : paths) result = std::max<int>(result, CheckFile(path));
    return result;
}

// Standard output as a byte stream into the replacement of a file: what
// `format -o` writes reaches the file only when all is well.
class ReplacementBuffer : public std::streambuf {
public:
    explicit ReplacementBuffer(NqXmlLib3::CFileReplacement& file) : m_file(file) {}

protected:
    std::streamsize xsputn(const char* data, std::streamsize size) override {
        m_file.Write(data, static_cast<std::size_t>(size));
        return size;
    }
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        m_file.Write(&byte, 1);
        return c;
    }

private:
    NqXmlLib3::CFileReplacement& m_file;
};

using Storage::CDocumentFormat;

// The form a document is written in: the one asked for, or else the form it
// is read in, or for a conversion the other one.
struct Target {
    enum Choice { Same, Other, Xml, Json, Csv } choice;

    CDocumentFormat For(CDocumentFormat input) const {
        switch (choice) {
        case Same: return input;
        case Other: return input == CDocumentFormat::Xml ? CDocumentFormat::Json : CDocumentFormat::Xml;
        case Xml: return CDocumentFormat::Xml;
        case Json: return CDocumentFormat::Json;
        default: return CDocumentFormat::Csv;
        }
    }
};

// Copies the document at `path` to `out` in the form and layout asked for.
// A compact XML document ends with a line feed like any text file, though
// the layout has no line break of its own; JSON text and CSV rows end with
// their own.
void WriteFormatted(const std::string& path, std::ostream& out, bool compact, Target target) {
    Input input(path);
    const CDocumentFormat format = target.For(input.GetFormat());
    NqXmlLib3::CWriteOptions options;
    options.indent = !compact;
    Storage::CStorageArrayWriter writer(out, options, format);
    Copy(input, writer);
    if (compact && format == CDocumentFormat::Xml) out << '\n';
    out.flush();
}

// Standard output receives the document as it is read: an invalid document
// leaves it cut where the failure was met. OUT changes only when all is well,
// and holds what standard output would.
int Format(const std::string& path, const std::string& out, bool compact, Target target) {
    try {
        if (out.empty()) {
            WriteFormatted(path, std::cout, compact, target);
            return ExitGood;
        }
        NqXmlLib3::CFileReplacement file(out);
        ReplacementBuffer buffer(file);
        std::ostream stream(&buffer);
        stream.exceptions(std::ios::badbit);  // the file's own failure, naming it, reaches the catch below
        WriteFormatted(path, stream, compact, target);
        file.Commit();
    } catch (const NqXmlLib3::CNqValidationException& error) {
        ReportInvalid(std::cerr, path, error);
        return ExitInvalid;
    } catch (const CNqException& error) {
        // Malformed text comes from reading; the rest from writing the output.
        if (std::string(error.what()).rfind("Cannot write", 0) == 0) throw FileError(error.what());
        ReportInvalid(std::cerr, path, error);
        return ExitInvalid;
    }
    return ExitGood;
}

// Adds a parameter to `item` and returns its value, for the caller to choose the alternative.
CSmartPtr<Storage::CCParams_ChoiceA> AddParameter(Storage::CStorageItem& item, const std::string& name, bool isKey) {
    auto parameter = item.GetParameters()->Add();
    parameter->SetParamName(name);
    parameter->SetIsKey(isKey);
    return parameter->GetCParams_ChoiceA();
}

CSmartPtr<Storage::CStorageItem> AddItem(CStorageArray& array, const std::string& category,
                                         const std::string& function, const std::string& key) {
    auto item = array.GetStorageItems()->Add();
    item->SetClientID("warehouse-7");
    item->SetCatID(category);
    item->SetFunctionName(function);
    item->SetKeyID(key);
    return item;
}

// A 2x3 range whose cells use all five scalar kinds.
CSmartPtr<Storage::CArrRange> MakeQuarterRange() {
    auto range = Storage::CArrRange::CreateInstance();
    range->SetRows(2);
    range->SetColumns(3);
    auto cells = range->GetArrRange_ChoiceA();
    cells->Add()->SetStr("Q1");
    cells->Add()->SetNum(1250.75);
    cells->Add()->SetBBool(true);
    cells->Add()->SetErr(42);
    cells->Add()->SetW(-9000000000);
    cells->Add()->SetStr(" Øre & <tax> ");
    return range;
}

CSmartPtr<CStorageArray> MakeExample() {
    auto array = CStorageArray::CreateInstance();
    array->SetClientID("warehouse-7");
    array->SetKeyID("inventory-2024");

    auto tools = AddItem(*array, "hardware", "StockLevel", "sku-1001");
    AddParameter(*tools, "sku", true)->SetStr("SKU-1001");
    AddParameter(*tools, "label", false)->SetStr("  Hammer & nails <large>  ");
    AddParameter(*tools, "price", false)->SetNum(12.5);
    AddParameter(*tools, "inStock", false)->SetBBool(true);

    auto shipping = AddItem(*array, "logistics", "LastShipment", "ship-88");
    AddParameter(*shipping, "destination", false)->SetStr("Zürich, Straße 5 — Tür 2");
    AddParameter(*shipping, "status", false)->SetErr(-404);
    AddParameter(*shipping, "trackingNumber", true)->SetW(9007199254740993);

    auto report = AddItem(*array, "finance", "QuarterlyTotals", "q-2024-1");
    AddParameter(*report, "totals", false)->SetRange(MakeQuarterRange().get());
    AddParameter(*report, "audited", false)->SetBBool(false);
    return array;
}

int Example(const std::string& out) {
    const auto array = MakeExample();
    if (!out.empty()) {
        try {
            array->ToXmlFile(out);
        } catch (const CNqException& error) {
            throw FileError(error.what());
        }
        return ExitGood;
    }
    std::cout << array->ToXml() << std::flush;
    return ExitGood;
}

// -o/--output OUT. An empty OUT is refused rather than taken for standard output.
void AddOutputOption(CLI::App& command, std::string& out) {
    command.add_option("-o,--output", out, "Write to OUT instead of standard output")
        ->option_text("OUT")
        ->check([](const std::string& value) { return value.empty() ? std::string("OUT is empty") : std::string(); });
}

int Run(int argc, char** argv) {
    CLI::App app("Checks, formats, converts and makes Storage documents (XML or JSON). FILE may be - for standard input.",
                 "storagexml");
    app.set_version_flag("--version", "storagexml " STORAGEXML_VERSION);
    // At most one here, and "none" refused after parsing, so that an unknown
    // word is reported as such rather than as a missing subcommand.
    app.require_subcommand(0, 1);
    app.footer("Exit status: 0 when every document is good, 1 when any is invalid, 2 for a usage error\n"
               "or a file that cannot be read or written. Run storagexml SUBCOMMAND --help for examples.");

    std::vector<std::string> checkPaths;
    auto* check = app.add_subcommand("check", "Read each FILE and report whether it is a valid Storage document");
    check->add_option("FILE", checkPaths, "Documents to check")->required();
    check->footer("Examples:\n"
                  "  storagexml check orders.xml returns.xml\n"
                  "  storagexml example | storagexml check -");

    std::string formatPath, formatOut;
    bool compact = false;
    auto* format = app.add_subcommand("format", "Write FILE back in the library's layout, in its own form (XML or JSON)");
    format->add_flag("--compact", compact, "No line breaks inside the document");
    AddOutputOption(*format, formatOut);
    format->add_option("FILE", formatPath, "Document to format")->required();
    format->footer("Examples:\n"
                   "  storagexml format -o tidy.xml orders.xml\n"
                   "  storagexml format --compact orders.xml");

    std::string convertPath, convertOut, convertTo;
    bool convertCompact = false;
    auto* convert = app.add_subcommand("convert", "Write FILE in another form: XML as JSON, JSON as XML, or either as CSV");
    convert->add_option("--to", convertTo, "The form to write: json, xml or csv (default: the other of XML and JSON)")
        ->option_text("FORM")
        ->check(CLI::IsMember({"json", "xml", "csv"}));
    convert->add_flag("--compact", convertCompact, "No line breaks inside the document (XML and JSON)");
    AddOutputOption(*convert, convertOut);
    convert->add_option("FILE", convertPath, "Document to convert")->required();
    convert->footer("FILE is read as JSON when its first character other than blanks is '{', else as XML.\n"
                    "CSV has a header row, then one row per parameter:\n"
                    "  item,ClientID,CatID,FunctionName,KeyID,ParamName,isKey,type,value\n"
                    "where type is num, str, bBool, err, w or Range, and value its XML text (a range: its JSON).\n"
                    "Examples:\n"
                    "  storagexml convert -o orders.json orders.xml\n"
                    "  storagexml convert --to csv -o orders.csv orders.json");

    std::string exampleOut;
    auto* example = app.add_subcommand("example", "Write an example document built through the API");
    AddOutputOption(*example, exampleOut);
    example->footer("Examples:\n"
                    "  storagexml example -o example.xml\n"
                    "  storagexml example | storagexml format --compact -");

    try {
        app.parse(argc, argv);
        if (app.get_subcommands().empty()) throw CLI::RequiredError("A subcommand");
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? ExitGood : ExitUsage;
    }
    if (check->parsed()) return Check(checkPaths);
    if (format->parsed()) return Format(formatPath, formatOut, compact, Target{Target::Same});
    if (convert->parsed()) {
        const Target target{convertTo.empty() ? Target::Other
                            : convertTo == "json" ? Target::Json
                            : convertTo == "xml"  ? Target::Xml
                                                  : Target::Csv};
        return Format(convertPath, convertOut, convertCompact, target);
    }
    return Example(exampleOut);
}

} // namespace

int main(int argc, char** argv) {
    UseBinaryStandardStreams();
    try {
        std::vector<std::string> arguments = Utf8Arguments(argc, argv);
        std::vector<char*> pointers;
        for (std::string& argument : arguments) pointers.push_back(&argument[0]);
        const int status = Run(static_cast<int>(pointers.size()), pointers.data());
        // A report or a document that did not reach standard output is lost: say so.
        if (!(std::cout << std::flush)) throw FileError("cannot write to standard output");
        return status;
    } catch (const FileError& error) {
        std::cerr << "storagexml: " << error.what() << '\n';
        return ExitUsage;
    } catch (const std::exception& error) {
        // A document the API itself built or read cannot fail to be written;
        // reaching this is a fault of the program, not of its input.
        std::cerr << "storagexml: internal error: " << error.what() << '\n';
        return ExitUsage;
    }
}
