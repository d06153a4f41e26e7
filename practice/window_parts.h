#pragma once
// Small pieces the practice's windows build from: a shown list column and the
// text of a padded field.
#include <string>
#include <string_view>

#include "core/shapes/list_browser.h"
#include "platform/base/cp1252.h"
#include "platform/ui/qt_text.h"

namespace practice::parts {

// A shown column of a list, its width in dialog units.
inline core::ListColumn shown(std::string field, std::string title, std::string picture, int width,
                              core::ColumnAlign align = core::ColumnAlign::Left) {
  core::ListColumn column;
  column.field = std::move(field);
  column.title = std::move(title);
  column.picture = std::move(picture);
  column.width = width;
  column.align = align;
  return column;
}

inline std::string trimmedRight(std::string_view text) { return std::string(rt::clip(text)); }

}  // namespace practice::parts
