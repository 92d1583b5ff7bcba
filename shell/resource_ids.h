// The ids the game asks of its resource pack and of its own resources, the menu
// commands of its soft-key bars, and the control ids of its dialogs. The game
// code, the tests and the pack checker all take them from here.
#pragma once

#include <cstdint>

// ---- Resources of the pack ----
constexpr std::uint32_t IDR_LAYOUT_TEXT = 101;  // type "TEXT"
constexpr const char* LAYOUT_TEXT_TYPE = "TEXT";
constexpr std::uint32_t IDR_MAIN_MENU_BAR = 102;
constexpr std::uint32_t IDB_TILES = 104;
constexpr std::uint32_t IDB_TITLE = 106;
constexpr std::uint32_t IDD_NAME_ENTRY = 108;
constexpr std::uint32_t IDB_FIRST_BACKGROUND = 109;
constexpr std::uint32_t IDB_LAST_BACKGROUND = 118;
constexpr std::uint32_t IDB_GAME_OVER = 119;
constexpr std::uint32_t IDB_PAUSED = 120;
constexpr std::uint32_t IDD_OPTIONS = 121;
constexpr std::uint32_t IDR_OPTIONS_MENU_BAR = 122;
constexpr std::uint32_t IDR_DIALOG_MENU_BAR = 123;  // name entry and About

// Sounds: "WAVE" resources by name.
constexpr const char* WAVE_TYPE = "WAVE";
constexpr const char* SND_POP = "sndPop";
constexpr const char* SND_DROP = "sndDrop";
constexpr const char* SND_QUARVEL = "sndQuarvel";
constexpr const char* SND_LEVEL = "sndLevel";
constexpr const char* SND_LOSE = "sndLose";
constexpr const char* SND_JUNK = "sndJunk";

// ---- The program's own resources ----
constexpr std::uint32_t IDI_PROGRAM = 101;
constexpr std::uint32_t IDD_ABOUT = 103;

// ---- Strings of the pack ----
constexpr std::uint32_t IDS_PLACE_MESSAGE = 40016;    // a format with one text argument
constexpr std::uint32_t IDS_FIRST_ACTION = 40017;     // move left; 40017..40021 in slot order
constexpr std::uint32_t IDS_LAST_ACTION = 40021;      // drop
constexpr std::uint32_t IDS_PAUSE_RUNNING = 40022;    // the pause soft key while running
constexpr std::uint32_t IDS_PAUSE_PAUSED = 40023;     // ... and while paused
constexpr std::uint32_t IDS_CLEAR_QUESTION = 40024;   // clear the high scores?
constexpr std::uint32_t IDS_KEEP_KEYS = 40025;        // keep the new keys?
constexpr std::uint32_t IDS_CONTROLS_SOFT_KEY = 40044;
constexpr std::uint32_t IDS_NEXT_LABEL = 40067;       // game-screen labels, 40067..40070
constexpr std::uint32_t IDS_SCORE_LABEL = 40068;
constexpr std::uint32_t IDS_LEVEL_FORMAT = 40069;
constexpr std::uint32_t IDS_LINES_FORMAT = 40070;
// The place words for places 1 to 5 of the high-score table.
constexpr std::uint32_t IDS_PLACES[5] = {40064, 40065, 40066, 40071, 40072};

// ---- Commands of the soft-key bars ----
constexpr std::uint16_t IDM_SOUND = 40001;
constexpr std::uint16_t IDM_ABOUT = 40003;
constexpr std::uint16_t IDM_EXIT = 40005;
constexpr std::uint16_t IDM_SCREEN_KEY = 40006;  // the screens' own soft key (pause)
constexpr std::uint16_t IDM_CLEAR_HIGH_SCORES = 40016;
constexpr std::uint16_t IDM_CONTROLS = 40017;
constexpr std::uint16_t IDM_OPTIONS = 40037;
constexpr std::uint16_t IDM_MENU_KEY = 40047;  // the soft key that opens the menu
constexpr std::uint16_t IDM_CONFIRM = 40058;   // dialogs' soft-key bars
constexpr std::uint16_t IDM_CANCEL = 40059;

// New-game commands: junk rows and start level of each.
struct NewGameCommand {
    std::uint16_t command;
    std::int32_t junkRows;
    std::int32_t startLevel;
};
constexpr NewGameCommand NEW_GAME_COMMANDS[] = {
    {40007, 0, 1},   {40008, 3, 3},   {40009, 6, 4},   {40010, 8, 6},   {40011, 10, 8},
    {40012, 5, 14},  {40013, 10, 16}, {40019, 0, 1},   {40020, 0, 5},   {40021, 0, 10},
    {40022, 0, 15},  {40023, 0, 20},  {40031, 0, 25},  {40032, 0, 30},  {40033, 0, 35},
    {40034, 0, 40},  {40035, 0, 45},  {40036, 0, 50},
};
// The start-level commands that are greyed until a game has reached their level.
struct StartLevelItem {
    std::uint16_t command;
    std::int32_t level;
};
constexpr StartLevelItem GREYABLE_START_LEVELS[] = {
    {40021, 10}, {40022, 15}, {40023, 20}, {40031, 25}, {40032, 30},
    {40033, 35}, {40034, 40}, {40035, 45}, {40036, 50},
};

// ---- Dialog controls ----
// Name entry.
constexpr std::int32_t IDC_NAME = 1001;
constexpr std::int32_t IDC_PLACE_TEXT = 1002;
constexpr std::int32_t IDC_SCORE_TEXT = 1003;
// Options.
constexpr std::int32_t IDC_REPEAT_SPEED = 1013;
constexpr std::int32_t IDC_RISING_JUNK = 1014;
constexpr std::int32_t IDC_LEVEL_BACKGROUNDS = 1015;
constexpr std::int32_t IDC_SHOW_SHADOW = 1017;
constexpr std::int32_t IDC_SINGLE_PRESS_DROP = 1019;
constexpr std::int32_t IDC_RESET_HIGH_SCORES = 1020;
constexpr std::int32_t IDC_FIXED_SEED = 1021;
constexpr std::int32_t IDC_EXTRA_PIECES = 1022;
// About.
constexpr std::int32_t IDC_MAIL_BUTTON = 1022;
constexpr std::int32_t IDC_WEB_BUTTON = 1023;
constexpr std::int32_t IDC_VERSION_TEXT = 1024;
