// Window messages: their numbers and the program's message queue.
#pragma once

#include <cstdint>

#include "platform/runtime/types.h"

constexpr std::uint32_t WM_CREATE = 1;
constexpr std::uint32_t WM_DESTROY = 2;
constexpr std::uint32_t WM_ACTIVATE = 6;
constexpr std::uint32_t WM_KILLFOCUS = 8;
constexpr std::uint32_t WM_PAINT = 15;
constexpr std::uint32_t WM_CLOSE = 16;
constexpr std::uint32_t WM_QUIT = 18;
constexpr std::uint32_t WM_KEYDOWN = 256;
constexpr std::uint32_t WM_KEYUP = 257;
constexpr std::uint32_t WM_CHAR = 258;
constexpr std::uint32_t WM_INITDIALOG = 272;
constexpr std::uint32_t WM_COMMAND = 273;
constexpr std::uint32_t WM_TIMER = 275;
constexpr std::uint32_t WM_INITMENUPOPUP = 279;
constexpr std::uint32_t WM_LBUTTONDOWN = 513;
constexpr std::uint32_t WM_LBUTTONUP = 514;
constexpr std::uint32_t WM_HOTKEY = 786;
constexpr std::uint32_t WM_USER = 1024;  // first private message number

struct Message {
    WindowHandle window = nullptr;
    std::uint32_t message = 0;
    WParam wParam = 0;
    LParam lParam = 0;

    friend bool operator==(const Message&, const Message&) = default;
};

// Puts a message at the end of the program's posted-message queue and returns at
// once. A null window posts to the program itself (the message loop sees it with
// no window).
bool PostMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);

// Takes the oldest posted message off the queue; false when the queue is empty.
bool TakePostedMessage(Message& out);
void ClearPostedMessages();
