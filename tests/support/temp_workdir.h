#pragma once
// A fresh working directory for one test, removed afterwards. The console
// reads and writes its files by bare names, so the test moves into it.

#include <string>

class TempWorkdir {
 public:
  // Made under `parent`, the system's temporary folder by default.
  explicit TempWorkdir(const std::string& parent = "");
  ~TempWorkdir();
  TempWorkdir(const TempWorkdir&) = delete;
  TempWorkdir& operator=(const TempWorkdir&) = delete;

  const std::string& path() const { return path_; }
  void write_file(const std::string& name, const std::string& bytes) const;
  // The file's bytes; empty when it is missing (see exists()).
  std::string read_file(const std::string& name) const;
  bool exists(const std::string& name) const;

 private:
  std::string path_;
  std::string previous_;
};
