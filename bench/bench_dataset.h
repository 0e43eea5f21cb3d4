// Databases with a realistic BOOTJWW for the benchmarks, generated once and kept.
#pragma once

#include <string>
#include <vector>

namespace bench {

// The ten value texts (statement literals) of launch row n, the same for every run.
std::vector<std::string> LaunchRowLiterals(long long n);

// The file `data_dir`/BOOTJWW-<rows>.FDB holding `rows` launch rows, generated when missing.
// Returns the folder and file name as the settings need them.
struct Dataset {
  std::string folder;     // with a trailing "/"
  std::string file_name;
};
Dataset EnsureDataset(const std::string& server, const std::string& data_dir, long long rows);

}  // namespace bench
