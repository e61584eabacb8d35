#include "ui/win32/WindowPlacement.h"

#include <algorithm>

#include "ui/win32/ControlIds.h"
#include "window/WindowLayout.h"

namespace fd {

namespace {

using namespace controlid;

// Sizes in pixels at 96 DPI.
constexpr int kMargin = 6;
constexpr int kGap = 6;
constexpr int kLineHeight = 23;
constexpr int kCaptionWidth = 90;
constexpr int kPickWidth = 28;
constexpr int kButtonHeight = 30;
constexpr int kCheckWidth = 145;
constexpr int kCheckPitch = 150;

class Placer {
 public:
  Placer(Placement& placement, int dpi) : placement_(placement), dpi_(dpi) {}

  int px(int pixels96) const { return MulDiv(pixels96, dpi_, 96); }
  void place(int id, int x, int y, int width, int height) {
    placement_[id] = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
  }

 private:
  Placement& placement_;
  int dpi_;
};

// Section bar, the root row, the module rows, section bar, the server's row, the bases grid.
void placeGeneral(Placer& p, const RECT& area) {
  const int left = area.left, right = area.right, width = right - left;
  const int line = p.px(kLineHeight), gap = p.px(kGap), caption = p.px(kCaptionWidth);
  int y = area.top;
  const auto captionedRow = [&](int id, int boxWidth) {
    p.place(captionOf(id), left, y, caption, line);
    p.place(id, left + caption, y, boxWidth, line);
  };
  p.place(sectionDirectorios, left, y, width, line);
  y += line + gap;
  captionedRow(txtDirFD, width - caption - p.px(kPickWidth + kGap));
  p.place(cmdRaiz, right - p.px(kPickWidth), y, p.px(kPickWidth), line);
  y += line + gap;
  const int word = p.px(layout::kWordBoxWidth);
  for (const layout::ModuleRow& module : layout::moduleRows()) {
    captionedRow(named(module.wordName), word);
    const int folderLeft = left + caption + p.px(layout::kWordBoxWidth + kGap);
    p.place(named(module.folderName), folderLeft, y, right - folderLeft, line);
    y += line + gap;
  }
  p.place(sectionBases, left, y, width, line);
  y += line + gap;
  captionedRow(txtServidor, width - caption);
  y += line + gap;
  p.place(flxBases, left, y, width, area.bottom - y);
}

// The captioned grids one under the other, sharing the height left by the bottom row (check
// boxes from the left, the button at the right) in proportion to their shares.
void placeGrids(Placer& p, int page, const RECT& area) {
  const int left = area.left, right = area.right, width = right - left;
  const int line = p.px(kLineHeight), gap = p.px(kGap), buttonHeight = p.px(kButtonHeight);
  int grids = 0, shares = 0;
  for (const layout::GridPlace& grid : layout::grids()) {
    if (grid.page == page) {
      ++grids;
      shares += grid.share;
    }
  }
  int bottomRow = 0;
  const int rowTop = area.bottom - buttonHeight;
  for (const layout::CheckPlace& check : layout::checkBoxes()) {
    if (check.page == page) {
      p.place(named(check.name), left + bottomRow * p.px(kCheckPitch), rowTop, p.px(kCheckWidth),
              buttonHeight);
      ++bottomRow;
    }
  }
  for (const layout::ButtonPlace& button : layout::buttons()) {
    if (button.page == page) {
      const int buttonWidth = p.px(layout::kButtonWidth);
      p.place(named(button.name), right - buttonWidth, rowTop, buttonWidth, buttonHeight);
      ++bottomRow;
    }
  }
  const int bottom = bottomRow > 0 ? rowTop - gap : area.bottom;
  const int gridsHeight = bottom - area.top - grids * line - (grids - 1) * gap;
  int y = area.top;
  int sharesBefore = 0;
  for (const layout::GridPlace& grid : layout::grids()) {
    if (grid.page != page)
      continue;
    const int id = named(grid.name);
    // The last grid takes what the rounding of the others left.
    const int height = sharesBefore + grid.share == shares
                           ? gridsHeight - gridsHeight * sharesBefore / shares
                           : gridsHeight * grid.share / shares;
    p.place(captionOf(id), left, y, width, line);
    y += line;
    p.place(id, left, y, width, height);
    y += height + gap;
    sharesBefore += grid.share;
  }
}

}  // namespace

Placement placeFrame(const RECT& client, int dpi) {
  Placement placement;
  Placer p(placement, dpi);
  const int margin = p.px(kMargin);
  const int line = p.px(kLineHeight);
  const int width = client.right - 2 * margin;
  const int statusTop = client.bottom - margin - line;
  p.place(txtEstado, margin, statusTop, width, line);
  p.place(SSTab1, margin, margin, width, statusTop - p.px(kGap) - margin);
  // The logo stands a little off the tab control's right edge.
  const int side = layout::logo().side;
  p.place(iLogo, client.right - margin - p.px(side + 4), margin, p.px(side), p.px(side));
  return placement;
}

Placement placePages(const RECT& page, int dpi) {
  Placement placement;
  Placer p(placement, dpi);
  const int gap = p.px(kGap);
  const RECT area{page.left + gap, page.top + gap, page.right - gap, page.bottom - gap};
  placeGeneral(p, area);
  for (int other = layout::Descomprimir; other < layout::PageCount; ++other)
    placeGrids(p, other, area);
  return placement;
}

}  // namespace fd
