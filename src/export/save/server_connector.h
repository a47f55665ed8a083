// Opening a connection to the target server of "Save in database".
//
// The connection string names the ODBC driver, the server and the port,
// as typed; user and password travel beside it, never inside a text the
// program shows or writes. The ODBC library implements the connector; the
// dialog and the save only see this interface.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "export/server_connection.h"

namespace rowmender {

// The ODBC driver name the connection string asks for. Machine set-up
// registers the installed MariaDB ODBC driver under this name.
inline constexpr std::string_view kOdbcDriverName = "MySql ODBC 5.1 Driver";

// "Driver={MySql ODBC 5.1 Driver};Server=<server>;Option=16834;Port=<port>;"
// with the two texts exactly as typed.
std::string BuildConnectionString(std::string_view server, std::string_view port);

class ServerConnector {
 public:
  virtual ~ServerConnector() = default;

  // Opens a connection; null on failure, with the driver's own diagnostic
  // text in `error` (the password removed from it).
  virtual std::unique_ptr<ServerConnection> Open(const std::string& connectionString,
                                                 const std::string& user,
                                                 const std::string& password,
                                                 std::string& error) = 0;
};

// `text` with every occurrence of `password` masked, for texts that reach
// a message box, the log or the output pane. Passwords shorter than four
// characters are left alone (masking them would garble ordinary words);
// no driver puts a password into its messages in the first place.
std::string MaskPassword(std::string text, std::string_view password);

}  // namespace rowmender
