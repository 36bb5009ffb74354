// Black-box tests of the storagexml program: each runs the built binary in a
// fresh directory and looks at its exit code, standard output and standard error.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

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

// The parameter on line 5 has no isKey element.
const char* const MissingIsKey = R"(<?xml version="1.0" encoding="UTF-8"?>
<StorageArray xmlns="urn:storagexml:storage">
  <StorageItems>
    <ClientID>c</ClientID><CatID>k</CatID><FunctionName>f</FunctionName><KeyID>a</KeyID>
    <parameters><num>1</num><ParamName>p</ParamName></parameters>
  </StorageItems>
  <ClientID>c</ClientID><KeyID>k</KeyID>
</StorageArray>
)";

const char* const Malformed = "<StorageArray>\n  <ClientID>c</KeyID>\n</StorageArray>\n";

const char* const GoodCounts = "(2 items, 3 parameters, 4 range cells)";

struct Result {
    int status;
    std::string out;
    std::string err;
};

class StorageXmlCli : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "storagexml-cli-XXXXXX").string();
        ASSERT_NE(::mkdtemp(&pattern[0]), nullptr);
        m_dir = pattern;
        Write("good.xml", GoodDocument);
        Write("bad.xml", MissingIsKey);
        Write("malformed.xml", Malformed);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(m_dir / name, std::ios::binary) << text;
    }
    std::string Read(const std::string& name) const {
        std::ostringstream text;
        text << std::ifstream(m_dir / name, std::ios::binary).rdbuf();
        return text.str();
    }

    // Runs the program with `args` in the test's directory, `input` on standard input.
    Result Run(const std::string& args, const std::string& input = "") const {
        Write(".stdin", input);
        const std::string command =
            "cd '" + m_dir.string() + "' && '" STORAGEXML_PROGRAM "' " + args + " <.stdin 2>.stderr";
        std::FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) return {-1, "", "popen failed"};
        std::string out;
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
        const int status = ::pclose(pipe);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, Read(".stderr")};
    }

    // Runs the program and expects it to succeed silently on standard error.
    std::string Output(const std::string& args, const std::string& input = "") const {
        const Result result = Run(args, input);
        EXPECT_EQ(result.status, 0) << args << "\n" << result.err;
        EXPECT_EQ(result.err, "") << args;
        return result.out;
    }

private:
    fs::path m_dir;
};

// An empty expectation means the stream must be empty; otherwise it must hold the text.
void ExpectStream(const std::string& actual, const std::string& expected, const char* stream) {
    if (expected.empty()) {
        EXPECT_EQ(actual, "") << stream;
    } else {
        EXPECT_NE(actual.find(expected), std::string::npos) << stream << " lacks [" << expected << "]:\n" << actual;
    }
}

TEST_F(StorageXmlCli, ExitCodesAndWhereMessagesGo) {
    struct Case {
        const char* args;
        int status;
        const char* out;
        const char* err;
    };
    const Case cases[] = {
        {"--version", 0, "storagexml 1.0.0\n", ""},
        {"--help", 0, "format", ""},
        {"check --help", 0, "FILE", ""},
        {"", 2, "", "subcommand"},
        {"frobnicate", 2, "", "frobnicate"},
        {"check", 2, "", "FILE"},
        {"format", 2, "", "FILE"},
        {"format -o", 2, "", "-o"},
        {"check --bogus good.xml", 2, "", "--bogus"},
        {"example surplus", 2, "", "surplus"},
        {"check missing.xml", 2, "", "missing.xml"},
        {"check .", 2, "", "cannot read ."},
        {"format missing.xml", 2, "", "missing.xml"},
        {"format -o no-such-dir/out.xml good.xml", 2, "", "no-such-dir/out.xml"},
        {"example -o ''", 2, "", "OUT"},
        {"example >/dev/full", 2, "", "standard output"},
        {"check good.xml", 0, "good.xml: ok", ""},
        {"check bad.xml", 1, "bad.xml: invalid", ""},
        {"check good.xml malformed.xml", 1, "malformed.xml: invalid", ""},
        // Checking goes on past an unreadable file, and the unreadable file decides the exit code.
        {"check bad.xml missing.xml good.xml", 2, "good.xml: ok", "missing.xml"},
        {"format bad.xml", 1, "", "bad.xml: invalid"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const Result result = Run(c.args);
        EXPECT_EQ(result.status, c.status);
        ExpectStream(result.out, c.out, "stdout");
        ExpectStream(result.err, c.err, "stderr");
    }
}

TEST_F(StorageXmlCli, CheckReportsCountsOrTheFailureChainWithPositions) {
    const std::string missingIsKeyChain =
        "  FILE:2:1: Failed to process the child elements in element [StorageArray]\n"
        "    FILE:3:3: Failed to process the child elements in element [StorageItems]\n"
        "      FILE:5:5: Failed to process the child elements in element [parameters]\n"
        "        FILE:5:5: Failed to find a required element [isKey]\n";
    struct Case {
        const char* args;
        const char* input;
        const char* file;
        std::string report;
    };
    const Case cases[] = {
        {"check good.xml", "", "good.xml", std::string(": ok ") + GoodCounts + "\n"},
        {"check -", GoodDocument, "-", std::string(": ok ") + GoodCounts + "\n"},
        {"check bad.xml", "", "bad.xml", ": invalid\n" + missingIsKeyChain},
        {"check -", MissingIsKey, "-", ": invalid\n" + missingIsKeyChain},
        {"check malformed.xml", "", "malformed.xml",
         ": invalid\n  FILE:2:16: Malformed XML: mismatched tag at line 2, column 16\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args + std::string(" ") + c.file);
        const Result result = Run(c.args, c.input);
        EXPECT_EQ(result.out, c.file + std::regex_replace(c.report, std::regex("FILE"), c.file));
    }
}

TEST_F(StorageXmlCli, FormatIsIdempotentAndLosesNothing) {
    const std::string formatted = Output("format good.xml");
    EXPECT_NE(formatted, GoodDocument);
    Write("formatted.xml", formatted);
    EXPECT_EQ(Output("format formatted.xml"), formatted);
    EXPECT_EQ(Output("format -", GoodDocument), formatted);
    EXPECT_EQ(Output("check formatted.xml"), std::string("formatted.xml: ok ") + GoodCounts + "\n");
}

TEST_F(StorageXmlCli, CompactFormatHasNoLineBreakInsideTheRoot) {
    const std::string compact = Output("format --compact good.xml");
    ASSERT_FALSE(compact.empty());
    EXPECT_EQ(compact.find('\n'), compact.size() - 1);
    // Compact and indented output hold the same document.
    EXPECT_EQ(Output("format -", compact), Output("format good.xml"));
}

TEST_F(StorageXmlCli, OutputOptionWritesTheFileAndNothingElse) {
    Write("out.xml", "stale content");
    EXPECT_EQ(Output("format -o out.xml good.xml"), "");
    EXPECT_EQ(Read("out.xml"), Output("format good.xml"));

    EXPECT_EQ(Output("format --compact --output out.xml good.xml"), "");
    EXPECT_EQ(Read("out.xml").find('\n'), std::string::npos);

    EXPECT_EQ(Output("example -o example.xml"), "");
    EXPECT_EQ(Read("example.xml"), Output("example"));
}

TEST_F(StorageXmlCli, ExampleIsAValidDocumentWithEveryKindOfValue) {
    const std::string example = Output("example");
    Write("example.xml", example);
    EXPECT_EQ(Output("format example.xml"), example);

    std::smatch counts;
    const std::string report = Output("check example.xml");
    ASSERT_TRUE(std::regex_match(report, counts,
                                 std::regex(R"(example\.xml: ok \((\d+) items, (\d+) parameters, (\d+) range cells\)\n)")))
        << report;
    EXPECT_GE(std::stoi(counts[1]), 2);
    EXPECT_GT(std::stoi(counts[3]), 0);

    const char* const features[] = {
        R"(<(\w+:)?num>)", R"(<(\w+:)?str>)", R"(<(\w+:)?bBool>)", R"(<(\w+:)?err>)", R"(<(\w+:)?w>)",
        R"(<(\w+:)?Range>)",
        R"(<(\w+:)?str> [^<]*&amp;[^<]*&lt;[^<]* </)",  // blanks at both ends, escaped markup
    };
    for (const char* feature : features) {
        EXPECT_TRUE(std::regex_search(example, std::regex(feature))) << feature;
    }
    EXPECT_TRUE(std::any_of(example.begin(), example.end(), [](unsigned char c) { return c >= 0x80; }))
        << "no non-ASCII text";
}

} // namespace
