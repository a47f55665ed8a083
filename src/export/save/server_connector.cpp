#include "export/save/server_connector.h"

namespace rowmender {

namespace {

constexpr std::size_t kShortestMaskedPassword = 4;
constexpr std::string_view kMask = "*****";

}  // namespace

std::string BuildConnectionString(std::string_view server, std::string_view port) {
  std::string text = "Driver={";
  text += kOdbcDriverName;
  text += "};Server=";
  text += server;
  text += ";Option=16834;Port=";
  text += port;
  text += ';';
  return text;
}

std::string MaskPassword(std::string text, std::string_view password) {
  if (password.size() < kShortestMaskedPassword) return text;
  for (std::size_t at = text.find(password); at != std::string::npos;
       at = text.find(password, at + kMask.size())) {
    text.replace(at, password.size(), kMask);
  }
  return text;
}

}  // namespace rowmender
