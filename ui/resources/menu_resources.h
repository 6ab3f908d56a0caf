// menu_resources.h - the main window's commands, menu bar, accelerator table and command prompts.
#pragma once

#include <span>

namespace quillmark {

// Command ids of the main window; the numbers are the ones the menu and accelerator tables use.
enum CommandId : int {
    ID_FILE_NEW = 110,
    ID_APP_EXIT = 111,
    ID_FILE_SAVE_OUTPUT_AS = 112,
    ID_RESET_DEFAULTS = 120,
    ID_CRC_SETTINGS = 121,
    ID_EDIT_COPY = 130,
    ID_EDIT_CUT = 131,
    ID_EDIT_PASTE = 132,
    ID_EDIT_SELECT_ALL = 133,
    ID_EDIT_UNDO = 134,
    ID_APP_ABOUT = 135,
    ID_LOAD_SETTINGS = 600,
    ID_SAVE_SETTINGS = 601,
    ID_BEGIN_PROCESSING = 40006,
    ID_VERIFY_LISTING = 40007,
};

// One entry of a drop-down menu; a separator has no text and command 0.
struct MenuItemResource {
    const char* text;  // mnemonic as '&', shortcut text after a tab
    int command;

    bool IsSeparator() const { return command == 0; }
};

struct MenuResource {
    const char* title;
    std::span<const MenuItemResource> items;
};

// Keys are written as QKeySequence understands them ("Ctrl+B", "Alt+C").
struct AcceleratorResource {
    const char* key;
    int command;
};

std::span<const MenuResource> MainMenuResource();
// Looked up from the top: the first entry with a key wins, so a later entry for the same key
// never takes effect.
std::span<const AcceleratorResource> MainAcceleratorTable();
// The one-line prompt of a command, or "" when it has none.
const char* CommandPrompt(int command);

}  // namespace quillmark
