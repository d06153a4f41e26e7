#include "platform/ui/print_system.h"

#include <cups/cups.h>
#include <cups/pwg.h>
#include <langinfo.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <utility>

namespace rt {
namespace {

constexpr double kHundredthsOfMmPerThousandthInch = 2.54;

PaperSize paperOfSize(int width, int length, const char* media) {
  return PaperSize{static_cast<int>(width / kHundredthsOfMmPerThousandthInch + 0.5),
                   static_cast<int>(length / kHundredthsOfMmPerThousandthInch + 0.5),
                   QString::fromUtf8(media)};
}

// The paper a media name stands for, by its standard or its usual name;
// unknown when it names none.
PaperSize paperNamed(const char* media) {
  if (media == nullptr) return {};
  const pwg_media_t* known = pwgMediaForPWG(media);
  if (known == nullptr) known = pwgMediaForLegacy(media);
  if (known == nullptr) known = pwgMediaForPPD(media);
  return known != nullptr ? paperOfSize(known->width, known->length, known->pwg) : PaperSize{};
}

// The queue's own default paper, its `media-default`: what it is set to or,
// when nothing is, its driver's default page size. Asked of the queue itself:
// the destination list may leave it out (a queue with a driver, after the
// server restarted), and libcups' own guess then answers US Letter.
PaperSize queuePaper(const cups_dest_t* dest) {
  const char* uri = cupsGetOption("printer-uri-supported", dest->num_options, dest->options);
  if (uri == nullptr) return {};
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  static const char* const wanted[] = {"media-default"};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 1, nullptr,
                wanted);
  ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
  PaperSize paper;
  // A value set by hand that names no paper is followed by the driver's.
  for (ipp_attribute_t* a = ippFindAttribute(response, "media-default", IPP_TAG_ZERO);
       a != nullptr && !paper.known();
       a = ippFindNextAttribute(response, "media-default", IPP_TAG_ZERO)) {
    paper = paperNamed(ippGetString(a, 0, nullptr));
  }
  ippDelete(response);
  return paper;
}

// The paper the queue is set to for this user ("media", from the user's
// printer options or the server's list), else the queue's own default.
PaperSize paperOf(const cups_dest_t* dest) {
  const PaperSize chosen = paperNamed(cupsGetOption("media", dest->num_options, dest->options));
  return chosen.known() ? chosen : queuePaper(dest);
}

// The service's own words for the usual refusals, in Spanish; others keep
// the service's text.
QString refusalText(ipp_status_t status) {
  switch (status) {
    case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
      return QString::fromUtf8("La impresora no acepta trabajos.");
    case IPP_STATUS_ERROR_NOT_FOUND:
      return QString::fromUtf8("La impresora no existe en el servicio de impresión.");
    case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
      return QString::fromUtf8("El servicio de impresión no está disponible.");
    case IPP_STATUS_ERROR_FORBIDDEN:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
    case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
      return QString::fromUtf8("El servicio de impresión no permite imprimir en ella.");
    default:
      return QString::fromUtf8("El servicio de impresión respondió: ") +
             QString::fromUtf8(cupsLastErrorString());
  }
}

PrinterQuery cupsQuery() {
  PrinterQuery answer;
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  if (count == 0 && cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE &&
      cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND) {
    answer.error = refusalText(cupsLastError());
  }
  for (int i = 0; i < count; ++i) {
    cups_dest_t* dest = &dests[i];
    if (dest->instance != nullptr) continue;  // instances share their queue's name
    PrinterInfo printer;
    printer.name = QString::fromUtf8(dest->name);
    printer.isDefault = dest->is_default != 0;
    printer.paper = paperOf(dest);
    answer.printers.push_back(printer);
  }
  cupsFreeDests(count, dests);
  return answer;
}

JobResult cupsSubmit(const PrintJob& job) {
  JobResult result;
  const QByteArray printer = job.printer.toUtf8();
  const QByteArray file = job.file.toUtf8();
  const QByteArray title = job.title.toUtf8();
  const QByteArray copies = QByteArray::number(std::max(job.copies, 1));
  const QByteArray media = job.media.toUtf8();
  cups_option_t* options = nullptr;
  int count = 0;
  count = cupsAddOption("copies", copies.constData(), count, &options);
  if (!media.isEmpty()) count = cupsAddOption("media", media.constData(), count, &options);
  count = cupsAddOption("document-format", "application/pdf", count, &options);
  result.jobId = cupsPrintFile2(CUPS_HTTP_DEFAULT, printer.constData(), file.constData(),
                                title.constData(), count, options);
  if (result.jobId == 0) result.error = refusalText(cupsLastError());
  cupsFreeOptions(count, options);
  return result;
}

void cupsCancel(const QString& printer, int jobId) {
  cupsCancelJob2(CUPS_HTTP_DEFAULT, printer.toUtf8().constData(), jobId, 0);
}

std::mutex& serviceLock() {
  static std::mutex lock;
  return lock;
}

PrintSystem& installed() {
  static PrintSystem system{cupsQuery, cupsSubmit, cupsCancel};
  return system;
}

PrintSystem current() {
  std::lock_guard guard(serviceLock());
  return installed();
}

}  // namespace

PaperSize localePaper() {
  // The locale's paper in millimetres (glibc's LC_PAPER); A4 where the
  // system cannot say.
  int width = 210;
  int height = 297;
#ifdef __GLIBC__
  const auto number = [](nl_item item) {
    return static_cast<int>(
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(nl_langinfo(item))));
  };
  const int localeWidth = number(_NL_PAPER_WIDTH);
  const int localeHeight = number(_NL_PAPER_HEIGHT);
  if (localeWidth >= 50 && localeHeight >= 50 && localeWidth <= 2000 && localeHeight <= 2000) {
    width = localeWidth;
    height = localeHeight;
  }
#endif
  const pwg_media_t* known = pwgMediaForSize(width * 100, height * 100);
  if (known != nullptr) return paperOfSize(known->width, known->length, known->pwg);
  return paperOfSize(width * 100, height * 100, "");
}

PaperSize paperOfSize(int width, int height) {
  const auto hundredthsOfMm = [](int thousandths) {
    return static_cast<int>(thousandths * kHundredthsOfMmPerThousandthInch + 0.5);
  };
  const pwg_media_t* known = pwgMediaForSize(hundredthsOfMm(width), hundredthsOfMm(height));
  return PaperSize{width, height, known != nullptr ? QString::fromUtf8(known->pwg) : QString()};
}

const PrinterInfo* PrinterQuery::find(const QString& name) const {
  for (const PrinterInfo& p : printers) {
    if (!name.isEmpty() && p.name.compare(name, Qt::CaseInsensitive) == 0) return &p;
  }
  if (!name.isEmpty()) return nullptr;
  for (const PrinterInfo& p : printers) {
    if (p.isDefault) return &p;
  }
  return printers.empty() ? nullptr : &printers.front();
}

PrintSystem setPrintSystem(PrintSystem system) {
  std::lock_guard guard(serviceLock());
  if (!system.query) system.query = cupsQuery;
  if (!system.submit) system.submit = cupsSubmit;
  if (!system.cancel) system.cancel = cupsCancel;
  return std::exchange(installed(), std::move(system));
}

PrinterQuery queryPrinters() { return current().query(); }

JobResult submitPrintJob(const PrintJob& job) { return current().submit(job); }

void cancelPrintJob(const QString& printer, int jobId) { current().cancel(printer, jobId); }

}  // namespace rt
