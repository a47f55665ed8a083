// Feeds the SDI reader: an input starting with '{' is an SDI document
// turned into a table definition; any other is the first pages of a
// tablespace whose SDI index is walked and whose documents are read.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "definitions/sdi_definition.h"
#include "innodb/page.h"
#include "innodb/sdi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rowmender;
  if (size > 0 && data[0] == '{') {
    SdiTable table;
    (void)ParseSdiTable(std::string_view(reinterpret_cast<const char*>(data), size), table);
    return 0;
  }
  const MemoryPageSource source(ByteView(data, size));
  const SdiContents sdi = ReadSdi(source);
  for (const SdiObject& object : sdi.objects) {
    SdiTable table;
    (void)ParseSdiTable(object.json, table);
  }
  return 0;
}
