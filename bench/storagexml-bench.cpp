// storagexml-bench: how fast the library writes and reads a large Storage
// document, against a raw Expat parse of the same text (the yardstick the
// project has always measured against), how much memory a read takes, what a
// read through the C interface costs, and how fast it writes and reads the
// JSON form of the same tree; a raw parse by libxml2, the library's own
// parser, is shown beside Expat's. Each measurement runs twice over: warm, as
// the best of several runs inside this process (a long-running host), and
// cold, as the median of runs in fresh processes (a program that reads one
// document and exits, and pays the first touch of every page it allocates).
// For a cold run the program starts itself again with --cold-step. The C
// interface's read is measured warm only.
#include <storage/Storage.h>
#include <storagexml.h>

#include <CLI/CLI.hpp>
#include <expat.h>
#include <libxml/parser.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#endif

using namespace Storage;
using NqXmlLib3::CSmartPtr;

namespace {

// Indented text of one item averages about 1.2 kB: this makes about 50 MB.
constexpr int defaultItems = 42000;

void FillValue(CCParams_ChoiceA& value, int kind, int seed) {
    switch (kind) {
    case 0: value.SetNum(seed * 1.25 + 0.001); break;
    case 1: value.SetStr("text & value " + std::to_string(seed)); break;
    case 2: value.SetBBool(seed % 2 == 0); break;
    case 3: value.SetErr(-seed); break;
    case 4: value.SetW(static_cast<std::int64_t>(seed) * 1000003LL * 1000003LL); break;
    default: {
        auto range = CArrRange::CreateInstance();
        range->SetRows(3);
        range->SetColumns(3);
        for (int cell = 0; cell < 9; ++cell) {
            auto choice = range->GetArrRange_ChoiceA()->Add();
            switch (cell % 3) {
            case 0: choice->SetNum(cell + seed * 0.5); break;
            case 1: choice->SetStr("c" + std::to_string(cell)); break;
            default: choice->SetW(seed + cell); break;
            }
        }
        value.SetRange(range.get());
    }
    }
}

// N items of four parameters each; the kinds of value rotate, so one
// parameter in six holds a 3x3 range of mixed cells.
CSmartPtr<CStorageArray> BuildDocument(int items) {
    auto array = CStorageArray::CreateInstance();
    array->SetClientID("benchmark-client");
    array->SetKeyID("benchmark-key");
    auto collection = array->GetStorageItems();
    for (int i = 0; i < items; ++i) {
        auto item = collection->Add();
        item->SetClientID("client-" + std::to_string(i % 97));
        item->SetCatID("category-" + std::to_string(i % 13));
        item->SetFunctionName("function");
        item->SetKeyID("key-" + std::to_string(i));
        for (int p = 0; p < 4; ++p) {
            auto parameter = item->GetParameters()->Add();
            parameter->SetParamName("parameter" + std::to_string(p));
            parameter->SetIsKey(p == 0);
            FillValue(*parameter->GetCParams_ChoiceA(), (i * 4 + p) % 6, i + p);
        }
    }
    return array;
}

double Seconds(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count();
}

// Best wall time of `runs` runs of `step`, in seconds; `prepare` runs untimed before each.
double BestOf(int runs, const std::function<void()>& prepare, const std::function<void()>& step) {
    double best = std::numeric_limits<double>::max();
    for (int run = 0; run < runs; ++run) {
        prepare();
        best = std::min(best, Seconds(step));
    }
    return best;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void XMLCALL OnStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL OnEnd(void*, const XML_Char*) {}
void XMLCALL OnText(void*, const XML_Char*, int) {}

// Fed in the same pieces as the library feeds it: a whole 50 MB buffer at
// once would make Expat copy and scan it cold, a slower yardstick than ours.
void RawParse(const std::string& text) {
    constexpr std::size_t piece = 256 * 1024;
    XML_Parser parser = XML_ParserCreateNS(nullptr, '\n');
    XML_SetElementHandler(parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser, OnText);
    bool ok = true;
    for (std::size_t offset = 0; ok && offset < text.size(); offset += piece) {
        const std::size_t size = std::min(piece, text.size() - offset);
        const bool last = offset + size == text.size();
        ok = XML_Parse(parser, text.data() + offset, static_cast<int>(size), last) == XML_STATUS_OK;
    }
    XML_ParserFree(parser);
    if (!ok) throw std::runtime_error("the raw parse failed");
}

void OnLibxmlStart(void*, const xmlChar*, const xmlChar*, const xmlChar*, int, const xmlChar**, int, int,
                   const xmlChar**) {}
void OnLibxmlEnd(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}
void OnLibxmlText(void*, const xmlChar*, int) {}

// libxml2's SAX2 push parser as the library sets it up, with empty handlers,
// fed in the library's pieces.
void RawLibxmlParse(const std::string& text) {
    constexpr std::size_t piece = 32 * 1024;
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = OnLibxmlStart;
    sax.endElementNs = OnLibxmlEnd;
    sax.characters = sax.ignorableWhitespace = sax.cdataBlock = OnLibxmlText;
    xmlParserCtxtPtr parser = xmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, nullptr);
    xmlCtxtUseOptions(parser, XML_PARSE_NONET | XML_PARSE_HUGE);
    for (std::size_t offset = 0; offset < text.size(); offset += piece) {
        xmlParseChunk(parser, text.data() + offset, static_cast<int>(std::min(piece, text.size() - offset)), 0);
    }
    xmlParseChunk(parser, nullptr, 0, 1);
    const bool ok = parser->wellFormed && parser->nsWellFormed;
    xmlFreeParserCtxt(parser);
    if (!ok) throw std::runtime_error("the raw libxml2 parse failed");
}

// A field of /proc/self/status, in bytes; 0 where it cannot be read (a
// system without /proc), which makes the memory figures 0.
long long StatusBytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, field.size() + 1, field + ":") == 0) {
            return std::stoll(line.substr(field.size() + 1)) * 1024;
        }
    }
    return 0;
}

// Growth of the peak resident set during one read.
long long ReadMemory(const std::string& text) {
    auto array = CStorageArray::CreateInstance();
    const bool reset = static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5");
    const long long before = reset ? StatusBytes("VmRSS") : StatusBytes("VmHWM");
    array->FromXml(text);
    return StatusBytes("VmHWM") - before;
}

std::string LoadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return std::move(text).str();
}

double Mbps(std::size_t bytes, double seconds) { return static_cast<double>(bytes) / seconds / 1e6; }

// FromXml and the same read through the C interface, by turns so that both
// meet the same state of the machine, each the best of `runs`; the tree of the
// run before is freed untimed. Both trees must write back as `written`.
struct ReadFigures {
    double read;
    double capiRead;
    long long items;
};

ReadFigures Reads(int runs, const std::string& text, const std::string& written) {
    ReadFigures figures{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(), 0};
    CSmartPtr<CStorageArray> target;
    storagexml_array* array = nullptr;
    for (int run = 0; run < runs; ++run) {
        target = CStorageArray::CreateInstance();
        figures.read = std::min(figures.read, Seconds([&] { target->FromXml(text); }));
        storagexml_array_free(array);
        array = nullptr;
        figures.capiRead = std::min(figures.capiRead, Seconds([&] {
            if (storagexml_array_read_text(text.data(), text.size(), &array, nullptr) != 0) {
                throw std::runtime_error("the read through the C interface failed");
            }
        }));
    }
    char* again = nullptr;
    std::size_t length = 0;
    const bool same = target->ToXml() == written && storagexml_array_write_text(array, &again, &length, nullptr) == 0 &&
                      std::string(again, length) == written;
    storagexml_free(again);
    storagexml_array_free(array);
    if (!same) throw std::runtime_error("the document did not read back equal");
    figures.items = target->GetStorageItems()->GetCount();
    return figures;
}

// ---- Cold runs ------------------------------------------------------------------

// One cold measurement, run in a fresh process on the document at `path`:
// prints the seconds it took and, for a read, the resident growth it kept.
void ColdStep(const std::string& step, const std::string& path) {
    const std::string text = LoadFile(path);
    double seconds = 0;
    long long kept = 0;
    if (step == "parse") {
        seconds = Seconds([&] { RawParse(text); });
    } else if (step == "libxml2") {
        seconds = Seconds([&] { RawLibxmlParse(text); });
    } else if (step == "read") {
        auto array = CStorageArray::CreateInstance();
        const long long before = StatusBytes("VmRSS");
        seconds = Seconds([&] { array->FromXml(text); });
        kept = StatusBytes("VmRSS") - before;
    } else if (step == "write") {
        auto array = CStorageArray::CreateInstance();
        array->FromXml(text);
        std::string written;
        seconds = Seconds([&] { written = array->ToXml(); });
    } else if (step == "json-read") {
        auto array = CStorageArray::CreateInstance();
        seconds = Seconds([&] { array->FromJson(text); });
    } else if (step == "json-write") {
        auto array = CStorageArray::CreateInstance();
        array->FromJson(text);
        std::string written;
        seconds = Seconds([&] { written = array->ToJson(); });
    } else {
        throw std::runtime_error("unknown cold step " + step);
    }
    std::printf("%.6f %lld\n", seconds, kept);
}

// The text of `argument` as one word of a command line.
std::string Quoted(const std::string& argument) {
#ifdef _WIN32
    return "\"" + argument + "\"";
#else
    std::string quoted = "'";
    for (char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
#endif
}

// This program's own path, to start it again.
std::string SelfPath(const char* argv0) {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(argv0) : self.string();
}

struct ColdResult {
    double seconds;
    long long kept;
};

ColdResult RunCold(const std::string& self, const std::string& step, const std::string& path) {
    std::string command = Quoted(self) + " --cold-step " + step + " --file " + Quoted(path);
#ifdef _WIN32
    command = "\"" + command + "\"";  // the command processor strips one pair of quotes around the whole line
#endif
    FILE* child = popen(command.c_str(), "r");
    if (!child) throw std::runtime_error("cannot start " + self);
    ColdResult result{0, 0};
    const int fields = std::fscanf(child, "%lf %lld", &result.seconds, &result.kept);
    if (pclose(child) != 0 || fields != 2) throw std::runtime_error("the cold " + step + " run failed");
    return result;
}

struct ColdFigures {
    double read, write, parse, libxml2;  // seconds, medians
    long long kept;                      // resident bytes a read keeps, median
    double jsonRead, jsonWrite;          // seconds, medians, of the JSON text
};

// Runs the measurements `runs` times each in fresh processes, taking turns so
// that the machine's state weighs on all of them alike; the JSON ones on the
// JSON form of the document at `jsonPath`.
ColdFigures MeasureCold(const std::string& self, const std::string& path, const std::string& jsonPath, int runs) {
    std::vector<double> read, write, parse, libxml2, kept, jsonRead, jsonWrite;
    for (int run = 0; run < runs; ++run) {
        const ColdResult r = RunCold(self, "read", path);
        read.push_back(r.seconds);
        kept.push_back(static_cast<double>(r.kept));
        write.push_back(RunCold(self, "write", path).seconds);
        parse.push_back(RunCold(self, "parse", path).seconds);
        libxml2.push_back(RunCold(self, "libxml2", path).seconds);
        jsonRead.push_back(RunCold(self, "json-read", jsonPath).seconds);
        jsonWrite.push_back(RunCold(self, "json-write", jsonPath).seconds);
    }
    return {Median(read),
            Median(write),
            Median(parse),
            Median(libxml2),
            static_cast<long long>(Median(kept)),
            Median(jsonRead),
            Median(jsonWrite)};
}

// The generated document, in a file of its own for the cold runs; removed with this object.
class TemporaryDocument {
public:
    explicit TemporaryDocument(const std::string& text, const char* extension = ".xml") {
        std::random_device random;
        m_path = (std::filesystem::temp_directory_path() / ("storagexml-bench-" + std::to_string(random()) + extension))
                     .string();
        std::ofstream out(m_path, std::ios::binary);
        if (!(out << text) || !out.flush()) throw std::runtime_error("cannot write " + m_path);
    }
    ~TemporaryDocument() {
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
    }
    TemporaryDocument(const TemporaryDocument&) = delete;
    TemporaryDocument& operator=(const TemporaryDocument&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// ---- Warm runs and the report ---------------------------------------------------

struct Options {
    int items = defaultItems;
    int runs = 5;
    int coldRuns = 3;
    std::string file;
    std::string save;
};

// The JSON form of the same tree: its size and the warm seconds of writing and reading it.
struct JsonFigures {
    std::size_t bytes;
    double write, read;
};

void Report(const Options& options, long long items, std::size_t bytes, std::size_t writtenBytes, double write,
            double read, double capiRead, double parse, double libxml2, double build, long long readBytes,
            const ColdFigures& cold, const JsonFigures& json) {
    const double writeMBps = Mbps(writtenBytes, write), readMBps = Mbps(bytes, read), parseMBps = Mbps(bytes, parse);
    const double capiReadMBps = Mbps(bytes, capiRead), libxml2MBps = Mbps(bytes, libxml2);
    const double coldWriteMBps = Mbps(writtenBytes, cold.write), coldReadMBps = Mbps(bytes, cold.read),
                 coldParseMBps = Mbps(bytes, cold.parse);
    const double memory = static_cast<double>(readBytes) / static_cast<double>(bytes);
    const double perItem = items > 0 ? static_cast<double>(cold.kept) / static_cast<double>(items) : 0.0;

    std::printf("document: %s, %lld items, %llu bytes; warm: best of %d runs in this process, "
                "cold: median of %d fresh processes\n\n",
                options.file.empty() ? "generated" : options.file.c_str(), items,
                static_cast<unsigned long long>(bytes), options.runs, options.coldRuns);
    std::printf("%-28s %10s %10s %10s %10s\n", "measure", "warm s", "warm MB/s", "cold s", "cold MB/s");
    std::printf("%-28s %10.3f %10.1f %10.3f %10.1f\n", "write (ToXml)", write, writeMBps, cold.write, coldWriteMBps);
    std::printf("%-28s %10.3f %10.1f %10.3f %10.1f\n", "read (FromXml)", read, readMBps, cold.read, coldReadMBps);
    std::printf("%-28s %10.3f %10.1f %10s %10s\n", "read (C interface)", capiRead, capiReadMBps, "-", "-");
    std::printf("%-28s %10.3f %10.1f %10.3f %10.1f\n", "raw Expat parse", parse, parseMBps, cold.parse,
                coldParseMBps);
    std::printf("%-28s %10.3f %10.1f %10.3f %10.1f\n", "raw libxml2 parse", libxml2, libxml2MBps, cold.libxml2,
                Mbps(bytes, cold.libxml2));
    if (build > 0) std::printf("%-28s %10.3f\n", "same tree built through API", build);
    std::printf("%-28s %21.2f %21.2f\n", "read over parse", readMBps / parseMBps, coldReadMBps / coldParseMBps);
    // A read cannot beat libxml2's parse plus making its objects: the ratio a
    // read would reach if everything between the two cost nothing.
    if (build > 0) std::printf("%-28s %21.2f\n", "  at most (libxml2 + build)", parse / (libxml2 + build));
    std::printf("%-28s %21.2f %21.2f\n", "write over parse", writeMBps / parseMBps, coldWriteMBps / coldParseMBps);
    std::printf("%-28s %21.2f\n", "C interface read over read", capiReadMBps / readMBps);
    std::printf("%-28s %10.1f MB (%.2f x the text)\n", "read peak memory growth", static_cast<double>(readBytes) / 1e6,
                memory);
    std::printf("%-28s %10.1f MB (%.0f bytes per item)\n", "objects kept after a read",
                static_cast<double>(cold.kept) / 1e6, perItem);
    const double jsonWriteMBps = Mbps(json.bytes, json.write), jsonReadMBps = Mbps(json.bytes, json.read);
    const double coldJsonWriteMBps = Mbps(json.bytes, cold.jsonWrite), coldJsonReadMBps = Mbps(json.bytes, cold.jsonRead);
    std::printf("\nJSON form of the same tree: %llu bytes (MB/s of the JSON text)\n",
                static_cast<unsigned long long>(json.bytes));
    std::printf("%-28s %10.3f %10.1f %10.3f %10.1f\n", "JSON write (ToJson)", json.write, jsonWriteMBps, cold.jsonWrite,
                coldJsonWriteMBps);
    std::printf("%-28s %10.3f %10.1f %10.3f %10.1f\n", "JSON read (FromJson)", json.read, jsonReadMBps, cold.jsonRead,
                coldJsonReadMBps);
    std::printf("%-28s %21.2f %21.2f\n", "JSON read over read", jsonReadMBps / readMBps, coldJsonReadMBps / coldReadMBps);
    std::printf("%-28s %21.2f %21.2f\n\n", "JSON write over write", jsonWriteMBps / writeMBps,
                coldJsonWriteMBps / coldWriteMBps);
    std::printf("RESULT bytes=%llu write_MBps=%.1f read_MBps=%.1f parse_MBps=%.1f read_over_parse=%.2f "
                "write_over_parse=%.2f read_mem_over_bytes=%.2f cold_read_over_parse=%.2f "
                "cold_write_over_parse=%.2f object_bytes_per_item=%.0f capi_read_over_read=%.2f "
                "json_read_over_read=%.2f json_write_over_write=%.2f libxml2_parse_MBps=%.1f\n",
                static_cast<unsigned long long>(bytes), writeMBps, readMBps, parseMBps, readMBps / parseMBps,
                writeMBps / parseMBps, memory, coldReadMBps / coldParseMBps, coldWriteMBps / coldParseMBps, perItem,
                capiReadMBps / readMBps, jsonReadMBps / readMBps, jsonWriteMBps / writeMBps, libxml2MBps);
}

void Measure(const Options& options, const std::string& self) {
    CSmartPtr<CStorageArray> source;
    std::string text;
    if (options.file.empty()) {
        source = BuildDocument(options.items);
        text = source->ToXml();
    } else {
        text = LoadFile(options.file);
        source = CStorageArray::CreateInstance();
        source->FromXml(text);
    }
    const long long readBytes = ReadMemory(text);
    double build = 0;  // only a generated document has a tree built through the API
    if (options.file.empty()) {
        CSmartPtr<CStorageArray> built;
        build = BestOf(options.runs, [&] { built = nullptr; }, [&] { built = BuildDocument(options.items); });
    }

    std::string written;
    const double write = BestOf(options.runs, [&] { written = std::string(); }, [&] { written = source->ToXml(); });
    const double parse = BestOf(options.runs, [] {}, [&] { RawParse(text); });
    const double libxml2 = BestOf(options.runs, [] {}, [&] { RawLibxmlParse(text); });
    const ReadFigures reads = Reads(options.runs, text, written);

    std::string json;
    JsonFigures jsonFigures{};
    CSmartPtr<CStorageArray> target;
    jsonFigures.write = BestOf(options.runs, [&] { json = std::string(); }, [&] { json = source->ToJson(); });
    jsonFigures.read = BestOf(options.runs, [&] { target = CStorageArray::CreateInstance(); },
                              [&] { target->FromJson(json); });
    jsonFigures.bytes = json.size();
    if (target->ToXml() != written) throw std::runtime_error("the JSON form did not read back equal");
    const TemporaryDocument jsonDocument(json, ".json");
    json = std::string();
    source = target = nullptr;  // the cold runs start with this process small

    ColdFigures cold{};
    if (options.file.empty()) {
        const TemporaryDocument document(text);
        text = std::string();
        cold = MeasureCold(self, document.Path(), jsonDocument.Path(), options.coldRuns);
    } else {
        text = std::string();
        cold = MeasureCold(self, options.file, jsonDocument.Path(), options.coldRuns);
    }
    const std::size_t bytes = options.file.empty() ? written.size() : static_cast<std::size_t>(
                                                                            std::filesystem::file_size(options.file));
    Report(options, reads.items, bytes, written.size(), write, reads.read, reads.capiRead, parse, libxml2, build, readBytes,
           cold, jsonFigures);
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Measures how fast the Storage library writes and reads a large document, warm and cold."};
    Options options;
    std::string coldStep;
    app.add_option("--items", options.items, "items in the generated document")->check(CLI::PositiveNumber);
    app.add_option("--runs", options.runs, "warm runs of each measurement; the best counts")
        ->check(CLI::PositiveNumber);
    app.add_option("--cold-runs", options.coldRuns, "fresh processes per measurement; the median counts")
        ->check(CLI::PositiveNumber);
    app.add_option("--file", options.file, "measure this Storage document instead of a generated one");
    app.add_option("--save", options.save, "write the generated document to this file and stop (for other benchmarks)");
    app.add_option("--cold-step", coldStep,
                   "run one cold measurement (read, write, parse, libxml2, json-read or json-write) and print it")
        ->group("")
        ->needs("--file");
    CLI11_PARSE(app, argc, argv);

    try {
        if (!coldStep.empty()) {
            ColdStep(coldStep, options.file);
        } else if (!options.save.empty()) {
            BuildDocument(options.items)->ToXmlFile(options.save);
        } else {
            Measure(options, SelfPath(argv[0]));
        }
    } catch (const std::exception& error) {
        std::cerr << "storagexml-bench: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
