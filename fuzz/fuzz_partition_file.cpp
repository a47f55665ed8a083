// Feeds arbitrary bytes to the partition file (.par) decoder, and to the
// reader of the PARTITION BY clause a definition file keeps.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "definitions/partition_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rowmender::PartitionFile par;
  if (rowmender::ParsePartitionFile(rowmender::ByteView(data, size), par).ok()) {
    // One name and one engine a partition, the names from bytes that are
    // there.
    if (par.names.empty() || par.names.size() != par.engines.size()) std::abort();
    std::size_t total = 0;
    for (const auto& name : par.names)
      total += name.size() + 1;
    if (total > size) std::abort();
  }
  rowmender::PartitionFile clause;
  if (rowmender::PartitionFileFromDefinition(rowmender::ByteView(data, size), clause).ok()) {
    if (clause.names.empty() || clause.names.size() > rowmender::kMaxPartitions ||
        clause.names.size() != clause.engines.size()) {
      std::abort();
    }
  }
  return 0;
}
