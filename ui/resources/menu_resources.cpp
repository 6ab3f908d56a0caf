// menu_resources.cpp - the menu bar, the accelerator table and the prompt strings as data.
#include "ui/resources/menu_resources.h"

#include <array>

namespace quillmark {
namespace {

constexpr MenuItemResource kSeparator{"", 0};

constexpr std::array kFileMenu{
    MenuItemResource{"&New\tCtrl+N", ID_FILE_NEW},
    MenuItemResource{"Save Output &As...", ID_FILE_SAVE_OUTPUT_AS},
    MenuItemResource{"E&xit", ID_APP_EXIT},
};

constexpr std::array kEditMenu{
    MenuItemResource{"&Undo\tCtrl+Z", ID_EDIT_UNDO},
    MenuItemResource{"Cu&t\tCtrl+X", ID_EDIT_CUT},
    MenuItemResource{"&Copy\tCtrl+C", ID_EDIT_COPY},
    MenuItemResource{"&Paste\tCtrl+V", ID_EDIT_PASTE},
    kSeparator,
    MenuItemResource{"Select &All\tCtrl+A", ID_EDIT_SELECT_ALL},
};

constexpr std::array kOptionsMenu{
    MenuItemResource{"CRC Settings...\tAlt+C", ID_CRC_SETTINGS},
    kSeparator,
    MenuItemResource{"&Load settings\tAlt+L", ID_LOAD_SETTINGS},
    MenuItemResource{"&Save settings\tAlt+S", ID_SAVE_SETTINGS},
    kSeparator,
    MenuItemResource{"Reset to &defaults\tAlt+D", ID_RESET_DEFAULTS},
};

constexpr std::array kCrcMenu{
    MenuItemResource{"&Begin processing\tCtrl+B", ID_BEGIN_PROCESSING},
    kSeparator,
    MenuItemResource{"&Verify listing...", ID_VERIFY_LISTING},
};

constexpr std::array kHelpMenu{
    MenuItemResource{"&About Quillmark...", ID_APP_ABOUT},
};

constexpr std::array kMainMenu{
    MenuResource{"&File", kFileMenu},       MenuResource{"&Edit", kEditMenu},
    MenuResource{"&Options", kOptionsMenu}, MenuResource{"C&RC", kCrcMenu},
    MenuResource{"&Help", kHelpMenu},
};

// Ctrl+X appears twice; the Exit entry is shadowed by Cut and kept only because the table has it.
constexpr std::array kAccelerators{
    AcceleratorResource{"Ctrl+B", ID_BEGIN_PROCESSING},
    AcceleratorResource{"Ctrl+C", ID_EDIT_COPY},
    AcceleratorResource{"Alt+C", ID_CRC_SETTINGS},
    AcceleratorResource{"Alt+D", ID_RESET_DEFAULTS},
    AcceleratorResource{"Alt+L", ID_LOAD_SETTINGS},
    AcceleratorResource{"Ctrl+N", ID_FILE_NEW},
    AcceleratorResource{"Alt+S", ID_SAVE_SETTINGS},
    AcceleratorResource{"Ctrl+V", ID_EDIT_PASTE},
    AcceleratorResource{"Ctrl+X", ID_EDIT_CUT},
    AcceleratorResource{"Ctrl+X", ID_APP_EXIT},
    AcceleratorResource{"Ctrl+Z", ID_EDIT_UNDO},
};

struct PromptResource {
    int command;
    const char* prompt;
};

constexpr std::array kPrompts{
    PromptResource{ID_FILE_NEW, "Erases entire window"},
    PromptResource{ID_APP_EXIT, "Exit the program"},
    PromptResource{ID_RESET_DEFAULTS, "Reset the current settings to their default values"},
    PromptResource{ID_CRC_SETTINGS, "Open the CRC settings dialog"},
    PromptResource{ID_LOAD_SETTINGS, "Load previously saved settings"},
    PromptResource{ID_SAVE_SETTINGS, "Save the current CRC dialog settings"},
    PromptResource{ID_BEGIN_PROCESSING, "Begin processing with currently set options"},
    PromptResource{ID_VERIFY_LISTING, "Check files against a saved listing"},
    PromptResource{ID_EDIT_COPY, "Copy current selection"},
    PromptResource{ID_EDIT_CUT, "Cut current selection"},
    PromptResource{ID_EDIT_PASTE, "Paste from clipboard"},
    PromptResource{ID_EDIT_SELECT_ALL, "Select entire contents of window"},
    PromptResource{ID_APP_ABOUT, "Display information about Quillmark"},
};

}  // namespace

std::span<const MenuResource> MainMenuResource() { return kMainMenu; }

std::span<const AcceleratorResource> MainAcceleratorTable() { return kAccelerators; }

const char* CommandPrompt(int command) {
    for (const PromptResource& entry : kPrompts) {
        if (entry.command == command) return entry.prompt;
    }
    return "";
}

}  // namespace quillmark
