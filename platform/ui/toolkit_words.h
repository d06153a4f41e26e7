#pragma once
// The toolkit's own words that its Spanish catalogue leaves in English (the
// file dialogs' type names among them), answered in the program's Spanish.
#include <QTranslator>

namespace rt {

class ToolkitWords final : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  // The Spanish word for a toolkit text the table holds; empty otherwise, so
  // that the toolkit's own catalogue answers the rest.
  QString translate(const char* context, const char* source, const char* disambiguation,
                    int n) const override;
};

}  // namespace rt
