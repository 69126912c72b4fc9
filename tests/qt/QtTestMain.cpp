// The Qt tests run the real widgets off-screen: no display is needed, here or in CI.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

#include "qt/Application.hpp"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // Qt wants a private runtime folder; without one it warns on every start.
        const QString folder =
            QDir::tempPath() + QStringLiteral("/korvane-runtime-%1").arg(getuid());
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", folder.toLocal8Bit());
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    korvane::qt::configureApplication(app);
    return RUN_ALL_TESTS();
}
