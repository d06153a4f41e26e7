// Feeds arbitrary bytes to the RTF reader and builds the document an editor would
// show. Once read and written, a text must be stable whatever the input was:
// written markup reads back to the same markup, directly and through a document.
#include <QGuiApplication>
#include <QTextDocument>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/ui/rich_text_document.h"
#include "platform/ui/rtf_reader.h"
#include "platform/ui/rtf_writer.h"

namespace {

// Fonts and text layout need a GUI application; the offscreen platform needs no display.
void ensureApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "rtf_reader_fuzz";
  static char* argv[] = {name, nullptr};
  static QGuiApplication application(argc, argv);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ensureApplication();
  const std::string_view markup(reinterpret_cast<const char*>(data), size);
  const rt::RichText text = rt::readRtf(markup);
  if (text.paragraphs.empty()) std::abort();
  const std::string written = rt::writeRtf(text);
  if (rt::writeRtf(rt::readRtf(written)) != written) std::abort();
  (void)rt::rtfPlainText(markup);

  // The editors' path: what a document gives back reads into the same document.
  QTextDocument document;
  rt::fillDocument(document, text);
  const std::string fromDocument = rt::documentRtf(document);
  QTextDocument again;
  rt::setDocumentRtf(again, fromDocument);
  if (rt::documentRtf(again) != fromDocument) std::abort();
  return 0;
}
