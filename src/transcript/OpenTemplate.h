// "打开(笔录模板)": a template file chosen with 通用对话框2 loaded into the form.
#pragma once

#include <QString>

class MainWindow;
struct Services;

void OpenTemplate(MainWindow& w, Services& s);
// Loads the template at path into the form, as the chosen one: it is the inquiry open from now on.
void LoadTemplate(MainWindow& w, Services& s, const QString& path);
