// Feeds arbitrary bytes to the value formatting of every column type, in
// both forms, with lengths, decimals and character sets from the input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "values/field_value.h"
#include "values/plugin_type_values.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rowmender;
  if (size < 6) return 0;
  const ByteView input(data, size);
  ColumnDefinition column;
  column.length = Le16(input, 0);
  column.precision = input[2] % 90;
  column.scale = input[3] % 40;
  column.packFlags = static_cast<std::uint16_t>(input[4] << 8 | input[5]);
  static const std::uint32_t kCharsets[] = {8, 33, 45, 35, 54, 56, 60, 63, 999};
  column.charsetId = kCharsets[input[4] % 9];
  column.values = {"a", "b", "c"};
  const ByteView value = input.subspan(6);
  for (const std::uint32_t type :
       {0u,  1u,  2u,  3u,   4u,   5u,   7u,   8u,   9u,   10u,  11u,  12u,  13u,  14u, 15u, 16u,
        17u, 18u, 19u, 246u, 247u, 248u, 249u, 250u, 251u, 252u, 253u, 254u, 255u, 6u,  100u}) {
    column.typeCode = type;
    for (const ValueForm form : {ValueForm::kPreview, ValueForm::kSave}) {
      (void)FormatColumnValue(column, value, ValueOptions{form, nullptr});
    }
    (void)FixedValueSize(column);
  }
  for (const char* name : {"uuid", "inet6", "inet4"}) {
    column.typeName = name;
    std::string text;
    (void)AppendPluginTypeText(text, column, value);
    (void)AppendPluginTypeText(text, column, value.first(std::min<std::size_t>(value.size(), 16)));
    (void)AppendPluginTypeText(text, column, value.first(std::min<std::size_t>(value.size(), 4)));
  }
  column.typeName.clear();
  (void)FormatDecimalValue(value, column.precision, column.scale);
  (void)FormatBitValue(value, column.length);
  for (int decimals = 0; decimals <= 7; ++decimals) {
    (void)FormatTime2Value(value, decimals, ValueForm::kSave);
    (void)FormatHiresTimeValue(value, decimals, ValueForm::kSave);
    (void)FormatHiresDatetimeValue(value, decimals, ValueForm::kSave);
  }
  for (const auto encoding : {TextEncoding::kUcs2, TextEncoding::kUtf16, TextEncoding::kUtf16Le,
                              TextEncoding::kUtf32, TextEncoding::kUtf8}) {
    (void)DecodeText(value, encoding, false);
  }
  return 0;
}
