// The log file of a run: "Rowmender_log_" + the local date and time of the
// Open + ".txt" in the chosen log folder, UTF-16 little-endian with a
// byte-order mark, lines ended by CR LF.
//
// Every text reaches the file at once, in a single write, so the log shows
// how far a run got even when the program is ended abruptly. The scan's
// worker thread and the user-interface thread may both write; a lock keeps
// their lines whole.
#pragma once

#include <ctime>
#include <mutex>
#include <string>
#include <string_view>

namespace rowmender {

inline constexpr std::string_view kLogLineEnd = "\r\n";

class LogWriter {
 public:
  LogWriter() = default;
  ~LogWriter();
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  // "Rowmender_log_" + day-month-year-hour-minute-second without leading
  // zeros + ".txt", for example Rowmender_log_9-12-2026-0-13-26.txt.
  static std::string FileNameFor(const std::tm& localTime);

  // Closes the file of an earlier run, then opens `path`: a new file is
  // created and gets the byte-order mark; an existing one is appended to.
  // False when it can be neither created nor opened.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const;

  // Writes `text` unchanged (in UTF-16LE) at the end of the file.
  void Write(std::string_view text);
  // Writes `text` followed by CR LF, in one write.
  void WriteLine(std::string_view text);

 private:
  void WriteBytes(std::string_view bytes);

  mutable std::mutex mutex_;
  int fd_ = -1;
};

}  // namespace rowmender
