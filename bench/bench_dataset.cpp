#include "bench/bench_dataset.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "bench/bench_baseline.h"
#include "db/DataModule.h"
#include "db/Statements.h"

namespace bench {
namespace {

// A small deterministic generator: the same rows on every machine.
struct Mix {
  unsigned long long state;
  explicit Mix(long long n) : state(static_cast<unsigned long long>(n) * 0x9E3779B97F4A7C15ULL + 1) {}
  unsigned Next(unsigned bound) {
    state ^= state >> 33;
    state *= 0xFF51AFD7ED558CCDULL;
    state ^= state >> 29;
    return static_cast<unsigned>(state % bound);
  }
};

const char* const kUsers[] = {"田中",   "佐藤",     "鈴木設計", "高橋PC", "伊藤",  "渡辺-CAD",
                              "山本",   "中村",     "小林",     "加藤工務", "設計部01", "ｻｲﾄｳ"};
const char* const kDrives[] = {"C:\\jww\\", "D:\\図面\\", "Z:\\", "Y:\\共有\\"};
const char* const kShares[] = {"\\\\server\\share\\", "\\\\fs01\\図面\\", "\\\\nas\\jw_cad\\"};
const char* const kBuildings[] = {"A棟", "B棟", "C棟", "本館", "別館", "倉庫"};
const char* const kSubfolders[] = {"", "平面図\\", "立面図\\", "設備\\", "提出用\\"};
const char* const kKinds[] = {"平面図", "立面図", "断面図", "配置図", "詳細図", "設備図"};
const char* const kFloors[] = {"1F", "2F", "3F", "B1", "RF"};

std::string TwoDigits(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof(text), "%02u", value);
  return text;
}

std::string Date(Mix& mix) {
  return std::to_string(2019 + mix.Next(7)) + "/" + TwoDigits(1 + mix.Next(12)) + "/" +
         TwoDigits(1 + mix.Next(28));
}

std::string Time(Mix& mix) {
  return TwoDigits(mix.Next(24)) + ":" + TwoDigits(mix.Next(60)) + ":" + TwoDigits(mix.Next(60));
}

bool Exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

std::vector<std::string> LaunchRowLiterals(long long n) {
  Mix mix(n);
  const std::string project = "案件" + std::to_string(2019 + mix.Next(7)) + "\\" +
                              kBuildings[mix.Next(6)] + "\\" + kSubfolders[mix.Next(5)];
  const unsigned drive = mix.Next(4);
  const std::string local = kDrives[drive] + project;
  // Drives Z: and Y: are mapped network drives: their network name is a UNC folder.
  const std::string network = drive >= 2 ? kShares[mix.Next(3)] + project : local;
  char number[8];
  std::snprintf(number, sizeof(number), "%03u", mix.Next(1000));
  const std::string file = std::string(kKinds[mix.Next(6)]) + "-" + kFloors[mix.Next(5)] + "-" +
                           number + (mix.Next(10) == 0 ? ".jwc" : ".jww");
  return {std::to_string(n),
          db::QuoteLiteral(kUsers[mix.Next(12)]),
          db::QuoteLiteral(local),
          db::QuoteLiteral(network),
          db::QuoteLiteral(file),
          db::QuoteLiteral(Date(mix)),
          db::QuoteLiteral(Time(mix)),
          db::QuoteLiteral(Date(mix)),
          db::QuoteLiteral(Time(mix)),
          std::to_string(8192 + mix.Next(6 * 1024 * 1024))};
}

Dataset EnsureDataset(const std::string& server, const std::string& data_dir, long long rows) {
  Dataset dataset{data_dir + "/", "BOOTJWW-" + std::to_string(rows) + ".FDB"};
  const std::string file = dataset.folder + dataset.file_name;
  const std::string done = file + ".done";
  if (Exists(file) && Exists(done)) return dataset;
  std::remove(file.c_str());
  ::mkdir(data_dir.c_str(), 0755);

  const auto started = std::chrono::steady_clock::now();
  std::fprintf(stderr, "generating %lld rows in %s ...\n", rows, file.c_str());
  const db::ClientLibrary& api = db::RequireClientLibrary();
  {
    ISC_STATUS_ARRAY status = {};
    isc_db_handle created = 0;
    isc_tr_handle none = 0;
    const std::string create = "CREATE DATABASE " + db::QuoteLiteral(server + file) +
                               " USER 'SYSDBA' PASSWORD 'quillstar' PAGE_SIZE 4096";
    if (api.execute_immediate(status, &created, &none, 0, create.c_str(), 3, nullptr)) {
      Fail(status, "create database");
    }
    api.detach_database(status, &created);
  }
  BareConnection connection(server + file);
  connection.ExecuteCommitted(db::JoinStatementLines(db::LaunchTableLines()));
  // Rows go in EXECUTE BLOCKs of 200 (one round trip each) and 50 blocks per transaction.
  const long long per_block = 200;
  isc_tr_handle transaction = 0;
  long long blocks_in_transaction = 0;
  std::string block;
  for (long long first = 1; first <= rows; first += per_block) {
    block = "EXECUTE BLOCK AS BEGIN\n";
    for (long long n = first; n < first + per_block && n <= rows; ++n) {
      const std::vector<std::string> values = LaunchRowLiterals(n);
      block += "INSERT INTO BOOTJWW VALUES (";
      for (std::size_t i = 0; i < values.size(); ++i) block += (i ? "," : "") + values[i];
      block += ");\n";
    }
    block += "END";
    if (transaction == 0) connection.Start(&transaction);
    connection.Execute(&transaction, block, "insert block");
    if (++blocks_in_transaction == 50) {
      connection.Commit(&transaction);
      transaction = 0;
      blocks_in_transaction = 0;
    }
  }
  if (transaction != 0) connection.Commit(&transaction);
  std::ofstream(done) << rows << "\n";
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::fprintf(stderr, "generated %lld rows in %.1f s\n", rows, seconds);
  return dataset;
}

}  // namespace bench
