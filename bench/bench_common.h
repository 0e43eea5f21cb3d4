// Pieces every benchmark program needs: timing, the options, the server and the databases.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace db {
class DataModule;
}

namespace bench {

// Wall time of one run of `work`, in seconds.
double Seconds(const std::function<void()>& work);

// "10000,100000" -> {10000, 100000}; empty pieces are skipped.
std::vector<long long> ParseSizes(const std::string& list);

// "localhost/PORT:" of the private server whose state folder is `state_dir`, or "" when no
// server runs there.
std::string ServerAddress(const std::string& state_dir);

// The settings pointed at `server` + `folder` + `file_name` (everything else at its default),
// and `data` connected to it. Returns whether the connection stands.
bool ConnectTo(db::DataModule& data, const std::string& server, const std::string& folder,
               const std::string& file_name);

// The ten columns of BOOTJWW in table order.
const std::vector<std::string>& LaunchColumns();

// `folder` + `file_name` on `server` created anew (an older file is removed first), `data`
// connected to it (with `reconnect`, through a connection of its own after the one that created
// it), and BOOTJWW and the BASELINE table of the same columns, which the bare inserts fill,
// created in it. Returns whether all of that succeeded.
bool CreateScratchDatabase(db::DataModule& data, const std::string& server, const std::string& folder,
                           const std::string& file_name, bool reconnect);

// One number formatted with a printf format, e.g. Printed("%.1f MiB", bytes / 1048576.0).
std::string Printed(const char* format, double value);

}  // namespace bench
