// Descent from the root of a clustered index to its leftmost leaf page,
// where a walk over the index's records starts.
#pragma once

#include <cstdint>
#include <vector>

#include "innodb/inno_column.h"
#include "innodb/page.h"
#include "innodb/record_layout.h"

namespace rowmender {

// Levels a descent follows at most; real trees are far shallower, so this
// only stops a damaged tree whose node pointers go round in a circle.
inline constexpr int kMaxTreeDepth = 64;

// The leftmost leaf page of the compact B-tree whose root is `root`,
// following the first node pointer of every level (a tree of redundant
// records is descended as FindFirstLeafPageRedundant does); 0 when a page
// on the way is not an index page, holds no records, is an empty node page,
// or points to a page the source does not hold. `recordColumns` gives
// the clustered key's fields, which the node pointers start with.
std::uint32_t FindFirstLeafPage(const PageSource& source, std::uint32_t root,
                                const std::vector<InnoColumn>& recordColumns);
// The same for records that `layout` lays out (a table whose columns were
// added or dropped in place keeps the null bitmap of its node pointers at
// the size its records had before).
std::uint32_t FindFirstLeafPage(const PageSource& source, std::uint32_t root,
                                const RecordLayout& layout);

// The same for a B-tree of redundant records (the data dictionary), whose
// node pointers end with the child page number as a 4-byte field.
std::uint32_t FindFirstLeafPageRedundant(const PageSource& source, std::uint32_t root);

}  // namespace rowmender
