#include "command.h"

#include <cstdio>
#include <exception>

#include "archive.h"
#include "path_text.h"
#include "vok_error.h"

namespace fs = std::filesystem;

namespace vok {
namespace {

constexpr char kUsage[] =
    "usage: vok c FOLDER     packs FOLDER into FOLDER.vok beside it\n"
    "       vok d NAME.vok   unpacks NAME.vok into the folder NAME beside it\n";

struct Paths {
  fs::path folder;
  fs::path archive;
};

fs::path WithoutTrailingSeparators(const fs::path& path) {
  fs::path::string_type text = path.native();
  while (!text.empty() && (text.back() == '/' || text.back() == '\\')) text.pop_back();
  return text;
}

bool NamesNoFolder(const fs::path& path) {
  const fs::path name = path.filename();
  return name.empty() || name == "." || name == "..";
}

// "data/" packs into "data.vok"; "." and ".." are called by the folder's
// real name, so the archive lands beside the folder and not inside it.
Paths ChoosePackPaths(const fs::path& argument) {
  fs::path folder = WithoutTrailingSeparators(argument);
  if (NamesNoFolder(folder)) {
    std::error_code error;
    folder = fs::canonical(argument, error);
    if (error) throw VokError(error.message());
    if (folder.filename().empty()) throw VokError("a root folder has no name for the archive");
  }
  fs::path archive = folder;
  archive += ".vok";
  return {folder, archive};
}

template <typename Text>
bool HasVokExtension(const Text& text) {
  constexpr char kExtension[] = ".vok";
  if (text.size() < 4) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    auto c = text[text.size() - 4 + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<decltype(c)>(c - 'A' + 'a');
    if (c != static_cast<decltype(c)>(kExtension[i])) return false;
  }
  return true;
}

Paths ChooseUnpackPaths(const fs::path& argument) {
  fs::path::string_type text = argument.native();
  if (!HasVokExtension(text)) throw VokError("the name must end in .vok");
  text.resize(text.size() - 4);
  const fs::path folder(text);
  if (NamesNoFolder(folder)) throw VokError("no folder name comes before .vok");
  return {folder, argument};
}

std::string Plural(std::uint64_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// Decimal units, as file managers show them: "3.4 MB".
std::string DescribeSize(std::uint64_t bytes) {
  if (bytes < 1000) return Plural(bytes, "byte");
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
  double value = static_cast<double>(bytes) / 1000;
  int unit = 0;
  for (; value >= 999.95 && unit < 5; ++unit) value /= 1000;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

std::string DescribeTotals(const Totals& totals) {
  return Plural(totals.files, "file") + ", " + Plural(totals.folders, "folder") + ", " +
         DescribeSize(totals.bytes);
}

CommandResult Pack(const fs::path& argument) {
  try {
    const Paths paths = ChoosePackPaths(argument);
    const Totals totals = PackFolder(paths.folder, paths.archive);
    return {0, "packed " + DescribeTotals(totals) + " into " + PathToUtf8(paths.archive) + "\n",
            ""};
  } catch (const std::exception& error) {
    return {1, "", "vok: cannot pack " + QuotedPath(argument) + ": " + error.what() + "\n"};
  }
}

CommandResult Unpack(const fs::path& argument) {
  try {
    const Paths paths = ChooseUnpackPaths(argument);
    const Totals totals = UnpackArchive(paths.archive, paths.folder);
    return {0, "unpacked " + DescribeTotals(totals) + " into " + PathToUtf8(paths.folder) + "\n",
            ""};
  } catch (const std::exception& error) {
    return {1, "", "vok: cannot unpack " + QuotedPath(argument) + ": " + error.what() + "\n"};
  }
}

}  // namespace

CommandResult RunCommand(const std::vector<fs::path>& arguments) {
  if (arguments.size() == 2 && arguments[0] == "c") return Pack(arguments[1]);
  if (arguments.size() == 2 && arguments[0] == "d") return Unpack(arguments[1]);
  return {2, "", kUsage};
}

}  // namespace vok
