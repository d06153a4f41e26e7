// Zip packages of the open and the word-processor formats, through libzip.
#include <zip.h>

#include "platform/base/cp1252.h"
#include "platform/export/export_cells.h"
#include "platform/export/export_formats.h"

namespace rt::exporting {
namespace {

std::string zipReason(zip_error_t* error) {
  if (zip_error_system_type(error) == ZIP_ET_SYS && zip_error_code_system(error) != 0) {
    return systemReason(zip_error_code_system(error));
  }
  return utf8ToCp1252(zip_error_strerror(error));
}

}  // namespace

PartFile::PartFile(const std::filesystem::path& package) : path_(package) { path_ += ".parte"; }

PartFile::~PartFile() {
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

std::string writePackage(const std::vector<PackagePart>& parts, const std::filesystem::path& path) {
  int code = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (archive == nullptr) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string reason = zipReason(&error);
    zip_error_fini(&error);
    return reason;
  }
  for (const PackagePart& part : parts) {
    // The parts (and their files) outlive the archive's close, which reads them.
    zip_source_t* source =
        part.file.empty() ? zip_source_buffer(archive, part.content.data(), part.content.size(), 0)
                          : zip_source_file(archive, part.file.c_str(), 0, -1);  // to its end
    const zip_int64_t index =
        source == nullptr ? -1 : zip_file_add(archive, part.name.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      if (source != nullptr) zip_source_free(source);
      std::string reason = zipReason(zip_get_error(archive));
      zip_discard(archive);
      return reason;
    }
    // The fastest deflate: the markup repeats itself so much that it still
    // shrinks about tenfold, at a fraction of the default level's time.
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                             part.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, part.stored ? 0 : 1);
  }
  if (zip_close(archive) != 0) {
    std::string reason = zipReason(zip_get_error(archive));
    zip_discard(archive);
    return reason;
  }
  return {};
}

}  // namespace rt::exporting
