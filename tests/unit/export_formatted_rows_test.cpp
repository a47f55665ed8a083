// Rows formatted on several threads come back in reading order, with
// their own bytes, whatever the reader does with its buffers meanwhile.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/formatted_rows.h"

namespace rowmender {
namespace {

// A reader of `count` rows that, like the real ones, hands out views into
// one buffer it overwrites for every row: an integer, a text of varying
// length, every seventh row delete-marked, every fifth text NULL.
class OverwritingReader {
 public:
  explicit OverwritingReader(std::uint64_t count) : count_(count) {}

  bool operator()(RowBuffer& row) {
    if (next_ == count_) return false;
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
    return true;
  }

 private:
  std::uint64_t count_;
  std::uint64_t next_ = 0;
  std::vector<std::uint8_t> buffer_;
};

void FormatRow(std::string& out, const RowBuffer& row, FormatScratch& scratch) {
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
};

Collected Collect(std::uint64_t rows, unsigned threads) {
  OverwritingReader reader(rows);
  const auto formatted = NewFormattedRows(
      [&reader](RowBuffer& row) { return reader(row); }, FormatRow, threads);
  Collected collected;
  std::string_view text;
  bool deleted = false;
  while (formatted->Next(text, deleted)) {
    collected.texts.emplace_back(text);
    collected.deleted.push_back(deleted);
  }
  collected.scratch = formatted->Scratch();
  return collected;
}

TEST(FormattedRows, AnyNumberOfThreadsGivesTheRowsOfOneThreadInOrder) {
  // Several batches, the last one short; no rows at all; one row.
  for (const std::uint64_t rows : {5000u, 0u, 1u}) {
    const Collected one = Collect(rows, 1);
    ASSERT_EQ(one.texts.size(), rows);
    if (rows == 5000) {
      EXPECT_EQ(one.texts[1], "-999|" + std::string(1, 'b'));
      EXPECT_EQ(one.texts[4999], "3999|" + std::string(4999 % 300, static_cast<char>('a' + 4999 % 26)));
      EXPECT_TRUE(one.deleted[10]);
      EXPECT_EQ(one.scratch.valuesNotRepresentable, 1000u);
    }
    for (const unsigned threads : {2u, 3u, 8u}) {
      const Collected many = Collect(rows, threads);
      EXPECT_EQ(many.texts, one.texts) << rows << " rows, " << threads << " threads";
      EXPECT_EQ(many.deleted, one.deleted) << rows << " rows, " << threads << " threads";
      EXPECT_EQ(many.scratch.valuesNotRepresentable, one.scratch.valuesNotRepresentable);
    }
  }
}

TEST(FormattedRows, StoppingEarlyEndsTheThreads) {
  // A save stopped by the user drops the stream halfway: nothing hangs.
  OverwritingReader reader(100000);
  auto formatted = NewFormattedRows([&reader](RowBuffer& row) { return reader(row); },
                                    FormatRow, 4);
  std::string_view text;
  bool deleted = false;
  for (int i = 0; i < 2000; ++i)
    ASSERT_TRUE(formatted->Next(text, deleted));
  EXPECT_EQ(text, "999|" + std::string(1999 % 300, static_cast<char>('a' + 1999 % 26)));
  formatted.reset();
}

}  // namespace
}  // namespace rowmender
