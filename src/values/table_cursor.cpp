#include "values/table_cursor.h"

namespace rowmender {

namespace {

class OnePart final : public ScanParts {
 public:
  explicit OnePart(std::unique_ptr<TableCursor> cursor) : cursor_(std::move(cursor)) {}
  std::unique_ptr<TableCursor> NextPart() override { return std::move(cursor_); }
  const ReadReport& Report() const override { return report_; }

 private:
  std::unique_ptr<TableCursor> cursor_;
  ReadReport report_;
};

// The parts of a scan read one after the other. The formats are those of
// the part being read: they may refer to what the part owns, so the last
// part is kept once it is read to its end.
class PartsInTurn final : public TableCursor {
 public:
  explicit PartsInTurn(std::unique_ptr<ScanParts> parts)
      : parts_(std::move(parts)), part_(parts_->NextPart()) {}

  bool Next(RowBuffer& row) override {
    while (part_ && !ended_) {
      if (part_->Next(row)) return true;
      std::unique_ptr<TableCursor> next = parts_->NextPart();
      if (!next) {
        ended_ = true;
        break;
      }
      done_.Add(part_->Report());
      part_ = std::move(next);
    }
    return false;
  }
  PageStart Position() const override { return part_ && !ended_ ? part_->Position() : PageStart{}; }
  // Parts are read once, in order.
  void Seek(const PageStart& position) override { (void)position; }
  const TableFormat& Formats() const override { return part_ ? part_->Formats() : noParts_; }
  const ReadReport& Report() const override {
    // Finding the parts (known once the last is made), the parts read,
    // and the one being read (or the last one).
    report_ = done_;
    report_.Add(parts_->Report());
    if (part_) report_.Add(part_->Report());
    return report_;
  }

 private:
  std::unique_ptr<ScanParts> parts_;
  std::unique_ptr<TableCursor> part_;
  bool ended_ = false;
  TableFormat noParts_;
  ReadReport done_;
  mutable ReadReport report_;
};

}  // namespace

std::unique_ptr<TableCursor> ReadPartsInTurn(std::unique_ptr<ScanParts> parts) {
  return std::make_unique<PartsInTurn>(std::move(parts));
}

std::unique_ptr<ScanParts> SinglePart(std::unique_ptr<TableCursor> cursor) {
  return std::make_unique<OnePart>(std::move(cursor));
}

}  // namespace rowmender
