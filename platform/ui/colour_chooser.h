#pragma once
// Choosing a colour: a replaceable service, so that tests answer with scripted
// colours and never show a dialog. The standard chooser is the toolkit's
// colour dialog, modal to the calling logical thread.
#include <functional>
#include <optional>
#include <string>

namespace rt {

struct ColourRequest {
  std::string title;  // CP1252
  long start = 0;     // 0xBBGGRR
};

// The chosen colour (0xBBGGRR); none when the user cancelled.
std::optional<long> chooseColour(const ColourRequest& request);

// Installs a chooser and returns the one it replaces; an empty one restores
// the colour dialog.
using ColourChooser = std::function<std::optional<long>(const ColourRequest&)>;
ColourChooser setColourChooser(ColourChooser chooser);

}  // namespace rt
