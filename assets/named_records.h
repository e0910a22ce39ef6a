// The lookup every registry shares: its records are kept in creation order and found by exact,
// case-sensitive name, the first match winning, so a later record of the same name is never found.
#pragma once

#include <memory>
#include <vector>

template <typename Record>
Record* findByName(const std::vector<std::unique_ptr<Record>>& list, const char* name) {
  if (!name) return nullptr;
  for (const std::unique_ptr<Record>& record : list) {
    if (record->name == name) return record.get();
  }
  return nullptr;
}
