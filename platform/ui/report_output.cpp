#include "platform/ui/report_output.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <optional>

#include "platform/base/message_hook.h"
#include "platform/base/safe_file.h"
#include "platform/ui/printer_setup.h"
#include "platform/ui/printing.h"
#include "platform/ui/qt_text.h"

namespace rt {
namespace {

QString xmlEscaped(const QString& text) { return text.toHtmlEscaped(); }

// Qt writes its own XMP packet unless given one; ours carries what the
// document information dictionary of Qt cannot hold.
QByteArray xmpPacket(const PdfDocumentInfo& info) {
  QString xmp = QStringLiteral(
      "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
      "<x:xmpmeta xmlns:x='adobe:ns:meta/'>\n"
      "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>\n"
      "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/'"
      " xmlns:pdf='http://ns.adobe.com/pdf/1.3/' xmlns:xmp='http://ns.adobe.com/xap/1.0/'>\n"
      "<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>%1</rdf:li></rdf:Alt></dc:title>\n"
      "<dc:description><rdf:Alt><rdf:li xml:lang='x-default'>%2</rdf:li></rdf:Alt>"
      "</dc:description>\n"
      "<dc:creator><rdf:Seq><rdf:li>%3</rdf:li></rdf:Seq></dc:creator>\n"
      "<pdf:Producer>%4</pdf:Producer>\n"
      "<pdf:Keywords>%5</pdf:Keywords>\n"
      "<xmp:CreatorTool>%6</xmp:CreatorTool>\n"
      "</rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end='w'?>");
  xmp = xmp.arg(xmlEscaped(info.title), xmlEscaped(info.subject), xmlEscaped(info.author),
                xmlEscaped(info.programName), xmlEscaped(info.keywords), xmlEscaped(info.creator));
  return xmp.toUtf8();
}

QPageSize pageSizeOf(const ReportPage& page) {
  return QPageSize(QSizeF(page.width / 1000.0, page.height / 1000.0), QPageSize::Inch);
}

}  // namespace

namespace {
PdfWriteService& pdfWriteService() {
  static PdfWriteService service;
  return service;
}
}  // namespace

PdfWriteService setPdfWriteService(PdfWriteService service) {
  PdfWriteService previous = std::move(pdfWriteService());
  pdfWriteService() = std::move(service);
  return previous;
}

bool writePdf(const std::vector<ReportPage>& pages, const QString& path,
              const PdfDocumentInfo& info, const BetweenPages& betweenPages) {
  if (pdfWriteService()) return pdfWriteService()(pages, path, info, betweenPages);
  return writePdfFile(pages, path, info, betweenPages);
}

bool writePdfFile(const std::vector<ReportPage>& pages, const QString& path,
                  const PdfDocumentInfo& info, const BetweenPages& betweenPages) {
  return replaceFile(path.toStdString(), [&](const std::filesystem::path& scratch) {
           QPdfWriter writer(QString::fromStdString(scratch.string()));
           writer.setTitle(info.title);
           writer.setCreator(info.creator);
           writer.setDocumentXmpMetadata(xmpPacket(info));
           writer.setResolution(1200);
           writer.setPageMargins(QMarginsF(0, 0, 0, 0));
           if (!pages.empty()) writer.setPageSize(pageSizeOf(pages.front()));
           QPainter painter;
           if (!painter.begin(&writer)) return false;
           const double scale = writer.resolution() / 1000.0;
           for (std::size_t i = 0; i < pages.size(); ++i) {
             if (i > 0) {
               writer.setPageSize(pageSizeOf(pages[i]));
               writer.newPage();
             }
             drawPage(painter, pages[i], scale);
             if (betweenPages) betweenPages();
           }
           return painter.end();
         }) == 0;
}

bool drawPagesOnPaper(const std::vector<ReportPage>& pages, QPagedPaintDevice& device,
                      int paperWidth, int paperHeight) {
  QPainter painter;
  bool first = true;
  for (const ReportPage& page : pages) {
    // A landscape page goes on the paper turned.
    const bool landscape = page.width > page.height;
    const QPageLayout::Orientation orientation =
        landscape == (paperWidth > paperHeight) ? QPageLayout::Portrait : QPageLayout::Landscape;
    QPageLayout layout = device.pageLayout();
    layout.setOrientation(orientation);
    device.setPageLayout(layout);
    if (first) {
      if (!painter.begin(&device)) return false;
    } else if (!device.newPage()) {
      return false;
    }
    first = false;
    const QRect paint = device.pageLayout().fullRectPixels(device.logicalDpiX());
    const double perThousandth = device.logicalDpiX() / 1000.0;
    const double across = paint.width() / perThousandth;
    const double down = paint.height() / perThousandth;
    const double fit = std::min({1.0, across / page.width, down / page.height});
    painter.save();
    painter.translate((across - page.width * fit) / 2 * perThousandth, 0);
    drawPage(painter, page, perThousandth * fit);
    painter.restore();
  }
  return first || painter.end();
}

namespace {
PrintService& printService() {
  static PrintService service;
  return service;
}
}  // namespace

PrintService setPrintService(PrintService service) {
  PrintService previous = std::move(printService());
  printService() = std::move(service);
  return previous;
}

bool printReport(const std::vector<ReportPage>& pages, int copies, const QString& title) {
  if (printService()) return printService()(pages, copies);
  bool drawn = true;
  std::optional<PaperSize> own;
  if (!pages.empty() && pages.front().paperFixed) {
    own = paperOfSize(std::min(pages.front().width, pages.front().height),
                      std::max(pages.front().width, pages.front().height));
  }
  const bool printed = printOnPaper(
      title, toQString(chosenPrinterName()), copies,
      [&](QPdfWriter& writer, const PaperSize& paper) {
        drawn = drawPagesOnPaper(pages, writer, paper.width, paper.height);
        return drawn;
      },
      nullptr, own ? &*own : nullptr);
  if (!drawn) {
    MessageRequest message;
    message.caption = "Imprimir";
    message.icon = MessageIcon::Error;
    message.text = fromQString(
        QString::fromUtf8("No se pudo imprimir «%1»: sus páginas no pudieron prepararse.")
            .arg(title));
    showMessage(message);
  }
  return printed;
}

}  // namespace rt
