#include "export/csv_export.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "base/utf8.h"
#include "export/utf16_text.h"

namespace rowmender {

namespace {

constexpr std::string_view kSeparator = ",";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::uint32_t kFirstSupplementary = 0x10000;
constexpr mode_t kNewFileMode = 0644;

bool NeedsQuotes(std::string_view cell) {
  return cell.find_first_of(",\"\r\n") != std::string_view::npos;
}

}  // namespace

std::string CsvField(std::string_view cell) {
  if (!NeedsQuotes(cell)) return std::string(cell);
  std::string field = "\"";
  for (char c : cell) {
    if (c == '"') field.push_back('"');
    field.push_back(c);
  }
  field.push_back('"');
  return field;
}

std::string CsvCaption(std::string_view caption) {
  std::size_t units = 0;
  std::size_t i = 0;
  while (i < caption.size()) {
    std::size_t next = i;
    const std::uint32_t codePoint = DecodeUtf8At(caption, next);
    const std::size_t width =
        (codePoint != kInvalidCodePoint && codePoint >= kFirstSupplementary) ? 2 : 1;
    if (units + width > kCsvCaptionLimit) break;
    units += width;
    i = next;
  }
  return std::string(caption.substr(0, i));
}

std::string BuildCsvBytes(const std::vector<std::string>& captions,
                          const std::vector<std::vector<std::string>>& rows) {
  std::string bytes;
  for (std::size_t c = 0; c < captions.size(); ++c) {
    if (c > 0) AppendUtf16Le(bytes, kSeparator);
    AppendUtf16Le(bytes, CsvField(CsvCaption(captions[c])));
  }
  AppendUtf16Le(bytes, kLineEnd);
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < captions.size(); ++c) {
      if (c > 0) AppendUtf16Le(bytes, kSeparator);
      if (c < row.size()) AppendUtf16Le(bytes, CsvField(row[c]));
    }
    AppendUtf16Le(bytes, kLineEnd);
  }
  return bytes;
}

CsvWriteResult WriteCsvFile(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kNewFileMode);
  if (fd < 0) return CsvWriteResult::kCannotCreate;
  bool ok = true;
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    written += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) ok = false;
  return ok ? CsvWriteResult::kWritten : CsvWriteResult::kWriteFailed;
}

}  // namespace rowmender
