#include "export/formatted_rows.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "values/value_texts.h"

namespace rowmender {

namespace {

// A thread hands over a part's text once it holds this much, and goes on
// with the part later: a part of long values never fills memory.
constexpr std::size_t kTextPerTurn = 8u << 20;
// Data that threads write apart is kept this far apart.
constexpr std::size_t kCacheLine = 128;

void AddCounts(FormatScratch& total, const FormatScratch& part) {
  total.valuesCutShort += part.valuesCutShort;
  total.valuesNotRepresentable += part.valuesNotRepresentable;
  total.textsNotConverted += part.textsNotConverted;
}

RowMark MarkOf(const RowBuffer& row, const TableFormat& formats) {
  if (row.deleted) return RowMark::kDeleted;
  return IsHistoryRow(row, formats) ? RowMark::kHistory : RowMark::kLive;
}

// One thread: each row formatted as it is read.
class SequentialRows final : public FormattedRows {
 public:
  SequentialRows(std::unique_ptr<ScanParts> parts, RowFormatter format)
      : parts_(std::move(parts)), format_(std::move(format)) {}

  using FormattedRows::Next;
  bool Next(std::string_view& text, RowMark& mark) override {
    while (true) {
      if (!cursor_) {
        cursor_ = parts_->NextPart();
        if (!cursor_) return false;
      }
      if (cursor_->Next(row_)) {
        text_.clear();
        format_(text_, row_, cursor_->Formats(), scratch_);
        text = text_;
        mark = MarkOf(row_, cursor_->Formats());
        return true;
      }
      read_.Add(cursor_->Report());
      cursor_.reset();
    }
  }
  FormatScratch Scratch() const override { return scratch_; }
  ReadReport Report() const override {
    ReadReport report = parts_->Report();
    report.Add(read_);
    if (cursor_) report.Add(cursor_->Report());
    return report;
  }

 private:
  std::unique_ptr<ScanParts> parts_;
  RowFormatter format_;
  std::unique_ptr<TableCursor> cursor_;
  RowBuffer row_;
  std::string text_;
  FormatScratch scratch_;
  ReadReport read_;  // of the parts read to their end
};

// Several threads. Parts go round a ring of slots: the calling thread puts
// the next parts into free slots (finding a part is cheap), any thread
// reads and formats a waiting slot's part, and the calling thread hands
// out the texts of slot after slot in order, helping while the one it
// needs is not ready.
class ParallelRows final : public FormattedRows {
 public:
  ParallelRows(std::unique_ptr<ScanParts> parts, RowFormatter format, unsigned threads)
      : parts_(std::move(parts)), format_(std::move(format)), slots_(threads + 2) {
    scratches_.resize(threads);
    for (unsigned t = 1; t < threads; ++t)
      workers_.emplace_back([this, t] { Work(scratches_[t].counts); });
  }

  ~ParallelRows() override {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    work_.notify_all();
    for (std::thread& worker : workers_)
      worker.join();
  }

  using FormattedRows::Next;
  bool Next(std::string_view& text, RowMark& mark) override {
    while (true) {
      if (current_ != nullptr && row_ < current_->ends.size()) {
        const std::size_t begin = row_ == 0 ? 0 : current_->ends[row_ - 1];
        text = std::string_view(current_->text).substr(begin, current_->ends[row_] - begin);
        mark = current_->marks[row_];
        ++row_;
        return true;
      }
      if (current_ != nullptr) Release();
      if (!TakeNext()) return false;
      row_ = 0;
    }
  }

  FormatScratch Scratch() const override {
    const std::lock_guard<std::mutex> lock(mutex_);
    FormatScratch counts;
    for (const ThreadScratch& scratch : scratches_)
      AddCounts(counts, scratch.counts);
    return counts;
  }

  ReadReport Report() const override {
    const std::lock_guard<std::mutex> lock(mutex_);
    ReadReport report = parts_->Report();
    report.Add(read_);
    return report;
  }

 private:
  enum class State : std::uint8_t { kFree, kWaiting, kFormatting, kFormatted };

  // Each on cache lines of its own: threads fill neighbouring slots.
  struct alignas(kCacheLine) Slot {
    State state = State::kFree;
    std::unique_ptr<TableCursor> cursor;
    // The part's rows formatted this turn.
    std::string text;
    std::vector<std::size_t> ends;
    std::vector<RowMark> marks;
    // The part has rows left for another turn.
    bool more = false;
    // The part's reads, once it was read to its end.
    ReadReport report;
  };

  struct alignas(kCacheLine) ThreadScratch {
    FormatScratch counts;
  };

  Slot& SlotOf(std::uint64_t sequence) { return slots_[sequence % slots_.size()]; }

  // Reads and formats a turn of the slot's part (outside the lock).
  void Format(Slot& slot, FormatScratch& scratch) {
    slot.text.clear();
    slot.ends.clear();
    slot.marks.clear();
    slot.more = false;
    RowBuffer row;
    TableCursor& cursor = *slot.cursor;
    while (true) {
      if (slot.text.size() >= kTextPerTurn) {
        slot.more = true;
        return;
      }
      if (!cursor.Next(row)) break;
      format_(slot.text, row, cursor.Formats(), scratch);
      slot.ends.push_back(slot.text.size());
      slot.marks.push_back(MarkOf(row, cursor.Formats()));
    }
    slot.report = cursor.Report();
    slot.cursor.reset();
  }

  // The waiting slot read earliest, or null.
  Slot* FirstWaiting() {
    for (std::uint64_t s = consumed_; s < produced_; ++s) {
      if (SlotOf(s).state == State::kWaiting) return &SlotOf(s);
    }
    return nullptr;
  }

  void Work(FormatScratch& scratch) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
      ++sleepingWorkers_;
      work_.wait(lock, [this] { return stopping_ || FirstWaiting() != nullptr; });
      --sleepingWorkers_;
      if (stopping_) return;
      Slot& slot = *FirstWaiting();
      slot.state = State::kFormatting;
      lock.unlock();
      Format(slot, scratch);
      lock.lock();
      slot.state = State::kFormatted;
      if (callerSleeping_) ready_.notify_one();
    }
  }

  // Done with the slot handed out: its part goes round again when it has
  // rows left, else the slot is free.
  void Release() {
    const std::lock_guard<std::mutex> lock(mutex_);
    Slot& slot = *current_;
    current_ = nullptr;
    if (slot.more) {
      slot.state = State::kWaiting;
      if (sleepingWorkers_ > 0) work_.notify_one();
      return;
    }
    read_.Add(slot.report);
    slot.report = ReadReport{};
    slot.state = State::kFree;
    ++consumed_;
  }

  // Waits for the next slot in order to be formatted, finding parts and
  // formatting meanwhile; false once every row has been handed out.
  bool TakeNext() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
      if (consumed_ == produced_ && partsDone_) return false;
      if (consumed_ < produced_ && SlotOf(consumed_).state == State::kFormatted) {
        current_ = &SlotOf(consumed_);
        return true;
      }
      // Only this thread finds parts: keep the ring full.
      if (!partsDone_ && produced_ - consumed_ < slots_.size()) {
        Slot& slot = SlotOf(produced_);
        lock.unlock();
        std::unique_ptr<TableCursor> part = parts_->NextPart();
        lock.lock();
        if (!part) {
          partsDone_ = true;
        } else {
          slot.cursor = std::move(part);
          slot.state = State::kWaiting;
          ++produced_;
          if (sleepingWorkers_ > 0) work_.notify_one();
        }
        continue;
      }
      if (Slot* slot = FirstWaiting()) {
        slot->state = State::kFormatting;
        lock.unlock();
        Format(*slot, scratches_[0].counts);
        lock.lock();
        slot->state = State::kFormatted;
        continue;
      }
      callerSleeping_ = true;
      ready_.wait(lock);
      callerSleeping_ = false;
    }
  }

  // Set before the threads start and not changed after.
  std::unique_ptr<ScanParts> parts_;
  RowFormatter format_;
  std::vector<Slot> slots_;
  std::vector<ThreadScratch> scratches_;  // one per thread, the caller's first
  std::vector<std::thread> workers_;
  // Under the mutex.
  alignas(kCacheLine) mutable std::mutex mutex_;
  // Workers wait for parts, the caller for a formatted slot; each is woken
  // only when it sleeps.
  std::condition_variable work_;
  std::condition_variable ready_;
  unsigned sleepingWorkers_ = 0;
  bool callerSleeping_ = false;
  bool stopping_ = false;
  bool partsDone_ = false;
  std::uint64_t produced_ = 0;  // slots given a part so far
  std::uint64_t consumed_ = 0;  // slots handed out and freed
  ReadReport read_;             // of the parts read to their end
  // The calling thread's own.
  alignas(kCacheLine) Slot* current_ = nullptr;
  std::size_t row_ = 0;
};

}  // namespace

std::unique_ptr<FormattedRows> NewFormattedRows(std::unique_ptr<ScanParts> parts,
                                                RowFormatter format, unsigned threads) {
  if (threads <= 1) return std::make_unique<SequentialRows>(std::move(parts), std::move(format));
  return std::make_unique<ParallelRows>(std::move(parts), std::move(format), threads);
}

}  // namespace rowmender
