#pragma once
// Content types by file extension: a path, a file name, a bare extension
// ("pdf") or a type keyword ("multipart") to its MIME type, by a fixed table.
// No match gives an empty text; the callers choose their own default. The
// HTTP header utility (net_http_headers.h) offers it as an operation.
#include <cstddef>
#include <string>
#include <string_view>

namespace netlib {

std::string GetContentType(std::string_view fileName);
std::size_t contentTypeTableSize();

}  // namespace netlib
