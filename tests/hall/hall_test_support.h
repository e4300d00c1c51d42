// The real engines for the hall tests: an SQLite file in a fresh folder, and a fresh database
// in the throwaway PostgreSQL cluster that ctest starts before these tests (or that the first
// test starts itself when run alone).
#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace korvel::server::testing {

inline std::string ReadFirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

// A folder removed with everything in it at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvel-hall-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The URL of the shared test cluster's maintenance database.
inline std::string PostgresServerUrl() {
  static const std::string url = [] {
    const std::string dir = KORVEL_TEST_POSTGRES_DIR;
    std::string found = ReadFirstLine(dir + "/url");
    if (!found.empty()) return found;
    // Run alone: start a cluster of our own and stop it when the program ends.
    static const std::string own = dir + "-" + std::to_string(::getpid());
    const std::string start = std::string(KORVEL_TEST_POSTGRES_SCRIPT) + " start " + own;
    if (std::system(start.c_str()) != 0) return std::string();
    std::atexit([] {
      const std::string stop = std::string(KORVEL_TEST_POSTGRES_SCRIPT) + " stop " + own;
      (void)!std::system(stop.c_str());
    });
    return ReadFirstLine(own + "/url");
  }();
  return url;
}

// A database of its own for one test, dropped at the end.
class PostgresDatabase {
 public:
  PostgresDatabase() {
    const std::string server = PostgresServerUrl();
    if (server.empty()) return;
    static std::atomic<int> counter{0};
    name_ = "korvel_t" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    Admin("DROP DATABASE IF EXISTS " + name_);
    if (!Admin("CREATE DATABASE " + name_)) name_.clear();
    const auto slash = server.rfind('/');
    url_ = server.substr(0, slash + 1) + name_;
  }
  ~PostgresDatabase() {
    if (!name_.empty()) Admin("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
  }
  bool Ok() const { return !name_.empty(); }
  const std::string& Url() const { return url_; }
  // Runs SQL in this database; false on an error.
  bool Exec(const std::string& sql) const { return Run(url_, sql); }

 private:
  static bool Run(const std::string& url, const std::string& sql) {
    PGconn* c = PQconnectdb(url.c_str());
    bool ok = PQstatus(c) == CONNECTION_OK;
    PQsetNoticeProcessor(
        c, [](void*, const char*) {}, nullptr);
    if (ok) {
      PGresult* r = PQexec(c, sql.c_str());
      ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
      PQclear(r);
    }
    PQfinish(c);
    return ok;
  }
  bool Admin(const std::string& sql) const { return Run(PostgresServerUrl(), sql); }

  std::string name_;
  std::string url_;
};

}  // namespace korvel::server::testing
