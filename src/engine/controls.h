// The window's controls as values: where each is, what it shows and whether it shows. The scenes
// and handlers read and set them; each shell turns them into widgets of its own (Qt's on the
// desktop, HTML elements in the browser) and tells the core what the user did with them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "canvas/canvas.h"
#include "canvas/geometry.h"

namespace richtext {
struct Document;
}

struct TControl {
    Rect Bounds;
    bool Visible = true;
    bool Enabled = true;
    std::string Caption;
    TColor FontColor = clWindowText;
    int FontPixels = 11;  // "MS Sans Serif" 8 pt
    bool FontBold = false;
};

using TLabel = TControl;
using TButton = TControl;

struct TListBox : TControl {
    std::vector<std::string> Items;
    int ItemIndex = -1;  // the selected item, -1 for none
    int ItemHeight = 13;
};

struct TScrollBar : TControl {
    int Min = 0, Max = 100, Position = 0;
    int SmallChange = 1, LargeChange = 10;
};

// A rich-text panel: its text until a document is loaded into it, then the document.
struct TRichEdit : TControl {
    bool ReadOnly = false;
    std::string Text;
    std::shared_ptr<const richtext::Document> Page;
    std::string PageName;          // the document's file name
    std::uint32_t PageSerial = 0;  // counts the documents loaded
};

// A picture control: shows the top-left part of its bitmap, as large as the control.
struct TImage : TControl {
    struct TPicture {
        TBitmap Bitmap;
    } Picture;
    TCanvas* Canvas() { return Picture.Bitmap.Canvas(); }
};

// A periodic timer: the shell calls Timer1Timer every Interval ms while it is enabled.
struct TTimer {
    int Interval = 1000;
    bool Enabled = false;
};
