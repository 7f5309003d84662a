// What the main window's program keeps beside the form that no control shows: the designed form held
// these in hidden text boxes (编辑框25, 编辑框24).
#pragma once

#include <QString>

struct FormState {
    // The status message of the last command (编辑框25): the status clock renders it, with the date
    // and time, into the status bar every second.
    QString status;
    // The archive's last background note in status, which the next one replaces.
    QString archiveNote;
    // The file the text viewer shows (编辑框24), which 按钮6 prints.
    QString viewedFile;
};
