// Checks a whole exception chain, outermost first: for each level the exact
// message, the dynamic type and, when given, the position; and that the
// innermost level wraps nothing.
//
//     EXPECT_TRUE(ThrowsChain([&] { array->FromXml(text); },
//                             {Validation("Failed to process ...").At(1, 1),
//                              Validation("Failed to find a required element [isKey]")}));
#pragma once

#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <typeinfo>
#include <vector>

namespace StorageTest {

struct Level {
    enum Type { Plain, Validation, InvalidState, AnyRuntime } type;
    std::string text;        // exact message; for AnyRuntime a part of it ("" matches any)
    int line = -1;           // -1: the position is not checked
    int column = -1;

    Level At(int l, int c) const {
        Level copy = *this;
        copy.line = l;
        copy.column = c;
        return copy;
    }
    Level Unlocated() const { return At(0, 0); }
};

// A plain CNqException (not a subclass) with this exact text.
inline Level Plain(std::string text) { return {Level::Plain, std::move(text)}; }
inline Level Validation(std::string text) { return {Level::Validation, std::move(text)}; }
inline Level InvalidState(std::string text) { return {Level::InvalidState, std::move(text)}; }
// A plain CNqException of the runtime (a count check, a conversion) whose text contains `part`.
inline Level Runtime(std::string part = "") { return {Level::AnyRuntime, std::move(part)}; }

// The exact dynamic type a level must have, and its name for messages.
inline const std::type_info& TypeOf(Level::Type type) {
    if (type == Level::Validation) return typeid(NqXmlLib3::CNqValidationException);
    if (type == Level::InvalidState) return typeid(NqXmlLib3::CNqInvalidStateException);
    return typeid(NqXmlLib3::CNqException);
}

inline std::string Describe(const NqXmlLib3::CNqException* e) {
    std::ostringstream out;
    for (int depth = 0; e; e = e->GetInnerException(), ++depth) {
        out << "\n  " << depth << ": " << typeid(*e).name() << " \"" << e->what() << "\" at " << e->GetLine() << ":"
            << e->GetColumn();
    }
    return out.str();
}

inline ::testing::AssertionResult MatchesChain(const NqXmlLib3::CNqException& thrown, const std::vector<Level>& levels) {
    const NqXmlLib3::CNqException* e = &thrown;
    for (std::size_t i = 0; i < levels.size(); ++i, e = e->GetInnerException()) {
        const Level& want = levels[i];
        auto fail = [&](const std::string& why) {
            return ::testing::AssertionFailure() << "level " << i << ": " << why << "; chain:" << Describe(&thrown);
        };
        if (!e) return fail("missing");
        if (typeid(*e) != TypeOf(want.type)) return fail(std::string("type is not ") + TypeOf(want.type).name());
        const std::string message = e->what();
        const bool textOk =
            want.type == Level::AnyRuntime ? message.find(want.text) != std::string::npos : message == want.text;
        if (!textOk) return fail("text is not \"" + want.text + "\"");
        if (want.line >= 0 && (e->GetLine() != want.line || e->GetColumn() != want.column)) {
            return fail("position is not " + std::to_string(want.line) + ":" + std::to_string(want.column));
        }
    }
    if (e) return ::testing::AssertionFailure() << "more levels than expected; chain:" << Describe(&thrown);
    return ::testing::AssertionSuccess();
}

// Runs `action`, which must throw a CNqException whose chain matches `levels`.
template <class Action>
::testing::AssertionResult ThrowsChain(Action&& action, const std::vector<Level>& levels) {
    try {
        action();
    } catch (const NqXmlLib3::CNqException& e) {
        return MatchesChain(e, levels);
    }
    return ::testing::AssertionFailure() << "no CNqException was thrown";
}

} // namespace StorageTest
