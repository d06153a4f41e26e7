// Reading and writing a consultation note of 25,000 characters: markup to the
// editor's document and back, and the plain text used by search and export.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTextDocument>
#include <cstdlib>
#include <string>

#include "platform/ui/rich_text_document.h"
#include "platform/ui/rtf_reader.h"
#include "platform/ui/rtf_writer.h"

namespace {

QApplication& application() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "bench_rtf_codec";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

// Paragraphs of Spanish clinical prose with a change of format every few words,
// a macro reference, and a list every tenth paragraph, to 25,000 characters.
rt::RichText note() {
  const QString words[] = {QString::fromUtf8("El paciente refiere dolor abdominal "),
                           QString::fromUtf8("de tres días de evolución, "),
                           QString::fromUtf8("acompañado de náuseas. "),
                           QStringLiteral("***PACNOMBRE*** "),
                           QString::fromUtf8("Se indica reposo y control en una semana. ")};
  rt::RichText text;
  int length = 0;
  int counter = 0;
  while (length < 25000) {
    rt::Paragraph paragraph;
    paragraph.style.list =
        (text.paragraphs.size() % 10 == 9) ? rt::ListStyle::Decimal : rt::ListStyle::None;
    paragraph.style.leftIndent = paragraph.style.list == rt::ListStyle::None ? 0 : 720;
    for (int w = 0; w < 8 && length < 25000; ++w, ++counter) {
      rt::TextRun run{words[counter % 5], {}};
      run.style.font = QStringLiteral("Arial");
      run.style.halfPoints = 20;
      run.style.bold = counter % 7 == 0;
      run.style.italic = counter % 11 == 0;
      if (counter % 13 == 0) run.style.colour = 0xFF0000;
      length += static_cast<int>(run.text.size());
      paragraph.runs.push_back(run);
    }
    text.paragraphs.push_back(paragraph);
  }
  return text;
}

const std::string& noteMarkup() {
  static const std::string markup = rt::writeRtf(note());
  return markup;
}

void BM_ReadNoteIntoDocument(benchmark::State& state) {
  application();
  const std::string& markup = noteMarkup();
  for (auto _ : state) {
    QTextDocument document;
    rt::setDocumentRtf(document, markup);
    benchmark::DoNotOptimize(document.characterCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * markup.size()));
  state.counters["markup_bytes"] = static_cast<double>(markup.size());
}
BENCHMARK(BM_ReadNoteIntoDocument)->Unit(benchmark::kMicrosecond);

void BM_WriteNoteFromDocument(benchmark::State& state) {
  application();
  QTextDocument document;
  rt::setDocumentRtf(document, noteMarkup());
  for (auto _ : state) benchmark::DoNotOptimize(rt::documentRtf(document));
}
BENCHMARK(BM_WriteNoteFromDocument)->Unit(benchmark::kMicrosecond);

void BM_PlainTextOfNote(benchmark::State& state) {
  const std::string& markup = noteMarkup();
  for (auto _ : state) benchmark::DoNotOptimize(rt::rtfPlainText(markup));
}
BENCHMARK(BM_PlainTextOfNote)->Unit(benchmark::kMicrosecond);

}  // namespace
