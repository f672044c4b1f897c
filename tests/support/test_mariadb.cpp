#include "support/test_mariadb.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace velmora_test {

mariadb_endpoint mariadb_server() {
  const char* path = std::getenv("VELMORA_TEST_MARIADB");
  if (path == nullptr)
    throw std::runtime_error("VELMORA_TEST_MARIADB is not set: run the test through ctest");
  std::ifstream in(path);
  if (!in)
    throw std::runtime_error(std::string("the test server's connection file cannot be read: ") + path);
  mariadb_endpoint server;
  std::string line;
  while (std::getline(in, line)) {
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "host") server.host = value;
    else if (key == "port") server.port = static_cast<unsigned>(std::stoul(value));
    else if (key == "user") server.user = value;
    else if (key == "password") server.password = value;
    else if (key == "socket") server.socket = value;
  }
  if (server.port == 0)
    throw std::runtime_error(std::string("no port in the test server's connection file ") + path);
  return server;
}

}  // namespace velmora_test
