// Parsing of binary table definition files (.frm).
#pragma once

#include <cstdint>
#include <string>

#include "base/bytes.h"
#include "definitions/table_definition.h"

namespace rowmender {

enum class DefinitionStatus {
  kRead,            // parsed; the definition is complete
  kMissing,         // the file cannot be opened
  kNotADefinition,  // too short or no binary definition header (a view, say)
  kCorrupt,         // the header is valid but a later part cannot be read
  kUnsupported,     // the definition needs something this reader does not know
};

// How far a parse got; kept even when the parse fails part-way.
struct DefinitionProgress {
  bool headerAccepted = false;
  bool formInfoRead = false;
  std::uint8_t storageEngine = 0;
  bool newTemporalFormat = false;
  // Why a parse failed or what it left out, one sentence (empty: nothing).
  std::string problem;
};

// Version ids above this were written by MySQL 5.6 or later.
inline constexpr std::uint32_t kLastPre56VersionId = 50599;

// Parses the bytes of a whole definition file into `out` (which is replaced).
// Never reads outside `file`: missing bytes of the key section and the
// column block read as zero.
DefinitionStatus ParseTableDefinition(ByteView file, TableDefinition& out,
                                      DefinitionProgress& progress);

// Sizes of a key header and a key part for a layout level, and of a column
// record. Exposed for the hand-made fixtures of the tests.
inline constexpr std::size_t kFrmHeaderSize = 64;
inline constexpr std::size_t kFormInfoSize = 288;
std::size_t ColumnRecordSize(int layoutLevel);

}  // namespace rowmender
