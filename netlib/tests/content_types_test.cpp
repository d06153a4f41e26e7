#include <gtest/gtest.h>

#include "netlib/content_types.h"

namespace netlib {
namespace {

TEST(ContentTypes, NamesExtensionsAndKeywords) {
  const std::pair<const char*, const char*> cases[] = {
      {"Report.PDF", "application/pdf"},
      {"photo.JPE", "image/jpeg"},
      {"archive.tar.gz", "application/x-gzip"},
      {"pdf", "application/pdf"},
      {"multipart", "multipart/form-data"},
      {"soap12", "application/soap+xml"},
      {"request.multipart", "multipart/form-data"},
      {".pdf", "application/pdf"},
      {"setup.ipa", "application/octet-stream"},
      {"book.xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
      {"letter.docx", "application/msword"},
      {"datos.csv", "application/vnd.ms-excel"},
      {"a.json", "application/json; charset=utf-8"},
      {"model.STEP", "application/STEP"},
      {"x.tsi", "audio/TSP-audio"},
      {"prog.c", "text/plain"},
      {"doc.t", "application/x-troff"},
      {"C:\\dir\\file.html  ", "text/html"},
      {"/home/u/a.b/foto.png", "image/png"},
      {"README", ""},
      {"file.", ""},
      {"C:\\dir.old\\file", ""},
      {"/dir.old/file", ""},
      {"", ""},
      {"data.xyz1", ""},
      {"page.pdf?x=1", ""},
  };
  for (const auto& [name, type] : cases) EXPECT_EQ(GetContentType(name), type) << name;
  EXPECT_EQ(contentTypeTableSize(), 188u);
  NetHttpHeaders headers;
  EXPECT_EQ(headers.GetContentType("x.zip"), "application/zip");
}

}  // namespace
}  // namespace netlib
