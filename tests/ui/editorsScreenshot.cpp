// tovrel-ftp-editors-screenshot: pictures of the bookmark and filter
// editors and the tip window, in English and German, written to the folder
// given as bookmarks.png, bookmarks-de.png, filters.png, filters-de.png,
// tips.png and tips-de.png. The stores live in a private temporary data
// directory. Run it through scripts/screenshot.

#include "hosts/Filters.h"
#include "hosts/Hosts.h"
#include "hosts/QuickHosts.h"
#include "ScreenshotSupport.h"
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

using shots::Shoot;

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
    return shots::ShootInBothLanguages(argc, argv, ShootAll);
}
