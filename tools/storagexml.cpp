// storagexml: checks Storage documents, writes them back in the library's own
// layout, and writes an example document built through the API.
//
// Exit codes: 0 when every document is good, 1 when any document is invalid,
// 2 for a usage error or a file that cannot be read or written.

#include "storage/Storage.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

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

std::string ReadStream(std::FILE* file, const std::string& path) {
    std::string text;
    char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    if (std::ferror(file)) throw CannotRead(path, errno);
    return text;
}

#if defined(_WIN32)
std::wstring Widen(const std::string& text) {
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

std::string Narrow(const wchar_t* text) {
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, &narrow[0], length, nullptr, nullptr);
    return narrow;
}

// File names are UTF-8, as the library takes them, whatever the code page.
std::FILE* OpenForReading(const std::string& path) { return ::_wfopen(Widen(path).c_str(), L"rb"); }

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
std::FILE* OpenForReading(const std::string& path) { return std::fopen(path.c_str(), "rb"); }

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

void UseBinaryStandardStreams() {}
#endif

// The whole content of a file, or of standard input for "-".
std::string ReadInput(const std::string& path) {
    if (path == "-") return ReadStream(stdin, path);
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    const std::unique_ptr<std::FILE, Closer> file(OpenForReading(path));
    if (!file) throw CannotRead(path, errno);
    return ReadStream(file.get(), path);
}

CSmartPtr<CStorageArray> ReadDocument(const std::string& path) {
    const std::string text = ReadInput(path);
    auto array = CStorageArray::CreateInstance();
    array->FromXml(text);
    return array;
}

// Writes the document to `out`, atomically, or to standard output when `out`
// is empty: the same text either way, ending with a line feed as a text file
// does (the compact layout itself has no line break).
void WriteDocument(CStorageArray& array, const std::string& out, bool compact) {
    NqXmlLib3::CWriteOptions options;
    options.indent = !compact;
    if (!out.empty()) {
        try {
            array.ToXmlFile(out, options);
        } catch (const CNqException& error) {
            throw FileError(error.what());
        }
        if (compact) {
            std::ofstream file(out, std::ios::binary | std::ios::app);
            if (!(file << '\n' << std::flush)) throw FileError("cannot write " + out);
        }
        return;
    }
    std::string text = array.ToXml(options);
    if (text.empty() || text.back() != '\n') text.push_back('\n');
    std::cout << text << std::flush;
}

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
};

Counts CountContent(CStorageArray& array) {
    Counts counts;
    for (auto item : *array.GetStorageItems()) {
        ++counts.items;
        for (auto parameter : *item->GetParameters()) {
            ++counts.parameters;
            if (auto range = parameter->GetCParams_ChoiceA()->GetRange()) {
                counts.rangeCells += range->GetArrRange_ChoiceA()->GetCount();
            }
        }
    }
    return counts;
}

ExitCode CheckFile(const std::string& path) {
    try {
        const Counts counts = CountContent(*ReadDocument(path));
        std::cout << path << ": ok (" << counts.items << " items, " << counts.parameters << " parameters, "
                  << counts.rangeCells << " range cells)\n";
        return ExitGood;
    } catch (const CNqException& error) {
        std::cout << path << ": invalid\n";
        PrintChain(std::cout, path, error);
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

int Format(const std::string& path, const std::string& out, bool compact) {
    CSmartPtr<CStorageArray> array;
    try {
        array = ReadDocument(path);
    } catch (const CNqException& error) {
        std::cerr << path << ": invalid\n";
        PrintChain(std::cerr, path, error);
        return ExitInvalid;
    }
    WriteDocument(*array, out, compact);
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
    WriteDocument(*MakeExample(), out, false);
    return ExitGood;
}

// -o/--output OUT. An empty OUT is refused rather than taken for standard output.
void AddOutputOption(CLI::App& command, std::string& out) {
    command.add_option("-o,--output", out, "Write to OUT instead of standard output")
        ->option_text("OUT")
        ->check([](const std::string& value) { return value.empty() ? std::string("OUT is empty") : std::string(); });
}

int Run(int argc, char** argv) {
    CLI::App app("Checks, formats and makes Storage documents. FILE may be - for standard input.", "storagexml");
    app.footer("Exit status: 0 when every document is good, 1 when any is invalid, 2 for a usage error\n"
               "or a file that cannot be read or written. Run storagexml SUBCOMMAND --help for examples.");
    app.set_version_flag("--version", "storagexml " STORAGEXML_VERSION);
    // At most one here, and "none" refused after parsing, so that an unknown
    // word is reported as such rather than as a missing subcommand.
    app.require_subcommand(0, 1);

    std::vector<std::string> checkPaths;
    auto* check = app.add_subcommand("check", "Read each FILE and report whether it is a valid Storage document");
    check->add_option("FILE", checkPaths, "Documents to check")->required();
    check->footer("Examples:\n"
                  "  storagexml check orders.xml returns.xml\n"
                  "  storagexml example | storagexml check -");

    std::string formatPath, formatOut;
    bool compact = false;
    auto* format = app.add_subcommand("format", "Write FILE back in the library's layout");
    format->add_flag("--compact", compact, "No line breaks inside the document");
    AddOutputOption(*format, formatOut);
    format->add_option("FILE", formatPath, "Document to format")->required();
    format->footer("Examples:\n"
                   "  storagexml format -o tidy.xml orders.xml\n"
                   "  storagexml format --compact orders.xml");

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
    if (format->parsed()) return Format(formatPath, formatOut, compact);
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
