// The whole program without windows, on a fresh database of the private server, with helpers to
// lay out rows of BOOTJWW, read them back and build export lines.
#pragma once

#include <string>
#include <vector>

#include "db/LaunchTable.h"
#include "tests/support/program_fixture.h"

namespace exchange_test {

using Texts = std::vector<std::string>;  // one row: ten value texts (NULL read as empty)

constexpr const char* kTable = db::kLaunchTableName;
// The header line of an export of BOOTJWW.
extern const char kHeader[];

// A row numbered n as ten statement literals.
Texts SampleLiterals(int n);
// The same row as the value texts read back.
Texts SampleTexts(int n);
// Each text followed by a tab, then CR LF: one line of an export file.
std::string Line(const Texts& texts);

class ExchangeFixture : public testsupport::ProgramFixture {
 protected:
  void SetUp() override;
  // A row given as ten literals, stored through the program's own insert.
  void Insert(const Texts& literals);
  void InsertSamples(int first, int last);
  // Many rows at once on the server (n = first..last, texts derived from n).
  void InsertBulk(int first, int last);
  // Every row ordered by N.
  std::vector<Texts> AllRows();
  // Where the other PC reaches the database.
  std::string ConnectionPath() const;
  std::string File(const std::string& name) const { return folder.Path() + name; }
  static std::string Read(const std::string& path);
  static void Write(const std::string& path, const std::string& bytes);
};

}  // namespace exchange_test
