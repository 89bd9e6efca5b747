// Unpacking: check each entry before creating anything for it, write into a
// temporary folder, and rename that into place only once the whole archive
// has proved sound.
#include <algorithm>
#include <system_error>
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

VokError Damaged(const std::string& detail) {
  return VokError("the archive is damaged: " + detail);
}

struct EntryHeader {
  std::string path;
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
};

class ArchiveReader {
 public:
  explicit ArchiveReader(BinaryFile& in) : in_(in) {}

  void ReadStart() {
    char magic[kArchiveMagic.size()];
    const std::size_t count = in_.Read(magic, sizeof magic);
    if (std::string_view(magic, count) != kArchiveMagic.substr(0, count) || count == 0) {
      throw VokError("it is not a vok archive");
    }
    if (count < sizeof magic) throw Damaged("it ends too early");
    const std::uint64_t version = ReadNumber(4);
    if (version != kArchiveVersion) {
      throw VokError("its format version " + std::to_string(version) + " is not supported");
    }
  }

  EntryKind ReadKind() {
    const auto kind = static_cast<EntryKind>(ReadNumber(1));
    if (kind != EntryKind::kEnd && kind != EntryKind::kFile && kind != EntryKind::kFolder) {
      throw Damaged("unknown entry kind " + std::to_string(static_cast<int>(kind)));
    }
    return kind;
  }

  // The path is checked before anything is created for it.
  EntryHeader ReadEntryHeader() {
    EntryHeader header;
    const std::uint64_t pathBytes = ReadNumber(4);
    if (pathBytes > kMaxEntryPathBytes) throw Damaged("an entry's path is too long");
    header.path.resize(static_cast<std::size_t>(pathBytes));
    ReadExactly(header.path.data(), header.path.size());
    const std::string problem = EntryPathProblem(header.path);
    if (!problem.empty()) throw VokError("unsafe entry " + Quoted(header.path) + ": " + problem);
    header.size = ReadNumber(8);
    header.crc = static_cast<std::uint32_t>(ReadNumber(4));
    return header;
  }

  void CopyBody(const EntryHeader& header, const fs::path& destination) {
    BinaryFile out = BinaryFile::CreateForWriting(destination);
    std::vector<char> chunk(
        static_cast<std::size_t>(std::min<std::uint64_t>(header.size, kChunkBytes)));
    Crc32 crc;
    for (std::uint64_t left = header.size; left > 0;) {
      const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size()));
      ReadExactly(chunk.data(), count);
      crc.Update(chunk.data(), count);
      out.Write(chunk.data(), count);
      left -= count;
    }
    out.Close();
    if (crc.Value() != header.crc) throw Damaged("bad CRC-32 for " + Quoted(header.path));
  }

  void ReadEnd() {
    char extra;
    if (in_.Read(&extra, 1) != 0) throw Damaged("bytes follow the end marker");
  }

 private:
  void ReadExactly(void* buffer, std::size_t size) {
    if (in_.Read(buffer, size) != size) throw Damaged("it ends too early");
  }

  std::uint64_t ReadNumber(int byteCount) {
    unsigned char bytes[8];
    ReadExactly(bytes, static_cast<std::size_t>(byteCount));
    return ParseLittleEndian(bytes, byteCount);
  }

  BinaryFile& in_;
};

bool Exists(const fs::path& path) {
  std::error_code ignored;
  return fs::symlink_status(path, ignored).type() != fs::file_type::not_found;
}

// Sorted, unique paths with every folder before its contents make the
// archive's meaning plain: nothing is created twice or in a missing folder.
void CheckPlace(const std::string& path, const std::string& previous, const fs::path& root,
                const fs::path& destination) {
  if (path <= previous) throw Damaged("entry " + Quoted(path) + " is out of order or repeated");
  const std::size_t slash = path.rfind('/');
  if (slash != std::string::npos) {
    std::error_code ignored;
    if (!fs::is_directory(fs::symlink_status(root / Utf8ToPath(path.substr(0, slash)), ignored))) {
      throw Damaged("entry " + Quoted(path) + " comes before its folder");
    }
  }
  // Where names differ only in case, Windows sees one name.
  if (Exists(destination)) {
    throw VokError("entry " + Quoted(path) + " has the same name as an earlier one here");
  }
}

void CreateFolder(const fs::path& folder) {
  std::error_code error;
  if (!fs::create_directory(folder, error)) {
    throw VokError("cannot create " + QuotedPath(folder) + ": " +
                   (error ? error.message() : "it already exists"));
  }
}

Totals ExtractEntries(ArchiveReader& reader, const fs::path& root) {
  reader.ReadStart();
  Totals totals;
  std::string previous;  // empty sorts before every path
  for (EntryKind kind; (kind = reader.ReadKind()) != EntryKind::kEnd;) {
    const EntryHeader header = reader.ReadEntryHeader();
    const fs::path destination = root / Utf8ToPath(header.path);
    CheckPlace(header.path, previous, root, destination);
    previous = header.path;
    if (kind == EntryKind::kFolder) {
      if (header.size != 0 || header.crc != 0) {
        throw Damaged("folder " + Quoted(header.path) + " has contents");
      }
      CreateFolder(destination);
      ++totals.folders;
    } else {
      reader.CopyBody(header, destination);
      ++totals.files;
      totals.bytes += header.size;
    }
  }
  reader.ReadEnd();
  return totals;
}

}  // namespace

Totals UnpackArchive(const fs::path& archive, const fs::path& folder) {
  std::error_code error;
  const fs::file_status status = fs::status(archive, error);
  if (status.type() == fs::file_type::not_found) throw VokError("no such file");
  if (!fs::is_regular_file(status)) throw VokError("it is not a file");
  if (Exists(folder)) throw VokError(QuotedPath(folder) + " already exists");
  BinaryFile in = BinaryFile::OpenForReading(archive);
  ArchiveReader reader(in);
  const fs::path temporary = UnusedSiblingPath(folder, ".tmp");
  CreateFolder(temporary);
  try {
    const Totals totals = ExtractEntries(reader, temporary);
    if (Exists(folder)) throw VokError(QuotedPath(folder) + " appeared while unpacking");
    fs::rename(temporary, folder, error);
    if (error) throw VokError("cannot rename to " + QuotedPath(folder) + ": " + error.message());
    return totals;
  } catch (...) {
    RemoveTree(temporary);  // a link planted in it meanwhile is deleted, not followed
    throw;
  }
}

}  // namespace vok
