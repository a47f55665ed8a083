#include "export/odbc/odbc_connection.h"

// clang-format off
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
// clang-format on

#include <cstdint>
#include <vector>

#include "base/utf8.h"

namespace rowmender {

namespace {

using WideText = std::vector<SQLWCHAR>;

constexpr std::uint32_t kSurrogateBase = 0x10000;
constexpr std::uint32_t kHighSurrogate = 0xD800;
constexpr std::uint32_t kLowSurrogate = 0xDC00;
constexpr std::uint32_t kSurrogateMask = 0x3FF;
constexpr std::uint32_t kLastBmp = 0xFFFF;
constexpr std::uint32_t kReplacement = 0xFFFD;
constexpr int kSurrogateShift = 10;
constexpr SQLSMALLINT kMessageCapacity = 2048;

// UTF-8 to the driver's UTF-16 code units (not terminated).
WideText ToWide(std::string_view text) {
  WideText wide;
  wide.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    std::uint32_t c = DecodeUtf8At(text, i);
    if (c == kInvalidCodePoint) c = kReplacement;
    if (c > kLastBmp) {
      c -= kSurrogateBase;
      wide.push_back(static_cast<SQLWCHAR>(kHighSurrogate + (c >> kSurrogateShift)));
      wide.push_back(static_cast<SQLWCHAR>(kLowSurrogate + (c & kSurrogateMask)));
    } else {
      wide.push_back(static_cast<SQLWCHAR>(c));
    }
  }
  return wide;
}

std::string FromWide(const SQLWCHAR* text, std::size_t length) {
  std::string out;
  for (std::size_t i = 0; i < length; ++i) {
    std::uint32_t c = text[i];
    if (c >= kHighSurrogate && c < kLowSurrogate && i + 1 < length &&
        text[i + 1] >= kLowSurrogate && text[i + 1] <= kLowSurrogate + kSurrogateMask) {
      c = kSurrogateBase + ((c - kHighSurrogate) << kSurrogateShift) +
          (text[i + 1] - kLowSurrogate);
      ++i;
    }
    AppendUtf8(out, c);
  }
  return out;
}

// Every diagnostic record of `handle`, the messages joined by line feeds.
std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  std::string text;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLWCHAR state[6] = {};
    SQLINTEGER nativeError = 0;
    SQLWCHAR message[kMessageCapacity] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN result = SQLGetDiagRecW(type, handle, record, state, &nativeError, message,
                                            kMessageCapacity, &length);
    if (!SQL_SUCCEEDED(result)) break;
    if (!text.empty()) text += '\n';
    const std::size_t used = length < 0 ? 0 : std::min<std::size_t>(length, kMessageCapacity - 1);
    text += FromWide(message, used);
  }
  return text;
}

// A connection value in braces, so ';' and '=' inside it stay part of it.
void AppendBraced(WideText& out, std::string_view value) {
  std::string braced = "{";
  for (char c : value) {
    braced.push_back(c);
    if (c == '}') braced.push_back('}');
  }
  braced.push_back('}');
  const WideText wide = ToWide(braced);
  out.insert(out.end(), wide.begin(), wide.end());
}

class OdbcConnection : public ServerConnection {
 public:
  OdbcConnection(SQLHENV environment, SQLHDBC connection)
      : environment_(environment), connection_(connection) {}
  ~OdbcConnection() override {
    if (statement_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, statement_);
    SQLDisconnect(connection_);
    SQLFreeHandle(SQL_HANDLE_DBC, connection_);
    SQLFreeHandle(SQL_HANDLE_ENV, environment_);
  }
  OdbcConnection(const OdbcConnection&) = delete;
  OdbcConnection& operator=(const OdbcConnection&) = delete;

  bool Execute(const std::string& statement, std::string& error) override {
    if (statement_ == SQL_NULL_HSTMT &&
        !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection_, &statement_))) {
      statement_ = SQL_NULL_HSTMT;
      error = Diagnostics(SQL_HANDLE_DBC, connection_);
      return false;
    }
    WideText text = ToWide(statement);
    text.push_back(0);
    const SQLRETURN result =
        SQLExecDirectW(statement_, text.data(), static_cast<SQLINTEGER>(text.size() - 1));
    const bool ok = SQL_SUCCEEDED(result) || result == SQL_NO_DATA;
    if (!ok) {
      error = Diagnostics(SQL_HANDLE_STMT, statement_);
      if (error.empty()) error = "the statement failed";
    }
    // Results are not wanted: closing the cursor discards them all. (Asking
    // the MariaDB driver for further results after a statement that made
    // none, such as CREATE TRIGGER, crashes it.)
    SQLFreeStmt(statement_, SQL_CLOSE);
    return ok;
  }

 private:
  SQLHENV environment_;
  SQLHDBC connection_;
  SQLHSTMT statement_ = SQL_NULL_HSTMT;
};

}  // namespace

std::unique_ptr<ServerConnection> OdbcConnector::Open(const std::string& connectionString,
                                                      const std::string& user,
                                                      const std::string& password,
                                                      std::string& error) {
  SQLHENV environment = SQL_NULL_HENV;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment))) {
    error = "the ODBC driver manager cannot be used";
    return nullptr;
  }
  SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION,
                reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(SQL_OV_ODBC3)), 0);
  SQLHDBC connection = SQL_NULL_HDBC;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection))) {
    error = MaskPassword(Diagnostics(SQL_HANDLE_ENV, environment), password);
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
    return nullptr;
  }
  SQLSetConnectAttr(connection, SQL_ATTR_LOGIN_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(kLoginTimeoutSeconds)),
                    0);

  // The account goes beside the caller's string, as UID and PWD.
  WideText text = ToWide(connectionString);
  if (!connectionString.empty() && connectionString.back() != ';')
    text.push_back(static_cast<SQLWCHAR>(';'));
  for (const SQLWCHAR c : ToWide("UID="))
    text.push_back(c);
  AppendBraced(text, user);
  for (const SQLWCHAR c : ToWide(";PWD="))
    text.push_back(c);
  AppendBraced(text, password);
  text.push_back(static_cast<SQLWCHAR>(';'));
  text.push_back(0);

  const SQLRETURN result =
      SQLDriverConnectW(connection, nullptr, text.data(), static_cast<SQLSMALLINT>(text.size() - 1),
                        nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  // The account's text is not kept longer than the call.
  std::fill(text.begin(), text.end(), SQLWCHAR{0});
  if (!SQL_SUCCEEDED(result)) {
    error = MaskPassword(Diagnostics(SQL_HANDLE_DBC, connection), password);
    if (error.empty()) error = "the connection failed";
    SQLFreeHandle(SQL_HANDLE_DBC, connection);
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
    return nullptr;
  }
  return std::make_unique<OdbcConnection>(environment, connection);
}

}  // namespace rowmender
