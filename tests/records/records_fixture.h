// The whole program without windows, pointed at a fresh database on the private server, with
// helpers to lay out rows of BOOTJWW and to read them back.
#pragma once

#include <string>
#include <vector>

#include "tests/support/program_fixture.h"

namespace records_test {

// One row of BOOTJWW as ten statement literals (texts quoted, numbers, NULL).
using Literals = std::vector<std::string>;
// One row as the ten value texts the program reads back.
using Texts = std::vector<std::string>;

// A plausible row numbered n (file "図面<n>.jww", size n * 10).
Literals SampleRow(int n);

class RecordsFixture : public testsupport::ProgramFixture {
 protected:
  // Settings point at <folder>/name on the private server; the database is created with the
  // table (unless told otherwise) and the connection is left open.
  void CreateFreshDatabase(const std::string& name = "RECORDS.FDB", bool with_table = true);
  // The same on `server`, a server of the test's own that it may stop and restart, with rows
  // first to last; connected the way the program connects after its settings dialog.
  void CreateDatabaseOn(testsupport::PrivateServer& server, int first, int last);
  void Insert(const Literals& row);
  void InsertSampleRows(int first, int last);
  // Every row, ordered by N, read through a second look with the data operations.
  std::vector<Texts> AllRows();
  Texts GridRow(int row);
  int FilledGridRows();
};

}  // namespace records_test
