// tovrel-ftp-editors-screenshot: pictures of the bookmark and filter
// editors and the tip window, in English and German, written to the folder
// given as bookmarks.png, bookmarks-de.png, filters.png, filters-de.png,
// tips.png and tips-de.png. The stores live in a private temporary data
// directory. Run it through scripts/screenshot.

#include "hosts/Filters.h"
#include "hosts/Hosts.h"
#include "hosts/QuickHosts.h"
#include "i18n/LanguageManager.h"
#include "store/MainConfig.h"
#include "ui/AppIcons.h"
#include "ui/EditBookmarksForm.h"
#include "ui/EditFilterForm.h"
#include "ui/TipOfTheDayForm.h"

#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>
#include <filesystem>

namespace {

bool Shoot(QWidget& window, const QString& file)
{
    window.show();
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    const bool saved = window.grab().save(file);
    if (!saved)
        std::fprintf(stderr, "could not write %s\n", qPrintable(file));
    window.hide();
    return saved;
}

bool ShootAll(const QString& out, const std::string& dataDir, const QString& suffix)
{
    std::filesystem::create_directories(dataDir);
    THosts hosts(dataDir);
    TQuickHosts quick(dataDir);
    TFilters filters(dataDir);
    TMainConfig config(dataDir);
    bool ok = true;

    THost host{THostDefaults{}};
    host.CommonName = host.Hostname = "ftp.example.org";
    for (const char* path : {"/pub/releases/", "/pub/docs/manuals/", "/incoming/", "/home/web/htdocs/"})
        host.AddBookmark(path);
    TEditBookmarksForm bookmarks(host, hosts, quick);
    bookmarks.List()->setCurrentItem(bookmarks.List()->topLevelItem(1));
    ok &= Shoot(bookmarks, out + "/bookmarks" + suffix + ".png");

    filters.Clear();
    filters.Add(TFilter("Pictures", "*.jpg;*.jpeg;*.png;*.gif"));
    filters.Add(TFilter("Web pages", "*.html;*.htm;*.css;*.js"));
    filters.Add(TFilter("Archives", "*.zip;*.tar.gz;*.7z"));
    filters.Add(TFilter("Documents", "*.pdf;*.odt;*.txt"));
    filters.Save();
    TEditFilterForm filterForm(filters);
    filterForm.List()->setCurrentItem(filterForm.List()->topLevelItem(2));
    ok &= Shoot(filterForm, out + "/filters" + suffix + ".png");

    config.SetLastTipIndex(2);
    TTipOfTheDayForm tips(config);
    ok &= Shoot(tips, out + "/tips" + suffix + ".png");
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    TAppIcons::SetUpIconTheme();
    const QString out = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    for (const auto& shipped : TLanguageManager::DefaultDataDirectories())
        LangManager().ScanDirectory(shipped / "Languages");

    bool ok = ShootAll(out, (home.path() + "/en").toStdString(), QString());
    LangManager().SetActiveLanguage(1031);
    ok &= ShootAll(out, (home.path() + "/de").toStdString(), QStringLiteral("-de"));
    return ok ? 0 : 1;
}
