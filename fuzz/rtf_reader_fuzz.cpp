// Feeds arbitrary bytes to the RTF reader, builds the document an editor would
// show, and checks that written markup reads back to the same markup: once read
// and written, a text must be stable, whatever the input was.
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

  QTextDocument document;
  rt::fillDocument(document, text);
  (void)rt::documentRtf(document);
  return 0;
}
