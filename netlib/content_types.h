#pragma once
// Content types by file extension: a path, a file name, a bare extension
// ("pdf") or a type keyword ("multipart") to its MIME type, by a fixed table.
// No match gives an empty text; the callers choose their own default.
#include <cstddef>
#include <string>
#include <string_view>

namespace netlib {

std::string GetContentType(std::string_view fileName);
std::size_t contentTypeTableSize();

// The HTTP header utility as the mail classes use it: the content-type
// lookup, which reads and writes no field of the object.
class NetHttpHeaders {
 public:
  virtual ~NetHttpHeaders() = default;
  virtual std::string GetContentType(std::string_view fileName) {
    return netlib::GetContentType(fileName);
  }
};

}  // namespace netlib
