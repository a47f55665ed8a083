// Feeds arbitrary field bytes to the InnoDB value decoder, for every column
// type, InnoDB main type and both forms; external fields read their value
// from a tablespace image made of the same bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_innodb_shapes.h"
#include "innodb/column_value.h"
#include "innodb/external_value.h"
#include "innodb/inno_column.h"
#include "innodb/page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rowmender;
  constexpr std::size_t kControlBytes = 8;
  if (size < kControlBytes) return 0;
  static const CollationTable collations = fuzzing::FuzzCollations();
  const std::uint32_t charsets[] = {8, 33, 35, 45, 63, 0, 200};

  ColumnDefinition column =
      fuzzing::FuzzColumn(0, data[0], static_cast<std::uint32_t>(data[1]) << (data[2] & 7), true,
                          charsets[data[3] % 7]);
  column.packFlags = static_cast<std::uint16_t>(data[4] | (data[5] << 8));
  column.precision = data[2] % 70;
  column.scale = data[3] % 35;
  const ByteView bytes(data + kControlBytes, size - kControlBytes);

  std::vector<std::uint8_t> image(bytes.begin(), bytes.end());
  image.resize(((image.size() + kInnoPageSize - 1) / kInnoPageSize + 1) * kInnoPageSize, 0);
  const MemoryPageSource source(image);

  for (const bool fromDictionary : {false, true}) {
    InnoColumn field = InnoColumnFromDefinition(column, 0, collations);
    if (fromDictionary) {
      DictColumnType type{static_cast<std::uint32_t>(data[6] % 16),
                          static_cast<std::uint32_t>(data[7]) << 8 | data[0],
                          field.len,
                          0,
                          0,
                          static_cast<std::uint32_t>(data[5] % 25)};
      field = InnoColumnFromDictionary(column, type);
    }
    for (const bool save : {false, true}) {
      InnoValueContext context;
      context.options.form = save ? ValueForm::kSave : ValueForm::kPreview;
      context.options.collations = &collations;
      context.exportExternal = [&](ByteView local) {
        return std::to_string(ExternalValueBytes(source, local).size());
      };
      context.readExternal = [&](ByteView local) { return ExternalValueBytes(source, local); };
      (void)DecodeInnoValue(field, bytes, (data[6] & 0x80) != 0, context);
    }
  }
  return 0;
}
