#include "values/row_batch.h"

namespace rowmender {

namespace {

bool HoldsBytes(CellKind kind) {
  switch (kind) {
    case CellKind::kDecimal:
    case CellKind::kOldDecimal:
    case CellKind::kText:
    case CellKind::kBinary:
    case CellKind::kGeometry:
    case CellKind::kExternal:
      return true;
    default:
      return false;
  }
}

}  // namespace

void RowBatch::Add(const RowBuffer& row) {
  if (count_ == rows_.size()) rows_.emplace_back();
  RowBuffer& copy = rows_[count_++];
  copy.cells.assign(row.cells.begin(), row.cells.end());
  copy.deleted = row.deleted;
  copy.longValues = row.longValues;
  for (const Cell& cell : row.cells) {
    if (!HoldsBytes(cell.kind)) continue;
    starts_.push_back(bytes_.size());
    bytes_.insert(bytes_.end(), cell.bytes.begin(), cell.bytes.end());
  }
}

void RowBatch::Seal() {
  std::size_t next = 0;
  for (std::size_t r = 0; r < count_; ++r) {
    for (Cell& cell : rows_[r].cells) {
      if (!HoldsBytes(cell.kind)) continue;
      cell.bytes = ByteView(bytes_.data() + starts_[next], cell.bytes.size());
      ++next;
    }
  }
}

void RowBatch::Clear() {
  count_ = 0;
  bytes_.clear();
  starts_.clear();
}

}  // namespace rowmender
