// The lookup every registry shares: its records are kept in creation order and found by exact,
// case-sensitive name, the first match winning, so a later record of the same name is never found.
#pragma once

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

template <typename Record>
Record* findByName(const std::vector<std::unique_ptr<Record>>& list, const char* name) {
  if (!name) return nullptr;
  for (const std::unique_ptr<Record>& record : list) {
    if (record->name == name) return record.get();
  }
  return nullptr;
}

// The names the show looked up and did not find, each said once on stderr: a missing resource
// leaves a blank band or an untextured quad, which should not pass without a word.
class MissingNames {
 public:
  void report(const char* kind, const char* name) {
    const std::string key = std::string(kind) + ":" + (name ? name : "");
    if (!said.insert(key).second) return;
    std::fprintf(stderr,
                 "nightloom: warning: there is no %s \"%s\"; what uses it draws without it\n", kind,
                 name ? name : "");
  }

 private:
  std::set<std::string> said;
};

// findByName for a lookup the show relies on: a miss is reported once.
template <typename Record>
Record* requireByName(const std::vector<std::unique_ptr<Record>>& list, const char* name,
                      MissingNames& missing, const char* kind) {
  Record* record = findByName(list, name);
  if (!record) missing.report(kind, name);
  return record;
}
