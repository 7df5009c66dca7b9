#pragma once

// The result and button codes the dialogs and message boxes of the system
// speak, with the values the design was written against.
enum : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDYES = 6,
    IDNO = 7,
};

enum : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNO = 0x4,
    MB_TYPEMASK = 0xF,
    // The kind of a box, shown as its icon. A box without one is a warning
    // (OK only) or a question (a choice).
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_ICONMASK = 0xF0,
};
