// The two items of the help menu that open the text viewer: the transcript guide and the help file.
#pragma once

class MainWindow;
struct FormState;
struct Services;

// "笔录制作过程": writes the guide to js.txt in the cache directory and shows that file.
void ShowGuide(MainWindow& w, Services& s, FormState& form);
// "软件帮助": shows 帮助.txt of the program directory; a missing file opens an empty viewer.
void ShowHelpFile(MainWindow& w, Services& s, FormState& form);
