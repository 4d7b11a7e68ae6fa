#pragma once
// TAppIcons: the program's icons. A bare desktop gives Qt no icon theme, so
// start-up names the freedesktop theme that is installed and the program
// ships its own PNGs (<data dir>/icons/<name>-<size>.png) for the toolbar
// buttons and the window. Those come first, so the toolbars look the same
// everywhere; the desktop theme fills in file and folder icons and any name
// the program does not ship.
//
// User-interface thread only (QIcon); call SetUpIconTheme() once after the
// QApplication exists.

#include <QIcon>

#include <string_view>

class TAppIcons {
public:
    /// Picks "Adwaita" (else "hicolor") when the platform named no theme.
    static void SetUpIconTheme();
    /// The shipped icon `name` in every size shipped; the theme's icon of
    /// the same meaning when none is shipped; a null icon otherwise.
    static QIcon Icon(std::string_view name);
    /// The program's own icon (window, tray).
    static QIcon ApplicationIcon() { return Icon("tovrel-ftp"); }
};
