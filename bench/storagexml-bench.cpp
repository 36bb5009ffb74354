// storagexml-bench: how fast the library writes and reads a large Storage
// document, against a raw Expat parse of the same text measured in the same
// run, and how much memory a read takes over the size of the text.
#include <storage/Storage.h>

#include <CLI/CLI.hpp>
#include <expat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>

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

// Best wall time of `runs` runs of `step`, in seconds; `prepare` runs untimed before each.
double BestOf(int runs, const std::function<void()>& prepare, const std::function<void()>& step) {
    double best = std::numeric_limits<double>::max();
    for (int run = 0; run < runs; ++run) {
        prepare();
        const auto start = std::chrono::steady_clock::now();
        step();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
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

// A field of /proc/self/status, in bytes; 0 where it cannot be read.
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

double Mbps(std::size_t bytes, double seconds) { return bytes / seconds / 1e6; }

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Measures how fast the Storage library writes and reads a large document."};
    int items = defaultItems;
    int runs = 5;
    app.add_option("--items", items, "items in the document")->check(CLI::PositiveNumber);
    app.add_option("--runs", runs, "runs of each measurement; the best counts")->check(CLI::PositiveNumber);
    CLI11_PARSE(app, argc, argv);

    try {
        auto source = BuildDocument(items);
        const std::string text = source->ToXml();
        const long long readBytes = ReadMemory(text);

        std::string written;
        const double write = BestOf(runs, [&] { written = std::string(); }, [&] { written = source->ToXml(); });
        CSmartPtr<CStorageArray> target;
        const double read = BestOf(runs, [&] { target = CStorageArray::CreateInstance(); },
                                   [&] { target->FromXml(text); });
        const double parse = BestOf(runs, [] {}, [&] { RawParse(text); });
        if (written != text || target->ToXml() != text) throw std::runtime_error("the document did not read back equal");

        const double writeMBps = Mbps(text.size(), write);
        const double readMBps = Mbps(text.size(), read);
        const double parseMBps = Mbps(text.size(), parse);
        const double memory = static_cast<double>(readBytes) / static_cast<double>(text.size());

        std::printf("document: %d items, %zu bytes of indented XML, best of %d runs\n\n", items, text.size(), runs);
        std::printf("%-28s %10s %10s\n", "measure", "seconds", "MB/s");
        std::printf("%-28s %10.3f %10.1f\n", "write (ToXml)", write, writeMBps);
        std::printf("%-28s %10.3f %10.1f\n", "read (FromXml)", read, readMBps);
        std::printf("%-28s %10.3f %10.1f\n", "raw Expat parse", parse, parseMBps);
        std::printf("%-28s %10.1f MB (%.2f x the text)\n\n", "read peak memory growth", readBytes / 1e6, memory);
        std::printf("RESULT bytes=%zu write_MBps=%.1f read_MBps=%.1f parse_MBps=%.1f read_over_parse=%.2f "
                    "write_over_parse=%.2f read_mem_over_bytes=%.2f\n",
                    text.size(), writeMBps, readMBps, parseMBps, readMBps / parseMBps, writeMBps / parseMBps,
                    memory);
    } catch (const std::exception& error) {
        std::cerr << "storagexml-bench: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
