#include "interop/Corpus.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <stdexcept>

namespace interop {

using namespace Storage;

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Denorm = std::numeric_limits<double>::denorm_min();

const double EdgeDoubles[] = {0.0,     -0.0,     Denorm,   -Denorm,  DBL_MIN - Denorm, DBL_MIN, -DBL_MIN,
                              DBL_MAX, -DBL_MAX, 1.0,      -1.5,     0.1,              1e300,   9007199254740993.0,
                              1e21,    1e-7,     Inf,      -Inf,     NaN,              -NaN};
const long EdgeInt32[] = {INT32_MIN, INT32_MIN + 1, -1, 0, 1, INT32_MAX};
const std::int64_t EdgeInt64[] = {INT64_MIN, INT64_MIN + 1, -1, 0, 1, (std::int64_t(1) << 53) + 1, INT64_MAX};
const char* const EdgeStrings[] = {
    "", " ", "  blanks at both ends  ", "\t", "\r", "\n", "\r\n", "a\r\nb\rc\n", " \t\r\n ", "&", "<", ">",
    "]]>", "a]]>b]]]]>", "&amp;&lt;&#13;", "\"'", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
    "\xF4\x8F\xBF\xBF", "\xEF\xBF\xBD\xEE\x80\x80", "\xC2\x85\xE2\x80\xA8", "mixed \t&<>]]>\r\n\xE2\x82\xAC\xF0\x9F\x98\x80 "};

Cell Num(double v) { Cell c; c.kind = Kind::Num; c.num = v; return c; }
Cell Str(std::string v) { Cell c; c.kind = Kind::Str; c.str = std::move(v); return c; }
Cell BBool(bool v) { Cell c; c.kind = Kind::BBool; c.bBool = v; return c; }
Cell Err(long v) { Cell c; c.kind = Kind::Err; c.err = v; return c; }
Cell W(std::int64_t v) { Cell c; c.kind = Kind::W; c.w = v; return c; }

Param Scalar(Cell value, std::string name = "p", bool isKey = false) {
    return Param{std::move(value), {}, 0, 0, std::move(name), isKey};
}
Param Range(std::vector<Cell> cells, long rows, long columns) {
    Cell range;
    range.kind = Kind::Range;
    return Param{range, std::move(cells), rows, columns, "range", false};
}
Item NamedItem(const std::string& name, std::vector<Param> params) { return {name, "cat", "fn", "key", std::move(params)}; }

void SetCell(CScalarChoice& choice, const Cell& cell) {
    switch (cell.kind) {
    case Kind::Num: choice.SetNum(cell.num); break;
    case Kind::Str: choice.SetStr(cell.str); break;
    case Kind::BBool: choice.SetBBool(cell.bBool); break;
    case Kind::Err: choice.SetErr(cell.err); break;
    case Kind::W: choice.SetW(cell.w); break;
    case Kind::Range: throw std::logic_error("a range cannot be a cell");
    }
}

Cell GetCell(CScalarChoice& choice) {
    const std::string selected = choice.GetChoiceSelectedElement();
    if (selected == "num") return Num(choice.GetNum());
    if (selected == "str") return Str(choice.GetStr());
    if (selected == "bBool") return BBool(choice.GetBBool());
    if (selected == "err") return Err(choice.GetErr());
    if (selected == "w") return W(choice.GetW());
    if (selected == "Range") return Range({}, 0, 0).value;
    throw std::logic_error("a value with the selected element [" + selected + "]");
}

// Strings shown with every control byte and non-ASCII byte escaped.
std::string Show(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        out += c >= 0x20 && c < 0x7F && c != '\\' && c != '"' ? std::string(1, static_cast<char>(c)) : hex;
    }
    return out + "\"";
}

std::string Show(double value) {
    if (std::isnan(value)) return "NaN";
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g (0x%016llX)", value, static_cast<unsigned long long>(bits));
    return buffer;
}

std::string Show(const Cell& cell) {
    switch (cell.kind) {
    case Kind::Num: return "num " + Show(cell.num);
    case Kind::Str: return "str " + Show(cell.str);
    case Kind::BBool: return cell.bBool ? "bBool true" : "bBool false";
    case Kind::Err: return "err " + std::to_string(cell.err);
    case Kind::W: return "w " + std::to_string(cell.w);
    case Kind::Range: return "Range";
    }
    return "?";
}

// One line per field, each naming its path.
std::vector<std::string> Lines(const Doc& doc) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < doc.items.size(); ++i) {
        const Item& item = doc.items[i];
        const std::string at = "StorageItems[" + std::to_string(i) + "].";
        out.push_back(at + "ClientID " + Show(item.clientId));
        out.push_back(at + "CatID " + Show(item.catId));
        out.push_back(at + "FunctionName " + Show(item.functionName));
        out.push_back(at + "KeyID " + Show(item.keyId));
        for (std::size_t j = 0; j < item.params.size(); ++j) {
            const Param& p = item.params[j];
            const std::string pat = at + "parameters[" + std::to_string(j) + "].";
            out.push_back(pat + "value " + Show(p.value));
            if (p.value.kind == Kind::Range) {
                for (std::size_t k = 0; k < p.cells.size(); ++k) {
                    out.push_back(pat + "Range.cell[" + std::to_string(k) + "] " + Show(p.cells[k]));
                }
                out.push_back(pat + "Range.rows " + std::to_string(p.rows));
                out.push_back(pat + "Range.columns " + std::to_string(p.columns));
            }
            out.push_back(pat + "ParamName " + Show(p.name));
            out.push_back(pat + "isKey " + (p.isKey ? "true" : "false"));
        }
    }
    out.push_back("ClientID " + Show(doc.clientId));
    out.push_back("KeyID " + Show(doc.keyId));
    return out;
}

} // namespace

NqXmlLib3::CSmartPtr<CStorageArray> Build(const Doc& doc) {
    auto array = CStorageArray::CreateInstance();
    for (const Item& i : doc.items) {
        auto item = array->GetStorageItems()->Add();
        item->SetClientID(i.clientId);
        item->SetCatID(i.catId);
        item->SetFunctionName(i.functionName);
        item->SetKeyID(i.keyId);
        for (const Param& p : i.params) {
            auto param = item->GetParameters()->Add();
            param->SetParamName(p.name);
            param->SetIsKey(p.isKey);
            if (p.value.kind != Kind::Range) {
                SetCell(*param->GetCParams_ChoiceA(), p.value);
                continue;
            }
            auto range = CArrRange::CreateInstance();
            for (const Cell& c : p.cells) SetCell(*range->GetArrRange_ChoiceA()->Add(), c);
            range->SetRows(p.rows);
            range->SetColumns(p.columns);
            param->GetCParams_ChoiceA()->SetRange(range.get());
        }
    }
    array->SetClientID(doc.clientId);
    array->SetKeyID(doc.keyId);
    return array;
}

Doc Extract(CStorageArray& array) {
    Doc doc;
    for (CStorageItem* item : *array.GetStorageItems()) {
        Item i{item->GetClientID(), item->GetCatID(), item->GetFunctionName(), item->GetKeyID(), {}};
        for (CCParams* param : *item->GetParameters()) {
            Param p;
            auto choice = param->GetCParams_ChoiceA();
            p.value = GetCell(*choice);
            if (auto range = choice->GetRange()) {
                for (CArrRange_ChoiceA* cell : *range->GetArrRange_ChoiceA()) p.cells.push_back(GetCell(*cell));
                p.rows = range->GetRows();
                p.columns = range->GetColumns();
            }
            p.name = param->GetParamName();
            p.isKey = param->GetIsKey();
            i.params.push_back(std::move(p));
        }
        doc.items.push_back(std::move(i));
    }
    doc.clientId = array.GetClientID();
    doc.keyId = array.GetKeyID();
    return doc;
}

std::string Difference(const Doc& expected, const Doc& actual) {
    const std::vector<std::string> a = Lines(expected);
    const std::vector<std::string> b = Lines(actual);
    for (std::size_t i = 0; i < a.size() || i < b.size(); ++i) {
        const std::string x = i < a.size() ? a[i] : "(nothing)";
        const std::string y = i < b.size() ? b[i] : "(nothing)";
        if (x != y) return "expected " + x + "\n     got " + y;
    }
    return "";
}

const std::vector<Form>& Forms() {
    static const std::vector<Form> forms = {{"indented", {true, true}}, {"compact", {false, false}}};
    return forms;
}

std::vector<std::pair<std::string, Doc>> EdgeCorpus() {
    std::vector<std::pair<std::string, Doc>> corpus;
    corpus.push_back({"no items", Doc{}});

    std::vector<Param> doubles, integers, strings;
    std::vector<Cell> mixed;
    for (double d : EdgeDoubles) {
        doubles.push_back(Scalar(Num(d)));
        mixed.push_back(Num(d));
    }
    for (long v : EdgeInt32) {
        integers.push_back(Scalar(Err(v), "err", v < 0));
        integers.push_back(Range({Err(v)}, v, ~v));
        mixed.push_back(Err(v));
    }
    for (std::int64_t v : EdgeInt64) {
        integers.push_back(Scalar(W(v), "w", v > 0));
        mixed.push_back(W(v));
    }
    for (const char* s : EdgeStrings) {
        strings.push_back(Scalar(Str(s), s, true));
        mixed.push_back(Str(s));
    }
    Doc scalars;
    scalars.items = {NamedItem("doubles", doubles), NamedItem("integers", integers), NamedItem("strings", strings),
                     NamedItem("booleans", {Scalar(BBool(true), "t", true), Scalar(BBool(false), "f", false)})};
    scalars.clientId = "scalars";
    corpus.push_back({"every edge value as a parameter", scalars});

    Doc ranges;
    ranges.items = {NamedItem("ranges", {Range(mixed, 3, 40), Range({Num(-0.0)}, 1, 1), Range({Str("")}, 0, 0),
                                         Range({BBool(true), BBool(false)}, INT32_MAX, INT32_MIN)})};
    corpus.push_back({"ranges of mixed cells", ranges});

    Doc texts;
    for (const char* s : EdgeStrings) texts.items.push_back(Item{s, s, s, s, {Scalar(Str(s), s)}});
    texts.clientId = "  \r\n&<>]]>\xF0\x9F\x98\x80\t";
    texts.keyId = " ";
    corpus.push_back({"edge strings in every string field", texts});
    return corpus;
}

namespace {

// Random documents; the same seed gives the same sequence.
class Generator {
public:
    explicit Generator(std::uint64_t seed) : m_rng(seed) {}
    Doc Document(int maxItems = 5, int maxParams = 5, int maxCells = 7);

private:
    int Pick(int count) { return static_cast<int>(m_rng() % static_cast<std::uint64_t>(count)); }
    Cell Scalar(bool allowRange);
    Param Parameter(int maxCells);
    std::string String();
    double Double();
    long Int32();
    std::int64_t Int64();

    std::mt19937_64 m_rng;
};

Doc Generator::Document(int maxItems, int maxParams, int maxCells) {
    Doc doc;
    const int items = Pick(maxItems + 1);
    for (int i = 0; i < items; ++i) {
        Item item{String(), String(), String(), String(), {}};
        const int params = 1 + Pick(maxParams);
        for (int j = 0; j < params; ++j) item.params.push_back(Parameter(maxCells));
        doc.items.push_back(std::move(item));
    }
    doc.clientId = String();
    doc.keyId = String();
    return doc;
}

Param Generator::Parameter(int maxCells) {
    Param p;
    p.value = Scalar(true);
    if (p.value.kind == Kind::Range) {
        const int cells = 1 + Pick(maxCells);
        for (int k = 0; k < cells; ++k) p.cells.push_back(Scalar(false));
        p.rows = Int32();
        p.columns = Int32();
    }
    p.name = String();
    p.isKey = Pick(2) == 1;
    return p;
}

Cell Generator::Scalar(bool allowRange) {
    Cell c;
    c.kind = static_cast<Kind>(Pick(allowRange ? 6 : 5));
    switch (c.kind) {
    case Kind::Num: c.num = Double(); break;
    case Kind::Str: c.str = String(); break;
    case Kind::BBool: c.bBool = Pick(2) == 1; break;
    case Kind::Err: c.err = Int32(); break;
    case Kind::W: c.w = Int64(); break;
    case Kind::Range: break;
    }
    return c;
}

std::string Generator::String() {
    static const char* const pieces[] = {
        "a", "Zq", "09", "-", ".", " ", "\t", "\r", "\n", "\r\n", "&", "<", ">", "]]>", "]]", "&amp;", "\"", "'",
        "\xC3\xA9", "\xC3\x9F", "\xE2\x82\xAC", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xF0\x90\x8D\x88",
        "\xF4\x8F\xBF\xBD"};
    static const char blanks[] = {' ', '\t', '\r', '\n'};
    std::string s;
    for (int n = Pick(3); n > 0; --n) s += blanks[Pick(4)];
    for (int n = Pick(9); n > 0; --n) s += pieces[Pick(sizeof pieces / sizeof *pieces)];
    for (int n = Pick(3); n > 0; --n) s += blanks[Pick(4)];
    return s;
}

double Generator::Double() {
    std::uint64_t bits = m_rng();
    switch (Pick(8)) {
    case 0: return EdgeDoubles[Pick(sizeof EdgeDoubles / sizeof *EdgeDoubles)];
    case 1: bits &= 0x800FFFFFFFFFFFFFull; break;                           // denormal or zero
    case 2: bits = (bits & 0x800FFFFFFFFFFFFFull) | (0x7FEull << 52); break;  // near the largest
    case 3: bits = (bits & 0x800FFFFFFFFFFFFFull) | (0x001ull << 52); break;  // near the smallest normal
    case 4: return (Pick(2000001) - 1000000) / std::pow(10.0, Pick(8));
    default: break;  // any bit pattern, NaNs and infinities included
    }
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

long Generator::Int32() {
    if (Pick(3) == 0) return EdgeInt32[Pick(sizeof EdgeInt32 / sizeof *EdgeInt32)];
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(m_rng()));
}

std::int64_t Generator::Int64() {
    if (Pick(3) == 0) return EdgeInt64[Pick(sizeof EdgeInt64 / sizeof *EdgeInt64)];
    return static_cast<std::int64_t>(m_rng());
}

} // namespace

std::string Chain(const NqXmlLib3::CNqException& error) {
    std::string out;
    for (const NqXmlLib3::CNqException* e = &error; e; e = e->GetInnerException()) out += std::string(e->what()) + "\n";
    return out;
}

std::string Innermost(const NqXmlLib3::CNqException& error) {
    const NqXmlLib3::CNqException* e = &error;
    while (e->GetInnerException()) e = e->GetInnerException();
    return e->what();
}

std::uint64_t Seed() {
    const char* text = std::getenv("STORAGEXML_SEED");
    return text && *text ? std::strtoull(text, nullptr, 0) : 20240611u;
}

std::vector<std::pair<std::string, Doc>> RandomCorpus(int count, int stream) {
    Generator generator(Seed() + static_cast<std::uint64_t>(stream) * 0x9E3779B97F4A7C15ull);
    std::vector<std::pair<std::string, Doc>> corpus;
    for (int i = 0; i < count; ++i) {
        corpus.push_back({"STORAGEXML_SEED=" + std::to_string(Seed()) + ", random document " + std::to_string(i),
                          generator.Document()});
    }
    return corpus;
}

} // namespace interop
