// Dialog templates as data: a window and its controls, placed in dialog units and styled with
// the Windows style bits, so that a layout can be written down once as a table and built by
// one builder (DialogBuilder). The numeric values are those of the Windows headers.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace dlgstyle {
// Window styles
inline constexpr std::uint32_t WS_POPUP = 0x80000000;
inline constexpr std::uint32_t WS_CHILD = 0x40000000;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000;
inline constexpr std::uint32_t WS_BORDER = 0x00800000;
inline constexpr std::uint32_t WS_VSCROLL = 0x00200000;
inline constexpr std::uint32_t WS_HSCROLL = 0x00100000;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000;
inline constexpr std::uint32_t WS_GROUP = 0x00020000;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000;
inline constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000;
// Dialog styles
inline constexpr std::uint32_t DS_MODALFRAME = 0x80;
inline constexpr std::uint32_t DS_SETFONT = 0x40;
// Button styles
inline constexpr std::uint32_t BS_PUSHBUTTON = 0x0;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x1;
// Edit styles
inline constexpr std::uint32_t ES_MULTILINE = 0x4;
inline constexpr std::uint32_t ES_AUTOHSCROLL = 0x80;
inline constexpr std::uint32_t ES_READONLY = 0x800;
inline constexpr std::uint32_t ES_WANTRETURN = 0x1000;
// Static styles
inline constexpr std::uint32_t SS_LEFT = 0x0;
inline constexpr std::uint32_t SS_ICON = 0x3;
inline constexpr std::uint32_t SS_GRAYFRAME = 0x8;
inline constexpr std::uint32_t SS_NOPREFIX = 0x80;
// Combo box styles
inline constexpr std::uint32_t CBS_DROPDOWNLIST = 0x3;
inline constexpr std::uint32_t CBS_SORT = 0x100;
} // namespace dlgstyle

// One control of a template. Positions and sizes are in dialog units.
struct DialogItemTemplate {
    int id; // control id; -1 for labels that nothing refers to
    std::string_view
        windowClass; // "Button", "Edit", "Static", "ComboBoxEx32", "MfcEditBrowse", "MfcLink"
    std::string_view caption; // UTF-8
    int x, y, cx, cy;
    std::uint32_t style;
    std::string_view name; // the id's name, used as the widget's objectName; empty for labels
};

// A menu bar as data: popups in bar order, each holding its commands in menu order.
struct MenuCommandTemplate {
    unsigned id;            // command id, sent when the item is chosen; 0 for a submenu
    std::string_view text;  // UTF-8
    std::string_view name;  // the id's name, used as the action's objectName
    bool checkable = false; // the item carries a check mark that choosing it toggles
    std::span<const MenuCommandTemplate> submenu = {}; // when not empty, the item opens these
};

struct MenuPopupTemplate {
    std::string_view text; // UTF-8
    std::span<const MenuCommandTemplate> items;
    unsigned id = 0; // by which the program adds to the popup; 0 when it adds nothing
};

struct MenuTemplate {
    int id;
    std::span<const MenuPopupTemplate> popups;
};

struct DialogTemplate {
    int id;
    std::string_view caption; // UTF-8
    int x, y, cx, cy;         // dialog units
    std::uint32_t style;
    std::uint32_t exStyle;
    std::string_view fontFace; // the font the template asks for; the builder may substitute
    int pointSize;
    int menuId;                                // menu bar resource, 0 for none
    std::span<const DialogItemTemplate> items; // template order, which is also the tab order
    const MenuTemplate* menu = nullptr;        // the data of menuId; nullptr for none
};
