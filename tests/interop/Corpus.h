// Documents for the interoperability tests, described as plain values: a
// model that can be built into a CStorageArray, extracted back from one and
// compared field by field; a fixed corpus of edge values; and a seeded
// generator of random documents.
#pragma once

#include "storage/Storage.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace interop {

enum class Kind { Num, Str, BBool, Err, W, Range };

// A scalar value: one range cell, or the value of a parameter unless a range.
struct Cell {
    Kind kind = Kind::Num;
    double num = 0;
    std::string str;
    bool bBool = false;
    long err = 0;
    std::int64_t w = 0;
};

struct Param {
    Cell value;               // value.kind == Kind::Range: the range below
    std::vector<Cell> cells;
    long rows = 0;
    long columns = 0;
    std::string name;
    bool isKey = false;
};

struct Item {
    std::string clientId, catId, functionName, keyId;
    std::vector<Param> params;
};

struct Doc {
    std::vector<Item> items;
    std::string clientId, keyId;
};

NqXmlLib3::CSmartPtr<Storage::CStorageArray> Build(const Doc& doc);
Doc Extract(Storage::CStorageArray& array);

// The first field in which two documents differ, named by its path; empty
// when they are equal. Doubles compare bit for bit, any NaN equal to any NaN.
std::string Difference(const Doc& expected, const Doc& actual);

// The two layouts every document is written in.
struct Form {
    const char* name;
    NqXmlLib3::CWriteOptions options;
};
const std::vector<Form>& Forms();

// Named documents holding every edge value of every kind.
std::vector<std::pair<std::string, Doc>> EdgeCorpus();

// The messages of an exception chain, outermost first, one per line; and
// the innermost message alone.
std::string Chain(const NqXmlLib3::CNqException& error);
std::string Innermost(const NqXmlLib3::CNqException& error);

// The seed of the random tests: STORAGEXML_SEED when set, a fixed one otherwise.
std::uint64_t Seed();

// `count` random documents from the seed, each named by the seed and its
// number; each `stream` gives another sequence from the same seed.
std::vector<std::pair<std::string, Doc>> RandomCorpus(int count, int stream);

} // namespace interop
