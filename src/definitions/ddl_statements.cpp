#include "definitions/ddl_statements.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <map>
#include <optional>

#include "definitions/column_types.h"
#include "definitions/record_layout.h"
#include "values/image_values.h"

namespace rowmender {

namespace {

// Pack-flag bit 0 means "binary" for strings (and "signed" for numbers).
constexpr std::uint16_t kPackBinary = 0x0001;
// The length of a SPATIAL key's part: the bounding rectangle, two doubles
// for each of two dimensions.
constexpr std::uint16_t kSpatialPartLength = 32;
// The collation a definition file gives MariaDB's UUID, INET6 and INET4
// columns (latin1_swedish_ci: that of their text).
constexpr std::uint32_t kNamedTypeCharset = 8;

// Parentheses nest at most this deep inside one statement (expressions of
// defaults, checks and partitions): deeper is not a statement a server
// printed.
constexpr int kMaxNesting = 64;

enum class TokenKind { kWord, kQuotedName, kString, kNumber, kSymbol, kEnd };

// What the lexer makes of the comment that marks a temporal column of the
// old form; no name of SQL can look like it.
constexpr const char* kOldTemporalMarker = "\x01OLD-TEMPORAL";

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;  // names and strings unquoted and unescaped
  std::uint32_t line = 1;
  std::uint32_t column = 1;
  // Where the token starts and ends in the text the lexer read.
  std::size_t begin = 0;
  std::size_t end = 0;
};

// The first characters of an unclosed quoted text, for an error.
std::string UnclosedQuote(std::string_view text, std::size_t at) {
  constexpr std::size_t kShown = 16;
  std::string_view shown = text.substr(at, kShown);
  shown = shown.substr(0, shown.find('\n'));
  return "a quoted text is not closed, near '" + std::string(shown) + "'";
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool IsWordByte(unsigned char c) {
  return std::isalnum(c) != 0 || c == '_' || c == '$' || c >= 0x80;
}

// At `at`, just after "/*": the comment is a version comment, "!" or
// MariaDB's "M!" and digits. A body that starts with a backslash is a
// command of the client (mariadb-dump's "\- enable the sandbox mode"),
// not SQL.
bool OpensVersionComment(std::string_view text, std::size_t at) {
  if (at < text.size() && text[at] == 'M') ++at;
  if (at >= text.size() || text[at] != '!') return false;
  ++at;
  while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) != 0)
    ++at;
  return at >= text.size() || text[at] != '\\';
}

// Splits the text into tokens. Comments are left out; the body of a
// version comment (/*!50100 ... */) is read as ordinary text, as the
// servers do.
class Lexer {
 public:
  // `text` starts at `line` and `column` of the whole text, inside
  // `versionComments` version comments.
  Lexer(std::string_view text, std::uint32_t line, std::uint32_t column, int versionComments)
      : text_(text), line_(line), column_(column), versionComments_(versionComments) {}

  // Reads at most `limit` tokens (and the end token).
  bool Run(std::vector<Token>& out, std::string& error,
           std::size_t limit = std::numeric_limits<std::size_t>::max()) {
    std::size_t read = 0;
    while (read++ < limit) {
      SkipSpaceAndComments();
      if (!pending_.empty()) {
        out.insert(out.end(), pending_.begin(), pending_.end());
        pending_.clear();
        continue;
      }
      if (pos_ >= text_.size()) break;
      Token token;
      token.line = line_;
      token.column = column_;
      token.begin = pos_;
      const char c = text_[pos_];
      if (c == '`' || c == '"' || c == '\'') {
        token.kind = c == '`' ? TokenKind::kQuotedName : TokenKind::kString;
        if (!Quoted(c, token.text)) {
          error = Where(token) + UnclosedQuote(text_, token.begin);
          return false;
        }
      } else if (std::isdigit(static_cast<unsigned char>(c)) != 0 ||
                 (c == '.' && pos_ + 1 < text_.size() &&
                  std::isdigit(static_cast<unsigned char>(text_[pos_ + 1])) != 0)) {
        token.kind = TokenKind::kNumber;
        while (pos_ < text_.size() &&
               (IsWordByte(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '.' ||
                ((text_[pos_] == '+' || text_[pos_] == '-') &&
                 (text_[pos_ - 1] == 'e' || text_[pos_ - 1] == 'E')))) {
          token.text += Advance();
        }
      } else if (IsWordByte(static_cast<unsigned char>(c))) {
        token.kind = TokenKind::kWord;
        while (pos_ < text_.size() && IsWordByte(static_cast<unsigned char>(text_[pos_])))
          token.text += Advance();
      } else if (c == '*' && versionComments_ > 0 && pos_ + 1 < text_.size() &&
                 text_[pos_ + 1] == '/') {
        Advance();
        Advance();
        --versionComments_;
        continue;
      } else {
        token.kind = TokenKind::kSymbol;
        token.text = std::string(1, Advance());
      }
      token.end = pos_;
      out.push_back(std::move(token));
    }
    Token end;
    end.line = line_;
    end.column = column_;
    out.push_back(end);
    return true;
  }

  static std::string Where(const Token& token) {
    return "line " + std::to_string(token.line) + ", column " + std::to_string(token.column) + ": ";
  }

 private:
  char Advance() {
    const char c = text_[pos_++];
    if (c == '\n') {
      ++line_;
      column_ = 1;
    } else {
      ++column_;
    }
    return c;
  }

  void SkipSpaceAndComments() {
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      const char next = pos_ + 1 < text_.size() ? text_[pos_ + 1] : '\0';
      if (std::isspace(static_cast<unsigned char>(c)) != 0) {
        Advance();
      } else if (c == '#' || (c == '-' && next == '-' &&
                              (pos_ + 2 >= text_.size() ||
                               std::isspace(static_cast<unsigned char>(text_[pos_ + 2])) != 0))) {
        while (pos_ < text_.size() && text_[pos_] != '\n')
          Advance();
      } else if (c == '/' && next == '*') {
        Advance();
        Advance();
        if (OpensVersionComment(text_, pos_)) {
          // A version comment (MariaDB's own /*M!...*/ too): its digits are
          // dropped, its body is read.
          if (text_[pos_] == 'M') Advance();
          Advance();
          while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_])))
            Advance();
          ++versionComments_;
          continue;
        }
        const std::uint32_t line = line_;
        const std::uint32_t column = column_;
        std::string body;
        while (pos_ < text_.size() &&
               !(text_[pos_] == '*' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/')) {
          body += Advance();
        }
        if (pos_ < text_.size()) {
          Advance();
          Advance();
        }
        // The servers mark a temporal column kept in the form of before
        // MySQL 5.6 with a comment after its type.
        const auto trimmed = [](std::string text) {
          while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0)
            text.pop_back();
          const std::size_t first = text.find_first_not_of(" \t\r\n");
          return first == std::string::npos ? std::string() : text.substr(first);
        }(body);
        if (trimmed == "mariadb-5.3" || trimmed == "5.5 binary format") {
          Token marker;
          marker.kind = TokenKind::kWord;
          marker.text = kOldTemporalMarker;
          marker.line = line;
          marker.column = column;
          pending_.push_back(std::move(marker));
          return;
        }
      } else {
        return;
      }
    }
  }

  bool Quoted(char quote, std::string& out) {
    Advance();
    while (pos_ < text_.size()) {
      const char c = Advance();
      if (c == quote) {
        if (pos_ < text_.size() && text_[pos_] == quote) {
          out += Advance();
          continue;
        }
        return true;
      }
      if (c == '\\' && quote != '`' && pos_ < text_.size()) {
        const char e = Advance();
        switch (e) {
          case 'n':
            out += '\n';
            break;
          case 't':
            out += '\t';
            break;
          case 'r':
            out += '\r';
            break;
          case '0':
            out += '\0';
            break;
          case 'Z':
            out += '\x1A';
            break;
          case 'b':
            out += '\b';
            break;
          default:
            out += e;
        }
        continue;
      }
      out += c;
    }
    return false;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::uint32_t line_;
  std::uint32_t column_;
  int versionComments_;
  std::vector<Token> pending_;
};

// The collation a charset gets when none is named (the servers' defaults).
std::uint32_t DefaultCollationId(const std::string& charset) {
  static const std::map<std::string, std::uint32_t> kDefaults{
      {"big5", 1},      {"dec8", 3},     {"cp850", 4},     {"hp8", 6},      {"koi8r", 7},
      {"latin1", 8},    {"latin2", 9},   {"swe7", 10},     {"ascii", 11},   {"ujis", 12},
      {"sjis", 13},     {"hebrew", 16},  {"tis620", 18},   {"euckr", 19},   {"koi8u", 22},
      {"gb2312", 24},   {"greek", 25},   {"cp1250", 26},   {"gbk", 28},     {"latin5", 30},
      {"armscii8", 32}, {"utf8", 33},    {"utf8mb3", 33},  {"ucs2", 35},    {"cp866", 36},
      {"keybcs2", 37},  {"macce", 38},   {"macroman", 39}, {"cp852", 40},   {"latin7", 41},
      {"utf8mb4", 45},  {"cp1251", 51},  {"utf16", 54},    {"utf16le", 56}, {"cp1256", 57},
      {"cp1257", 59},   {"utf32", 60},   {"binary", 63},   {"geostd8", 92}, {"cp932", 95},
      {"eucjpms", 97},  {"gb18030", 248}};
  const auto found = kDefaults.find(charset);
  return found != kDefaults.end() ? found->second : 0;
}

std::optional<std::uint32_t> CollationIdByName(const CollationTable& collations,
                                               const std::string& name) {
  const std::string wanted = Lower(name);
  // MySQL 8 prints utf8mb3 collations as utf8mb3_*, older servers as utf8_*.
  const std::string alias =
      wanted.starts_with("utf8_") ? "utf8mb3_" + wanted.substr(5) : std::string();
  if (const auto id = collations.FindByName(wanted)) return id;
  if (!alias.empty()) return collations.FindByName(alias);
  return std::nullopt;
}

struct ColumnText {
  std::string charset;    // as named, lower case; empty: the table's
  std::string collation;  // likewise
  bool binaryAttribute = false;
};

class StatementReader {
 public:
  // `text`: the statement the tokens were read from; `earlier`: the tables
  // of the statements before it, which CREATE TABLE ... LIKE may name.
  StatementReader(std::string_view text, const std::vector<Token>& tokens, std::size_t start,
                  std::size_t end, const CollationTable& collations,
                  const std::vector<StatementTable>& earlier)
      : text_(text),
        tokens_(tokens),
        pos_(start),
        end_(end),
        collations_(collations),
        earlier_(earlier) {}

  Status Read(StatementTable& out, const std::string& currentDatabase) {
    out.line = tokens_[pos_].line;
    Expect("CREATE");
    if (IsWord("OR")) {
      ++pos_;
      Expect("REPLACE");
    }
    if (IsWord("TEMPORARY")) ++pos_;
    Expect("TABLE");
    if (IsWord("IF")) {
      ++pos_;
      Expect("NOT");
      Expect("EXISTS");
    }
    std::string first = Name("a table name");
    if (IsSymbol(".")) {
      ++pos_;
      out.database = first;
      out.name = Name("a table name");
    } else {
      out.database = currentDatabase;
      out.name = first;
    }
    if (IsWord("LIKE") || (IsSymbol("(") && IsWord("LIKE", 1))) {
      const bool parenthesized = IsSymbol("(");
      if (parenthesized) ++pos_;
      ++pos_;
      CopyOf(out.database);
      if (parenthesized) ExpectSymbol(")");
      if (error_.empty() && !AtEnd()) Fail("expected the end of the statement");
      if (!error_.empty()) return Status::Corruption(error_);
      out.definition = std::move(table_);
      return Status::Ok();
    }
    if (IsWord("AS") || IsWord("SELECT")) {
      Fail("CREATE TABLE ... AS SELECT holds no definition of its own");
    }
    ExpectSymbol("(");
    std::vector<ColumnText> texts;
    while (error_.empty()) {
      ReadElement(texts);
      if (IsSymbol(",")) {
        ++pos_;
        continue;
      }
      ExpectSymbol(")");
      break;
    }
    ReadTableOptions();
    if (error_.empty()) Finish(texts);
    if (!error_.empty()) return Status::Corruption(error_);
    out.definition = std::move(table_);
    return Status::Ok();
  }

 private:
  const Token& Peek(std::size_t ahead = 0) const {
    const std::size_t at = std::min(pos_ + ahead, end_);
    return tokens_[at];
  }
  bool AtEnd() const { return pos_ >= end_; }
  bool IsWord(const char* word, std::size_t ahead = 0) const {
    const Token& token = Peek(ahead);
    return pos_ + ahead < end_ && token.kind == TokenKind::kWord && Upper(token.text) == word;
  }
  bool IsSymbol(const char* symbol) const {
    return !AtEnd() && Peek().kind == TokenKind::kSymbol && Peek().text == symbol;
  }

  void Fail(const std::string& what) {
    if (!error_.empty()) return;
    const Token& token = Peek();
    std::string near;
    for (std::size_t i = pos_; i < end_ && near.size() < 24; ++i)
      near += (near.empty() ? "" : " ") + tokens_[i].text;
    error_ = Lexer::Where(token) + what +
             (near.empty() ? ", at the end of the statement" : ", near '" + near + "'");
    pos_ = end_;
  }
  void Expect(const char* word) {
    if (IsWord(word)) {
      ++pos_;
      return;
    }
    Fail(std::string("expected ") + word);
  }
  void ExpectSymbol(const char* symbol) {
    if (IsSymbol(symbol)) {
      ++pos_;
      return;
    }
    Fail(std::string("expected '") + symbol + "'");
  }
  std::string Name(const char* what) {
    const Token& token = Peek();
    if (!AtEnd() && (token.kind == TokenKind::kWord || token.kind == TokenKind::kQuotedName ||
                     token.kind == TokenKind::kString)) {
      ++pos_;
      return token.text;
    }
    Fail(std::string("expected ") + what);
    return {};
  }
  std::uint64_t Number(const char* what) {
    const Token& token = Peek();
    std::uint64_t value = 0;
    if (!AtEnd() && token.kind == TokenKind::kNumber && !token.text.empty() &&
        std::all_of(token.text.begin(), token.text.end(),
                    [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }) &&
        token.text.size() < 19) {
      value = std::stoull(token.text);
      ++pos_;
      return value;
    }
    Fail(std::string("expected ") + what);
    return 0;
  }
  // Passes over one value or a parenthesized group, keeping the nesting
  // bounded.
  void SkipBalanced() {
    int depth = 0;
    do {
      if (AtEnd()) {
        if (depth > 0) Fail("a parenthesis is not closed");
        return;
      }
      if (IsSymbol("(")) {
        if (++depth > kMaxNesting) {
          Fail("parentheses nest too deep");
          return;
        }
      } else if (IsSymbol(")")) {
        if (depth == 0) return;
        --depth;
      }
      ++pos_;
    } while (depth > 0);
  }
  // The text of a parenthesized expression, as written.
  std::string Expression() {
    if (!IsSymbol("(")) {
      Fail("expected '('");
      return {};
    }
    const std::size_t start = pos_;
    SkipBalanced();
    if (!error_.empty() || pos_ < start + 2) return {};
    const std::size_t from = tokens_[start].end;
    const std::size_t to = tokens_[pos_ - 1].begin;
    return to > from ? std::string(text_.substr(from, to - from)) : std::string();
  }

  // CREATE TABLE ... LIKE: the definition of a table an earlier statement
  // of the text gave.
  void CopyOf(const std::string& database) {
    const std::size_t at = pos_;
    std::string first = Name("a table name");
    std::string wantedDatabase = database;
    std::string wanted = first;
    if (IsSymbol(".")) {
      ++pos_;
      wantedDatabase = first;
      wanted = Name("a table name");
    }
    if (!error_.empty()) return;
    for (auto it = earlier_.rbegin(); it != earlier_.rend(); ++it) {
      if (it->name == wanted && it->database == wantedDatabase) {
        table_ = it->definition;
        return;
      }
    }
    pos_ = at;
    Fail("CREATE TABLE ... LIKE names a table no statement before defines");
  }

  void ReadElement(std::vector<ColumnText>& texts) {
    if (IsWord("CONSTRAINT")) {
      ++pos_;
      if (!IsWord("PRIMARY") && !IsWord("UNIQUE") && !IsWord("FOREIGN") && !IsWord("CHECK")) {
        Name("a constraint name");
      }
    }
    if (IsWord("PRIMARY")) {
      ++pos_;
      Expect("KEY");
      ReadKey("PRIMARY", true, 0);
    } else if (IsWord("UNIQUE")) {
      ++pos_;
      if (IsWord("KEY") || IsWord("INDEX")) ++pos_;
      ReadKey(IsSymbol("(") || IsWord("USING") ? "" : Name("a key name"), true, 0);
    } else if (IsWord("KEY") || IsWord("INDEX")) {
      ++pos_;
      ReadKey(IsSymbol("(") || IsWord("USING") ? "" : Name("a key name"), false, 0);
    } else if (IsWord("FULLTEXT") || IsWord("SPATIAL")) {
      const std::uint16_t flag = IsWord("FULLTEXT") ? kKeyFlagFullText : kKeyFlagSpatial;
      ++pos_;
      if (IsWord("KEY") || IsWord("INDEX")) ++pos_;
      ReadKey(IsSymbol("(") ? "" : Name("a key name"), false, flag);
    } else if (IsWord("FOREIGN") || IsWord("CHECK") || IsWord("PERIOD")) {
      // Not part of how the rows are stored.
      while (!AtEnd() && !IsSymbol(",") && !IsSymbol(")")) {
        if (IsSymbol("(")) {
          SkipBalanced();
        } else {
          ++pos_;
        }
      }
    } else {
      ReadColumn(texts);
    }
  }

  void ReadKey(const std::string& name, bool unique, std::uint16_t flags) {
    KeyDefinition key;
    key.name = name;
    key.unique = unique;
    key.flags = static_cast<std::uint16_t>((unique ? 0 : kKeyFlagNotUnique) | flags);
    if (IsWord("USING")) {
      if (IsWord("HASH", 1)) hashKeys_.push_back(keys_.size());
      pos_ += 2;
    }
    ExpectSymbol("(");
    while (error_.empty()) {
      if (IsSymbol("(")) {
        // A functional key part: over an expression, not a column.
        SkipBalanced();
      } else {
        const std::string column = Name("a column name");
        KeyPart part;
        for (std::size_t i = 0; i < table_.columns.size(); ++i) {
          if (Lower(table_.columns[i].name) == Lower(column))
            part.columnNumber = static_cast<std::uint32_t>(i + 1);
        }
        if (part.columnNumber == 0 && error_.empty()) {
          --pos_;
          Fail("the key names a column the table does not have");
          return;
        }
        if (IsSymbol("(")) {
          ++pos_;
          // Characters for strings; taken in bytes once the column's
          // character set is known.
          part.length = static_cast<std::uint16_t>(
              std::min<std::uint64_t>(Number("a prefix length"), 0xFFFF));
          prefixParts_.push_back({keys_.size(), key.parts.size()});
          ExpectSymbol(")");
        }
        key.parts.push_back(part);
      }
      if (IsWord("ASC") || IsWord("DESC")) ++pos_;
      if (IsSymbol(",")) {
        ++pos_;
        continue;
      }
      ExpectSymbol(")");
      break;
    }
    // Index options.
    while (!AtEnd() && !IsSymbol(",") && !IsSymbol(")")) {
      if (IsWord("USING") && IsWord("HASH", 1)) hashKeys_.push_back(keys_.size());
      if (IsSymbol("(")) {
        SkipBalanced();
      } else {
        ++pos_;
      }
    }
    keys_.push_back(std::move(key));
  }

  void ReadColumn(std::vector<ColumnText>& texts) {
    ColumnDefinition column;
    ColumnText text;
    column.name = Name("a column name or a key");
    if (!error_.empty()) return;
    ReadType(column, text);
    column.nullable = true;
    bool explicitNull = false;
    bool primary = false;
    bool unique = false;
    while (error_.empty() && !AtEnd() && !IsSymbol(",") && !IsSymbol(")")) {
      if (IsWord("NOT")) {
        ++pos_;
        Expect("NULL");
        column.nullable = false;
      } else if (IsWord("NULL")) {
        ++pos_;
        explicitNull = true;
      } else if (IsWord("DEFAULT")) {
        ++pos_;
        ReadDefault();
      } else if (IsWord("ON")) {
        ++pos_;
        Expect("UPDATE");
        ReadDefault();
      } else if (IsWord("AUTO_INCREMENT") || IsWord("UNIQUE") || IsWord("VISIBLE") ||
                 IsWord("SERIAL") || IsWord("VIRTUAL") || IsWord("STORED") ||
                 IsWord("PERSISTENT")) {
        if (IsWord("VIRTUAL")) column.isVirtual = true;
        if (IsWord("UNIQUE")) unique = true;
        if (IsWord("SERIAL")) {
          // SERIAL DEFAULT VALUE: NOT NULL AUTO_INCREMENT UNIQUE.
          unique = true;
          column.nullable = false;
        }
        ++pos_;
        if (IsWord("KEY")) ++pos_;
        if (IsWord("DEFAULT") && IsWord("VALUE", 1)) pos_ += 2;
      } else if (IsWord("PRIMARY")) {
        ++pos_;
        Expect("KEY");
        primary = true;
      } else if (IsWord("KEY")) {
        // KEY alone: the primary key.
        ++pos_;
        primary = true;
      } else if (IsWord("INVISIBLE")) {
        ++pos_;
        column.invisible = true;
      } else if (IsWord("COMPRESSED")) {
        // MariaDB's compressed columns (/*M!100301 COMPRESSED*/): a VARCHAR
        // keeps one byte more.
        ++pos_;
        if (IsSymbol("=")) pos_ += 2;
        compressed_.push_back(table_.columns.size());
      } else if (IsWord("BINARY")) {
        ++pos_;
        text.binaryAttribute = true;
      } else if (IsWord("COMMENT")) {
        ++pos_;
        Name("a comment");
      } else if (IsWord("COLLATE")) {
        ++pos_;
        if (IsSymbol("=")) ++pos_;
        text.collation = Lower(Name("a collation"));
      } else if (IsWord("CHARACTER") || IsWord("CHARSET")) {
        if (IsWord("CHARACTER")) ++pos_;
        ++pos_;
        if (IsWord("SET")) ++pos_;
        text.charset = Lower(Name("a character set"));
      } else if (IsWord("GENERATED") || IsWord("AS")) {
        if (IsWord("GENERATED")) {
          ++pos_;
          Expect("ALWAYS");
        }
        Expect("AS");
        if (IsWord("ROW") && (IsWord("START", 1) || IsWord("END", 1))) {
          (IsWord("START", 1) ? rowStart_ : rowEnd_) = table_.columns.size();
          pos_ += 2;
          continue;
        }
        column.generationExpression = Expression();
        column.isVirtual = true;  // unless STORED or PERSISTENT follows
        if (IsWord("STORED") || IsWord("PERSISTENT")) {
          column.isVirtual = false;
          ++pos_;
        }
      } else if (IsWord("CHECK")) {
        ++pos_;
        SkipBalanced();
      } else if (IsWord("REFERENCES")) {
        while (!AtEnd() && !IsSymbol(",") && !IsSymbol(")")) {
          if (IsSymbol("(")) {
            SkipBalanced();
          } else {
            ++pos_;
          }
        }
      } else if (IsWord("COLUMN_FORMAT") || IsWord("STORAGE") || IsWord("SRID") ||
                 IsWord("ENGINE_ATTRIBUTE") || IsWord("SECONDARY_ENGINE_ATTRIBUTE")) {
        ++pos_;
        if (IsSymbol("=")) ++pos_;
        ++pos_;
      } else if (IsWord("WITHOUT") || IsWord("WITH")) {
        // WITH SYSTEM VERSIONING on a column makes the table versioned.
        if (IsWord("WITH")) versioned_ = true;
        ++pos_;
        Expect("SYSTEM");
        Expect("VERSIONING");
      } else {
        Fail("unknown column attribute");
      }
    }
    (void)explicitNull;
    if (serial_) {
      column.nullable = false;
      unique = true;
      serial_ = false;
    }
    column.ordinal = static_cast<std::int32_t>(table_.columns.size());
    table_.columns.push_back(std::move(column));
    texts.push_back(std::move(text));
    // A key the column declares comes in order with the table's keys.
    const KeyPart part{static_cast<std::uint32_t>(table_.columns.size()), 0, 0};
    if (primary) keys_.push_back(KeyDefinition{"PRIMARY", true, 0, {part}});
    if (unique) keys_.push_back(KeyDefinition{"", true, 0, {part}});
  }

  void ReadDefault() {
    if (IsSymbol("(")) {
      SkipBalanced();
      return;
    }
    if (IsSymbol("-") || IsSymbol("+")) ++pos_;
    if (AtEnd()) {
      Fail("expected a default value");
      return;
    }
    const bool word = Peek().kind == TokenKind::kWord;
    ++pos_;  // a literal, a name or a function's name
    if (word && !AtEnd() && Peek().kind == TokenKind::kString) {
      // b'0101', x'0A0B', N'...', _latin1'...': a prefix and its text.
      ++pos_;
    } else if (IsSymbol("(")) {
      SkipBalanced();
    }
  }

  void ReadType(ColumnDefinition& column, ColumnText& text) {
    const std::size_t typeAt = pos_;
    std::string type = Upper(Name("a data type"));
    if (!error_.empty()) return;
    // Names of two words.
    if (type == "NATIONAL" && (IsWord("CHAR") || IsWord("CHARACTER") || IsWord("VARCHAR"))) {
      type = IsWord("VARCHAR") ? "NVARCHAR" : "NCHAR";
      ++pos_;
    }
    if ((type == "CHAR" || type == "CHARACTER" || type == "NCHAR") && IsWord("VARYING")) {
      type = type == "NCHAR" ? "NVARCHAR" : "VARCHAR";
      ++pos_;
    } else if (type == "NCHAR" && IsWord("VARCHAR")) {
      type = "NVARCHAR";
      ++pos_;
    } else if (type == "LONG" && (IsWord("VARCHAR") || IsWord("VARBINARY"))) {
      type = IsWord("VARBINARY") ? "MEDIUMBLOB" : "MEDIUMTEXT";
      ++pos_;
    }
    std::vector<std::uint64_t> arguments;
    std::vector<std::string> members;
    const bool listType = type == "ENUM" || type == "SET";
    if (IsSymbol("(")) {
      ++pos_;
      while (error_.empty()) {
        if (listType) {
          if (Peek().kind != TokenKind::kString) {
            Fail("expected a quoted member");
            return;
          }
          members.push_back(Peek().text);
          ++pos_;
        } else {
          arguments.push_back(Number("a number"));
        }
        if (IsSymbol(",")) {
          ++pos_;
          continue;
        }
        ExpectSymbol(")");
        break;
      }
    }
    const bool oldTemporal = IsWord(kOldTemporalMarker);
    if (oldTemporal) ++pos_;
    bool isUnsigned = false;
    bool zerofill = false;
    while (IsWord("UNSIGNED") || IsWord("SIGNED") || IsWord("ZEROFILL") || IsWord("PRECISION")) {
      if (IsWord("UNSIGNED")) isUnsigned = true;
      if (IsWord("ZEROFILL")) isUnsigned = zerofill = true;
      ++pos_;
    }
    if (IsWord("BINARY") && type != "BINARY") {
      ++pos_;
      text.binaryAttribute = true;
    }
    const auto argument = [&](std::size_t i, std::uint64_t otherwise) {
      return i < arguments.size() ? arguments[i] : otherwise;
    };
    const auto integer = [&](std::uint32_t code, std::uint32_t width) {
      column.typeCode = code;
      column.length = static_cast<std::uint32_t>(argument(0, isUnsigned ? width - 1 : width));
      if (code == kTypeLongLong && arguments.empty()) column.length = 20;
    };
    const auto fraction = [&](std::uint32_t code, std::uint32_t width) {
      column.typeCode = code;
      const std::uint64_t digits = argument(0, 0);
      if (digits > 6) Fail("fractional seconds have at most 6 digits");
      column.length = width + (digits > 0 ? static_cast<std::uint32_t>(digits) + 1 : 0);
      decimals_ = static_cast<std::uint16_t>(digits);
    };
    decimals_ = 0;
    if (type == "TINYINT" || type == "INT1") {
      integer(kTypeTiny, 4);
    } else if (type == "BOOL" || type == "BOOLEAN") {
      column.typeCode = kTypeTiny;
      column.length = 1;
    } else if (type == "SMALLINT" || type == "INT2") {
      integer(kTypeShort, 6);
    } else if (type == "MEDIUMINT" || type == "INT3" || type == "MIDDLEINT") {
      integer(kTypeInt24, 9);
    } else if (type == "INT" || type == "INTEGER" || type == "INT4") {
      integer(kTypeLong, 11);
    } else if (type == "BIGINT" || type == "INT8") {
      integer(kTypeLongLong, 20);
    } else if (type == "SERIAL") {
      // BIGINT UNSIGNED NOT NULL AUTO_INCREMENT UNIQUE.
      isUnsigned = true;
      integer(kTypeLongLong, 20);
      serial_ = true;
    } else if (type == "FLOAT" || type == "DOUBLE" || type == "REAL" || type == "FLOAT4" ||
               type == "FLOAT8") {
      const bool single = type == "FLOAT" || type == "FLOAT4";
      column.typeCode = single ? kTypeFloat : kTypeDouble;
      if (single && arguments.size() == 1 && arguments[0] > 24) column.typeCode = kTypeDouble;
      if (arguments.size() == 2) {
        column.length = static_cast<std::uint32_t>(arguments[0]);
        decimals_ = static_cast<std::uint16_t>(arguments[1]);
        column.precision = static_cast<std::int32_t>(column.length);
        column.scale = decimals_;
      } else {
        column.length = column.typeCode == kTypeFloat ? 12 : 22;
        decimals_ = kNoDecimals;
      }
    } else if (type == "DECIMAL" || type == "NUMERIC" || type == "DEC" || type == "FIXED") {
      column.typeCode = kTypeNewDecimal;
      column.precision = static_cast<std::int32_t>(argument(0, 10));
      column.scale = static_cast<std::int32_t>(argument(1, 0));
      if (column.precision > 65 || column.scale > 38 || column.scale > column.precision) {
        Fail("not a DECIMAL precision and scale");
      }
      column.length = static_cast<std::uint32_t>(column.precision + (column.scale > 0 ? 1 : 0) +
                                                 (isUnsigned || column.precision == 0 ? 0 : 1));
      decimals_ = static_cast<std::uint16_t>(column.scale);
    } else if (type == "BIT") {
      column.typeCode = kTypeBit;
      column.length = static_cast<std::uint32_t>(argument(0, 1));
      isUnsigned = true;
    } else if (type == "DATE") {
      column.typeCode = kTypeNewDate;
      column.length = 10;
    } else if (type == "TIME") {
      fraction(oldTemporal ? kTypeTime : kTypeTime2, 10);
    } else if (type == "DATETIME") {
      fraction(oldTemporal ? kTypeDatetime : kTypeDatetime2, 19);
    } else if (type == "TIMESTAMP") {
      fraction(oldTemporal ? kTypeTimestamp : kTypeTimestamp2, 19);
    } else if (type == "YEAR") {
      column.typeCode = kTypeYear;
      column.length = static_cast<std::uint32_t>(argument(0, 4));
      isUnsigned = zerofill = true;
    } else if (type == "CHAR" || type == "CHARACTER" || type == "NCHAR") {
      if (type == "NCHAR") text.charset = "utf8mb3";
      column.typeCode = kTypeString;
      chars_ = argument(0, 1);
    } else if (type == "VARCHAR" || type == "NVARCHAR" || type == "VARCHARACTER") {
      if (type == "NVARCHAR") text.charset = "utf8mb3";
      column.typeCode = kTypeVarchar;
      chars_ = argument(0, 0);
    } else if (type == "BINARY" || type == "VARBINARY") {
      column.typeCode = type == "BINARY" ? kTypeString : kTypeVarchar;
      text.charset = "binary";
      chars_ = argument(0, type == "BINARY" ? 1 : 0);
    } else if (type == "TINYTEXT" || type == "TINYBLOB") {
      Blob(column, text, kTypeTinyBlob, type == "TINYBLOB");
      chars_ = 255;
    } else if (type == "TEXT" || type == "BLOB") {
      Blob(column, text, kTypeBlob, type == "BLOB");
      chars_ = arguments.empty() ? 65535 : arguments[0];
      textLengthGiven_ = !arguments.empty();
    } else if (type == "MEDIUMTEXT" || type == "MEDIUMBLOB" || type == "LONG") {
      Blob(column, text, kTypeMediumBlob, type == "MEDIUMBLOB");
      chars_ = 16777215;
    } else if (type == "LONGTEXT" || type == "LONGBLOB") {
      Blob(column, text, kTypeLongBlob, type == "LONGBLOB");
      chars_ = 4294967295u;
    } else if (type == "JSON") {
      column.typeCode = kTypeJson;
      text.charset = "binary";
      column.length = kBlobPointerSize;
    } else if (type == "ENUM" || type == "SET") {
      column.typeCode = type == "ENUM" ? kTypeEnum : kTypeSet;
      if (members.empty()) Fail("an ENUM or SET needs members");
      column.values = members;
      for (const std::string& member : members) {
        if (!column.valueList.empty()) column.valueList += ',';
        std::string quoted;
        for (const char c : member)
          quoted += c == '\'' ? std::string("''") : std::string(1, c);
        column.valueList += '\'' + quoted + '\'';
      }
    } else if (type == "GEOMETRY" || type == "POINT" || type == "LINESTRING" || type == "POLYGON" ||
               type == "MULTIPOINT" || type == "MULTILINESTRING" || type == "MULTIPOLYGON" ||
               type == "GEOMETRYCOLLECTION" || type == "GEOMCOLLECTION") {
      static const std::map<std::string, std::uint32_t> kGeometries{
          {"GEOMETRY", 0},      {"POINT", 1},
          {"LINESTRING", 2},    {"POLYGON", 3},
          {"MULTIPOINT", 4},    {"MULTILINESTRING", 5},
          {"MULTIPOLYGON", 6},  {"GEOMETRYCOLLECTION", 7},
          {"GEOMCOLLECTION", 7}};
      column.typeCode = kTypeGeometry;
      column.geometryType = kGeometries.at(type);
      column.length = kBlobPointerSize;
      text.charset = "binary";
    } else if (type == "UUID" || type == "INET6" || type == "INET4") {
      // MariaDB's own types: binary strings named in the definition, whose
      // length there is that of their text.
      column.typeCode = kTypeString;
      column.typeName = Lower(type);
      column.length = type == "UUID" ? 36 : type == "INET6" ? 39 : 15;
    } else {
      pos_ = typeAt;
      Fail("unknown data type " + type);
      return;
    }
    if (IsNumericType(column.typeCode) && !isUnsigned) column.packFlags |= kPackSigned;
    if (zerofill) column.packFlags |= kPackZerofill;
    column.packFlags |=
        static_cast<std::uint16_t>((decimals_ & kPackDecimalsMask) << kPackDecimalsShift);
    pendingChars_.push_back(chars_);
    textLengths_.push_back(textLengthGiven_);
    chars_ = 0;
    textLengthGiven_ = false;
  }

  void Blob(ColumnDefinition& column, ColumnText& text, std::uint32_t code, bool binary) {
    column.typeCode = code;
    if (binary) text.charset = "binary";
  }

  void ReadTableOptions() {
    while (error_.empty() && !AtEnd()) {
      if (IsSymbol(",")) {
        ++pos_;
        continue;
      }
      if (IsWord("PARTITION")) {
        // How the rows are split among files: not part of their form.
        pos_ = end_;
        return;
      }
      if (IsWord("WITH") && IsWord("SYSTEM", 1) && IsWord("VERSIONING", 2)) {
        pos_ += 3;
        versioned_ = true;
        continue;
      }
      if ((IsWord("DATA") || IsWord("INDEX")) && IsWord("DIRECTORY", 1)) {
        pos_ += 2;
        if (IsSymbol("=")) ++pos_;
        Name("a folder");
        continue;
      }
      if (IsWord("CHECKSUM") || IsWord("TABLE_CHECKSUM") || IsWord("MAX_ROWS") ||
          IsWord("AVG_ROW_LENGTH")) {
        // What MyISAM's record format depends on besides the columns.
        const std::string option = Upper(Peek().text);
        ++pos_;
        if (IsSymbol("=")) ++pos_;
        const std::uint64_t value = Number("a number");
        const auto clamped = static_cast<std::uint32_t>(std::min<std::uint64_t>(value, 0xFFFFFFFF));
        if (option == "MAX_ROWS") {
          table_.maxRows = clamped;
        } else if (option == "AVG_ROW_LENGTH") {
          table_.avgRowLength = clamped;
        } else if (value != 0) {
          table_.tableOptions |= kOptionChecksum;
        }
        continue;
      }
      if (IsWord("DEFAULT")) ++pos_;
      if (IsWord("ENGINE") || IsWord("TYPE")) {
        ++pos_;
        if (IsSymbol("=")) ++pos_;
        const std::string engine = Upper(Name("an engine name"));
        // The codes a definition file keeps for the engines; a table of an
        // engine that is not read is told so when it is opened.
        static const std::map<std::string, std::uint8_t> kEngines{{"INNODB", kEngineInnoDb},
                                                                  {"MYISAM", kEngineMyIsam},
                                                                  {"ARIA", kEngineAria},
                                                                  {"MEMORY", 6},
                                                                  {"HEAP", 6},
                                                                  {"MRG_MYISAM", 10},
                                                                  {"MERGE", 10},
                                                                  {"ARCHIVE", 16},
                                                                  {"CSV", 17},
                                                                  {"FEDERATED", 18},
                                                                  {"BLACKHOLE", 19}};
        const auto found = kEngines.find(engine);
        if (found != kEngines.end()) {
          table_.storageEngine = found->second;
        } else if (error_.empty()) {
          --pos_;
          Fail("tables of the engine " + engine + " are not read");
        }
      } else if (IsWord("CHARSET") || IsWord("CHARACTER")) {
        if (IsWord("CHARACTER")) ++pos_;
        ++pos_;
        if (IsWord("SET")) ++pos_;
        if (IsSymbol("=")) ++pos_;
        tableCharset_ = Lower(Name("a character set"));
      } else if (IsWord("COLLATE")) {
        ++pos_;
        if (IsSymbol("=")) ++pos_;
        tableCollation_ = Lower(Name("a collation"));
      } else if (IsWord("ROW_FORMAT")) {
        ++pos_;
        if (IsSymbol("=")) ++pos_;
        static const std::map<std::string, std::uint8_t> kFormats{
            {"DEFAULT", 0},   {"FIXED", 1},   {"DYNAMIC", 2}, {"COMPRESSED", 3},
            {"REDUNDANT", 4}, {"COMPACT", 5}, {"PAGE", 6}};
        const std::string format = Upper(Name("a row format"));
        const auto found = kFormats.find(format);
        if (found == kFormats.end()) {
          --pos_;
          Fail("unknown row format " + format);
        } else {
          table_.rowType = found->second;
        }
      } else if (Peek().kind == TokenKind::kWord) {
        // AUTO_INCREMENT=, COMMENT=, KEY_BLOCK_SIZE=, STATS_PERSISTENT=, ...
        ++pos_;
        if (IsSymbol("=")) ++pos_;
        if (AtEnd()) {
          Fail("expected a value");
          return;
        }
        if (IsSymbol("(")) {
          SkipBalanced();
        } else {
          ++pos_;
        }
      } else {
        Fail("expected a table option");
      }
    }
  }

  std::uint32_t CollationOf(const std::string& charset, const std::string& collation) {
    if (!collation.empty()) {
      const auto id = CollationIdByName(collations_, collation);
      if (!id) Fail("unknown collation " + collation);
      return id.value_or(0);
    }
    if (!charset.empty()) {
      const std::uint32_t id = DefaultCollationId(charset);
      if (id == 0) Fail("unknown character set " + charset);
      return id;
    }
    return 0;
  }

  // The columns a system-versioned table gets when the statement names
  // none AS ROW START and AS ROW END: TIMESTAMP(6) NOT NULL INVISIBLE.
  void AddVersioningColumns(std::vector<ColumnText>& texts) {
    for (const char* name : {"row_start", "row_end"}) {
      ColumnDefinition column;
      column.name = name;
      column.typeCode = kTypeTimestamp2;
      column.length = 26;
      column.invisible = true;
      column.packFlags = static_cast<std::uint16_t>((6 & kPackDecimalsMask) << kPackDecimalsShift);
      column.ordinal = static_cast<std::int32_t>(table_.columns.size());
      (rowStart_ ? rowEnd_ : rowStart_) = table_.columns.size();
      table_.columns.push_back(std::move(column));
      texts.emplace_back();
      pendingChars_.push_back(0);
      textLengths_.push_back(false);
    }
  }

  // A key without a name takes that of its first column, with _2, _3, ...
  // where a key before it has that name already.
  void NameKeys() {
    const auto taken = [&](std::size_t upTo, const std::string& name) {
      for (std::size_t k = 0; k < upTo; ++k) {
        if (Lower(keys_[k].name) == Lower(name)) return true;
      }
      return Lower(name) == "primary";
    };
    for (std::size_t k = 0; k < keys_.size(); ++k) {
      if (!keys_[k].name.empty() || keys_[k].parts.empty()) continue;
      const std::string base = table_.columns[keys_[k].parts[0].columnNumber - 1].name;
      std::string name = base;
      for (int suffix = 2; taken(k, name); ++suffix)
        name = base + "_" + std::to_string(suffix);
      keys_[k].name = name;
    }
  }

  // Orders the keys as the server does: unique keys first (the primary key,
  // then those over NOT NULL columns, those without prefix parts, and the
  // keys kept as hashes last), full-text keys last, declaration order
  // otherwise.
  void SortKeys(const std::vector<std::vector<bool>>& prefixed) {
    struct Rank {
      bool unique;
      bool hash;
      bool nullPart;
      bool primary;
      bool partial;
      bool fullText;
    };
    std::vector<Rank> ranks;
    for (std::size_t k = 0; k < keys_.size(); ++k) {
      const KeyDefinition& key = keys_[k];
      Rank rank{};
      rank.unique = key.unique;
      rank.primary = key.IsPrimary();
      rank.fullText = (key.flags & kKeyFlagFullText) != 0;
      for (std::size_t p = 0; p < key.parts.size(); ++p) {
        const ColumnDefinition& column = table_.columns[key.parts[p].columnNumber - 1];
        rank.nullPart = rank.nullPart || column.nullable;
        const bool blob = IsBlobOrGeometryType(column.typeCode);
        rank.partial =
            rank.partial || blob || (prefixed[k][p] && key.parts[p].length < column.length);
        rank.hash = rank.hash || (key.unique && blob && !prefixed[k][p]);
      }
      rank.hash = rank.hash || (key.unique && std::find(hashKeys_.begin(), hashKeys_.end(), k) !=
                                                  hashKeys_.end());
      ranks.push_back(rank);
    }
    std::vector<std::size_t> order(keys_.size());
    for (std::size_t k = 0; k < order.size(); ++k)
      order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
      const Rank& a = ranks[x];
      const Rank& b = ranks[y];
      if (a.unique != b.unique) return a.unique;
      if (a.unique) {
        if (a.hash != b.hash) return b.hash;
        if (a.hash) return false;
        if (a.nullPart != b.nullPart) return b.nullPart;
        if (a.primary != b.primary) return a.primary;
        if (a.partial != b.partial) return b.partial;
        return false;
      }
      return a.fullText != b.fullText && b.fullText;
    });
    std::vector<KeyDefinition> sorted;
    sorted.reserve(keys_.size());
    for (const std::size_t k : order)
      sorted.push_back(std::move(keys_[k]));
    keys_ = std::move(sorted);
  }

  void Finish(std::vector<ColumnText>& texts) {
    if (table_.storageEngine == 0) table_.storageEngine = kEngineInnoDb;
    if (versioned_ && (!rowStart_ || !rowEnd_)) {
      rowStart_.reset();
      rowEnd_.reset();
      AddVersioningColumns(texts);
    }
    // The columns of the primary key and those of a row's period are NOT
    // NULL whether or not the statement says so.
    if (rowStart_) table_.columns[*rowStart_].nullable = false;
    if (rowEnd_) table_.columns[*rowEnd_].nullable = false;
    for (const KeyDefinition& key : keys_) {
      if (!key.IsPrimary()) continue;
      for (const KeyPart& part : key.parts)
        table_.columns[part.columnNumber - 1].nullable = false;
    }
    table_.tableCharsetId = CollationOf(
        tableCharset_.empty() && !tableCollation_.empty() ? std::string() : tableCharset_,
        tableCollation_);
    if (table_.tableCharsetId == 0) table_.tableCharsetId = DefaultCollationId("latin1");
    const bool bitsInNullBytes =
        table_.storageEngine == kEngineMyIsam || table_.storageEngine == kEngineAria;
    for (std::size_t i = 0; i < table_.columns.size() && error_.empty(); ++i) {
      ColumnDefinition& column = table_.columns[i];
      const ColumnText& text = texts[i];
      if (column.nullable) column.packFlags |= kPackNullable;
      if (column.typeCode == kTypeBit && !bitsInNullBytes) column.packFlags |= kPackBitAsChars;
      if (!column.typeName.empty()) {
        column.charsetId = kNamedTypeCharset;
        column.packFlags |= kPackBinary;
        continue;
      }
      const bool character = IsCharacterType(column.typeCode);
      if (character) {
        column.charsetId = CollationOf(text.charset, text.collation);
        if (column.charsetId == 0) {
          // A column's COLLATE alone, or nothing: the table's set.
          column.charsetId = table_.tableCharsetId;
        }
        if (text.binaryAttribute) {
          const CollationEntry* entry = collations_.Lookup(column.charsetId);
          if (entry != nullptr) {
            const auto bin = CollationIdByName(collations_, entry->characterSetName + "_bin");
            if (bin) column.charsetId = *bin;
          }
        }
      } else {
        column.charsetId = kBinaryCharset;
      }
      const CollationEntry* entry = collations_.Lookup(column.charsetId);
      // Strings compared byte by byte: the binary set or a _bin collation.
      const bool binary = column.charsetId == kBinaryCharset ||
                          (entry != nullptr && entry->collationName.ends_with("_bin"));
      if ((character && binary && column.typeCode != kTypeEnum && column.typeCode != kTypeSet) ||
          column.typeCode == kTypeGeometry) {
        column.packFlags |= kPackBinary;
      }
      const std::uint64_t perChar =
          character && entry != nullptr ? static_cast<std::uint64_t>(entry->maxBytesPerChar) : 1;
      const std::uint64_t chars = pendingChars_[i];
      if (IsCharOrVarcharType(column.typeCode)) {
        const bool compressed =
            column.typeCode == kTypeVarchar &&
            std::find(compressed_.begin(), compressed_.end(), i) != compressed_.end();
        column.length = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(chars * perChar + (compressed ? 1 : 0), 0xFFFFFFFFu));
      } else if (IsBlobType(column.typeCode)) {
        if (textLengths_[i]) {
          // TEXT(n) and BLOB(n) take the smallest type that holds n.
          const std::uint64_t bytes = chars * perChar;
          column.typeCode = bytes < 256        ? kTypeTinyBlob
                            : bytes < 65536    ? kTypeBlob
                            : bytes < 16777216 ? kTypeMediumBlob
                                               : kTypeLongBlob;
        }
        // A definition file keeps the size of the pointer to the value.
        column.length = kBlobPointerSize;
      } else if (column.typeCode == kTypeEnum || column.typeCode == kTypeSet) {
        std::uint64_t longest = 0;
        std::uint64_t all = 0;
        for (const std::string& member : column.values) {
          const std::uint64_t length = CharacterCount(member);
          longest = std::max(longest, length);
          all += length;
        }
        if (column.typeCode == kTypeSet && !column.values.empty()) all += column.values.size() - 1;
        column.length =
            static_cast<std::uint32_t>((column.typeCode == kTypeEnum ? longest : all) * perChar);
      }
    }
    NameKeys();
    // A system-versioned table keeps the end of each row's period in its
    // unique keys (which SHOW CREATE TABLE leaves out where it added it).
    if (versioned_ && rowEnd_) {
      const auto rowEnd = static_cast<std::uint32_t>(*rowEnd_ + 1);
      for (KeyDefinition& key : keys_) {
        if (!key.unique) continue;
        if (std::none_of(key.parts.begin(), key.parts.end(),
                         [&](const KeyPart& part) { return part.columnNumber == rowEnd; })) {
          key.parts.push_back(KeyPart{rowEnd, 0, 0});
        }
      }
    }
    std::vector<std::vector<bool>> prefixed(keys_.size());
    for (std::size_t k = 0; k < keys_.size(); ++k)
      prefixed[k].assign(keys_[k].parts.size(), false);
    for (const auto& [k, p] : prefixParts_) {
      if (k < keys_.size() && p < keys_[k].parts.size()) prefixed[k][p] = true;
    }
    for (std::size_t k = 0; k < keys_.size(); ++k) {
      for (std::size_t p = 0; p < keys_[k].parts.size(); ++p) {
        KeyPart& part = keys_[k].parts[p];
        const ColumnDefinition& column = table_.columns[part.columnNumber - 1];
        if (prefixed[k][p]) {
          const CollationEntry* entry = collations_.Lookup(column.charsetId);
          const std::uint32_t perChar =
              entry != nullptr ? static_cast<std::uint32_t>(entry->maxBytesPerChar) : 1;
          part.length =
              static_cast<std::uint16_t>(std::min<std::uint32_t>(part.length * perChar, 0xFFFF));
        } else if ((keys_[k].flags & kKeyFlagSpatial) != 0) {
          part.length = kSpatialPartLength;
        } else if (NamedTypeSize(column) != 0) {
          part.length = static_cast<std::uint16_t>(NamedTypeSize(column));
        } else {
          const std::size_t fixed = FixedValueSize(column);
          const std::uint32_t length = IsCharOrVarcharType(column.typeCode)
                                           ? column.length
                                           : static_cast<std::uint32_t>(fixed);
          part.length = static_cast<std::uint16_t>(std::min<std::uint32_t>(length, 0xFFFF));
        }
      }
    }
    SortKeys(prefixed);
    table_.keys = std::move(keys_);
    MarkKeyMembership(table_);
    LayOutRecordImage(table_);
    table_.origin = DefinitionOrigin::kStatement;
  }

  static std::uint64_t CharacterCount(const std::string& text) {
    std::uint64_t count = 0;
    for (const char c : text) {
      if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
  }

  std::string_view text_;
  const std::vector<Token>& tokens_;
  std::size_t pos_;
  std::size_t end_;
  const CollationTable& collations_;
  std::string error_;
  TableDefinition table_;
  std::vector<KeyDefinition> keys_;
  // (key, part) of the parts given with a prefix length in characters.
  std::vector<std::pair<std::size_t, std::size_t>> prefixParts_;
  // Keys declared USING HASH.
  std::vector<std::size_t> hashKeys_;
  std::vector<std::uint64_t> pendingChars_;
  std::vector<bool> textLengths_;
  std::uint64_t chars_ = 0;
  bool textLengthGiven_ = false;
  std::uint16_t decimals_ = 0;
  std::string tableCharset_;
  std::string tableCollation_;
  const std::vector<StatementTable>& earlier_;
  bool serial_ = false;
  // Columns declared COMPRESSED.
  std::vector<std::size_t> compressed_;
  // System versioning: the table is versioned; the columns declared AS ROW
  // START and AS ROW END.
  bool versioned_ = false;
  std::optional<std::size_t> rowStart_;
  std::optional<std::size_t> rowEnd_;
};

// Where one statement of a text lies: from its first byte up to its ';'
// (or the end of the text), with the line and column it starts on and the
// version comments it starts inside of.
struct StatementSpan {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::uint32_t line = 1;
  std::uint32_t column = 1;
  int versionComments = 0;
};

// Finds the statements of a text byte by byte, by the same rules of
// quotes and comments as the lexer, without making tokens of them. A line
// "DELIMITER x" (the client's command, as dumps use it around triggers and
// routines) makes x the end of the statements that follow.
class StatementScanner {
 public:
  explicit StatementScanner(std::string_view text) : text_(text) {}

  bool Next(StatementSpan& span) {
    if (pos_ >= text_.size() || !error_.empty()) return false;
    span.begin = pos_;
    span.line = line_;
    span.column = column_;
    span.versionComments = versionComments_;
    bool content = false;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      const char next = pos_ + 1 < text_.size() ? text_[pos_ + 1] : '\0';
      if (!content && std::isspace(static_cast<unsigned char>(c)) != 0) {
        Advance();
        continue;
      }
      if (!content && DelimiterCommand()) {
        span.end = pos_;
        return true;
      }
      if (c == delimiter_[0] && text_.compare(pos_, delimiter_.size(), delimiter_) == 0) {
        span.end = pos_;
        for (std::size_t i = 0; i < delimiter_.size(); ++i)
          Advance();
        return true;
      }
      if (c != '#' && !(c == '-' && next == '-') && !(c == '/' && next == '*')) content = true;
      if (c == '\'' || c == '"' || c == '`') {
        const std::uint32_t line = line_;
        const std::uint32_t column = column_;
        const std::size_t quoteAt = pos_;
        if (!SkipQuoted(c)) {
          error_ = "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
                   UnclosedQuote(text_, quoteAt);
          span.end = text_.size();
          return true;
        }
      } else if (c == '#' || (c == '-' && next == '-' &&
                              (pos_ + 2 >= text_.size() ||
                               std::isspace(static_cast<unsigned char>(text_[pos_ + 2])) != 0))) {
        while (pos_ < text_.size() && text_[pos_] != '\n')
          Advance();
      } else if (c == '/' && next == '*') {
        Advance();
        Advance();
        if (OpensVersionComment(text_, pos_)) {
          ++versionComments_;
          continue;
        }
        while (pos_ < text_.size() &&
               !(text_[pos_] == '*' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/')) {
          Advance();
        }
        if (pos_ < text_.size()) {
          Advance();
          Advance();
        }
      } else if (c == '*' && next == '/' && versionComments_ > 0) {
        Advance();
        Advance();
        --versionComments_;
      } else {
        Advance();
      }
    }
    span.end = text_.size();
    return true;
  }

  // Where the text ends inside a quoted text; empty when it does not.
  const std::string& Error() const { return error_; }

 private:
  // At the start of a statement: a line "DELIMITER x" takes x as the new
  // end of statements and moves past the line.
  bool DelimiterCommand() {
    constexpr std::string_view kCommand = "DELIMITER";
    if (text_.size() - pos_ <= kCommand.size() ||
        Upper(text_.substr(pos_, kCommand.size())) != kCommand ||
        (text_[pos_ + kCommand.size()] != ' ' && text_[pos_ + kCommand.size()] != '\t')) {
      return false;
    }
    std::size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    std::string_view rest = text_.substr(pos_ + kCommand.size(), end - pos_ - kCommand.size());
    const std::size_t first = rest.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return false;
    rest = rest.substr(first);
    delimiter_ = std::string(rest.substr(0, rest.find_first_of(" \t\r")));
    while (pos_ < end)
      Advance();
    return true;
  }

  void Advance() {
    if (text_[pos_++] == '\n') {
      ++line_;
      column_ = 1;
    } else {
      ++column_;
    }
  }

  bool SkipQuoted(char quote) {
    Advance();
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      Advance();
      if (c == quote) {
        if (pos_ < text_.size() && text_[pos_] == quote) {
          Advance();
          continue;
        }
        return true;
      }
      if (c == '\\' && quote != '`' && pos_ < text_.size()) Advance();
    }
    return false;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::uint32_t line_ = 1;
  std::uint32_t column_ = 1;
  int versionComments_ = 0;
  std::string delimiter_ = ";";
  std::string error_;
};

}  // namespace

Status ParseCreateTableStatements(std::string_view text, const CollationTable& collations,
                                  std::vector<StatementTable>& out) {
  std::string database;
  const std::size_t before = out.size();
  StatementScanner scanner(text);
  StatementSpan span;
  while (scanner.Next(span)) {
    const std::string_view statement = text.substr(span.begin, span.end - span.begin);
    // The first words tell the statement; only USE and CREATE TABLE are
    // read whole (a dump's INSERTs are passed over without tokens).
    std::vector<Token> head;
    std::string error;
    Lexer(statement, span.line, span.column, span.versionComments).Run(head, error, 6);
    std::size_t at = 0;
    const auto word = [&](const char* expected) {
      if (at + 1 < head.size() && head[at].kind == TokenKind::kWord &&
          Upper(head[at].text) == expected) {
        ++at;
        return true;
      }
      return false;
    };
    if (word("USE")) {
      if (at + 1 < head.size()) database = head[at].text;
      continue;
    }
    if (!word("CREATE")) continue;
    if (word("OR") && !word("REPLACE")) continue;
    word("TEMPORARY");
    if (!word("TABLE")) continue;
    std::vector<Token> tokens;
    if (!Lexer(statement, span.line, span.column, span.versionComments).Run(tokens, error)) {
      return Status::Corruption(error);
    }
    StatementTable table;
    StatementReader reader(statement, tokens, 0, tokens.size() - 1, collations, out);
    const Status status = reader.Read(table, database);
    if (!status.ok()) return status;
    out.push_back(std::move(table));
  }
  if (!scanner.Error().empty()) return Status::Corruption(scanner.Error());
  if (out.size() == before) return Status::Corruption("no CREATE TABLE statement found");
  return Status::Ok();
}

}  // namespace rowmender
