#include "export/formatted_rows.h"

#include <array>

namespace rowmender {

namespace {

// Rows per batch, and the value bytes after which a batch ends early (a
// table of long values keeps few rows in memory).
constexpr std::size_t kBatchRows = 512;
constexpr std::size_t kBatchValueBytes = 4u << 20;
// Data that threads write apart is kept this far apart.
constexpr std::size_t kCacheLine = 128;

void AddCounts(FormatScratch& total, const FormatScratch& part) {
  total.valuesCutShort += part.valuesCutShort;
  total.valuesNotRepresentable += part.valuesNotRepresentable;
  total.textsNotConverted += part.textsNotConverted;
}

// One thread: each row formatted as it is read.
class SequentialRows final : public FormattedRows {
 public:
  SequentialRows(RowReader read, RowFormatter format)
      : read_(std::move(read)), format_(std::move(format)) {}

  bool Next(std::string_view& text, bool& deleted) override {
    if (!read_(row_)) return false;
    text_.clear();
    format_(text_, row_, scratch_);
    text = text_;
    deleted = row_.deleted;
    return true;
  }
  FormatScratch Scratch() const override {
    FormatScratch counts;
    AddCounts(counts, scratch_);
    return counts;
  }

 private:
  RowReader read_;
  RowFormatter format_;
  RowBuffer row_;
  std::string text_;
  FormatScratch scratch_;
};

// Several threads. Batches go round a ring of slots: the calling thread
// fills free slots with rows (only it reads), any thread formats a filled
// slot, and the calling thread hands out the texts of slot after slot in
// order, helping to format while the one it needs is not ready.
class ParallelRows final : public FormattedRows {
 public:
  ParallelRows(RowReader read, RowFormatter format, unsigned threads)
      : read_(std::move(read)), format_(std::move(format)), slots_(2 * threads + 2) {
    scratches_.resize(threads);
    for (unsigned t = 1; t < threads; ++t)
      workers_.emplace_back([this, t] { Work(scratches_[t].counts); });
  }

  ~ParallelRows() override {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_)
      worker.join();
  }

  bool Next(std::string_view& text, bool& deleted) override {
    while (true) {
      if (current_ != nullptr && row_ < current_->rows.Size()) {
        const std::size_t begin = row_ == 0 ? 0 : current_->ends[row_ - 1];
        text = std::string_view(current_->text).substr(begin, current_->ends[row_] - begin);
        deleted = current_->rows.Row(row_).deleted;
        ++row_;
        return true;
      }
      if (current_ != nullptr) {
        const std::lock_guard<std::mutex> lock(mutex_);
        current_->state = State::kFree;
        current_ = nullptr;
        ++consumed_;
      }
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

 private:
  enum class State : std::uint8_t { kFree, kFilled, kFormatting, kFormatted };

  // Each on cache lines of its own: one thread formats a slot while
  // another fills the next.
  struct alignas(kCacheLine) Slot {
    State state = State::kFree;
    RowBatch rows;
    std::string text;
    std::vector<std::size_t> ends;
  };

  struct alignas(kCacheLine) ThreadScratch {
    FormatScratch counts;
  };

  Slot& SlotOf(std::uint64_t sequence) { return slots_[sequence % slots_.size()]; }

  // Formats one slot's rows (outside the lock).
  void Format(Slot& slot, FormatScratch& scratch) {
    // Into the thread's own string and counters, handed over whole.
    std::string text = std::move(slot.text);
    std::vector<std::size_t> ends = std::move(slot.ends);
    FormatScratch counts;
    text.clear();
    ends.clear();
    for (std::size_t i = 0; i < slot.rows.Size(); ++i) {
      format_(text, slot.rows.Row(i), counts);
      ends.push_back(text.size());
    }
    slot.text = std::move(text);
    slot.ends = std::move(ends);
    AddCounts(scratch, counts);
  }

  // The filled slot read earliest, or null.
  Slot* FirstFilled() {
    for (std::uint64_t s = consumed_; s < produced_; ++s) {
      if (SlotOf(s).state == State::kFilled) return &SlotOf(s);
    }
    return nullptr;
  }

  void Work(FormatScratch& scratch) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
      changed_.wait(lock, [this] { return stopping_ || FirstFilled() != nullptr; });
      if (stopping_) return;
      Slot& slot = *FirstFilled();
      slot.state = State::kFormatting;
      lock.unlock();
      Format(slot, scratch);
      lock.lock();
      slot.state = State::kFormatted;
      changed_.notify_all();
    }
  }

  // Reads rows into the free slot `slot` (outside the lock); false when
  // the table had none left.
  bool Fill(Slot& slot) {
    slot.rows.Clear();
    while (slot.rows.Size() < kBatchRows && slot.rows.ValueBytes() < kBatchValueBytes) {
      if (!read_(row_buffer_)) {
        readAll_ = true;
        break;
      }
      slot.rows.Add(row_buffer_);
    }
    slot.rows.Seal();
    return slot.rows.Size() > 0;
  }

  // Waits for the next slot in order to be formatted, reading and
  // formatting meanwhile; false once every row has been handed out.
  bool TakeNext() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
      if (consumed_ == produced_ && readAll_) return false;
      if (consumed_ < produced_ && SlotOf(consumed_).state == State::kFormatted) {
        current_ = &SlotOf(consumed_);
        return true;
      }
      // Only this thread reads: keep the ring full.
      if (!readAll_ && produced_ - consumed_ < slots_.size()) {
        Slot& slot = SlotOf(produced_);
        lock.unlock();
        const bool any = Fill(slot);
        lock.lock();
        if (any) {
          slot.state = State::kFilled;
          ++produced_;
          changed_.notify_all();
        }
        continue;
      }
      if (Slot* slot = FirstFilled()) {
        slot->state = State::kFormatting;
        lock.unlock();
        Format(*slot, scratches_[0].counts);
        lock.lock();
        slot->state = State::kFormatted;
        continue;
      }
      changed_.wait(lock);
    }
  }

  // Read by every thread, written by none while rows are formatted.
  RowReader read_;
  RowFormatter format_;
  std::vector<Slot> slots_;
  std::vector<ThreadScratch> scratches_;  // one per thread, the caller's first
  std::vector<std::thread> workers_;
  // Under the mutex.
  alignas(kCacheLine) mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  bool readAll_ = false;
  std::uint64_t produced_ = 0;  // slots filled so far
  std::uint64_t consumed_ = 0;  // slots handed out and freed
  // The calling thread's own.
  alignas(kCacheLine) Slot* current_ = nullptr;
  std::size_t row_ = 0;
  RowBuffer row_buffer_;
};

}  // namespace

std::unique_ptr<FormattedRows> NewFormattedRows(RowReader read, RowFormatter format,
                                                unsigned threads) {
  if (threads <= 1) return std::make_unique<SequentialRows>(std::move(read), std::move(format));
  return std::make_unique<ParallelRows>(std::move(read), std::move(format), threads);
}

}  // namespace rowmender
