#pragma once
// Window, dialog and control style bits with the values that the Windows
// headers give them, for the dialog templates. setup.rc and C++ both read
// this header, so it holds only #define lines with plain numbers; the RES_
// prefix keeps the names apart from the Windows headers' own macros, and the
// resource check (tests/fixtures/ResourceCheck) asserts that every value
// matches those headers.

// Window styles (WS_*).
#define RES_WS_POPUP 0x80000000
#define RES_WS_CHILD 0x40000000
#define RES_WS_VISIBLE 0x10000000
#define RES_WS_DISABLED 0x08000000
#define RES_WS_CLIPSIBLINGS 0x04000000
#define RES_WS_CLIPCHILDREN 0x02000000
#define RES_WS_CAPTION 0x00C00000
#define RES_WS_BORDER 0x00800000
#define RES_WS_VSCROLL 0x00200000
#define RES_WS_HSCROLL 0x00100000
#define RES_WS_SYSMENU 0x00080000
#define RES_WS_GROUP 0x00020000
#define RES_WS_TABSTOP 0x00010000

// Extended window styles (WS_EX_*).
#define RES_WS_EX_TRANSPARENT 0x00000020

// Dialog styles (DS_*).
#define RES_DS_SETFONT 0x0040
#define RES_DS_MODALFRAME 0x0080
#define RES_DS_CONTROL 0x0400

// Button styles (BS_*). The low four bits are the kind of button.
#define RES_BS_PUSHBUTTON 0x0000
#define RES_BS_DEFPUSHBUTTON 0x0001
#define RES_BS_AUTOCHECKBOX 0x0003
#define RES_BS_GROUPBOX 0x0007
#define RES_BS_AUTORADIOBUTTON 0x0009
#define RES_BS_TYPEMASK 0x000F
#define RES_BS_TOP 0x0400
#define RES_BS_MULTILINE 0x2000

// Static styles (SS_*). The low five bits are the kind of static control.
#define RES_SS_LEFT 0x0000
#define RES_SS_CENTER 0x0001
#define RES_SS_BITMAP 0x000E
#define RES_SS_ETCHEDHORZ 0x0010
#define RES_SS_TYPEMASK 0x001F
#define RES_SS_SUNKEN 0x1000

// Edit styles (ES_*).
#define RES_ES_MULTILINE 0x0004
#define RES_ES_AUTOHSCROLL 0x0080
#define RES_ES_READONLY 0x0800

// Every dialog uses this font.
#define RES_DIALOG_FONT_SIZE 8
#define RES_DIALOG_FONT_NAME "MS Sans Serif"
