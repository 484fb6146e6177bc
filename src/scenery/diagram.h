// The servo-loop block diagram drawn on the plotter table's outline, at the top of every frame.
#pragma once

#include "canvas/canvas.h"

enum class DiagramVariant {
    Standard,  // closed loop
    OpenLoop,  // feedback cut, junction input earthed, "V=Ve"
};

void DrawBlockDiagram(TCanvas& c, DiagramVariant variant);
