// Serialized dictionary information (SDI): the table definitions a MySQL 8
// server keeps inside each tablespace, since it writes no .frm files.
//
// The tablespace flags say whether a tablespace carries SDI; page 0 keeps
// the root page of the SDI index after its extent descriptors and the
// encryption information. The SDI index is an ordinary clustered index of
// pages of their own type whose records hold an object's type (1 a table, 2
// the tablespace), its id, and its definition as zlib-compressed JSON, kept
// off-page when long.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/status.h"
#include "innodb/page.h"

namespace rowmender {

inline constexpr std::uint16_t kSdiPageType = 17853;  // 0x45BD
// Tablespace flag bit: the tablespace carries SDI.
inline constexpr std::uint32_t kFspFlagSdi = 1u << 14;
// SDI object types.
inline constexpr std::uint32_t kSdiTypeTable = 1;
inline constexpr std::uint32_t kSdiTypeTablespace = 2;
// The largest definition taken: far beyond any real table's.
inline constexpr std::uint32_t kMaxSdiLength = 64u << 20;

// One object described in a tablespace's SDI.
struct SdiObject {
  std::uint32_t type = 0;
  std::uint64_t id = 0;
  // The definition, uncompressed: a JSON document.
  std::string json;
};

// What a tablespace's SDI holds, and what of it could not be read.
struct SdiContents {
  // The flags of page 0 say the tablespace carries SDI.
  bool flagged = false;
  std::uint32_t rootPage = kNoPage;
  std::vector<SdiObject> objects;
  // One sentence per record or page that could not be read.
  std::vector<std::string> problems;
};

// The flags of page 0 say the tablespace carries SDI.
bool SdiFlagged(ByteView firstPage);

// The root page of the SDI index as page 0 names it; kNoPage when the
// flags say the tablespace has none, or the page named is out of range.
std::uint32_t SdiRootPageOf(ByteView firstPage, std::uint64_t pageCount);

// Reads every live record of the SDI index of `pages`. Where page 0 does
// not name the root, the root is looked for among the first pages. A
// tablespace without SDI gives no objects and no problems; one whose SDI
// cannot be walked or decompressed gives problems.
SdiContents ReadSdi(const PageSource& pages);

}  // namespace rowmender
