// The hover tips of the buttons, the FTP boxes and the banner.
#pragma once

class MainWindow;

// Sets each control's tip; running it again leaves one tip per control.
void attachBalloonTips(MainWindow& w);
