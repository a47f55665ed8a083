#include "controls/gui/value_viewer.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QImage>
#include <QLocale>
#include <QMetaObject>
#include <QPixmap>
#include <QPointer>
#include <QThread>
#include <QVBoxLayout>
#include <cstring>
#include <fstream>

namespace rowmender {

namespace {

constexpr int kDialogWidth = 760;
constexpr int kDialogHeight = 520;
constexpr std::size_t kBytesPerLine = 16;
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kLastPrintable = 0x7E;
// How often a save waits for its read, in milliseconds.
constexpr int kSavePollMs = 20;

bool StartsWith(const std::string& bytes, const char* signature, std::size_t size) {
  return bytes.size() >= size && std::memcmp(bytes.data(), signature, size) == 0;
}

QString ByteCount(std::uint64_t count) {
  return QLocale(QLocale::English).toString(static_cast<qulonglong>(count)) +
         (count == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"));
}

}  // namespace

ValueViewerDialog::ValueViewerDialog(WholeValueRequest request, const QString& title,
                                     QWidget* parent)
    : QDialog(parent),
      request_(std::move(request)),
      summary_(new QLabel(this)),
      tabs_(new QTabWidget(this)),
      text_(new QPlainTextEdit(this)),
      hex_(new QPlainTextEdit(this)),
      imageArea_(new QScrollArea(this)),
      image_(new QLabel(this)),
      save_(new QPushButton(QStringLiteral("Save value as..."), this)) {
  setObjectName(QStringLiteral("valueViewer"));
  setWindowTitle(title);
  resize(kDialogWidth, kDialogHeight);
  summary_->setObjectName(QStringLiteral("valueSummary"));
  summary_->setWordWrap(true);
  summary_->setText(QStringLiteral("Reading the value from the table's files..."));
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  for (QPlainTextEdit* view : {text_, hex_}) {
    view->setReadOnly(true);
    view->setFont(fixed);
  }
  text_->setObjectName(QStringLiteral("valueText"));
  hex_->setObjectName(QStringLiteral("valueHex"));
  hex_->setLineWrapMode(QPlainTextEdit::NoWrap);
  image_->setObjectName(QStringLiteral("valueImage"));
  image_->setAlignment(Qt::AlignCenter);
  imageArea_->setWidget(image_);
  imageArea_->setWidgetResizable(true);
  tabs_->addTab(text_, QStringLiteral("Text"));
  tabs_->addTab(hex_, QStringLiteral("Hex"));
  tabs_->addTab(imageArea_, QStringLiteral("Image"));
  tabs_->setTabEnabled(2, false);

  save_->setObjectName(QStringLiteral("saveValue"));
  save_->setEnabled(false);
  connect(save_, &QPushButton::clicked, this, [this] { SaveAs(); });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->addButton(save_, QDialogButtonBox::ActionRole);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(tabs_, 1);
  layout->addWidget(buttons);

  worker_ = std::thread([this] {
    info_ = ReadWholeValue(
        request_,
        [this](ByteView part) {
          if (!kept_) return;
          if (bytes_.size() + part.size() > kKeptBytes) {
            kept_ = false;
            bytes_.clear();
            bytes_.shrink_to_fit();
            return;
          }
          bytes_.append(reinterpret_cast<const char*>(part.data()), part.size());
        },
        &stop_);
    // Handed to the window's thread; dropped if the dialog is gone.
    QMetaObject::invokeMethod(
        this, [this] { ReadDone(); }, Qt::QueuedConnection);
  });
}

ValueViewerDialog::~ValueViewerDialog() {
  stop_ = true;
  if (worker_.joinable()) worker_.join();
}

void ValueViewerDialog::ReadDone() {
  if (worker_.joinable()) worker_.join();
  done_ = true;
  QString summary = QString::fromStdString(info_.columnName);
  if (!info_.columnType.empty())
    summary += QStringLiteral(" (") + QString::fromStdString(info_.columnType) + QLatin1Char(')');
  if (!info_.problem.empty()) {
    summary_->setText(summary + QStringLiteral(": ") + Problem());
    emit readFinished();
    return;
  }
  if (info_.isNull) {
    summary_->setText(summary + QStringLiteral(": NULL"));
    text_->setPlainText(QStringLiteral("NULL"));
    emit readFinished();
    return;
  }
  summary += QStringLiteral(": ") + ByteCount(info_.bytes);
  // A character set belongs to what a column stores as text, not to the
  // text a number or a date is shown as.
  if (info_.isText && !info_.isFormatted && !info_.characterSet.empty()) {
    summary += QStringLiteral(", ") + QString::fromStdString(info_.characterSet);
  }
  if (info_.cutShort) {
    summary += QStringLiteral(" - cut short: the chain of pages held less than the ") +
               ByteCount(info_.expected) + QStringLiteral(" its reference promised");
  }
  save_->setEnabled(true);
  if (!kept_) {
    summary += QStringLiteral(" - too long to show here; Save value as... writes all of it");
    summary_->setText(summary);
    emit readFinished();
    return;
  }
  if (info_.isText) {
    const std::string utf8 = WholeValueUtf8(bytes_, info_);
    if (!utf8.empty() || bytes_.empty()) {
      text_->setPlainText(QString::fromStdString(utf8));
    } else {
      summary += QStringLiteral(" - not all of it converts from its character set");
      text_->setPlainText(QString::fromUtf8(bytes_.data(), static_cast<qsizetype>(bytes_.size())));
    }
  } else {
    text_->setPlainText(QString::fromUtf8(bytes_.data(), static_cast<qsizetype>(bytes_.size())));
    tabs_->setCurrentWidget(hex_);
  }
  hex_->setPlainText(HexDump(bytes_, kHexBytes));
  if (!ImageKind(bytes_).isEmpty()) {
    QImage picture;
    if (picture.loadFromData(reinterpret_cast<const uchar*>(bytes_.data()),
                             static_cast<int>(std::min<std::size_t>(bytes_.size(), INT32_MAX)))) {
      image_->setPixmap(QPixmap::fromImage(picture));
      tabs_->setTabEnabled(2, true);
      tabs_->setCurrentWidget(imageArea_);
      summary += QStringLiteral(", a %1 image of %2 x %3 pixels")
                     .arg(ImageKind(bytes_))
                     .arg(picture.width())
                     .arg(picture.height());
    }
  }
  summary_->setText(summary);
  emit readFinished();
}

void ValueViewerDialog::SaveAs() {
  QString path;
  if (chooseSavePath) {
    path = chooseSavePath();
  } else {
    path = QFileDialog::getSaveFileName(this, QStringLiteral("Save value as"),
                                        QString::fromStdString(info_.columnName));
  }
  if (!path.isEmpty()) SaveTo(path);
}

bool ValueViewerDialog::SaveTo(const QString& path) {
  const std::string name = path.toStdString();
  std::ofstream file(name, std::ios::binary | std::ios::trunc);
  if (file && kept_) {
    file.write(bytes_.data(), static_cast<std::streamsize>(bytes_.size()));
  } else if (file) {
    // Too long to keep: read again straight into the file, off this
    // thread, with the dialog waiting.
    save_->setEnabled(false);
    summary_->setText(QStringLiteral("Saving the value..."));
    WholeValueInfo again;
    std::atomic<bool> ended{false};
    std::thread writer([&] {
      again = ReadWholeValue(request_, [&file](ByteView part) {
        file.write(reinterpret_cast<const char*>(part.data()),
                   static_cast<std::streamsize>(part.size()));
      });
      ended = true;
    });
    while (!ended.load()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, kSavePollMs);
      QThread::msleep(kSavePollMs);
    }
    writer.join();
    save_->setEnabled(true);
    if (!again.problem.empty()) file.setstate(std::ios::failbit);
  }
  file.close();
  const bool written = static_cast<bool>(file);
  summary_->setText(summary_->text().section(QStringLiteral(" - saved"), 0, 0) +
                    (written ? QStringLiteral(" - saved to ") + path
                             : QStringLiteral(" - could not be saved to ") + path));
  return written;
}

QString ValueViewerDialog::ImageKind(const std::string& bytes) {
  if (StartsWith(bytes, "\x89PNG\r\n\x1a\n", 8)) return QStringLiteral("PNG");
  if (StartsWith(bytes, "\xff\xd8\xff", 3)) return QStringLiteral("JPEG");
  if (StartsWith(bytes, "GIF87a", 6) || StartsWith(bytes, "GIF89a", 6)) {
    return QStringLiteral("GIF");
  }
  return {};
}

QString ValueViewerDialog::HexDump(const std::string& bytes, std::size_t limit) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const std::size_t shown = std::min(bytes.size(), limit);
  std::string out;
  out.reserve(shown / kBytesPerLine * 80 + 80);
  for (std::size_t line = 0; line < shown; line += kBytesPerLine) {
    char offset[32];
    std::snprintf(offset, sizeof offset, "%08zX  ", line);
    out += offset;
    std::string characters;
    for (std::size_t i = 0; i < kBytesPerLine; ++i) {
      if (line + i < shown) {
        const auto b = static_cast<unsigned char>(bytes[line + i]);
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
        out += ' ';
        characters += b >= kFirstPrintable && b <= kLastPrintable ? static_cast<char>(b) : '.';
      } else {
        out += "   ";
      }
    }
    out += ' ';
    out += characters;
    out += '\n';
  }
  if (shown < bytes.size()) {
    out += "... the first " + std::to_string(shown) + " of " + std::to_string(bytes.size()) +
           " bytes\n";
  }
  return QString::fromStdString(out);
}

}  // namespace rowmender
