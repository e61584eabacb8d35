#pragma once

#include <string>
#include <vector>

#include "platform/Database.h"

namespace fd {

// A recordset over rows already fetched from the driver: the fields are text, named by the
// result's column labels, and read without regard to letter case.
class FetchedRecordset : public Recordset {
 public:
  FetchedRecordset(std::vector<std::string> names, std::vector<std::vector<std::string>> rows);

  bool eof() const override;
  std::string field(const std::string& name) const override;
  void moveNext() override;

 private:
  std::vector<std::string> names_;
  std::vector<std::vector<std::string>> rows_;
  std::size_t current_ = 0;
};

}  // namespace fd
