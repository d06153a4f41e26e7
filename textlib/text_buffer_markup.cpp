// TextBuffer: laying out HTML, converting line endings, inserting text inside
// the outermost tags, and reducing HTML to plain text.
#include <string>
#include <string_view>

#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

enum class FinishedTag { None, Opening, Closing, SelfClosing, Comment, Block, LineBreak };

bool isBlockTagName(std::string_view name) {
  for (std::string_view block : {"iframe", "body", "script", "style", "header", "html"}) {
    if (name == block) return true;
  }
  return false;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Puts every tag on a line of its own and indents the content of opening and
// block tags by two blanks. Indentation is written only after a line break.
// An opening tag's extra indent stays pending until the next tag: a closing
// tag cancels it (so "<p>Hi</p>" stays on one line), any other tag takes it.
// A tag is written whole, its attributes included.
class HtmlLayout {
 public:
  std::string run(std::string_view html) {
    out_.reserve(html.size() + html.size() / 4);
    for (std::size_t i = 0; i < html.size(); ++i) {
      const char c = html[i];
      if (c == '\r' || c == '\n') continue;
      if (c == '<') {
        const bool closing = i + 1 < html.size() && html[i + 1] == '/';
        beginTag(closing);
      } else if (c == '>' && inTag_) {
        endTag();
      } else if (c == ' ') {
        if (inTag_) nameEnded_ = true;
        if (finished_ == FinishedTag::None) out_ += c;
      } else if (inTag_) {
        if (!nameEnded_) name_ += lowerAscii(c);
        out_ += c;
      } else {
        text(c);
      }
    }
    return std::move(out_);
  }

 private:
  void beginTag(bool closing) {
    const bool afterTag = finished_ != FinishedTag::None;
    if (closing) {
      if (pending_) {
        pending_ = false;
      } else {
        indent_ -= 2;
      }
    } else if (pending_) {
      indent_ += 2;
      pending_ = false;
    }
    if (afterTag) newLine();
    finished_ = FinishedTag::None;
    inTag_ = true;
    nameEnded_ = false;
    name_.clear();
    tagStart_ = out_.size();
    out_ += '<';
  }

  void endTag() {
    out_ += '>';
    inTag_ = false;
    const std::string_view tag = std::string_view(out_).substr(tagStart_);
    if (name_ == "br" || name_ == "br/") {
      finished_ = FinishedTag::LineBreak;
    } else if (tag.size() >= 3 && tag[tag.size() - 2] == '/') {
      finished_ = FinishedTag::SelfClosing;
    } else if (tag.size() >= 2 && tag[1] == '/') {
      finished_ = FinishedTag::Closing;
    } else if (tag.starts_with("<!--") && tag.ends_with("-->")) {
      finished_ = FinishedTag::Comment;
    } else {
      finished_ = isBlockTagName(name_) ? FinishedTag::Block : FinishedTag::Opening;
      pending_ = true;
    }
  }

  void text(char c) {
    if (finished_ == FinishedTag::Block || finished_ == FinishedTag::LineBreak) {
      if (pending_) {
        indent_ += 2;
        pending_ = false;
      }
      newLine();
    }
    finished_ = FinishedTag::None;
    out_ += c;
  }

  void newLine() {
    out_ += "\r\n";
    if (indent_ > 0) out_.append(static_cast<std::size_t>(indent_), ' ');
  }

  std::string out_;
  int indent_ = 0;
  bool pending_ = false;
  bool inTag_ = false;
  bool nameEnded_ = false;
  std::string name_;
  std::size_t tagStart_ = 0;
  FinishedTag finished_ = FinishedTag::None;
};

}  // namespace

void TextBuffer::PrettyHtml() {
  if (DATAEND_ == 0) return;
  SetValue(HtmlLayout().run(view()));
}

void TextBuffer::ConvertLineEndings(int target, int source) {
  if (source == kLineEndHtml && target != kLineEndHtml) {
    for (std::string_view tag : {"<br>", "<br/>", "<hr>", "<hr/>", "</p>", "<p/>"}) {
      Replace(tag, "\r\n");
    }
  }
  switch (target) {
    case kLineEndNone:
      RemoveByte('\r');
      RemoveByte('\n');
      break;
    case kLineEndCrLf:
      Replace("\r\n", "\r");
      ReplaceChar('\n', '\r');
      Replace("\r", "\r\n");
      break;
    case kLineEndCr:
      Replace("\r\n", "\r");
      ReplaceChar('\n', '\r');
      break;
    case kLineEndLf:
      Replace("\r\n", "\n");
      ReplaceChar('\r', '\n');
      break;
    case kLineEndHtml:
      Replace("\r\n", "<br/>");
      Replace("\n", "<br/>");
      Replace("\r", "<br/>");
      break;
    default:
      break;
  }
}

void TextBuffer::InsertInMarkup(std::string_view text, int where) {
  text = detail::clipView(text);
  if (text.empty()) return;
  if (DATAEND_ == 0) {
    Append(text);
    return;
  }
  if (where == 1) {
    const int p = FindByte('>');
    if (p == 0 || p == DATAEND_) {
      Append(text);
    } else {
      Insert(p + 1, text);
    }
  } else if (where == -1) {
    const int p = InstringLast("<");
    if (p <= 1) {
      Append(text);
    } else {
      Insert(p, text);
    }
  }
}

void TextBuffer::HtmlToText() {
  NamedToNumericEntities();
  RemoveBlocks("<head", "</head>", true);
  RemoveBlocks("<style", "</style>", true);
  RemoveBlocks("<script", "</script>", true);
  ConvertLineEndings(kLineEndCrLf, kLineEndHtml);
  RemoveBlocks("<", ">");
  WordsOnly(kWordsBlank, {}, true);
  DecEntityToChar();
}

}  // namespace textlib
