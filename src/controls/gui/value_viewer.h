// The value viewer: the whole value of one cell of the record grid, read
// anew from the table's files on a worker thread (the grid holds only the
// page's preview texts, with placeholders for long values). It shows the
// value as text in its character set, as hex, and as a picture when its
// bytes are a PNG, JPEG or GIF image, and saves it to a file.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "preview/table_rereads.h"

namespace rowmender {

class ValueViewerDialog : public QDialog {
  Q_OBJECT

 public:
  // The most of a value kept in memory for showing; a longer value is
  // saved by reading it again.
  static constexpr std::uint64_t kKeptBytes = 256ull << 20;
  // The most of a value the hex view shows.
  static constexpr std::size_t kHexBytes = 1u << 20;

  // Starts reading the value at once.
  ValueViewerDialog(WholeValueRequest request, const QString& title, QWidget* parent = nullptr);
  // Waits for a read still running (it cannot be cut short).
  ~ValueViewerDialog() override;

  // The read (and a save) has ended.
  bool IsDone() const { return done_; }
  // Why the value could not be read ("" when it was).
  QString Problem() const { return QString::fromStdString(info_.problem); }
  const WholeValueInfo& Info() const { return info_; }
  const std::string& Bytes() const { return bytes_; }

  QLabel* Summary() const { return summary_; }
  QTabWidget* Tabs() const { return tabs_; }
  QPlainTextEdit* TextView() const { return text_; }
  QPlainTextEdit* HexView() const { return hex_; }
  QLabel* ImageView() const { return image_; }
  QPushButton* SaveButton() const { return save_; }

  // Where "Save value as..." writes; without it, a save-file dialog asks.
  std::function<QString()> chooseSavePath;
  // Writes the whole value to `path`; false (with a message in the
  // summary) when it cannot.
  bool SaveTo(const QString& path);

  // What `bytes` hold as a picture: "PNG", "JPEG", "GIF", or "".
  static QString ImageKind(const std::string& bytes);
  // Lines of 16 bytes: offset, hex, and the bytes below 0x7F as characters.
  static QString HexDump(const std::string& bytes, std::size_t limit);

 signals:
  void readFinished();

 private:
  void ReadDone();
  void SaveAs();

  WholeValueRequest request_;
  WholeValueInfo info_;
  std::string bytes_;
  bool kept_ = true;
  std::atomic<bool> stop_{false};
  bool done_ = false;
  std::thread worker_;

  QLabel* summary_;
  QTabWidget* tabs_;
  QPlainTextEdit* text_;
  QPlainTextEdit* hex_;
  QScrollArea* imageArea_;
  QLabel* image_;
  QPushButton* save_;
};

}  // namespace rowmender
