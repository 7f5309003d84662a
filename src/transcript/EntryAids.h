// Ready-made answer and question lines built from the particulars, offered on a list choice.
#pragma once

class MainWindow;

// A choice from the list of 组合框6: "答：" + the name at the top of 组合框7's list.
void AddNameAnswer(MainWindow& w);
// A choice from the list of 组合框8: "答：" + the work unit on top of 组合框9's list and the question
// about its person in charge on top of 组合框10's.
void AddWorkUnitItems(MainWindow& w);
