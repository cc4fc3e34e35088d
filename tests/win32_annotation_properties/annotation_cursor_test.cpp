// The cursor put on a drawing point by the annotation stage's drags, on a
// real window under Wine: the cursor lands on the screen pixel of the
// point (the window's transform and its client origin by hand), and the
// window is then told of a mouse move at that client pixel, the move that
// runs one more drag step at the same place.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "shell/annotation_mouse.h"
#include "shell/projection_windows.h"

namespace {

std::vector<POINT> moves;

LRESULT CALLBACK record_moves(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_MOUSEMOVE)
        moves.push_back(POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
    return DefWindowProcA(window, message, wp, lp);
}

// Runs the window's messages for a while, so that the mouse move that a
// cursor jump makes arrives.
void pump(int ms) {
    DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    MSG m;
    while (static_cast<int>(end - GetTickCount()) > 0) {
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        Sleep(10);
    }
}

TEST(AnnotationCursor, CursorGoesToThePixelOfTheDrawingPoint) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = record_moves;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "SarvoltCursorTest";
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    RegisterClassA(&wc);
    // A frameless topmost window: its client starts at its screen corner.
    HWND window = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 120, 90, 400, 300,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(window);
    pump(200);
    POINT origin{0, 0};
    ASSERT_TRUE(ClientToScreen(window, &origin));

    auto* w = static_cast<ProjectionWindow*>(std::calloc(1, sizeof(ProjectionWindow)));
    w->window = window;
    struct Case {
        float offset[2], shift[2];
        double scale[2];
        Point2 p;
        int px, py;  // (p - offset + shift) * scale, by hand
    } const cases[] = {
        {{0, 0}, {0, 0}, {1, 1}, {50, 40}, 50, 40},
        {{10, 5}, {0, 0}, {2, 2}, {40, 30}, 60, 50},
        {{-20, -100}, {15, -60}, {4, 4}, {12.5, 7.25}, 190, 189},  // (47.5, 47.25) x 4
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.px);
        w->view_offset[0] = c.offset[0], w->view_offset[1] = c.offset[1];
        w->scroll_shift[0] = c.shift[0], w->scroll_shift[1] = c.shift[1];
        w->scale[0] = c.scale[0], w->scale[1] = c.scale[1];
        SetCursorPos(origin.x + 5, origin.y + 5);
        pump(100);
        moves.clear();
        set_cursor_to_point(window, w, c.p);
        POINT at{};
        ASSERT_TRUE(GetCursorPos(&at));
        EXPECT_EQ(at.x, origin.x + c.px);
        EXPECT_EQ(at.y, origin.y + c.py);
        pump(300);
        ASSERT_FALSE(moves.empty()) << "no mouse move after the cursor jump";
        EXPECT_EQ(moves.back().x, c.px);
        EXPECT_EQ(moves.back().y, c.py);
    }
    std::free(w);
    DestroyWindow(window);
    UnregisterClassA(wc.lpszClassName, wc.hInstance);
}

}  // namespace
