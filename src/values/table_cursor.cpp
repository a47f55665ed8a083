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

}  // namespace

std::unique_ptr<ScanParts> SinglePart(std::unique_ptr<TableCursor> cursor) {
  return std::make_unique<OnePart>(std::move(cursor));
}

}  // namespace rowmender
