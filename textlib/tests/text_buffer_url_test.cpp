#include <gtest/gtest.h>

#include <string>

#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;
using testing::reading;
using testing::readingNumber;

const std::string kUrl = "xy://host.local:8080/a/b/page.htm?x=1&y=2#top";

class UrlParts : public ::testing::TestWithParam<BufferCase> {};
TEST_P(UrlParts, ReadTheValue) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Cases, UrlParts,
    ::testing::Values(
        reading(
            "Protocol", kUrl, [](auto& b) { return b.UrlProtocol(); }, "xy"),
        reading(
            "Host", kUrl, [](auto& b) { return b.UrlHost(); }, "host.local"),
        reading(
            "HostWithPort", kUrl, [](auto& b) { return b.UrlHost({}, true); }, "host.local:8080"),
        readingNumber(
            "Port", kUrl, [](auto& b) { return b.UrlPort(); }, 8080),
        reading(
            "Path", kUrl, [](auto& b) { return b.UrlPath(); }, "a/b"),
        reading(
            "PathWithFileName", kUrl, [](auto& b) { return b.UrlPath({}, true); }, "a/b/page.htm"),
        reading(
            "FileName", kUrl, [](auto& b) { return b.UrlFileName(); }, "page.htm"),
        reading(
            "Parameters", kUrl, [](auto& b) { return b.UrlParameters(); }, "x=1&y=2"),
        reading(
            "Parameter", kUrl, [](auto& b) { return b.UrlParameter("y"); }, "2"),
        reading(
            "ParameterWithoutQuery", "", [](auto& b) { return b.UrlParameter("q", "q=a%20b+c"); },
            "a b c"),
        reading(
            "ParameterNameIsExact", "", [](auto& b) { return b.UrlParameter("Q", "q=a%20b+c"); },
            ""),
        reading(
            "ParameterLater", "", [](auto& b) { return b.UrlParameter("b", "?a=1&b=x%3D1&c"); },
            "x=1"),
        reading(
            "HostWithoutScheme", "", [](auto& b) { return b.UrlHost("host/path"); }, "host"),
        reading(
            "ProtocolWithoutScheme", "", [](auto& b) { return b.UrlProtocol("host/path"); }, ""),
        reading(
            "ProtocolInQuery", "", [](auto& b) { return b.UrlProtocol("h?u=a://b"); }, ""),
        reading(
            "PathEndsInSlash", "", [](auto& b) { return b.UrlPath("xy://host/"); }, ""),
        reading(
            "PathNone", "", [](auto& b) { return b.UrlPath("xy://host"); }, ""),
        readingNumber(
            "PortSkipsShortHost", "", [](auto& b) { return b.UrlPort("xy://ab/x:81"); }, 81),
        readingNumber(
            "PortNone", "", [](auto& b) { return b.UrlPort("xy://host/a"); }, 0),
        reading(
            "FileNameBeforeFragment", "", [](auto& b) { return b.UrlFileName("xy://h/d/f.txt#x"); },
            "f.txt"),
        reading(
            "ParametersFragmentFirst", "", [](auto& b) { return b.UrlParameters("a#b?c"); }, ""),
        reading(
            "PathOnly", "", [](auto& b) { return b.PathOnly("C:\\dir\\file.txt"); }, "C:\\dir"),
        reading(
            "PathOnlySlashes", "", [](auto& b) { return b.PathOnly("/home/u/f"); }, "/home/u"),
        reading(
            "PathOnlyNone", "", [](auto& b) { return b.PathOnly("file.txt"); }, ""),
        reading(
            "FileNameOnly", "", [](auto& b) { return b.FileNameOnly("C:\\dir\\file.txt"); },
            "file"),
        reading(
            "FileNameWithExtension", "",
            [](auto& b) { return b.FileNameOnly("C:\\dir\\file.txt  ", true); }, "file.txt"),
        reading(
            "FileNameOfFolder", "", [](auto& b) { return b.FileNameOnly("C:\\dir\\"); }, ""),
        reading(
            "FileNameTwoDots", "", [](auto& b) { return b.FileNameOnly("archive.tar.gz"); },
            "archive.tar"),
        reading(
            "HiddenAlone", "", [](auto& b) { return b.FileNameOnly(".hidden"); }, ""),
        reading(
            "HiddenInFolder", "", [](auto& b) { return b.FileNameOnly("C:\\.hidden"); }, ".hidden"),
        reading(
            "ValueUsed", "xy://h/p", [](auto& b) { return b.UrlHost(); }, "h"),
        readingNumber(
            "EmptyValuePort", "", [](auto& b) { return b.UrlPort(); }, 0)),
    testing::caseName);

}  // namespace
}  // namespace textlib
