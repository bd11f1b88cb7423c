// A picture of the window for documentation, taken by the running program.
//
//   NETPANEL_SCREENSHOT=path.png        grab the main window into this PNG file, then "Exit"
//   NETPANEL_SCREENSHOT_DELAY_MS=3000   after this many milliseconds (default 3000)
//   NETPANEL_SCREENSHOT_TAB=n           select tab n (0..5) at start, as a click on it would
//
// Without NETPANEL_SCREENSHOT nothing happens.
#pragma once

namespace netpanel {
class Velto;
}

namespace netpanel::qt {

class VeltoView;

// Schedules the screenshot if the environment asks for one.
void scheduleScreenshot(Velto& velto, VeltoView& view);

}  // namespace netpanel::qt
