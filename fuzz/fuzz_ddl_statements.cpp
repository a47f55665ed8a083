// Feeds arbitrary text to the reader of CREATE TABLE statements.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "definitions/ddl_statements.h"
#include "fuzz_innodb_shapes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rowmender;
  static const CollationTable collations = fuzzing::FuzzCollations();
  std::vector<StatementTable> tables;
  (void)ParseCreateTableStatements(std::string_view(reinterpret_cast<const char*>(data), size),
                                   collations, tables);
  return 0;
}
