// Rows kept past the reader's next call: a batch owns copies of the bytes
// its cells view, so rows read on one thread can be formatted on another
// while the reader goes on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "values/cell.h"

namespace rowmender {

class RowBatch {
 public:
  // Copies `row` in, its cells' bytes with it. An off-page value keeps
  // only its local part: the row's LongValueReader, which must outlive
  // the batch, reads the rest when it is formatted.
  void Add(const RowBuffer& row);

  // Makes the rows' views point into the batch's bytes; call once all rows
  // are in, before reading them.
  void Seal();

  // Empties the batch, keeping its memory for the next rows.
  void Clear();

  std::size_t Size() const { return count_; }
  // Bytes of values held, to bound a batch of long values.
  std::size_t ValueBytes() const { return bytes_.size(); }
  const RowBuffer& Row(std::size_t i) const { return rows_[i]; }

 private:
  std::vector<RowBuffer> rows_;
  std::size_t count_ = 0;
  std::vector<std::uint8_t> bytes_;
  // Where each copied value starts in bytes_, in the order of the cells
  // that hold one.
  std::vector<std::size_t> starts_;
};

}  // namespace rowmender
