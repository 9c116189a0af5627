#include "support/temp_workdir.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

TempWorkdir::TempWorkdir(const std::string& parent) {
  previous_ = std::filesystem::current_path().string();
  std::filesystem::path base =
      parent.empty() ? std::filesystem::temp_directory_path() : std::filesystem::path(parent);
  std::string pattern = (base / "kestrel8-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
  path_ = pattern;
  std::filesystem::current_path(path_);
}

TempWorkdir::~TempWorkdir() {
  std::error_code ec;
  std::filesystem::current_path(previous_, ec);
  std::filesystem::remove_all(path_, ec);
}

void TempWorkdir::write_file(const std::string& name, const std::string& bytes) const {
  std::ofstream out(path_ + "/" + name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempWorkdir::read_file(const std::string& name) const {
  std::ifstream in(path_ + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool TempWorkdir::exists(const std::string& name) const {
  return std::filesystem::exists(path_ + "/" + name);
}
