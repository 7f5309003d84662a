// "打开(笔录模板)": a template file chosen with 通用对话框2 loaded into the form.
#pragma once

class MainWindow;
struct Services;

void OpenTemplate(MainWindow& w, Services& s);
