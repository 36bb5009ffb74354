// The JSON form of the writer's element events: CXmlTextWriter hands each
// start element, text and end element of a document to a CJsonWriter, which
// follows the root's CJsonShape to write the same content as JSON with
// RapidJSON's writers. Internal to the runtime.
#pragma once

#include "runtime/JsonShape.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace NqXmlLib3::detail {

class CJsonWriter {
public:
    virtual ~CJsonWriter() = default;
    virtual void StartElement(std::string_view name) = 0;
    virtual void Text(std::string_view text) = 0;
    virtual void EndElement() = 0;
    // How many elements are open.
    virtual std::size_t Depth() const = 0;
    // The output string is longer than the text while writing: Trim cuts it
    // to the text, for its owner to read or change it; Resume goes on after
    // the text as the owner left it.
    virtual void Trim() = 0;
    virtual void Resume() = 0;

    // A writer appending to `out`: indented by two spaces, one member per line, or compact.
    static std::unique_ptr<CJsonWriter> Create(const CJsonShape& root, bool indent, std::string& out);
};

} // namespace NqXmlLib3::detail
