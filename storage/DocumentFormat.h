// The forms a Storage document is written and read in.
#pragma once

namespace Storage {

/// The forms of a Storage document (README, "JSON and CSV").
enum class CDocumentFormat {
    Xml,     ///< the XML document
    Json,    ///< the same tree as JSON: each element an object keyed by its children's names
    Csv,     ///< one row per parameter (RFC 4180); written only
    Detect,  ///< read only: JSON when the first character other than blanks and a byte-order mark is '{', else XML
};

} // namespace Storage
