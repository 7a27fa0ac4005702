#include "tests/fleet/postgres_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "fleet/store/database.h"

namespace norvale::fleet::testing {
namespace {

namespace fs = std::filesystem;

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port = ntohs(addr.sin_port);
  }
  close(fd);
  return port;
}

std::string PostgresBin() {
  std::string best;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
    const std::string bin = (entry.path() / "bin").string();
    if (fs::exists(bin + "/pg_ctl") && bin > best) best = bin;
  }
  return best;
}

class Server {
 public:
  Server() {
    const std::string bin = PostgresBin();
    if (bin.empty()) {
      error_ = "no PostgreSQL server in /usr/lib/postgresql (scripts/setup installs it)";
      return;
    }
    char pattern[] = "/tmp/norvale-pg-XXXXXX";
    if (!mkdtemp(pattern)) {
      error_ = "cannot make a temporary folder";
      return;
    }
    dir_ = pattern;
    // The server refuses to run as root: as root it runs as the postgres user.
    std::string as;
    if (geteuid() == 0) {
      const passwd* pw = getpwnam("postgres");
      if (!pw) {
        error_ = "running as root and there is no postgres user";
        return;
      }
      if (chown(dir_.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
        error_ = "cannot hand " + dir_ + " to postgres";
        return;
      }
      as = "runuser -u postgres -- ";
    }
    port_ = FreePort();
    const std::string data = dir_ + "/data";
    const std::string log = dir_ + "/server.log";
    const std::string init = as + bin + "/initdb -D " + data +
                             " -U postgres -A trust -E UTF8 --locale=C --no-sync >" + dir_ +
                             "/initdb.out 2>&1";
    if (std::system(init.c_str()) != 0) {
      error_ = "initdb failed; see " + dir_ + "/initdb.out";
      return;
    }
    const std::string start =
        as + bin + "/pg_ctl -D " + data + " -l " + log +
        " -w -t 60 -o \"-c listen_addresses=127.0.0.1 -p " + std::to_string(port_) + " -k " + dir_ +
        " -c fsync=off -c full_page_writes=off -c max_connections=40\" start >" + dir_ +
        "/pg_ctl.out 2>&1";
    if (std::system(start.c_str()) != 0) {
      error_ = "the PostgreSQL server did not start; see " + log;
      return;
    }
    stop_ = as + bin + "/pg_ctl -D " + data + " -m fast -w stop >/dev/null 2>&1";
  }

  ~Server() {
    if (!stop_.empty()) {
      const int rc = std::system(stop_.c_str());
      (void)rc;  // nothing more to do if it was already gone
    }
    if (!dir_.empty() && error_.empty()) {  // a failed start keeps its logs
      std::error_code ec;
      fs::remove_all(dir_, ec);
    }
  }

  const std::string& error() const { return error_; }

  std::string FreshTarget() {
    const std::string schema = "t" + std::to_string(++schemas_);
    auto db = OpenDatabase(BaseUri());
    db->Execute("CREATE SCHEMA " + schema);
    return BaseUri() + "?options=-csearch_path%3D" + schema;
  }

  std::string FreshDatabase(const std::string& encoding) {
    const std::string name = "d" + std::to_string(++schemas_);
    // Straight through libpq: the program's own connection refuses such databases.
    PGconn* conn = PQconnectdb(BaseUri().c_str());
    PQclear(PQexec(conn, ("CREATE DATABASE " + name + " ENCODING '" + encoding +
                          "' TEMPLATE template0 LC_COLLATE 'C' LC_CTYPE 'C'")
                             .c_str()));
    PQfinish(conn);
    return "postgresql://postgres@127.0.0.1:" + std::to_string(port_) + "/" + name;
  }

 private:
  std::string BaseUri() const {
    return "postgresql://postgres@127.0.0.1:" + std::to_string(port_) + "/postgres";
  }

  std::string dir_, stop_, error_;
  int port_ = 0;
  int schemas_ = 0;
};

std::unique_ptr<Server>& TheServer() {
  static std::unique_ptr<Server> server;
  return server;
}

// Stops the server after the last test.
class ServerEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { TheServer().reset(); }
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

}  // namespace

namespace {

// The shared server, started on first use; nothing (and a failed test) when
// it cannot start.
Server* RunningServer() {
  auto& server = TheServer();
  if (!server) server = std::make_unique<Server>();
  if (!server->error().empty()) {
    ADD_FAILURE() << server->error();
    return nullptr;
  }
  return server.get();
}

}  // namespace

std::string FreshPostgresTarget() {
  Server* server = RunningServer();
  return server ? server->FreshTarget() : std::string();
}

std::string FreshPostgresDatabase(const std::string& encoding) {
  Server* server = RunningServer();
  return server ? server->FreshDatabase(encoding) : std::string();
}

std::string UnreachablePostgresTarget() {
  return "postgresql://postgres@127.0.0.1:" + std::to_string(FreePort()) +
         "/postgres?connect_timeout=5";
}

}  // namespace norvale::fleet::testing
