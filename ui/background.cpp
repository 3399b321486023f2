#include "ui/background.h"

#include <objidl.h>
#include <gdiplus.h>

static const Gdiplus::ARGB kStartColour = 0xFFD2691E;  // chocolate, top left
static const Gdiplus::ARGB kEndColour = 0xFF6495ED;    // cornflower blue, bottom right

LRESULT OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    INT width = client.right - client.left;
    INT height = client.bottom - client.top;

    // The brush spans the whole client area, so a partial repaint continues
    // the same gradient.
    Gdiplus::LinearGradientBrush brush(
        Gdiplus::RectF(static_cast<Gdiplus::REAL>(client.left), static_cast<Gdiplus::REAL>(client.top),
                       static_cast<Gdiplus::REAL>(width), static_cast<Gdiplus::REAL>(height)),
        Gdiplus::Color(kStartColour), Gdiplus::Color(kEndColour), Gdiplus::LinearGradientModeForwardDiagonal);
    // With the default tiling the corner pixel wraps round to the end colour;
    // mirroring keeps the gradient continuous at the edges.
    brush.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    Gdiplus::Graphics graphics(dc);
    graphics.FillRectangle(&brush, static_cast<INT>(client.left), static_cast<INT>(client.top), width, height);
    EndPaint(window, &paint);
    return 0;
}

LRESULT OnCtlColorStatic(HDC dc)
{
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}
