// Packing: list the tree, check every name, then stream the entries in path
// order into a temporary file that becomes the archive once complete.
#include <algorithm>
#include <system_error>
#include <utility>
#include <vector>

#include "archive.h"
#include "archive_format.h"
#include "binary_file.h"
#include "crc32.h"
#include "entry_names.h"
#include "links.h"
#include "path_text.h"
#include "vok_error.h"

namespace fs = std::filesystem;

namespace vok {
namespace {

struct SourceEntry {
  std::string path;  // as stored: UTF-8 with '/' separators
  EntryKind kind;
  fs::path source;
};

// Links (junctions too) and devices have no place in the format; following
// a link could also pack things outside the folder, or loop. fs::status
// follows links, as it does on Windows: only IsLink stops them.
EntryKind KindOf(const fs::path& source, const std::string& path) {
  if (IsLink(source)) {
    throw VokError(Quoted(path) + " is a link; only files and folders are packed");
  }
  std::error_code error;
  const fs::file_status status = fs::status(source, error);
  if (error) throw VokError("cannot examine " + QuotedPath(source) + ": " + error.message());
  if (fs::is_regular_file(status)) return EntryKind::kFile;
  if (fs::is_directory(status)) return EntryKind::kFolder;
  throw VokError(Quoted(path) + " is neither a file nor a folder");
}

// Every file and folder under `root`, checked and sorted by stored path.
std::vector<SourceEntry> ListTree(const fs::path& root) {
  std::vector<SourceEntry> entries;
  std::vector<std::pair<fs::path, std::string>> pending = {{root, ""}};
  while (!pending.empty()) {
    const auto [folder, prefix] = std::move(pending.back());
    pending.pop_back();
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      std::string path = prefix + PathToUtf8(it->path().filename());
      const std::string problem = EntryPathProblem(path);
      if (!problem.empty()) throw VokError(Quoted(path) + ": " + problem);
      const EntryKind kind = KindOf(it->path(), path);
      if (kind == EntryKind::kFolder) pending.emplace_back(it->path(), path + "/");
      entries.push_back({std::move(path), kind, it->path()});
    }
    if (error) throw VokError("cannot list " + QuotedPath(folder) + ": " + error.message());
  }
  std::sort(entries.begin(), entries.end(),
            [](const SourceEntry& a, const SourceEntry& b) { return a.path < b.path; });
  return entries;
}

class ArchiveWriter {
 public:
  explicit ArchiveWriter(BinaryFile& out) : out_(out), chunk_(kChunkBytes) {
    std::string header(kArchiveMagic);
    AppendLittleEndian(header, kArchiveVersion, 4);
    out_.Write(header);
  }

  void AddFolder(const std::string& path) {
    WriteEntryStart(EntryKind::kFolder, path);
    out_.Write(SizeAndCrc(0, 0));
  }

  // Streams the file in; its size and CRC-32, known only at the end, are
  // patched into the entry's header then. Returns the size.
  std::uint64_t AddFile(const std::string& path, const fs::path& source) {
    WriteEntryStart(EntryKind::kFile, path);
    const std::uint64_t sizeOffset = out_.Position();
    out_.Write(SizeAndCrc(0, 0));
    BinaryFile in = BinaryFile::OpenForReading(source);
    Crc32 crc;
    std::uint64_t size = 0;
    while (const std::size_t count = in.Read(chunk_.data(), chunk_.size())) {
      crc.Update(chunk_.data(), count);
      out_.Write(chunk_.data(), count);
      size += count;
    }
    const std::uint64_t endOffset = out_.Position();
    out_.Seek(sizeOffset);
    out_.Write(SizeAndCrc(size, crc.Value()));
    out_.Seek(endOffset);
    return size;
  }

  void Finish() { out_.Write(std::string(1, static_cast<char>(EntryKind::kEnd))); }

 private:
  void WriteEntryStart(EntryKind kind, const std::string& path) {
    std::string start(1, static_cast<char>(kind));
    AppendLittleEndian(start, path.size(), 4);
    out_.Write(start + path);
  }

  static std::string SizeAndCrc(std::uint64_t size, std::uint32_t crc) {
    std::string bytes;
    AppendLittleEndian(bytes, size, 8);
    AppendLittleEndian(bytes, crc, 4);
    return bytes;
  }

  BinaryFile& out_;
  std::vector<char> chunk_;
};

Totals WriteArchive(BinaryFile& out, const std::vector<SourceEntry>& entries) {
  ArchiveWriter writer(out);
  Totals totals;
  for (const SourceEntry& entry : entries) {
    if (entry.kind == EntryKind::kFolder) {
      writer.AddFolder(entry.path);
      ++totals.folders;
    } else {
      totals.bytes += writer.AddFile(entry.path, entry.source);
      ++totals.files;
    }
  }
  writer.Finish();
  return totals;
}

void RequireFolder(const fs::path& folder) {
  std::error_code error;
  const fs::file_status status = fs::status(folder, error);
  if (status.type() == fs::file_type::not_found) throw VokError("no such folder");
  if (error) throw VokError(error.message());
  if (!fs::is_directory(status)) throw VokError("it is not a folder");
}

}  // namespace

Totals PackFolder(const fs::path& folder, const fs::path& archive) {
  RequireFolder(folder);
  const std::vector<SourceEntry> entries = ListTree(folder);
  // The temporary file sits beside the folder, never inside, so it can't be
  // packed into itself.
  const fs::path temporary = UnusedSiblingPath(archive, ".tmp");
  try {
    BinaryFile out = BinaryFile::CreateForWriting(temporary);
    const Totals totals = WriteArchive(out, entries);
    out.Close();
    std::error_code error;
    fs::rename(temporary, archive, error);
    if (error) throw VokError("cannot write " + QuotedPath(archive) + ": " + error.message());
    return totals;
  } catch (...) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw;
  }
}

}  // namespace vok
