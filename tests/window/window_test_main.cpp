// The window tests need one QApplication for the whole program; it runs on the offscreen platform unless
// the caller chose another, so the tests need no display (test discovery included).

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // No test may touch the user's own settings, work folder or desktop file types, whatever a fixture
    // forgets.
    QTemporaryDir fallbackConfig;
    qputenv("TORVANE_CONFIG_DIR", fallbackConfig.path().toUtf8());
    qputenv("XDG_CACHE_HOME", (fallbackConfig.path() + QStringLiteral("/cache")).toUtf8());
    qputenv("XDG_DATA_HOME", (fallbackConfig.path() + QStringLiteral("/data")).toUtf8());
    // Without a session's runtime folder Qt makes one in the temporary folder and leaves it there.
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Torvane Test"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
