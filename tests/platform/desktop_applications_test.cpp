// Which application the desktop would start for a document, and whether anybody would see it: the
// association lists as a desktop keeps them, built in a scratch folder.

#include "common/SavedVariable.h"
#include "common/TempDir.h"
#include "platform/DesktopApplications.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace torvane::test {
namespace {

class DesktopApplicationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        for (const char* sub :
             {"config", "etc-xdg", "home-data/applications", "usr-share/applications", "bin"})
            std::filesystem::create_directories(dir / sub);
        folders.Config = {dir / "config", dir / "etc-xdg"};
        folders.Data = {dir / "home-data", dir / "usr-share"};
    }

    // A program that exists and may be run.
    std::string Program(const std::string& name) {
        const auto path = dir.Write("bin/" + name, "#!/bin/sh\n");
        ::chmod(path.c_str(), 0755);
        return path;
    }
    // A desktop entry in one of the data folders ("home-data" or "usr-share").
    void Entry(const std::string& data, const std::string& id, const std::string& exec,
               const std::string& mimeTypes, const std::string& extra = {}) {
        const auto path = std::filesystem::path(dir / data) / "applications" / id;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << "# a comment\n[Desktop Entry]\nType=Application\nName=" << id
                            << "\nExec=" << exec << "\nMimeType=" << mimeTypes << "\n"
                            << extra << "[Desktop Action new]\nExec=/nowhere\n";
    }
    std::string Id(const std::string& mimeType = "text/plain") {
        const auto app = DefaultApplicationFor(mimeType, folders);
        return app ? app->Id : "";
    }

    TempDir dir;
    DesktopFolders folders;
};

TEST_F(DesktopApplicationsTest, TheDefaultOfTheFirstListThatNamesAnInstalledOne) {
    EXPECT_EQ(Id(), "") << "nothing installed";
    Entry("usr-share", "editor.desktop", Program("editor") + " %F", "text/html;text/plain;");
    Entry("usr-share", "viewer.desktop", Program("viewer"), "text/plain");
    EXPECT_EQ(Id(), "editor.desktop") << "an association, in name order without a cache";
    EXPECT_EQ(Id("image/png"), "");

    dir.Write("usr-share/applications/mimeinfo.cache",
              "[MIME Cache]\ntext/plain=viewer.desktop;editor.desktop;\n");
    EXPECT_EQ(Id(), "viewer.desktop") << "the cache's order, as the desktop's tools use it";

    dir.Write("etc-xdg/mimeapps.list", "[Default Applications]\ntext/plain=editor.desktop\n");
    EXPECT_EQ(Id(), "editor.desktop") << "the system's default";
    // The user's list comes first; a default that is not installed gives way to the next one named.
    dir.Write("config/mimeapps.list", "[Default Applications]\ntext/plain=gone.desktop;viewer.desktop;\n");
    EXPECT_EQ(Id(), "viewer.desktop");
    dir.Write("config/mimeapps.list", "[Default Applications]\ntext/plain=gone.desktop\n");
    EXPECT_EQ(Id(), "editor.desktop");

    // A desktop's own list before the common one, where that desktop runs.
    dir.Write("config/xfce-mimeapps.list", "[Default Applications]\ntext/plain=viewer.desktop\n");
    EXPECT_EQ(Id(), "editor.desktop");
    folders.Desktops = {"gnome", "xfce"};
    EXPECT_EQ(Id(), "viewer.desktop");
}

TEST_F(DesktopApplicationsTest, RemovedAssociationsAndHiddenOrBrokenEntriesDoNotCount) {
    Entry("usr-share", "a.desktop", Program("a"), "text/plain;");
    Entry("usr-share", "b.desktop", Program("b"), "text/plain;");
    EXPECT_EQ(Id(), "a.desktop");
    dir.Write("usr-share/applications/mimeapps.list", "[Removed Associations]\ntext/plain=a.desktop;\n");
    EXPECT_EQ(Id(), "b.desktop") << "a removal holds for its own folder";
    dir.Write("config/mimeapps.list", "[Removed Associations]\ntext/plain=b.desktop;\n"
                                      "[Added Associations]\ntext/plain=c.desktop;\n");
    EXPECT_EQ(Id(), "") << "the user removed b, the system a; c is not installed";
    Entry("home-data", "c.desktop", Program("c"), "");
    EXPECT_EQ(Id(), "c.desktop") << "added by the user though its entry names no type";

    // The user's hidden copy takes the application away; an entry whose TryExec is missing does not count.
    Entry("home-data", "c.desktop", Program("c"), "", "Hidden=true\n");
    EXPECT_EQ(Id(), "");
    dir.Write("config/mimeapps.list", "[Added Associations]\ntext/plain=a.desktop;\n");
    EXPECT_EQ(Id(), "a.desktop") << "the user's association stands above the system's removal";
    dir.Write("config/mimeapps.list",
              "[Default Applications]\ntext/plain=d.desktop;e.desktop;f.desktop;b.desktop\n");
    Entry("usr-share", "d.desktop", Program("d"), "text/plain", "TryExec=/nowhere/d\n");
    dir.Write("usr-share/applications/e.desktop", "[Desktop Entry]\nType=Link\nURL=https://example.org/\n");
    Entry("usr-share", "f.desktop", "", "text/plain");
    EXPECT_EQ(Id(), "b.desktop") << "not d (TryExec missing), not e (no application), not f (no Exec)";
}

TEST_F(DesktopApplicationsTest, IdsOfEntriesInSubfoldersAndUserCopies) {
    Entry("usr-share", "kde4/kate.desktop", Program("kate"), "text/plain");
    EXPECT_EQ(Id(), "kde4-kate.desktop");
    const auto app = DefaultApplicationFor("text/plain", folders);
    ASSERT_TRUE(app);
    EXPECT_EQ(app->EntryPath, dir / "usr-share/applications/kde4/kate.desktop");
    // The user's copy of an entry replaces the system's, wherever the system's lies.
    Entry("home-data", "kde4-kate.desktop", "vim %F", "", "Terminal=true\n");
    const auto mine = DefaultApplicationFor("text/plain", folders);
    ASSERT_TRUE(mine);
    EXPECT_EQ(mine->EntryPath, dir / "home-data/applications/kde4-kate.desktop");
    EXPECT_TRUE(mine->Terminal);
}

TEST_F(DesktopApplicationsTest, LinksInACircleAndFifosAreNoEntries) {
    // The user's own folder without a cache is read entry by entry: a link back to it is not followed,
    // and a FIFO named like an entry is not opened (it would wait for a writer for ever).
    Entry("home-data", "sub/viewer.desktop", Program("viewer"), "text/plain");
    std::filesystem::create_directory_symlink(dir / "home-data/applications",
                                              dir / "home-data/applications/loop");
    ASSERT_EQ(::mkfifo((dir / "home-data/applications/a-fifo.desktop").c_str(), 0600), 0);
    dir.Write("config/mimeapps.list",
              "[Default Applications]\ntext/plain=a-fifo.desktop;sub-viewer.desktop\n");
    EXPECT_EQ(Id(), "sub-viewer.desktop");
    dir.Write("config/mimeapps.list", "");
    EXPECT_EQ(Id(), "sub-viewer.desktop");
}

TEST_F(DesktopApplicationsTest, ATerminalProgramOrAMissingOneShowsNothing) {
    // The case of a machine without a desktop environment: vim is the text application.
    SavedVariable path("PATH", dir / "bin");
    Entry("usr-share", "vim.desktop", "vim %F", "text/plain;", "Terminal=true\nTryExec=vim\n");
    Program("vim");
    auto app = DefaultApplicationFor("text/plain", folders);
    ASSERT_TRUE(app);
    EXPECT_EQ(app->Program, "vim");
    EXPECT_TRUE(app->ProgramFound) << "found on PATH";
    EXPECT_FALSE(ShowsInAWindow(*app));

    Entry("usr-share", "vim.desktop", "vim %F", "text/plain;", "Terminal=false\n");
    app = DefaultApplicationFor("text/plain", folders);
    ASSERT_TRUE(app);
    EXPECT_TRUE(ShowsInAWindow(*app));

    Entry("usr-share", "vim.desktop", "gvim %F", "text/plain;");
    app = DefaultApplicationFor("text/plain", folders);
    ASSERT_TRUE(app);
    EXPECT_FALSE(app->ProgramFound);
    EXPECT_FALSE(ShowsInAWindow(*app));

    // A file that is there but may not be run is no program.
    ::chmod((dir / "bin/vim").c_str(), 0644);
    Entry("usr-share", "vim.desktop", "vim %F", "text/plain;");
    app = DefaultApplicationFor("text/plain", folders);
    ASSERT_TRUE(app);
    EXPECT_FALSE(ShowsInAWindow(*app));
}

TEST(DesktopExec, TheProgramOfAnExecLine) {
    EXPECT_EQ(ExecProgram("gedit %U"), "gedit");
    EXPECT_EQ(ExecProgram("  /usr/bin/mousepad"), "/usr/bin/mousepad");
    EXPECT_EQ(ExecProgram("\"/opt/My Editor/bin/edit\" --new %f"), "/opt/My Editor/bin/edit");
    // The key file's own escapes come first, then the quoting's.
    EXPECT_EQ(ExecProgram("\"/opt/a \\\\\"b\\\\\"/x\" %f"), "/opt/a \"b\"/x");
    EXPECT_EQ(ExecProgram("/opt/with\\sblank %f"), "/opt/with");
    EXPECT_EQ(ExecProgram(""), "");
    EXPECT_EQ(ExecProgram("   "), "");
}

TEST(DesktopFoldersTest, TheEnvironmentsFoldersAndTheStandardOnes) {
    SavedVariable home("HOME", "/home/u");
    SavedVariable config("XDG_CONFIG_HOME", "relative/is/ignored");
    SavedVariable configDirs("XDG_CONFIG_DIRS");
    ::unsetenv("XDG_CONFIG_DIRS");
    SavedVariable data("XDG_DATA_HOME", "/d");
    SavedVariable dataDirs("XDG_DATA_DIRS", "/a:relative:/b:");
    SavedVariable desktop("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    const auto f = DesktopFolders::FromEnvironment();
    EXPECT_EQ(f.Config, (std::vector<std::string>{"/home/u/.config", "/etc/xdg"}));
    EXPECT_EQ(f.Data, (std::vector<std::string>{"/d", "/a", "/b"}));
    EXPECT_EQ(f.Desktops, (std::vector<std::string>{"ubuntu", "gnome"}));
    ::unsetenv("XDG_DATA_DIRS");
    EXPECT_EQ(DesktopFolders::FromEnvironment().Data,
              (std::vector<std::string>{"/d", "/usr/local/share", "/usr/share"}));
}

} // namespace
} // namespace torvane::test
