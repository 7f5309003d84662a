// The handlers of "被询问人核对", the interviewee's screen: opened and closed from the menu, blanked
// and brought back, its type enlarged and reduced, kept on its screen as screens come and go, and
// following the form as the officer types.
#pragma once

#include <functional>

class MainWindow;
class ReadAlongWindow;
struct FormState;
struct Services;

namespace transcript {
struct ReadBackState;
}

// Opens the window, or closes it when it is open.
void ToggleReadAlong(MainWindow& w, Services& s, const transcript::ReadBackState& readBack, ReadAlongWindow& window);
// The page of the field being typed shown as it will be printed, after a read-back with the lines
// changed since marked; nothing while the window is closed.
void UpdateReadAlong(MainWindow& w, Services& s, const transcript::ReadBackState& readBack, ReadAlongWindow& window);
// Blanks the window or brings it back, saying so in the status line.
void ToggleReadAlongBlank(FormState& form, ReadAlongWindow& window);
void EnlargeReadAlong(ReadAlongWindow& window);
void ReduceReadAlong(ReadAlongWindow& window);
// A screen plugged or unplugged: an open window moves to the screen now free, or back beside the form.
void FollowScreens(ReadAlongWindow& window);

namespace transcript {

// Calls changed whenever a field's text, the cursor in it or the focus changes; many changes at
// once come as many calls, which the caller coalesces.
void watchFormChanges(MainWindow& w, const std::function<void()>& changed);

} // namespace transcript
