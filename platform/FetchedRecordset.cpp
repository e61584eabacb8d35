#include "platform/FetchedRecordset.h"

#include <algorithm>

#include "platform/AppError.h"
#include "platform/Text.h"

namespace fd {

namespace {

const char* const kRecordsetSource = "ADODB.Recordset";

AppError noCurrentRecord() {
  return AppError(err::kDbNoCurrentRecord, kRecordsetSource,
                  "BOF o EOF es True, o el actual registro se eliminó; la operación solicitada "
                  "requiere un registro actual.");
}

}  // namespace

FetchedRecordset::FetchedRecordset(std::vector<std::string> names,
                                   std::vector<std::vector<std::string>> rows)
    : names_(std::move(names)), rows_(std::move(rows)) {}

bool FetchedRecordset::eof() const {
  return current_ >= rows_.size();
}

std::string FetchedRecordset::field(const std::string& name) const {
  auto it = std::find_if(names_.begin(), names_.end(),
                         [&](const std::string& n) { return equalsNoCase(n, name); });
  if (it == names_.end()) {
    throw AppError(err::kDbItemNotFound, kRecordsetSource,
                   "No se encontró el elemento en la colección que corresponde al nombre o al "
                   "ordinal solicitado.");
  }
  if (eof()) {
    throw noCurrentRecord();
  }
  return rows_[current_][static_cast<std::size_t>(it - names_.begin())];
}

void FetchedRecordset::moveNext() {
  if (eof()) {
    throw noCurrentRecord();
  }
  ++current_;
}

}  // namespace fd
