#pragma once
// A readable, canonical account of rich text, so tests compare documents
// feature by feature and show the difference when they fail.
#include <QTextDocument>
#include <string>
#include <string_view>

#include "platform/ui/rich_text.h"

namespace rt::testing {

std::string describe(const RichText& text);
std::string describe(const QTextDocument& document);
std::string readTestData(std::string_view name);

}  // namespace rt::testing
