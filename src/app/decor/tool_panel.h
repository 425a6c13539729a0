// The main window's tool-bar container: PanelManager1 holding MPanel1 on the wiaTile1 background.
#pragma once

#include "app/decor/panel_manager.h"
#include "app/decor/wia_tile.h"

#include <QImage>

namespace qm::app {

struct ToolPanel {
    TPanelManager* PanelManager1 = nullptr;
    TMPanel* MPanel1 = nullptr;
    TwiaTile* wiaTile1 = nullptr;
};

// The 57 x 32 tile: a few curves on white, white being the transparent colour.
QImage toolTileImage();

// Builds the container as a child of parent: MPanel1 (34 pixels high with a 1-pixel raised
// bevel, fixed in place) with wiaTile1 inside the bevel at its left, 620 x 32, faded. Tool buttons
// go into MPanel1 as children.
ToolPanel makeToolPanel(QWidget* parent);

} // namespace qm::app
