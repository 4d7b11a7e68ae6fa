#include "platform/DesktopFile.h"
#include "platform/MimeApps.h"
#include "platform/OpenCommand.h"

#include "platform/XdgSandbox.h"

#include <gtest/gtest.h>

namespace {

const std::string kFile = "/tmp/some dir/n\"o$te`s\\%1.txt";

} // namespace

TEST(DesktopFile, RewriteKeepsCommentsOtherGroupsAndUnknownLines)
{
    TDesktopFile file = TDesktopFile::Parse("# user comment\n"
                                            "[Default Applications]\n"
                                            "text/plain=gedit.desktop;\n"
                                            "not an entry\n"
                                            "\n"
                                            "[Added Associations]\n"
                                            "image/png=eog.desktop;\n");
    file.SetValue("Default Applications", "x-scheme-handler/ftp", "tovrel-ftp.desktop;");
    file.SetValue("Removed Associations", "text/html", "a.desktop;");
    EXPECT_TRUE(file.RemoveKey("Added Associations", "image/png"));
    EXPECT_FALSE(file.RemoveKey("Added Associations", "image/png"));
    EXPECT_EQ(file.ToText(), "# user comment\n"
                             "[Default Applications]\n"
                             "text/plain=gedit.desktop;\n"
                             "not an entry\n"
                             "x-scheme-handler/ftp=tovrel-ftp.desktop;\n"
                             "\n"
                             "[Added Associations]\n"
                             "[Removed Associations]\n"
                             "text/html=a.desktop;\n");
}

TEST(DesktopFile, ValuesAndListsRoundTripTheirEscapes)
{
    for (const std::string value : {" leading space", "tab\tand\nline\r", "back\\slash", "plain"}) {
        TDesktopFile file = TDesktopFile::Parse("");
        file.SetValue("G", "K", value);
        EXPECT_EQ(TDesktopFile::Parse(file.ToText()).Value("G", "K"), value) << file.ToText();
    }
    const std::vector<std::string> items{"a.desktop", "semi;colon", "b.desktop"};
    EXPECT_EQ(TDesktopFile::SplitList(TDesktopFile::JoinList(items)), items);
    EXPECT_EQ(TDesktopFile::SplitList(" a ; ;b"), (std::vector<std::string>{"a", "b"}));
}

TEST(DesktopFile, ExecArgumentsSurviveQuotingEscapingAndFilling)
{
    // What the writers put into an Exec line must come back as the same
    // arguments when a desktop reads it.
    const std::vector<std::string> args{"/opt/my apps/tovrel-ftp", "quote\"d", "$HOME", "back`tick\\", "100%"};
    std::string exec;
    for (const auto& arg : args)
        exec += (exec.empty() ? "" : " ") + TDesktopFile::QuoteExecArgument(arg);
    TDesktopFile file = TDesktopFile::Parse("");
    file.SetValue("Desktop Entry", "Exec", exec + " %F");
    const std::string read = *TDesktopFile::Parse(file.ToText()).Value("Desktop Entry", "Exec");
    std::vector<std::string> expected = args;
    expected.push_back("/x/file");
    EXPECT_EQ(FillExecLine(read, "/x/file"), expected);
}

TEST(OpenCommand, FieldCodesAreFilledOnceAndTheRestDropped)
{
    struct Case {
        std::string Exec;
        std::vector<std::string> Expected;
    };
    const std::vector<Case> cases{
        {"editor %f", {"editor", kFile}},
        {"editor --new-window %U", {"editor", "--new-window", kFile}},
        {"editor \"%1\"", {"editor", kFile}},
        {"editor %u %f", {"editor", kFile}},                   // one file only
        {"editor --file=%f", {"editor", "--file=" + kFile}},   // inside an argument
        {"editor", {"editor"}},                                // no code: runs without the file
        {"editor %2", {"editor"}},                             // another placeholder
        {"editor %i %c %k %d %N 100%%", {"editor", "--icon", "ed-icon", "Ed", "/d/ed.desktop", "100%"}},
        {"editor %i", {"editor"}},                             // no icon given
    };
    for (const auto& c : cases) {
        const std::string icon = c.Exec == "editor %i" ? "" : "ed-icon";
        EXPECT_EQ(FillExecLine(c.Exec, kFile, icon, "Ed", "/d/ed.desktop"), c.Expected) << c.Exec;
    }
}

TEST(MimeApps, DefaultFollowsListPrecedenceAndSkipsMissingApplications)
{
    XdgSandbox xdg;
    const std::string apps = xdg.DataHome() + "/applications/";
    xdg.Write(apps + "user-editor.desktop", "[Desktop Entry]\nType=Application\nExec=ue %f\n");
    xdg.Write(apps + "hidden-editor.desktop", "[Desktop Entry]\nType=Application\nHidden=true\nExec=he %f\n");
    xdg.Write(xdg.SystemData() + "/applications/sys-editor.desktop", "[Desktop Entry]\nType=Application\nExec=se %f\n");
    xdg.Write(xdg.SystemData() + "/applications/kde/sub-editor.desktop", "[Desktop Entry]\nExec=sub %f\n");
    xdg.Write(xdg.Path("etc/xdg/mimeapps.list"), "[Default Applications]\ntext/x-a=sys-editor.desktop\n");

    EXPECT_EQ(TMimeApps::DefaultApplication("text/x-a"), "sys-editor.desktop");
    // The user's list wins; names that are not installed (or hidden) are skipped.
    xdg.Write(xdg.ConfigHome() + "/mimeapps.list",
              "[Default Applications]\ntext/x-a=gone.desktop;hidden-editor.desktop;user-editor.desktop;\n");
    EXPECT_EQ(TMimeApps::DefaultApplication("text/x-a"), "user-editor.desktop");
    // A desktop's own list comes before the plain one.
    xdg.Set("XDG_CURRENT_DESKTOP", "KDE");
    xdg.Write(xdg.ConfigHome() + "/kde-mimeapps.list", "[Default Applications]\ntext/x-a=kde-sub-editor.desktop\n");
    EXPECT_EQ(TMimeApps::DefaultApplication("text/x-a"), "kde-sub-editor.desktop");
    EXPECT_EQ(TMimeApps::FindDesktopFile("kde-sub-editor.desktop"), xdg.SystemData() + "/applications/kde/sub-editor.desktop");
    // Without a default, a parent type's default or the cache answers.
    xdg.Write(xdg.SystemData() + "/applications/mimeinfo.cache", "[MIME Cache]\ntext/x-b=sys-editor.desktop;\n");
    EXPECT_EQ(TMimeApps::PreferredApplication("text/x-c", {"text/x-a"}), "kde-sub-editor.desktop");
    EXPECT_EQ(TMimeApps::PreferredApplication("text/x-b", {}), "sys-editor.desktop");
    EXPECT_EQ(TMimeApps::PreferredApplication("text/x-none", {}), "");
}

TEST(OpenCommand, FileTypeFindsTheDefaultApplicationsCommand)
{
    XdgSandbox xdg;
    xdg.Write(xdg.DataHome() + "/applications/my-editor.desktop",
              "[Desktop Entry]\nType=Application\nName=My Editor\nExec=\"/opt/my editor/bin\" --wait %F\n");
    xdg.Write(xdg.ConfigHome() + "/mimeapps.list", "[Default Applications]\ntext/plain=my-editor.desktop\n");
    const TOpenCommand command = OpenCommandFor("/tmp/notes.txt");
    EXPECT_EQ(command.Arguments, (std::vector<std::string>{"/opt/my editor/bin", "--wait", "/tmp/notes.txt"}));
    EXPECT_EQ(command.DesktopFile, xdg.DataHome() + "/applications/my-editor.desktop");
    // A type nobody opens has no command.
    EXPECT_TRUE(OpenCommandFor("/tmp/file.tovrel-nothing-opens-this").Arguments.empty());
}
