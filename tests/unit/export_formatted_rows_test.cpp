// Rows formatted on several threads come back in reading order, part after
// part, with the reads of every part counted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/formatted_rows.h"

namespace rowmender {
namespace {

// A cursor over rows `first` to `first + count - 1` of a made-up table:
// an integer and a text of varying length in a buffer overwritten for
// every row, as the real cursors do; every seventh row delete-marked,
// every fifth text NULL.
class CountingCursor final : public TableCursor {
 public:
  CountingCursor(std::uint64_t first, std::uint64_t count) : next_(first), end_(first + count) {}

  bool Next(RowBuffer& row) override {
    if (next_ == end_) return false;
    const std::uint64_t n = next_++;
    row.Reset(2);
    row.deleted = n % 7 == 3;
    row.cells[0].SetSigned(static_cast<std::int64_t>(n) - 1000);
    buffer_.assign(n % 300, static_cast<std::uint8_t>('a' + n % 26));
    if (n % 5 == 0) {
      row.cells[1].SetNull();
    } else {
      row.cells[1].SetBytes(CellKind::kText, ByteView(buffer_.data(), buffer_.size()));
    }
    ++report_.rowsRead;
    return true;
  }
  PageStart Position() const override { return PageStart{0, next_}; }
  void Seek(const PageStart&) override {}
  const TableFormat& Formats() const override { return formats_; }
  const ReadReport& Report() const override { return report_; }

 private:
  std::uint64_t next_;
  std::uint64_t end_;
  std::vector<std::uint8_t> buffer_;
  TableFormat formats_;
  ReadReport report_;
};

// `rows` rows in parts of `perPart` rows; finding the parts counts one
// skipped page, to show that the parts' own report is kept.
class CountingParts final : public ScanParts {
 public:
  CountingParts(std::uint64_t rows, std::uint64_t perPart) : rows_(rows), perPart_(perPart) {
    report_.pagesSkipped = 1;
  }
  std::unique_ptr<TableCursor> NextPart() override {
    if (next_ >= rows_) return nullptr;
    const std::uint64_t count = std::min(perPart_, rows_ - next_);
    auto cursor = std::make_unique<CountingCursor>(next_, count);
    next_ += count;
    return cursor;
  }
  const ReadReport& Report() const override { return report_; }

 private:
  std::uint64_t rows_;
  std::uint64_t perPart_;
  std::uint64_t next_ = 0;
  ReadReport report_;
};

void FormatRow(std::string& out, const RowBuffer& row, const TableFormat&, FormatScratch& scratch) {
  out += std::to_string(row.cells[0].integer);
  out.push_back('|');
  if (row.cells[1].IsNull()) {
    out += "NULL";
    ++scratch.valuesNotRepresentable;
  } else {
    out += AsChars(row.cells[1].bytes);
  }
}

struct Collected {
  std::vector<std::string> texts;
  std::vector<bool> deleted;
  FormatScratch scratch;
  ReadReport report;
};

Collected Collect(std::uint64_t rows, std::uint64_t perPart, unsigned threads) {
  const auto formatted =
      NewFormattedRows(std::make_unique<CountingParts>(rows, perPart), FormatRow, threads);
  Collected collected;
  std::string_view text;
  bool deleted = false;
  while (formatted->Next(text, deleted)) {
    collected.texts.emplace_back(text);
    collected.deleted.push_back(deleted);
  }
  collected.scratch = formatted->Scratch();
  collected.report = formatted->Report();
  return collected;
}

TEST(FormattedRows, AnyNumberOfThreadsGivesTheRowsOfOneThreadInOrder) {
  struct Case {
    std::uint64_t rows;
    std::uint64_t perPart;
  };
  // Many parts, the last one short; one part; no rows at all.
  for (const Case c : {Case{5000, 333}, Case{700, 1000}, Case{0, 10}}) {
    const Collected one = Collect(c.rows, c.perPart, 1);
    ASSERT_EQ(one.texts.size(), c.rows);
    EXPECT_EQ(one.report.rowsRead, c.rows);
    EXPECT_EQ(one.report.pagesSkipped, 1u);
    if (c.rows == 5000) {
      EXPECT_EQ(one.texts[1], "-999|b");
      EXPECT_EQ(one.texts[4999], "3999|" + std::string(4999 % 300, 'a' + 4999 % 26));
      EXPECT_TRUE(one.deleted[10]);
      EXPECT_EQ(one.scratch.valuesNotRepresentable, 1000u);
    }
    for (const unsigned threads : {2u, 3u, 8u}) {
      const Collected many = Collect(c.rows, c.perPart, threads);
      EXPECT_EQ(many.texts, one.texts) << c.rows << " rows, " << threads << " threads";
      EXPECT_EQ(many.deleted, one.deleted) << c.rows << " rows, " << threads << " threads";
      EXPECT_EQ(many.scratch.valuesNotRepresentable, one.scratch.valuesNotRepresentable);
      EXPECT_EQ(many.report.rowsRead, c.rows);
      EXPECT_EQ(many.report.pagesSkipped, 1u);
    }
  }
}

TEST(FormattedRows, AThreadHandsOverALongPartInTurnsAndGoesOnWithIt) {
  // Rows of 2,000 characters: a part of 20,000 rows (40 MB of text) is
  // formatted in several turns, each handed out before the next is made.
  class LongRows final : public ScanParts {
   public:
    std::unique_ptr<TableCursor> NextPart() override {
      if (given_) return nullptr;
      given_ = true;
      return std::make_unique<CountingCursor>(0, 20000);
    }
    const ReadReport& Report() const override { return report_; }

   private:
    bool given_ = false;
    ReadReport report_;
  };
  const RowFormatter wide = [](std::string& out, const RowBuffer& row, const TableFormat&,
                               FormatScratch&) {
    out += std::to_string(row.cells[0].integer);
    out.append(2000, 'x');
  };
  for (const unsigned threads : {1u, 2u, 4u}) {
    const auto formatted = NewFormattedRows(std::make_unique<LongRows>(), wide, threads);
    std::string_view text;
    bool deleted = false;
    std::int64_t expected = -1000;
    std::uint64_t count = 0;
    while (formatted->Next(text, deleted)) {
      ASSERT_EQ(text, std::to_string(expected++) + std::string(2000, 'x')) << threads;
      ++count;
    }
    EXPECT_EQ(count, 20000u);
    EXPECT_EQ(formatted->Report().rowsRead, 20000u);
  }
}

TEST(FormattedRows, StoppingEarlyEndsTheThreads) {
  // A save stopped by the user drops the stream halfway: nothing hangs.
  auto formatted = NewFormattedRows(std::make_unique<CountingParts>(100000, 500), FormatRow, 4);
  std::string_view text;
  bool deleted = false;
  for (int i = 0; i < 2000; ++i)
    ASSERT_TRUE(formatted->Next(text, deleted));
  EXPECT_EQ(text, "999|" + std::string(1999 % 300, 'a' + 1999 % 26));
  formatted.reset();
}

}  // namespace
}  // namespace rowmender
