#include <gtest/gtest.h>
#include <windows.h>
#include <cstdlib>
#include "ui/tray_menu.h"

namespace {
// A 24-bit bitmap selected into a memory device context, filled with one colour.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill)
        : m_dc(CreateCompatibleDC(nullptr)), m_width(width), m_height(height)
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_old = SelectObject(m_dc, m_bitmap);
        HBRUSH brush = CreateSolidBrush(fill);
        RECT all{0, 0, width, height};
        FillRect(m_dc, &all, brush);
        DeleteObject(brush);
    }
    ~Canvas()
    {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    HDC Dc() const { return m_dc; }
    COLORREF At(int x, int y) const { return GetPixel(m_dc, x, y); }
    int CountOf(COLORREF colour) const
    {
        int n = 0;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) n += At(x, y) == colour;
        return n;
    }

private:
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    int m_width, m_height;
};

bool Near(COLORREF a, COLORREF b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= 8 && std::abs(GetGValue(a) - GetGValue(b)) <= 8 &&
           std::abs(GetBValue(a) - GetBValue(b)) <= 8;
}
}  // namespace

TEST(TrayMenu, TitleIsMeasuredForItsBoldTextAndDrawnOnACaptionGradient)
{
    TrayMenu menu;
    ASSERT_TRUE(menu.Build(false, false, true));
    EXPECT_EQ(menu.Title(), "Ombrix");

    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    menu.MeasureItem(measure);
    EXPECT_GT(int(measure.itemWidth), GetSystemMetrics(SM_CXMENUCHECK) + 16 + 20);
    EXPECT_GT(measure.itemHeight, 8u + 8u);

    const COLORREF paper = RGB(1, 2, 3);
    const int width = 200, height = static_cast<int>(measure.itemHeight);
    Canvas canvas(width, height, paper);
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.hDC = canvas.Dc();
    draw.rcItem = {0, 0, width, height};
    menu.DrawItem(draw);

    EXPECT_TRUE(Near(canvas.At(0, 0), GetSysColor(COLOR_ACTIVECAPTION)));
    EXPECT_TRUE(Near(canvas.At(width - 3, 0), GetSysColor(COLOR_GRADIENTACTIVECAPTION)));
    // The gradient stops one pixel short of the right and bottom edges.
    EXPECT_EQ(canvas.At(width - 1, 0), paper);
    EXPECT_EQ(canvas.At(0, height - 1), paper);
    // The title is written in the caption text colour, right of the check mark column.
    EXPECT_GT(canvas.CountOf(GetSysColor(COLOR_CAPTIONTEXT)), 20);
    EXPECT_EQ(GetBkMode(canvas.Dc()), OPAQUE);
}
