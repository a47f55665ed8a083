// Feeds arbitrary bytes to the binary JSON decoder, alone and as the value
// of a JSON column (kept in the record and off-page) in every text form of
// a row. A decoded value is UTF-8 and no longer than a fixed multiple of its
// bytes; a refused one appends nothing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>

#include "base/utf8.h"
#include "fuzz_formats.h"
#include "values/image_values.h"
#include "values/json_binary.h"

namespace {

using namespace rowmender;

// The whole value for any reference, as an off-page chain would give it.
class WholeValue final : public LongValueReader {
 public:
  explicit WholeValue(ByteView bytes) : bytes_(bytes) {}
  Result Read(ByteView, const std::function<void(ByteView)>& sink) const override {
    sink(bytes_);
    return {bytes_.size(), bytes_.size(), true};
  }

 private:
  ByteView bytes_;
};

const TableDefinition& JsonTable() {
  static const TableDefinition table = [] {
    TableDefinition t;
    ColumnDefinition column;
    column.name = "doc";
    column.typeCode = kTypeJson;
    column.charsetId = kBinaryCharset;
    column.nullable = true;
    t.columns.push_back(column);
    return t;
  }();
  return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteView bytes(data, size);

  constexpr std::string_view kBefore = "before";
  std::string out(kBefore);
  const bool decoded = AppendJsonText(out, bytes);
  if (!std::string_view(out).starts_with(kBefore)) std::abort();
  const std::string_view text = std::string_view(out).substr(kBefore.size());
  if (!decoded && !text.empty()) std::abort();
  if (decoded && (!IsValidUtf8(text) || text.size() > 32 * size + 8)) std::abort();

  static const TableFormat formats(JsonTable(), nullptr);
  RowBuffer row;
  row.Reset(1);
  DecodeImageValue(formats[0], bytes, row.cells[0]);
  fuzzing::FormatRowEveryWay(row, formats);

  const WholeValue whole(bytes);
  row.longValues = &whole;
  row.cells[0].SetBytes(CellKind::kExternal, bytes.first(std::min<std::size_t>(size, 20)));
  fuzzing::FormatRowEveryWay(row, formats);
  return 0;
}
