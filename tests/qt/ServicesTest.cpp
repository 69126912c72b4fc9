// The services the logic calls, and the modal and modeless dialogs they run.
#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QPushButton>
#include <QTimer>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "RecordingHandler.hpp"
#include "ShownDialog.hpp"
#include "qt/ProgramArguments.hpp"
#include "resources/ControlIds.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::qt::test {
namespace {

using platform::Notification;
using ::testing::ElementsAre;

class ServicesTest : public ::testing::Test {
protected:
    QtServices services;
};

TEST_F(ServicesTest, SinksAnswerForTheWindowSystem) {
    RecordingHandler handler;
    ShownDialog dialog(services, ids::kMainDialog, handler);
    std::vector<std::string> shown;
    QWidget* owner = nullptr;
    services.messageSink = [&](QWidget* w, const FormattedMessage& m) {
        owner = w;
        shown.push_back(m.caption + ": " + m.text);
    };
    services.openFileSink = [](QWidget*, const platform::OpenFileRequest& r) {
        return std::optional<std::string>("/chosen/by/" + r.title);
    };
    std::vector<std::string> opened;
    services.openDocumentSink = [&](const std::string& what) {
        opened.push_back(what);
        return true;
    };
    services.messageBox(&dialog.window(), {3, "Caption", "Text"});
    EXPECT_THAT(shown, ElementsAre("Caption: Text"));
    EXPECT_EQ(owner, &dialog.widget());
    platform::OpenFileRequest request;
    request.title = "me";
    EXPECT_EQ(services.openFileDialog(&dialog.window(), request), "/chosen/by/me");
    EXPECT_TRUE(services.openDocument("https://example.org/guide"));
    EXPECT_THAT(opened, ElementsAre("https://example.org/guide"));
}

TEST_F(ServicesTest, ClipboardTakesThePicture) {
    platform::Surface picture(4, 3, platform::rgb(10, 20, 30));
    picture.setPixel(3, 2, platform::rgb(200, 100, 50));
    ASSERT_TRUE(services.setClipboardBitmap(picture));
    const QImage image = QGuiApplication::clipboard()->image();
    ASSERT_EQ(image.size(), QSize(4, 3));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(10, 20, 30));
    EXPECT_EQ(image.pixelColor(3, 2), QColor(200, 100, 50));
}

TEST_F(ServicesTest, CursorHoldsUntilTheArrowComesBack) {
    services.setCursor(platform::CursorKind::Hand);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::OpenHandCursor);
    services.setCursor(platform::CursorKind::Cross);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
    services.setCursor(platform::CursorKind::Arrow);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(ServicesTest, FileExistsOnlyForFiles) {
    const korvane::test::TempFile file(korvane::test::countingBytes(10));
    EXPECT_TRUE(services.fileExists(file.path()));
    EXPECT_FALSE(services.fileExists(file.folder().string()));
    EXPECT_FALSE(services.fileExists(file.path() + ".missing"));
    EXPECT_FALSE(services.fileExists(""));
}

TEST_F(ServicesTest, VersionIsTheProjects) {
    const auto version = services.productVersion();
    ASSERT_TRUE(version.has_value());
    const std::string text = std::to_string((*version)[0]) + "." + std::to_string((*version)[1]) +
                             "." + std::to_string((*version)[2]) + "." +
                             std::to_string((*version)[3]);
    EXPECT_EQ(text, KORVANE_EXPECTED_VERSION);
}

// ---------------------------------------------------------------------------------------------
// Dialogs

TEST_F(ServicesTest, ModalDialogReturnsWhatItEndedWith) {
    RecordingHandler about;
    about.init = [&](platform::DialogWindow& w) {
        auto& window = dynamic_cast<QtDialogWindow&>(w);
        QTimer::singleShot(0, window.controlWidget(ids::kOk), [&window] {
            QTest::mouseClick(window.controlWidget(ids::kOk), Qt::LeftButton);
        });
    };
    about.commands = [&](int id, Notification) {
        if (id == ids::kOk) about.window->endDialog(7);
    };
    EXPECT_EQ(services.runModalDialog(ids::kAboutDialog, about, nullptr), 7);
    EXPECT_TRUE(about.destroyed);
    EXPECT_EQ(about.log.back(), "destroy");
}

TEST_F(ServicesTest, DialogEndedWhileInitialisingNeverShows) {
    RecordingHandler about;
    bool shown = false;
    services.onDialogShown = [&](QtDialogWindow& w) {
        shown = true;
        w.endDialog(-5); // keeps a faulty run from waiting for a user
    };
    about.init = [](platform::DialogWindow& w) { w.endDialog(3); };
    EXPECT_EQ(services.runModalDialog(ids::kAboutDialog, about, nullptr), 3);
    EXPECT_FALSE(shown);
}

TEST_F(ServicesTest, UnknownTemplateMakesNoDialog) {
    RecordingHandler nobody;
    EXPECT_EQ(services.runModalDialog(4711, nobody, nullptr), -1);
    EXPECT_EQ(services.createModelessDialog(4711, nobody, nullptr), nullptr);
    EXPECT_TRUE(nobody.log.empty());
}

TEST_F(ServicesTest, ModelessDialogGoesWhenItEnds) {
    RecordingHandler main;
    ShownDialog owner(services, ids::kMainDialog, main);
    RecordingHandler tool;
    platform::DialogWindow* w =
        services.createModelessDialog(ids::kAboutDialog, tool, &owner.window());
    ASSERT_NE(w, nullptr);
    auto& window = dynamic_cast<QtDialogWindow&>(*w);
    EXPECT_TRUE(window.widget().isVisible());
    EXPECT_EQ(window.widget().parentWidget(), &owner.widget());
    w->endDialog(1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(tool.destroyed);
    EXPECT_FALSE(main.destroyed);
}

TEST_F(ServicesTest, OwnedDialogsGoBeforeTheirOwner) {
    std::vector<std::string> order;
    RecordingHandler tool;
    tool.destroying = [&] { order.push_back("tool"); };
    {
        RecordingHandler main;
        main.destroying = [&] { order.push_back("main"); };
        ShownDialog owner(services, ids::kMainDialog, main);
        ASSERT_NE(services.createModelessDialog(ids::kAboutDialog, tool, &owner.window()), nullptr);
    }
    EXPECT_THAT(order, ElementsAre("tool", "main"));
}

// ---------------------------------------------------------------------------------------------

TEST(CommandLineOf, QuotesArgumentsWithBlanks) {
    EXPECT_EQ(commandLineOf({}), "");
    EXPECT_EQ(commandLineOf({"/data/a.nef"}), "/data/a.nef");
    EXPECT_EQ(commandLineOf({"/data/my shots/a.nef", "-h"}), "\"/data/my shots/a.nef\" -h");
    EXPECT_EQ(commandLineOf({"a\tb"}), "\"a\tb\"");
    EXPECT_EQ(commandLineOf({""}), "\"\"");
}

} // namespace
} // namespace korvane::qt::test
