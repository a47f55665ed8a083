// Feeds arbitrary bytes to the MyISAM index-header decoder, as the whole
// file and as the beginning of a longer one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "myisam/index_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const rowmender::ByteView bytes(data, size);
  for (const std::uint64_t fileLength : {std::uint64_t{size}, std::uint64_t{size} * 3 + 7}) {
    rowmender::MyisamIndexHeader header;
    if (rowmender::DecodeIndexHeader(bytes, fileLength, header) ==
        rowmender::IndexHeaderStatus::kAccepted) {
      // Every descriptor was built from bytes that are there.
      if (header.columns.size() * rowmender::MyisamColumn::kSize > size) std::abort();
    }
  }
  return 0;
}
