// An error that carries its own account for the user: a Japanese sentence saying what could not
// be done, and the technical detail for the line below it. The error box shows it as it is;
// any other exception reaches the user under a general sentence (ui::ErrorBoxText).
#pragma once

#include <stdexcept>
#include <string>

namespace platform {

class ReportedError : public std::runtime_error {
 public:
  ReportedError(const std::string& sentence, const std::string& detail)
      : std::runtime_error(sentence + "\r\n" + detail), sentence_(sentence), detail_(detail) {}
  const std::string& Sentence() const { return sentence_; }
  const std::string& Detail() const { return detail_; }

 private:
  std::string sentence_;
  std::string detail_;
};

}  // namespace platform
