#include <gtest/gtest.h>

#include <string>

#include "platform/base/cp_literal.h"
#include "textlib/tests/text_buffer_cases.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using testing::BufferCase;

const auto pretty = testing::changing([](TextBuffer& b) { b.PrettyHtml(); });
auto convert(int target, int source = 0) {
  return testing::changing([=](TextBuffer& b) { b.ConvertLineEndings(target, source); });
}
auto insert(std::string text, int where) {
  return testing::changing([=](TextBuffer& b) { b.InsertInMarkup(text, where); });
}

class MarkupLayout : public ::testing::TestWithParam<BufferCase> {};
TEST_P(MarkupLayout, ChangesTheValue) { testing::runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(
    Pretty, MarkupLayout,
    ::testing::Values(
        BufferCase{"NestedBlocks", "<html><body><p>Hi</p></body></html>", pretty,
                   "<html>\r\n  <body>\r\n    <p>Hi</p>\r\n  </body>\r\n</html>", ""},
        BufferCase{"OldLineBreaksRemoved", "<html>\r\n<body>\n</body></html>", pretty,
                   "<html>\r\n  <body>\r\n  </body>\r\n</html>", ""},
        BufferCase{"SpacesBetweenTagsDropped", "<div> <p>a b</p>  </div>", pretty,
                   "<div>\r\n  <p>a b</p>\r\n</div>", ""},
        BufferCase{"TextAfterBlockTag", "<body>Hi there</body>", pretty,
                   "<body>\r\n  Hi there</body>", ""},
        BufferCase{"TextAfterLineBreak", "<p>one<br>two</p>", pretty, "<p>one<br>\r\n  two</p>",
                   ""},
        BufferCase{"AttributesKept", "<div CLASS=\"a b\" id=x><img src=\"i.png\"/></div>", pretty,
                   "<div CLASS=\"a b\" id=x>\r\n  <img src=\"i.png\"/>\r\n</div>", ""},
        BufferCase{"CommentAndSelfClosing", "<div><!-- c --><br/><hr/></div>", pretty,
                   "<div>\r\n  <!-- c -->\r\n  <br/>\r\n  <hr/>\r\n</div>", ""},
        BufferCase{"UnmatchedClosingTags", "</a></b><c>", pretty, "</a>\r\n</b>\r\n<c>", ""},
        BufferCase{"Empty", "", pretty, "", ""}),
    testing::caseName);

INSTANTIATE_TEST_SUITE_P(
    LineEndings, MarkupLayout,
    ::testing::Values(
        BufferCase{"ToCrLf", "a\rb\nc\r\nd", convert(TextBuffer::kLineEndCrLf), "a\r\nb\r\nc\r\nd",
                   ""},
        BufferCase{"ToCr", "a\rb\nc\r\nd", convert(TextBuffer::kLineEndCr), "a\rb\rc\rd", ""},
        BufferCase{"ToLf", "a\rb\nc\r\nd", convert(TextBuffer::kLineEndLf), "a\nb\nc\nd", ""},
        BufferCase{"ToHtml", "a\rb\nc\r\nd", convert(TextBuffer::kLineEndHtml),
                   "a<br/>b<br/>c<br/>d", ""},
        BufferCase{"ToNone", "a\rb\nc\r\nd", convert(TextBuffer::kLineEndNone), "abcd", ""},
        BufferCase{"HtmlToLf", "<p>a</p>b<br>c",
                   convert(TextBuffer::kLineEndLf, TextBuffer::kLineEndHtml), "<p>a\nb\nc", ""},
        BufferCase{"HtmlTagsCaseSensitive", "a<BR>b<hr/>c",
                   convert(TextBuffer::kLineEndCrLf, TextBuffer::kLineEndHtml), "a<BR>b\r\nc", ""},
        BufferCase{"HtmlToHtmlKeepsTags", "a<br>b\n",
                   convert(TextBuffer::kLineEndHtml, TextBuffer::kLineEndHtml), "a<br>b<br/>", ""},
        BufferCase{"UnknownTarget", "a\r\nb", convert(9), "a\r\nb", ""}),
    testing::caseName);

INSTANTIATE_TEST_SUITE_P(
    Insert, MarkupLayout,
    ::testing::Values(
        BufferCase{"AfterFirstTag", "<div>x</div>", insert("new  ", 1), "<div>newx</div>", ""},
        BufferCase{"BeforeLastTag", "<div>x</div>", insert("new", -1), "<div>xnew</div>", ""},
        BufferCase{"NoTags", "plain", insert("new", 1), "plainnew", ""},
        BufferCase{"NoTagsBefore", "plain", insert("new", -1), "plainnew", ""},
        BufferCase{"TagEndsValue", "a<br>", insert("new", 1), "a<br>new", ""},
        BufferCase{"TagStartsValue", "<br>a", insert("new", -1), "<br>anew", ""},
        BufferCase{"EmptyValue", "", insert("new", 1), "new", ""},
        BufferCase{"BlankText", "<a></a>", insert("   ", 1), "<a></a>", ""},
        BufferCase{"OtherWhere", "<a></a>", insert("new", 0), "<a></a>", ""}),
    testing::caseName);

INSTANTIATE_TEST_SUITE_P(
    HtmlToText, MarkupLayout,
    ::testing::Values(BufferCase{"Page",
                                 "<html><head><title>T</title></head><STYLE>p{}</STYLE>"
                                 "<body><script>x()</script><p>caf&eacute;   &amp;  more</p>"
                                 "<p>next&#33;</p></body></html>",
                                 testing::changing([](TextBuffer& b) { b.HtmlToText(); }),
                                 "café & more\r\nnext!\r\n"_cp, ""},
                      BufferCase{"LineBreakTags", "a<br>b<hr/>c",
                                 testing::changing([](TextBuffer& b) { b.HtmlToText(); }),
                                 "a\r\nb\r\nc", ""}),
    testing::caseName);

}  // namespace
}  // namespace textlib
