// Black-box tests of the storagexml program: each runs the built binary in a
// fresh directory and looks at its exit code, standard output and standard error.

#include "Platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Two items, three parameters, 3 + 1 range cells, in a layout unlike the one
// the library writes (default namespace, several elements to a line).
const char* const GoodDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<StorageArray xmlns="urn:storagexml:storage">
  <StorageItems><ClientID>c</ClientID><CatID>k</CatID><FunctionName>f</FunctionName><KeyID>a</KeyID>
    <parameters><Range><num>1.50</num><str> x &amp; y </str><w>-7</w><rows>1</rows><columns>3</columns></Range>
      <ParamName>cells</ParamName><isKey>1</isKey></parameters>
    <parameters><bBool>true</bBool><ParamName>flag</ParamName><isKey>false</isKey></parameters>
  </StorageItems>
  <StorageItems><ClientID>c</ClientID><CatID>k</CatID><FunctionName>f</FunctionName><KeyID>b</KeyID>
    <parameters><Range><err>3</err><rows>1</rows><columns>1</columns></Range>
      <ParamName>Zürich</ParamName><isKey>false</isKey></parameters>
  </StorageItems>
  <ClientID>c</ClientID><KeyID>k</KeyID>
</StorageArray>
)";

// The good document with `part` taken out.
std::string Without(const std::string& part) {
    std::string text = GoodDocument;
    return text.erase(text.find(part), part.size());
}

// The parameter on line 6 has no isKey element.
const std::string MissingIsKey = Without("<isKey>false</isKey>");

// The same fault in JSON, its parameter on line 4 at column 21.
const char* const MissingIsKeyJson = R"({
  "StorageItems": [
    {"ClientID": "c", "CatID": "k", "FunctionName": "f", "KeyID": "a",
     "parameters": [{"num": 1, "ParamName": "p"}]}
  ],
  "ClientID": "c", "KeyID": "k"
}
)";

// Reads, since a parameter's value is optional when reading, but cannot be written.
const std::string NoValue = Without("<bBool>true</bBool>");

const std::string GoodCounts = " (2 items, 3 parameters, 4 range cells)\n";

struct Result {
    int status;
    std::string out;
    std::string err;
};

class StorageXmlCli : public ::testing::Test {
protected:
    void SetUp() override {
        Write("good.xml", GoodDocument);
        Write("bad.xml", MissingIsKey);
        Write("novalue.xml", NoValue);
        Write("malformed.xml", "<StorageArray>\n  <ClientID>c</KeyID>\n</StorageArray>\n");
    }

    void Write(const std::string& name, const std::string& text) const {
        fs::create_directories((m_dir.path / name).parent_path());
        std::ofstream(m_dir.path / name, std::ios::binary) << text;
    }
    // Every file and folder in the test's directory, sorted, separated by spaces.
    std::string Files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(m_dir.path)) {
            names.push_back(entry.path().lexically_relative(m_dir.path).generic_string());
        }
        std::sort(names.begin(), names.end());
        std::string all;
        for (const auto& name : names) all += (all.empty() ? "" : " ") + name;
        return all;
    }
    std::string Read(const std::string& name) const { return m_dir.Read(name); }

    // Runs the program in the test's directory with `input` on standard input. `args` are split at
    // spaces; '' is an empty argument, and >/dev/full makes every write to standard output fail.
    Result Run(const std::string& args, const std::string& input = "") const {
        Write(".stdin", input);
        std::vector<std::string> argv{STORAGEXML_PROGRAM};
        testing_platform::Streams streams{".stdin", ".stdout", ".stderr"};
        std::istringstream words(args);
        for (std::string word; words >> word;) {
            if (word == ">/dev/full") streams.unwritableOut = true;
            else argv.push_back(word == "''" ? "" : word);
        }
        const int status = testing_platform::RunProgram(argv, m_dir.path, streams);
        return {status, Read(".stdout"), Read(".stderr")};
    }

    // Runs a command line with the system's interpreter in the test's directory, with the program for
    // every "storagexml" in it; returns its exit code.
    int Shell(const std::string& line) const {
        Write(".stdin", "");
        const std::string command =
            std::regex_replace(line, std::regex(R"(\bstoragexml )"), testing_platform::ShellWord(STORAGEXML_PROGRAM) + " ");
        return testing_platform::RunShell(command, m_dir.path, {".stdin", ".stdout", ".stderr"});
    }

    // Runs the program and expects it to succeed silently on standard error.
    std::string Output(const std::string& args, const std::string& input = "") const {
        const Result result = Run(args, input);
        EXPECT_TRUE(result.status == 0 && result.err.empty()) << args << ": " << result.status << "\n" << result.err;
        return result.out;
    }

private:
    // A directory of the test's own: ctest runs each test in a process of its own, so parallel tests never share one.
    const testing_platform::ScratchDir m_dir{"storagexml-cli-"};
};

TEST_F(StorageXmlCli, ExitCodesAndWhereMessagesGo) {
    // arguments, exit code, a text each stream must hold (empty: the stream must be empty)
    const struct { const char* args; int status; const char* out; const char* err; } cases[] = {
        {"--version", 0, "storagexml 1.0.0\n", ""},
        {"check --help", 0, "FILE", ""},
        {"", 2, "", "subcommand"},
        {"frobnicate", 2, "", "frobnicate"},
        {"format", 2, "", "FILE"},
        {"format -o", 2, "", "-o"},
        {"check --bogus good.xml", 2, "", "--bogus"},
        {"example surplus", 2, "", "surplus"},
        {"check .", 2, "", "cannot read ."},
        {"format missing.xml", 2, "", "missing.xml"},
        {"format -o no-such-dir/out.xml good.xml", 2, "", "no-such-dir/out.xml"},
        {"example -o ''", 2, "", "OUT"},
        {"example >/dev/full", 2, "", "standard output"},
        {"check good.xml malformed.xml", 1, "malformed.xml: invalid", ""},
        // Checking goes on past an unreadable file, and the unreadable file decides the exit code.
        {"check bad.xml missing.xml good.xml", 2, "good.xml: ok", "missing.xml"},
        {"format bad.xml", 1, "", "bad.xml: invalid"},
        {"format novalue.xml", 1, "", "novalue.xml: invalid\n  Failed to convert the element [StorageArray] to XML"},
        {"format malformed.xml", 1, "", "malformed.xml: invalid\n  malformed.xml:2:16: Malformed XML"},
        {"format -o out.xml malformed.xml", 1, "", "malformed.xml: invalid"},
        {"format -o folder good.xml", 2, "", "[folder]"},  // the final rename fails
        {"convert", 2, "", "FILE"},
        {"convert --to yaml good.xml", 2, "", "yaml"},
        {"convert -o no-such-dir/out.json good.xml", 2, "", "no-such-dir/out.json"},
        {"convert bad.xml", 1, "", "bad.xml: invalid\n  bad.xml:2:1: Failed to process the child elements"},
        {"convert --to csv novalue.xml", 1, "", "novalue.xml: invalid\n  Failed to convert the element [StorageArray] to XML"},
    };
    Write("folder/inside", "kept");
    for (const auto& [args, status, out, err] : cases) {
        SCOPED_TRACE(args);
        const Result result = Run(args);
        EXPECT_EQ(result.status, status);
        for (const auto& [stream, expected] : {std::pair{result.out, out}, std::pair{result.err, err}}) {
            EXPECT_TRUE(*expected ? stream.find(expected) != std::string::npos : stream.empty())
                << "[" << expected << "] expected in:\n" << stream;
        }
    }
    // No output file, and nothing left beside a target, by any failure above.
    EXPECT_EQ(Files(), ".stderr .stdin .stdout bad.xml folder folder/inside good.xml malformed.xml novalue.xml");
}

TEST_F(StorageXmlCli, CheckReportsCountsOrTheFailureChainWithPositions) {
    const std::string chain = ": invalid\n"
                              "  FILE:2:1: Failed to process the child elements in element [StorageArray]\n"
                              "    FILE:3:3: Failed to process the child elements in element [StorageItems]\n"
                              "      FILE:6:5: Failed to process the child elements in element [parameters]\n"
                              "        FILE:6:5: Failed to find a required element [isKey]\n";
    // arguments, standard input, the file named ("-": standard input), its report, exit code
    const struct { const char* args; std::string input; const char* file; std::string report; int status; } cases[] = {
        {"check good.xml", "", "good.xml", ": ok" + GoodCounts, 0},
        {"check -", GoodDocument, "-", ": ok" + GoodCounts, 0},
        {"check bad.xml", "", "bad.xml", chain, 1},
        {"check -", MissingIsKey, "-", chain, 1},
        {"check -", MissingIsKeyJson, "-",
         ": invalid\n"
         "  FILE:1:1: Failed to process the child elements in element [StorageArray]\n"
         "    FILE:3:5: Failed to process the child elements in element [StorageItems]\n"
         "      FILE:4:21: Failed to process the child elements in element [parameters]\n"
         "        FILE:4:21: Failed to find a required element [isKey]\n", 1},
        {"check malformed.xml", "", "malformed.xml",
         ": invalid\n  FILE:2:16: Malformed XML: Opening and ending tag mismatch: ClientID line 2 and KeyID"
         " at line 2, column 16\n", 1},
        // A document that reads but cannot be written: the writer's chain, which has no positions.
        {"check -", NoValue, "-",
         ": invalid\n  Failed to convert the element [StorageArray] to XML\n"
         "    Failed to convert the element [StorageItems] to XML\n"
         "      Failed to convert the element [parameters] to XML\n"
         "        Failed to convert the element [cParams_ChoiceA] to XML\n"
         "          This element is a choice, and as such must have at one (and only one) valid item, "
         "currently there are none set\n", 1},
    };
    for (const auto& [args, input, file, report, status] : cases) {
        const Result result = Run(args, input);
        EXPECT_EQ(result.out, file + std::regex_replace(report, std::regex("FILE"), file)) << args;
        EXPECT_EQ(result.status, status) << args;
    }
}

TEST_F(StorageXmlCli, FormatIsIdempotentCompactOrToAFile) {
    const std::string formatted = Output("format good.xml");
    EXPECT_NE(formatted, GoodDocument);
    Write("formatted.xml", formatted);
    EXPECT_EQ(Output("format formatted.xml"), formatted);
    EXPECT_EQ(Output("format -", GoodDocument), formatted);
    EXPECT_EQ(Output("check formatted.xml"), "formatted.xml: ok" + GoodCounts);
    // Compact output is one line holding the same document.
    const std::string compact = Output("format --compact good.xml");
    EXPECT_EQ(compact.find('\n'), compact.size() - 1) << compact;
    EXPECT_EQ(Output("format -", compact), formatted);
    // -o replaces the file and writes nothing to standard output.
    Write("out.xml", "stale content");
    EXPECT_EQ(Output("format -o out.xml good.xml"), "");
    EXPECT_EQ(Read("out.xml"), formatted);
    EXPECT_EQ(Output("format --compact --output out.xml good.xml"), "");
    EXPECT_EQ(Read("out.xml"), compact);  // ending with a line feed, as on standard output
}

TEST_F(StorageXmlCli, ConvertGoesBetweenXmlAndJsonAndToCsv) {
    const std::string xml = Output("format good.xml"), json = Output("convert good.xml");
    ASSERT_EQ(json.substr(0, 21), "{\n  \"StorageItems\": [");
    Write("good.json", json);
    EXPECT_EQ(Output("convert good.json"), xml);
    EXPECT_EQ(Output("convert --to json -", GoodDocument), json);
    EXPECT_EQ(Output("format good.json"), json);  // format keeps the form it reads
    EXPECT_EQ(Output("check good.json"), "good.json: ok" + GoodCounts);
    const std::string compact = Output("convert --compact good.xml");
    EXPECT_EQ(compact.find('\n'), compact.size() - 1) << compact;
    EXPECT_EQ(Output("convert -", compact), xml);
    // OUT changes only when all is well.
    Write("out.json", "stale content");
    EXPECT_EQ(Run("convert -o out.json bad.xml").status, 1);
    EXPECT_EQ(Read("out.json"), "stale content");
    EXPECT_EQ(Output("convert -o out.json good.xml"), "");
    EXPECT_EQ(Read("out.json"), json);
    // A header, then a row for each of the three parameters, each line ending in CRLF.
    const std::string csv = Output("convert --to csv good.json");
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "item,ClientID,CatID,FunctionName,KeyID,ParamName,isKey,type,value");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\r'), 4);
    EXPECT_NE(csv.find("\r\n1,c,k,f,b,Z\xC3\xBCrich,false,Range,\"{\"\"cells\"\":[{\"\"err\"\":3}],\"\"rows\"\":1,"
                       "\"\"columns\"\":1}\"\r\n"),
              std::string::npos)
        << csv;
}

TEST_F(StorageXmlCli, ExampleIsAValidFormattedDocumentWithEveryKindOfValue) {
    const std::string example = Output("example");
    EXPECT_EQ(Output("example -o example.xml"), "");
    EXPECT_EQ(Read("example.xml"), example);
    EXPECT_EQ(Output("format example.xml"), example);
    const std::string report = Output("check example.xml");
    EXPECT_TRUE(std::regex_match(report, std::regex(R"(example\.xml: ok \(([2-9]|\d\d+) items, \d+ parameters, )"
                                                    R"([1-9]\d* range cells\)\n)"))) << report;
    // Every value element, and a string with blanks at both ends, escaped markup and non-ASCII text.
    for (const char* feature : {"num", "str", "bBool", "err", "w", "Range"}) {
        EXPECT_TRUE(std::regex_search(example, std::regex(std::string(R"(<(\w+:)?)") + feature + ">"))) << feature;
    }
    EXPECT_TRUE(std::regex_search(example, std::regex(R"(<(\w+:)?str> [^<]*&amp;[^<]*&lt;[^<]* </)")));
    EXPECT_TRUE(std::any_of(example.begin(), example.end(), [](unsigned char c) { return c >= 0x80; }))
        << "no non-ASCII text";
}

// Each subcommand's help ends with example command lines, which run as shown
// on the documents they name and succeed; the manual page holds every help
// text as it stands.
TEST_F(StorageXmlCli, HelpEndsWithExamplesThatRunAndTheManualPageHoldsIt) {
    Write("orders.xml", GoodDocument);
    Write("returns.xml", GoodDocument);
    std::string page;
#ifdef STORAGEXML_MAN_PAGE
    std::ifstream file(STORAGEXML_MAN_PAGE);
    page.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    page = std::regex_replace(std::regex_replace(page, std::regex(R"(\\-)"), "-"), std::regex(R"(\\e)"), "\\");
    const std::string top = Output("--help"), status = top.substr(top.rfind("Exit status:"));
    EXPECT_NE(page.find(status.substr(0, status.find_last_not_of('\n') + 1)), std::string::npos) << page;
#endif
    for (const std::string subcommand : {"check", "format", "convert", "example"}) {
        const std::string help = Output(subcommand + " --help");
        const std::size_t examples = help.rfind("\nExamples:\n");
        ASSERT_NE(examples, std::string::npos) << help;
        std::istringstream lines(help.substr(examples + 11));
        int count = 0;
        for (std::string line; std::getline(lines, line) && !line.empty(); ++count) {
            EXPECT_TRUE(line.rfind("  storagexml ", 0) == 0 && line.find("storagexml " + subcommand) != std::string::npos)
                << line;
            EXPECT_EQ(Shell(line), 0) << line << "\n" << Read(".stderr");
        }
        EXPECT_TRUE(count >= 1 && count <= 2) << help;
#ifdef STORAGEXML_MAN_PAGE
        EXPECT_NE(page.find(help), std::string::npos) << help;
#endif
    }
}

} // namespace
