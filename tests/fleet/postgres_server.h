// A throw-away PostgreSQL server for the tests: its own data and socket
// folders under a temporary directory, loopback only, a free port, stopped
// when the tests end. Started on first use.
#pragma once

#include <string>

namespace norvale::fleet::testing {

// A URI of a fresh, empty schema on the shared test server (each call a new
// one, so tests never see each other's tables). Fails the calling test (and
// returns empty text) when no server can be started.
std::string FreshPostgresTarget();

// A URI of a fresh database of the given server encoding ("LATIN1", "EUC_JP").
std::string FreshPostgresDatabase(const std::string& encoding);

// A URI to a port where nothing listens.
std::string UnreachablePostgresTarget();

}  // namespace norvale::fleet::testing
