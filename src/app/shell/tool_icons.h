// The tool-bar glyphs, drawn in code so the program ships no picture files.
#pragma once

#include <QIcon>

namespace qm::app {

enum class ToolIcon {
    New,
    Open,
    Save,
    SaveImage,
    Print,
    Plasma,
    Palette,
    Filters,
    Loupe,
    Speedometer,
    Overview
};

QIcon toolIcon(ToolIcon which);

} // namespace qm::app
