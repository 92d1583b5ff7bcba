// A stand-in program for the `quarvel` executable until the game's own start-up
// and screens exist: it plays the rules in a plain window, so the hosts, the
// window manager, drawing and text can be seen at work. The arrows, Return and
// Down play; F1 lets the automatic player take over or hands back; Back closes.
#include <cstdio>

#include "platform/drawing.h"
#include "platform/keys.h"
#include "platform/program.h"
#include "platform/text.h"
#include "platform/windows.h"
#include "rules/game.h"
#include "shell/options.h"
#include "tools/autoplayer.h"

namespace {

constexpr std::uintptr_t TIMER_ID = 247;

struct StandIn {
    CQuarvelGame game;
    CQuarvelAutoPlayer player;
    bool automatic = true;
    FontHandle font = nullptr;
    std::int32_t restartIn = 0;
} standIn;

Colour TileColour(std::uint8_t tile) {
    static const Colour colours[9] = {Rgb(230, 200, 40), Rgb(60, 200, 230),  Rgb(80, 200, 90),
                                      Rgb(220, 70, 70),  Rgb(240, 140, 40),  Rgb(70, 110, 230),
                                      Rgb(170, 90, 220), Rgb(130, 130, 130), Rgb(240, 240, 240)};
    return tile < 9 ? colours[tile] : Rgb(0, 0, 0);
}

void Draw(WindowHandle window, SurfaceHandle surface) {
    const CQuarvelGame& g = standIn.game;
    Rect client = GetClientRect(window);
    BrushHandle background = CreateSolidBrush(Rgb(24, 28, 48));
    FillRect(surface, client, background);
    DeleteBrush(background);
    std::int32_t tile = std::max(4, std::min((client.bottom - 8) / BOARD_ROWS, 14));
    std::int32_t left = 6, top = (client.bottom - tile * BOARD_ROWS) / 2;
    BrushHandle well = CreateSolidBrush(Rgb(8, 10, 20));
    FillRect(surface, Rect{left, top, left + tile * BOARD_COLUMNS, top + tile * BOARD_ROWS}, well);
    DeleteBrush(well);
    auto cell = [&](std::int32_t c, std::int32_t r, std::uint8_t t) {
        if (t == EMPTY_TILE || r < 0) return;
        BrushHandle b = CreateSolidBrush(TileColour(t));
        FillRect(surface,
                 Rect{left + c * tile, top + r * tile, left + (c + 1) * tile - 1,
                      top + (r + 1) * tile - 1},
                 b);
        DeleteBrush(b);
    };
    for (std::int32_t r = 0; r < BOARD_ROWS; ++r) {
        for (std::int32_t c = 0; c < BOARD_COLUMNS; ++c)
            cell(c, r, g.boardCell(c, r));
    }
    if (g.piece.kind != NO_PIECE && g.state != GameState::GameOver) {
        for (int i = 0; i < PIECE_CELLS; ++i)
            cell(g.piece.x + i % 4, g.piece.y + i / 4, g.piece.cells[i]);
    }

    SelectFont(surface, standIn.font);
    SetBackgroundMode(surface, BackgroundMode::Transparent);
    SetTextColour(surface, Rgb(255, 255, 255));
    std::int32_t x = left + tile * BOARD_COLUMNS + 6;
    char16_t text[64];
    auto line = [&](std::int32_t y, const char16_t* format, std::int32_t value, Colour colour) {
        FormatText(text, 64, format, {value});
        SetTextColour(surface, colour);
        DrawText(surface, text, -1, Rect{x, y, client.right - 2, y + 18}, 0);
    };
    line(top, u"Quarvel", 0, Rgb(255, 255, 0));
    line(top + 24, u"Score %d", g.score, Rgb(255, 255, 255));
    line(top + 42, u"Level %d", g.level, Rgb(255, 255, 255));
    line(top + 60, u"Lines %d", g.lines, Rgb(255, 255, 255));
    line(top + 90, standIn.automatic ? u"F1: play" : u"F1: demo", 0, Rgb(160, 170, 200));
    line(top + 108, u"Back: quit", 0, Rgb(160, 170, 200));
    if (g.state == GameState::GameOver) line(top + 140, u"Game over", 0, Rgb(255, 90, 90));
}

void NewGame() {
    options.fixed_seed = 0;
    standIn.game.startGame(0, 1);
}

LResult StandInProcedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    CQuarvelGame& g = standIn.game;
    switch (message) {
        case WM_CREATE:
            standIn.font = CreateFontByName(u"Tahoma", 14, FONT_WEIGHT_BOLD);
            NewGame();
            SetTimer(window, TIMER_ID, 33);
            return 0;
        case WM_TIMER:
            if (g.state == GameState::GameOver) {
                if (--standIn.restartIn <= 0) NewGame();
            } else {
                if (standIn.automatic) standIn.player.act(g);
                g.tick();
                if (g.state == GameState::GameOver) standIn.restartIn = 90;
            }
            InvalidateRect(window, nullptr, false);
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                SendMessage(window, WM_CLOSE, 0, 0);
            } else if (wParam == VK_F1) {
                standIn.automatic = !standIn.automatic;
            } else if (!standIn.automatic) {
                g.onKeyDown(static_cast<std::uint32_t>(wParam), (lParam & KEY_WAS_DOWN) != 0);
            }
            return 0;
        case WM_KEYUP:
            if (!standIn.automatic) g.onKeyUp(static_cast<std::uint32_t>(wParam));
            return 0;
        case WM_PAINT: {
            PaintInfo paint;
            SurfaceHandle surface = BeginPaint(window, paint);
            Draw(window, surface);
            EndPaint(window, paint);
            return 0;
        }
        case WM_DESTROY:
            DeleteFont(standIn.font);
            PostQuitMessage(0);
            return 0;
        default:
            return DefaultWindowProcedure(window, message, wParam, lParam);
    }
}

}  // namespace

std::int32_t ProgramMain(ModuleHandle instance, ModuleHandle, const char16_t*, std::int32_t) {
    WindowClass windowClass;
    windowClass.procedure = StandInProcedure;
    windowClass.instance = instance;
    windowClass.name = u"Quarvel";
    if (RegisterWindowClass(windowClass) == 0) return 0;
    if (CreateWindow(u"Quarvel", u"Quarvel", WS_VISIBLE, USE_DEFAULT, USE_DEFAULT, USE_DEFAULT,
                     USE_DEFAULT, nullptr, instance, nullptr) == nullptr) {
        return 0;
    }
    Message message;
    std::int32_t got;
    while ((got = GetMessage(message)) == 1) {
        TranslateMessage(message);
        DispatchMessage(message);
    }
    return got == 0 ? static_cast<std::int32_t>(message.wParam) : 0;
}
