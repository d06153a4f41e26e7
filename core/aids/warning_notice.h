#pragma once
// A warning the user must acknowledge: the system's warning sound, then the
// message with the warning icon and the single button "Aceptar".
#include <string_view>

namespace core {

void warningNotice(std::string_view text, std::string_view caption);

}  // namespace core
