#include "netlib/content_types.h"

#include <algorithm>
#include <string>

namespace netlib {
namespace {

struct ContentTypeRow {
  std::string_view key;
  std::string_view type;
};

// The table, in its fixed order; every key is lower-case and occurs once.
constexpr ContentTypeRow kContentTypes[] = {
    {"ai", "application/postscript"},
    {"eps", "application/postscript"},
    {"ps", "application/postscript"},
    {"apk", "application/vnd.android.package-archive"},
    {"bcpio", "application/x-bcpio"},
    {"bin", "application/octet-stream"},
    {"class", "application/octet-stream"},
    {"dms", "application/octet-stream"},
    {"exe", "application/octet-stream"},
    {"ipa", "application/octet-stream"},
    {"lha", "application/octet-stream"},
    {"lzh", "application/octet-stream"},
    {"ccad", "application/clariscad"},
    {"cdf", "application/x-netcdf"},
    {"nc", "application/x-netcdf"},
    {"cpio", "application/x-cpio"},
    {"cpt", "application/mac-compactpro"},
    {"csh", "application/x-csh"},
    {"dcr", "application/x-director"},
    {"dir", "application/x-director"},
    {"dxr", "application/x-director"},
    {"doc", "application/msword"},
    {"docx", "application/msword"},
    {"drw", "application/drafting"},
    {"dvi", "application/x-dvi"},
    {"dwg", "application/acad"},
    {"dxf", "application/dxf"},
    {"ez", "application/andrew-inset"},
    {"form", "application/x-www-form-urlencoded"},
    {"gtar", "application/x-gtar"},
    {"gz", "application/x-gzip"},
    {"hdf", "application/x-hdf"},
    {"hqx", "application/mac-binhex40"},
    {"ips", "application/x-ipscript"},
    {"ipx", "application/x-ipix"},
    {"js", "application/x-javascript"},
    {"json", "application/json; charset=utf-8"},
    {"jsonapi", "application/vnd.api+json"},
    {"latex", "application/x-latex"},
    {"lsp", "application/x-lisp"},
    {"man", "application/x-troff-man"},
    {"me", "application/x-troff-me"},
    {"mif", "application/vnd.mif"},
    {"ms", "application/x-troff-ms"},
    {"msg", "application/vnd.ms-outlook"},
    {"oda", "application/oda"},
    {"p7m", "application/pkcs7-mime"},
    {"p12", "application/x-pkcs12"},
    {"pfx", "application/x-pkcs12"},
    {"pdf", "application/pdf"},
    {"msi", "application/msi"},
    {"pgn", "application/x-chess-pgn"},
    {"pot", "application/mspowerpoint"},
    {"pps", "application/mspowerpoint"},
    {"ppt", "application/mspowerpoint"},
    {"ppz", "application/mspowerpoint"},
    {"pre", "application/x-freelance"},
    {"prt", "application/pro_eng"},
    {"roff", "application/x-troff"},
    {"t", "application/x-troff"},
    {"tr", "application/x-troff"},
    {"saf", "application/safereader"},
    {"scm", "application/x-lotusscreencam"},
    {"set", "application/set"},
    {"sh", "application/x-sh"},
    {"shar", "application/x-shar"},
    {"sit", "application/x-stuffit"},
    {"skd", "application/x-koan"},
    {"skm", "application/x-koan"},
    {"skp", "application/x-koan"},
    {"skt", "application/x-koan"},
    {"smi", "application/smil"},
    {"smil", "application/smil"},
    {"sol", "application/solids"},
    {"spl", "application/x-futuresplash"},
    {"src", "application/x-wais-source"},
    {"step", "application/STEP"},
    {"stp", "application/STEP"},
    {"stl", "application/SLA"},
    {"sv4cpio", "application/x-sv4cpio"},
    {"sv4crc", "application/x-sv4crc"},
    {"swf", "application/x-shockwave-flash"},
    {"tar", "application/x-tar"},
    {"tcl", "application/x-tcl"},
    {"tex", "application/x-tex"},
    {"texi", "application/x-texinfo"},
    {"texinfo", "application/x-texinfo"},
    {"tsp", "application/dsptype"},
    {"unv", "application/i-deas"},
    {"ustar", "application/x-ustar"},
    {"vcd", "application/x-cdlink"},
    {"vda", "application/vda"},
    {"xap", "application/x-silverlight-app"},
    {"xlc", "application/vnd.ms-excel"},
    {"xll", "application/vnd.ms-excel"},
    {"xlm", "application/vnd.ms-excel"},
    {"xls", "application/vnd.ms-excel"},
    {"xlw", "application/vnd.ms-excel"},
    {"csv", "application/vnd.ms-excel"},
    {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {"soap12", "application/soap+xml"},
    {"zip", "application/zip"},
    {"aif", "audio/x-aiff"},
    {"aifc", "audio/x-aiff"},
    {"aiff", "audio/x-aiff"},
    {"au", "audio/basic"},
    {"snd", "audio/basic"},
    {"kar", "audio/midi"},
    {"mid", "audio/midi"},
    {"midi", "audio/midi"},
    {"mp2", "audio/mpeg"},
    {"mp3", "audio/mpeg"},
    {"mpga", "audio/mpeg"},
    {"ra", "audio/x-realaudio"},
    {"ram", "audio/x-pn-realaudio"},
    {"rm", "audio/x-pn-realaudio"},
    {"rpm", "audio/x-pn-realaudio-plugin"},
    {"tsi", "audio/TSP-audio"},
    {"wav", "audio/x-wav"},
    {"appcache", "text/cache-manifest"},
    {"asc", "text/plain"},
    {"c", "text/plain"},
    {"cc", "text/plain"},
    {"f", "text/plain"},
    {"f90", "text/plain"},
    {"h", "text/plain"},
    {"hh", "text/plain"},
    {"lic", "text/plain"},
    {"m", "text/plain"},
    {"txt", "text/plain"},
    {"css", "text/css"},
    {"etx", "text/x-setext"},
    {"htc", "text/x-component"},
    {"htm", "text/html"},
    {"html", "text/html"},
    {"rtf", "text/rtf"},
    {"rtx", "text/richtext"},
    {"sgm", "text/sgml"},
    {"sgml", "text/sgml"},
    {"tsv", "text/tab-separated-values"},
    {"xml", "text/xml"},
    {"xsl", "text/xml"},
    {"soap11", "text/xml"},
    {"avi", "video/x-msvideo"},
    {"fli", "video/x-fli"},
    {"mov", "video/quicktime"},
    {"qt", "video/quicktime"},
    {"movie", "video/x-sgi-movie"},
    {"mp4", "video/mp4"},
    {"mpe", "video/mpeg"},
    {"mpeg", "video/mpeg"},
    {"mpg", "video/mpeg"},
    {"viv", "video/vnd.vivo"},
    {"vivo", "video/vnd.vivo"},
    {"wmv", "video/x-ms-wmv"},
    {"gif", "image/gif"},
    {"ico", "image/x-icon"},
    {"ief", "image/ief"},
    {"jpe", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"jpg", "image/jpeg"},
    {"pbm", "image/x-portable-bitmap"},
    {"pgm", "image/x-portable-graymap"},
    {"png", "image/png"},
    {"pnm", "image/x-portable-anymap"},
    {"ppm", "image/x-portable-pixmap"},
    {"ras", "image/cmu-raster"},
    {"rgb", "image/x-rgb"},
    {"svg", "image/svg+xml"},
    {"svgz", "image/svg+xml"},
    {"tif", "image/tiff"},
    {"tiff", "image/tiff"},
    {"xbm", "image/x-xbitmap"},
    {"xpm", "image/x-xpixmap"},
    {"xwd", "image/x-xwindowdump"},
    {"ice", "x-conference/x-cooltalk"},
    {"iges", "model/iges"},
    {"igs", "model/iges"},
    {"mesh", "model/mesh"},
    {"msh", "model/mesh"},
    {"silo", "model/mesh"},
    {"vrml", "model/vrml"},
    {"wrl", "model/vrml"},
    {"mime", "www/mime"},
    {"multipart", "multipart/form-data"},
    {"related", "multipart/related"},
    {"pdb", "chemical/x-pdb"},
    {"xyz", "chemical/x-pdb"},
};

constexpr std::size_t kKeyWidth = 40;

// The text after the last dot of the last path component; empty when the
// name ends in a separator or a dot, or its last component has no dot.
std::string_view extensionOf(std::string_view name) {
  if (name.empty()) return {};
  const char last = name.back();
  if (last == '/' || last == '\\' || last == '.') return {};
  for (std::size_t i = name.size() - 1; i-- > 0;) {
    if (name[i] == '.') return name.substr(i + 1);
    if (name[i] == '/' || name[i] == '\\') return {};
  }
  return {};
}

}  // namespace

std::size_t contentTypeTableSize() { return std::size(kContentTypes); }

std::string GetContentType(std::string_view fileName) {
  while (!fileName.empty() && fileName.back() == ' ') fileName.remove_suffix(1);
  std::string_view extension = extensionOf(fileName);
  std::string key(extension.empty() ? fileName : extension);
  if (key.size() > kKeyWidth) key.resize(kKeyWidth);
  while (!key.empty() && key.back() == ' ') key.pop_back();
  std::transform(key.begin(), key.end(), key.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  if (key.empty()) return {};
  for (const ContentTypeRow& row : kContentTypes) {
    if (row.key == key) return std::string(row.type);
  }
  return {};
}

}  // namespace netlib
