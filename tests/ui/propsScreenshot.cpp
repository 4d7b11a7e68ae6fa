// tovrel-ftp-props-screenshot: pictures of the properties window and the
// advanced search, connected to a local vsftpd, written to the folder given
// as properties.png, properties-security.png, properties-de.png,
// search.png and search-de.png. Needs root, like the vsftpd tests. Run it
// through scripts/screenshot.

#include "propsSession.h"
#include "ScreenshotSupport.h"

#include "i18n/LanguageManager.h"
#include "ui/AdvancedSearchForm.h"
#include "ui/AppIcons.h"
#include "ui/SearchResultModel.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using shots::Shoot;

void MakeTree(const std::string& root)
{
    WriteFiles(root, {{"pub/release-notes.txt", std::string(18000, 'n')},
                      {"pub/install.txt", std::string(5200, 'i')},
                      {"pub/tovrel-2.4.tar.gz", std::string(900000, 'z')},
                      {"pub/docs/manual.txt", std::string(64000, 'm')},
                      {"pub/docs/faq.html", std::string(12000, 'f')},
                      {"pub/docs/old/changes.txt", std::string(3000, 'c')},
                      {"pub/images/logo.png", std::string(7000, 'l')}});
    ::chmod(root.c_str(), 0755);
    GiveToTestUser(root + "/pub");
    ::chmod((root + "/pub/install.txt").c_str(), 0640);
}

bool ShootProperties(TPropsSession& session, const QString& out, const QString& suffix)
{
    bool ok = true;
    TFilePropertiesForm single(session.Worker, session.Entries({"release-notes.txt"}));
    ok &= Shoot(single, out + "/properties" + suffix + ".png");
    if (!suffix.isEmpty())
        return ok;
    TFilePropertiesForm mixed(session.Worker, session.Entries({"release-notes.txt", "install.txt", "docs"}));
    mixed.Pages()->setCurrentIndex(1);
    ok &= Shoot(mixed, out + "/properties-security.png");
    return ok;
}

bool ShootSearch(TPropsSession& session, const QString& out, const QString& suffix)
{
    TAdvancedSearchForm search(session.Worker);
    search.show();
    search.NameField()->setText(QStringLiteral("*.txt"));
    search.SearchButton()->click();
    if (!RunEventsUntil([&] { return !search.Searching() && !session.Worker.Busy(); }))
        return false;
    return Shoot(search, out + "/search" + suffix + ".png");
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir home;
    shots::PrepareHome(home);

    const std::string root = MakeTempDir("props-shots");
    MakeTree(root);
    bool ok = false;
    {
        VsftpdServer server(root);
        TPropsSession session(server);
        if (session.Open() && session.ChangeTo("/pub")) {
            ok = ShootProperties(session, out, QString()) && ShootSearch(session, out, QString());
            LangManager().SetActiveLanguage(1031);
            ok &= ShootProperties(session, out, QStringLiteral("-de"));
            ok &= ShootSearch(session, out, QStringLiteral("-de"));
        }
    }
    RemoveTree(root);
    return ok ? 0 : 1;
}
