// The connection through which Database mode runs its statements on the
// target server. The program's own connection (ODBC) implements it; the
// trigger builder only needs to run one statement text at a time.
#pragma once

#include <string>

namespace rowmender {

class ServerConnection {
 public:
  virtual ~ServerConnection() = default;

  // Runs `statement` as one command text (no parameters; any result set is
  // discarded). Returns false on any failure and then puts the server's or
  // driver's text into `error`.
  virtual bool Execute(const std::string& statement, std::string& error) = 0;
};

}  // namespace rowmender
