// "核对(笔录)": the inquiry checked as a legal officer reviews it before it is signed, its problems
// listed beside the form; and the same check asked about before a print or save.
#pragma once

class CheckWindow;
class MainWindow;
struct Services;

namespace check {
class ContextSource;
}

// "核对(笔录)" and 按钮重新核对: the form checked, its problems listed in the check window, shown.
void CheckTranscript(MainWindow& w, Services& s, CheckWindow& cw, check::ContextSource& context);
// 按钮填写: 性别 and 年龄, where empty, filled from the identity number, and the form checked again.
void FillFromIdentityNumber(MainWindow& w, Services& s, CheckWindow& cw, check::ContextSource& context);

enum class Signing { Print, Save };
// Before the current transcript is printed or saved: whether to go on. When the check finds problems
// one question lists them; "返回修改" lists them in the check window and goes no further. set.ini's
// [hecha] tixing=0 asks nothing.
bool ReviewBeforeSigning(MainWindow& w, Services& s, CheckWindow& cw, check::ContextSource& context, Signing signing);
