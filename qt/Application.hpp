#pragma once

class QApplication;

namespace korvane::qt {

// What every Korvane window shares: the dialog style (Fusion, the same look on every desktop
// and off-screen), the program icon, and no quitting when a window closes: the dialogs' own
// loops decide when the program ends.
void configureApplication(QApplication& app);

} // namespace korvane::qt
