// Every test starts from an empty window manager.
#include "host/testing.h"
#include "user/display_link.h"
#include "user/focus.h"
#include "user/input.h"
#include "user/message_queue.h"
#include "user/painting.h"
#include "user/timers.h"
#include "user/window_classes.h"
#include "user/window_tree.h"

namespace host {

void ResetWindowManager() {
    wm::ResetWindows();
    wm::ResetClasses();
    wm::ResetPainting();
    wm::ResetFocus();
    wm::ResetMessages();
    wm::ResetTimers();
    wm::ResetInput();
    // Input the display still holds belongs to the state just dropped.
    wm::DiscardHostInput();
}

}  // namespace host
