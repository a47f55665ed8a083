// The server connection over ODBC (unixODBC and the MariaDB ODBC driver).
//
// Statements travel as UTF-16 through the driver's wide functions, so the
// driver converts them to the connection's character set without loss;
// errors come back as the driver's own diagnostic texts.
#pragma once

#include <memory>
#include <string>

#include "export/save/server_connector.h"
#include "export/server_connection.h"

namespace rowmender {

class OdbcConnector : public ServerConnector {
 public:
  // Seconds a connection attempt may take before the driver gives up.
  static constexpr int kLoginTimeoutSeconds = 10;

  std::unique_ptr<ServerConnection> Open(const std::string& connectionString,
                                         const std::string& user, const std::string& password,
                                         std::string& error) override;
};

}  // namespace rowmender
