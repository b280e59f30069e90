#include "data/label_sheet.h"

#include "core/draw2d.h"
#include "core/graphics.h"

void drawSheetSprite(float x, float y, const SheetRect& rect, uint32_t colour) {
  const TexRecord& sheet = gTextures[kTexLabels];
  if (!sheet.texture || sheet.width == 0 || sheet.height == 0) return;
  setSpriteColour(colour);
  drawSprite(x, y, sheet, rect.x, rect.y, rect.width, rect.height);
}
