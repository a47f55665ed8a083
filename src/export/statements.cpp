#include "export/statements.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "base/data_file.h"
#include "base/paths.h"
#include "base/table_file_names.h"
#include "base/utf8.h"

namespace rowmender {

namespace {

constexpr std::string_view kQueryKey = "query=";
constexpr std::string_view kTriggersKey = "triggers=";
constexpr std::string_view kStatementDelimiter = "CREATE DEFINER=";
constexpr std::string_view kTriggerWord = "TRIGGER";
constexpr std::string_view kViewPrefix =
    "CREATE ALGORITHM=UNDEFINED DEFINER=`root`@`localhost` SQL SECURITY DEFINER VIEW ";
constexpr std::string_view kBlockStart = "DELIMITER $$\nCREATE ";
constexpr std::string_view kBlockEnd = "\n$$\nDELIMITER ;\n";
constexpr char kEscape = '\\';
constexpr char kCtrlZ = 26;

// The line of the file that begins with `key`, without the key and without
// its line end; nothing when no line begins with it. Only lines up to the
// first match are looked at.
bool FindKeyLine(ByteView file, std::string_view key, std::string& value) {
  const std::string_view text = AsChars(file);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.substr(0, key.size()) == key) {
      line.remove_prefix(key.size());
      // The server writes these files in UTF-8; a line that is not valid
      // UTF-8 is taken byte by byte as Latin-1.
      if (IsValidUtf8(line)) {
        value.assign(line);
      } else {
        value.clear();
        for (char c : line)
          AppendUtf8(value, static_cast<std::uint8_t>(c));
      }
      return true;
    }
    start = end + 1;
  }
  return false;
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

void StripTrailingApostrophes(std::string& text) {
  while (!text.empty() && text.back() == '\'')
    text.pop_back();
}

void TrimSpaces(std::string& text) {
  std::size_t begin = 0;
  while (begin < text.size() && IsSpace(text[begin]))
    ++begin;
  std::size_t end = text.size();
  while (end > begin && IsSpace(text[end - 1]))
    --end;
  text = text.substr(begin, end - begin);
}

// The view's SQL name: the file name after the last separator, up to its
// last full stop, decoded from the server's file-name form; empty without a
// separator or without a full stop.
std::string ViewNameFromPath(std::string_view path) {
  const std::size_t slash = path.rfind(kPathSeparator);
  if (slash == std::string_view::npos) return {};
  const std::string_view fileName = path.substr(slash + 1);
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return {};
  return DecodeTableFileName(fileName.substr(0, dot));
}

}  // namespace

CToken::CToken(std::string_view text) : text_(text), remainder_(text) {}

void CToken::SetDelimiter(std::string_view delimiter) {
  delimiter_ = delimiter;
}

bool CToken::HasMoreTokens() const {
  if (finalPending_) return true;
  return !delimiter_.empty() && remainder_.find(delimiter_) != std::string::npos;
}

std::string CToken::NextToken() {
  if (finalPending_) {
    finalPending_ = false;
    return std::exchange(remainder_, std::string());
  }
  const std::size_t found = delimiter_.empty() ? std::string::npos : remainder_.find(delimiter_);
  if (found == std::string::npos) return std::exchange(remainder_, std::string());
  std::string piece = remainder_.substr(0, found);
  remainder_.erase(0, found + delimiter_.size());
  if (remainder_.find(delimiter_) == std::string::npos) finalPending_ = true;
  return piece;
}

std::string DecodeStoredEscapes(std::string_view stored) {
  std::string out;
  out.reserve(stored.size());
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const char c = stored[i];
    if (c != kEscape || i + 1 >= stored.size()) {
      out.push_back(c);
      continue;
    }
    switch (stored[i + 1]) {
      case 'n':
        out.push_back('\n');
        break;
      case '\\':
        out.push_back('\\');
        break;
      case '\'':
        out.push_back('\'');
        break;
      case '0':
        out.push_back('\0');
        break;
      case 'z':
        out.push_back(kCtrlZ);
        break;
      default:
        // Not an escape the server writes: keep both characters.
        out.push_back(c);
        continue;
    }
    ++i;
  }
  return out;
}

StatementMode StatementModeFor(const CTarnSalvorProjApp& app) {
  if (app.saveAsScriptMode) return StatementMode::kScript;
  if (app.saveToDatabaseMode) return StatementMode::kDatabase;
  return StatementMode::kPreview;
}

std::string BuildViewStatement(const std::string& path) {
  std::vector<std::uint8_t> file;
  if (!ReadWholeFile(path, file)) return {};
  return BuildViewStatementFromFile(file, ViewNameFromPath(path));
}

std::string BuildViewStatementFromFile(ByteView file, std::string_view viewName) {
  std::string query;
  FindKeyLine(file, kQueryKey, query);

  std::string statement(kViewPrefix);
  statement += '`';
  for (char c : viewName) {
    if (c == '`') statement += '`';
    statement += c;
  }
  statement += "` AS ";
  statement += DecodeStoredEscapes(query);
  statement += ';';
  return statement;
}

std::string BuildTriggerStatements(const std::string& path, StatementMode mode,
                                   const TriggerTarget& target) {
  std::vector<std::uint8_t> file;
  if (!ReadWholeFile(path, file)) return {};
  return BuildTriggerStatementsFromFile(file, mode, target);
}

std::string BuildTriggerStatementsFromFile(ByteView file, StatementMode mode,
                                           const TriggerTarget& target) {
  std::string list;
  if (!FindKeyLine(file, kTriggersKey, list) || list.empty()) return {};

  CToken tokens(list);
  tokens.SetDelimiter(kStatementDelimiter);
  std::string result;
  while (tokens.HasMoreTokens()) {
    const std::string piece = tokens.NextToken();
    const std::size_t trigger = piece.find(kTriggerWord);
    if (trigger == std::string::npos) continue;
    std::string body = piece.substr(trigger);
    StripTrailingApostrophes(body);
    TrimSpaces(body);
    StripTrailingApostrophes(body);
    body = DecodeStoredEscapes(body);

    if (mode == StatementMode::kDatabase) {
      std::string error;
      const bool created =
          target.connection != nullptr && target.connection->Execute("CREATE " + body, error);
      if (target.report) target.report(created ? kTriggerCreatedLine : kTriggerFailedLine);
      continue;
    }
    result += kBlockStart;
    result += body;
    result += kBlockEnd;
  }
  return result;
}

}  // namespace rowmender
