// Any file at the repeater list's name, and any file read for its first line:
// the lists take at most 256 entries, none longer than its line piece (256
// characters for "His repeater", 100 for "My repeater"), none holding a line
// feed, a comment or a NUL; and no line is lost, invented or reordered
// against a plain reading of the file.

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "settings/repeater_lists.h"
#include "settings/settings_files.h"
#include "support/recording_view.h"

namespace {

constexpr const char* kListFile = "D-STAR_repeaters.txt";

// A carriage return right before a line feed is part of the line end.
std::string without_crlf(std::string_view bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    out += bytes[i];
  }
  return out;
}

// Line pieces of at most `limit` characters; after a full piece the next
// character is dropped.
std::vector<std::string> pieces_of(const std::string& text, std::size_t limit) {
  std::vector<std::string> pieces;
  std::size_t i = 0;
  while (i < text.size()) {
    std::string piece;
    while (i < text.size()) {
      char c = text[i++];
      if (c == '\n') break;
      piece += c;
      if (piece.size() == limit) {
        if (i < text.size()) ++i;
        break;
      }
    }
    pieces.push_back(piece);
  }
  return pieces;
}

std::string entry_of(std::string piece) {
  piece = piece.substr(0, piece.find('\0'));
  return piece.substr(0, piece.find("//"));
}

std::string first_field(const std::string& entry) {
  std::size_t start = entry.find_first_not_of(",\t\n");
  if (start == std::string::npos) return {};
  return entry.substr(start, entry.find_first_of(",\t\n", start) - start);
}

bool write_list_file(std::string_view bytes) {
  int fd = ::open(kListFile, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return false;
  bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return ::close(fd) == 0 && ok;
}

void check_entry(const std::string& entry, std::size_t chunk) {
  FUZZ_REQUIRE(!entry.empty());
  FUZZ_REQUIRE(entry.size() <= chunk);
  FUZZ_REQUIRE(entry.find('\n') == std::string::npos);
  FUZZ_REQUIRE(entry.find('\0') == std::string::npos);
  FUZZ_REQUIRE(entry.find("//") == std::string::npos);
}

char work_folder[] = "/tmp/kestrel8-fuzz-XXXXXX";

void remove_work_folder() {
  ::unlink(kListFile);
  ::rmdir(work_folder);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The lists are read by bare names from the working folder.
  if (::mkdtemp(work_folder) == nullptr || ::chdir(work_folder) != 0) std::abort();
  std::atexit(remove_work_folder);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);
  FUZZ_REQUIRE(write_list_file(file));
  const std::string text = without_crlf(file);

  // "His repeater": every non-empty line piece, up to 256 entries.
  {
    std::vector<std::string> want;
    for (const std::string& piece : pieces_of(text, 256)) {
      std::string entry = entry_of(piece);
      if (!entry.empty() && want.size() < 256) want.push_back(entry);
    }
    CallLogView view;
    fill_his_repeater_list(view);
    FUZZ_REQUIRE(view.calls.size() == want.size());
    FUZZ_REQUIRE(view.calls.size() <= 256);
    for (std::size_t i = 0; i < want.size(); ++i) {
      const ViewCall& call = view.calls[i];
      FUZZ_REQUIRE(call.kind == ViewCall::list_append && call.id == 290);
      check_entry(call.text, 256);
      FUZZ_REQUIRE(call.text == want[i]);
    }
  }

  // "My repeater": the first entry goes, then the lines of the area.
  {
    const std::vector<std::string> pieces = pieces_of(text, 100);
    const std::string areas[] = {"JP1", "Simplex", "",
                                 pieces.empty() ? "" : first_field(entry_of(pieces[0]))};
    const std::string area = areas[data[0] % 4];
    std::vector<std::string> want;
    for (const std::string& piece : pieces) {
      std::string entry = entry_of(piece);
      std::string field = first_field(entry);
      if (!field.empty() && field.substr(0, 7) == area.substr(0, 7) && want.size() < 256) {
        want.push_back(entry);
      }
    }
    CallLogView view;
    fill_my_repeater_list(view, kListFile, area);
    FUZZ_REQUIRE(!view.calls.empty());
    FUZZ_REQUIRE(view.calls[0].kind == ViewCall::list_remove && view.calls[0].id == 270 &&
                 view.calls[0].index == 0);
    FUZZ_REQUIRE(view.calls.size() == want.size() + 1);
    for (std::size_t i = 0; i < want.size(); ++i) {
      const ViewCall& call = view.calls[i + 1];
      FUZZ_REQUIRE(call.kind == ViewCall::list_append && call.id == 270);
      check_entry(call.text, 100);
      FUZZ_REQUIRE(call.text == want[i]);
    }
  }

  // A settings file's first line: at most 99 characters, a line feed only
  // at its end, nothing after a NUL.
  {
    std::string want;
    for (char c : text) {
      if (want.size() == 99) break;
      want += c;
      if (c == '\n') break;
    }
    want = want.substr(0, want.find('\0'));
    CallLogView view;
    const std::string line = read_first_line(view, kListFile);
    FUZZ_REQUIRE(view.calls.empty());
    FUZZ_REQUIRE(line.size() <= 99);
    FUZZ_REQUIRE(line.find('\0') == std::string::npos);
    FUZZ_REQUIRE(line.find('\n') == std::string::npos || line.find('\n') == line.size() - 1);
    FUZZ_REQUIRE(line == want);
  }
  return 0;
}
