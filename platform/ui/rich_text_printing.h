#pragma once
// A rich text printed as a document of its own: page after page of the text
// column inside fixed margins.
#include <QFont>
#include <QPagedPaintDevice>
#include <string_view>

namespace rt {

// Draws the markup (CP1252 RTF, or plain text) on the device, starting a new
// page whenever the last one is full; sets the device's margins. False when
// the device cannot be painted on.
bool drawRichTextPages(QPagedPaintDevice& device, std::string_view markup,
                       const QFont& defaultFont = QFont());

}  // namespace rt
