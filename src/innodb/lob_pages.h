// Long values in MySQL 8's large-object pages. A value stored off-page by a
// MySQL 8.0 server starts at a first page of its own type that keeps a list
// of index entries; each entry names a page holding one part of the value
// and that part's length (the first part lies on the first page itself,
// after its entries). Entries that do not fit the first page live on
// index pages.
#pragma once

#include <cstdint>
#include <functional>

#include "base/bytes.h"
#include "innodb/page.h"

namespace rowmender {

inline constexpr std::uint16_t kLobIndexPageType = 22;
inline constexpr std::uint16_t kLobDataPageType = 23;
inline constexpr std::uint16_t kLobFirstPageType = 24;

// Hands `sink` the parts of the value whose first page is `firstPage`, in
// order, at most `limit` bytes in all. The walk ends at an entry or a page
// the source does not hold, at an entry it has been through, at a page of
// the wrong type, or once `limit` bytes are handed over. Returns the number
// of bytes handed over.
std::uint64_t ReadLobValue(const PageSource& source, std::uint32_t firstPage, std::uint64_t limit,
                           const std::function<void(ByteView)>& sink);

}  // namespace rowmender
