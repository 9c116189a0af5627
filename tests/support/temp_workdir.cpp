#include "support/temp_workdir.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

TempWorkdir::TempWorkdir(const std::string& parent) {
  previous_ = std::filesystem::current_path().string();
  std::filesystem::path base =
      parent.empty() ? std::filesystem::temp_directory_path() : std::filesystem::path(parent);
  // A name nobody else holds: create_directory refuses one that exists.
  std::random_device seed;
  std::mt19937_64 pick(seed());
  for (int attempt = 0; path_.empty(); ++attempt) {
    if (attempt == 100) throw std::runtime_error("no fresh temporary folder");
    std::filesystem::path candidate =
        base / ("kestrel8-test-" + std::to_string(pick() % 1000000000));
    if (std::filesystem::create_directory(candidate)) path_ = candidate.string();
  }
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
