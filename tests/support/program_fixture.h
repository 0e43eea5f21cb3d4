// The whole program without windows: headless toolkit, fake services and the five forms.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/Forms.h"
#include "platform/headless/headless.h"
#include "tests/support/db_fixture.h"
#include "tests/support/fake_services.h"

namespace testsupport {

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);

// The first line of the one message shown so far when it came as an error box; otherwise a
// text saying what was shown instead.
std::string OnlyErrorSentence(const headless::HeadlessBackend& backend);

class ProgramFixture : public ::testing::Test {
 protected:
  ProgramFixture();
  ~ProgramFixture() override;

  headless::HeadlessBackend backend;
  FakeServices services;
  testsupport::TempFolder folder;
  std::unique_ptr<ProgramForms> forms;
};

}  // namespace testsupport
